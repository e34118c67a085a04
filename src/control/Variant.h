#pragma once
// Conversions between the published HxVariant and the control's own types, with the coercions a
// late-bound caller expects: numbers, Booleans and numeric text convert into each other, a number
// that does not fit raises Overflow (6), anything else Type mismatch (13). Variants made here hold
// malloc'd text or bytes, as the published header promises.
#include "control/Harbex.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace harbex {

// The value itself, following one by-reference level.
HxVariant plainValue(const HxVariant &v);

int16_t toI2(const HxVariant &v);
int32_t toI4(const HxVariant &v);
bool toBool(const HxVariant &v);
QString toText(const HxVariant &v);
// The bytes of a byte array, read in place: valid while the caller's argument is, so copy them
// before anything that outlives the call or lets the host run. Nothing for any other value.
std::optional<QByteArray> toBytes(const HxVariant &v);

HxVariant makeI2(int16_t value);
HxVariant makeI4(int32_t value);
HxVariant makeBool(bool value);
HxVariant makeText(const QString &text); // malloc'd, NUL-terminated UTF-8
HxVariant makeBytes(const QByteArray &bytes); // malloc'd
// `prefix` followed by the bytes read as Windows-1252 characters, straight into malloc'd UTF-8:
// received data becomes text on every arrival, so no QString is built on the way.
HxVariant makeTextFromAnsi(const char *prefixUtf8, qsizetype prefixSize, const char *bytes, qsizetype size);
void clear(HxVariant &v);

} // namespace harbex
