#pragma once
// The single-byte (ANSI) code page of the original, Windows-1252: one character is one byte,
// both ways. Characters the code page lacks become "?". The five unassigned bytes (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the control characters of the same number, so bytes survive a round trip.
#include <QByteArray>
#include <QString>

namespace platform {
QByteArray toAnsi(const QString &text);
QString fromAnsi(const QByteArray &bytes);
QString fromAnsi(const char *bytes, qsizetype size);
} // namespace platform
