#pragma once
// Numbers in frames (a length field, a column, a byte count) are read as the runtime reads a
// number from text: blanks are skipped, an optional sign, digits, a decimal point and an
// exponent; reading stops at the first character that cannot continue the number; no number
// reads as 0.
#include <QString>

#include <cmath>
#include <cstdint>
#include <optional>

namespace gamewindow {

inline double payloadValue(const QString &text)
{
    QString t;
    t.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            t += c;
    const auto digit = [&](qsizetype i) { return i < t.size() && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9'); };
    qsizetype i = 0;
    QString number;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        number += t[i++];
    while (digit(i))
        number += t[i++];
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        number += t[i++];
        while (digit(i))
            number += t[i++];
    }
    if (i < t.size() && (t[i].toUpper() == QLatin1Char('E') || t[i].toUpper() == QLatin1Char('D'))) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < t.size() && (t[j] == QLatin1Char('+') || t[j] == QLatin1Char('-')))
            exponent += t[j++];
        bool any = false;
        int value = 0;
        while (digit(j)) {
            value = std::min(value * 10 + t[j++].digitValue(), 9999);
            any = true;
        }
        if (any)
            number += exponent + QString::number(value);
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

// The number as a 16-bit integer, rounded half to even; empty when it does not fit.
inline std::optional<int16_t> payloadInt16(const QString &text)
{
    const double rounded = std::nearbyint(payloadValue(text));
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        return std::nullopt;
    return static_cast<int16_t>(rounded);
}

} // namespace gamewindow
