#pragma once
// Numbers in frames (a length field, a column, a byte count) are read as the runtime reads a
// number from text: blanks are skipped, an optional sign, digits, a decimal point and an
// exponent; reading stops at the first character that cannot continue the number; no number
// reads as 0.
#include <QString>

#include <cmath>
#include <charconv>
#include <system_error>
#include <cstdint>
#include <optional>

namespace gamenet {

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
    if (number.isEmpty() || number == QLatin1String("+") || number == QLatin1String("-"))
        return 0.0;
    // Read without the locale. A number too large for a double reads as infinity, which fits
    // no integer; one too small for it is 0.
    const QByteArray latin = number.toLatin1();
    const char *first = latin.constData() + (latin.startsWith('+') ? 1 : 0);
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, latin.constData() + latin.size(), value);
    Q_UNUSED(end);
    if (error == std::errc::result_out_of_range) {
        const bool hugeExponent = !number.contains(QLatin1String("e-"));
        return hugeExponent ? (latin.startsWith('-') ? -HUGE_VAL : HUGE_VAL) : 0.0;
    }
    return error == std::errc() ? value : 0.0;
}

// The number as a 16-bit integer, rounded half to even; empty when it does not fit.
inline std::optional<int16_t> payloadInt16(const QString &text)
{
    const double rounded = std::nearbyint(payloadValue(text));
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        return std::nullopt;
    return static_cast<int16_t>(rounded);
}

} // namespace gamenet
