#pragma once
// Numbers in frames (a length field, a column, a byte count) are read as the runtime reads a
// number from text: blanks are skipped, an optional sign, digits, a decimal point and an
// exponent; reading stops at the first character that cannot continue the number; no number
// reads as 0.
#include <QString>
#include <QByteArrayView>
#include <QStringView>
#include <QVarLengthArray>

#include <cmath>
#include <charconv>
#include <system_error>
#include <algorithm>
#include <cstdint>
#include <optional>

namespace gamenet {

namespace detail {
// The character code at `k`: text as it is, bytes as their code page's character, whose digits,
// signs, points, blanks and exponent letters are those of ASCII.
inline char16_t codeAt(QStringView text, qsizetype k) { return text[k].unicode(); }
inline char16_t codeAt(QByteArrayView bytes, qsizetype k) { return static_cast<unsigned char>(bytes[k]); }

template <class Text>
double numberValue(Text text)
{
    // Blanks, tabs and line feeds anywhere count as absent: every look at the next character
    // skips them first. The number is gathered as Latin-1 on the stack.
    const qsizetype size = text.size();
    const auto at = [&](qsizetype k) { return codeAt(text, k); };
    qsizetype i = 0;
    const auto skip = [&](qsizetype &k) {
        while (k < size && (at(k) == u' ' || at(k) == u'\t' || at(k) == u'\n'))
            ++k;
    };
    const auto digit = [&](qsizetype &k) {
        skip(k);
        return k < size && at(k) >= u'0' && at(k) <= u'9';
    };
    QVarLengthArray<char, 64> number;
    skip(i);
    if (i < size && (at(i) == u'+' || at(i) == u'-'))
        number.append(char(at(i++)));
    while (digit(i))
        number.append(char(at(i++)));
    skip(i);
    if (i < size && at(i) == u'.') {
        number.append('.');
        ++i;
        while (digit(i))
            number.append(char(at(i++)));
    }
    skip(i);
    bool negativeExponent = false;
    if (i < size && (at(i) == u'E' || at(i) == u'e' || at(i) == u'D' || at(i) == u'd')) {
        qsizetype j = i + 1;
        skip(j);
        char sign = 0;
        if (j < size && (at(j) == u'+' || at(j) == u'-'))
            sign = char(at(j++));
        bool any = false;
        int value = 0;
        while (digit(j)) {
            value = std::min(value * 10 + (at(j++) - u'0'), 9999);
            any = true;
        }
        if (any) {
            number.append('e');
            if (sign)
                number.append(sign);
            negativeExponent = sign == '-';
            char exponent[8];
            const auto written = std::to_chars(exponent, exponent + sizeof exponent, value);
            number.append(exponent, written.ptr - exponent);
        }
    }
    const qsizetype length = number.size();
    if (length == 0 || (length == 1 && (number[0] == '+' || number[0] == '-')))
        return 0.0;
    // Read without the locale. A number too large for a double reads as infinity, which fits
    // no integer; one too small for it is 0.
    const char *first = number.constData() + (number[0] == '+' ? 1 : 0);
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, number.constData() + length, value);
    Q_UNUSED(end);
    if (error == std::errc::result_out_of_range)
        return negativeExponent ? 0.0 : (number[0] == '-' ? -HUGE_VAL : HUGE_VAL);
    return error == std::errc() ? value : 0.0;
}
} // namespace detail

inline double payloadValue(QStringView text) { return detail::numberValue(text); }
// The same for bytes of the wire, read as their characters without making a text of them.
inline double bytesValue(QByteArrayView bytes) { return detail::numberValue(bytes); }

// The number as a 16-bit integer, rounded half to even; empty when it does not fit.
inline std::optional<int16_t> payloadInt16(QStringView text)
{
    const double rounded = std::nearbyint(payloadValue(text));
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        return std::nullopt;
    return static_cast<int16_t>(rounded);
}

} // namespace gamenet
