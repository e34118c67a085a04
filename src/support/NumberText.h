#pragma once
// The one reader of a number in text, for the frames' numbers (a length field, a column, a byte
// count), the connection dialog's fields, the stored high scores and the winning cells' items:
// blanks, tabs and line feeds anywhere are skipped; then an optional sign, digits, a decimal
// point and an exponent (E or D); reading stops at the first character that cannot continue
// the number; no number reads as 0. A value too large for a double reads as infinity, one too
// small for it as 0. What a value out of a caller's range becomes is the caller's rule.
#include <QByteArrayView>
#include <QStringView>

#include <cmath>
#include <limits>
#include <optional>

namespace support {

double numberValue(QStringView text);
// The same for bytes of the wire, each read as its code page's character without making a text
// of them: digits, signs, points, blanks and exponent letters are those of ASCII.
double numberValue(QByteArrayView bytes);

// The value rounded to the nearest integer, a half to the even one; empty when that does not
// fit Int (infinity included).
template <class Int>
std::optional<Int> roundedValue(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= double(std::numeric_limits<Int>::min()) && rounded <= double(std::numeric_limits<Int>::max())))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

} // namespace support
