#include "support/NumberText.h"

#include <QVarLengthArray>

#include <algorithm>
#include <charconv>
#include <system_error>

namespace support {

namespace {
// The character code at `k`: text as it is, bytes as their code page's character.
char16_t codeAt(QStringView text, qsizetype k) { return text[k].unicode(); }
char16_t codeAt(QByteArrayView bytes, qsizetype k) { return static_cast<unsigned char>(bytes[k]); }

template <class Text>
double valueOf(Text text)
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
    // The decimal place of the first digit that is not 0 (1 for the units, 0 for tenths, ...):
    // it tells a number too large for a double from one too small.
    qsizetype place = 0;
    bool significant = false;
    while (digit(i)) {
        significant = significant || at(i) != u'0';
        place += significant ? 1 : 0;
        number.append(char(at(i++)));
    }
    skip(i);
    if (i < size && at(i) == u'.') {
        number.append('.');
        ++i;
        while (digit(i)) {
            if (!significant && at(i) == u'0')
                --place;
            significant = significant || at(i) != u'0';
            number.append(char(at(i++)));
        }
    }
    skip(i);
    int exponent = 0;
    if (i < size && (at(i) == u'E' || at(i) == u'e' || at(i) == u'D' || at(i) == u'd')) {
        qsizetype j = i + 1;
        skip(j);
        char sign = 0;
        if (j < size && (at(j) == u'+' || at(j) == u'-'))
            sign = char(at(j++));
        bool any = false;
        int value = 0;
        // Beyond this every exponent is out of a double's range, even after the longest run of
        // digits a text can hold before it.
        while (digit(j)) {
            value = std::min(value * 10 + (at(j++) - u'0'), 999999);
            any = true;
        }
        if (any) {
            number.append('e');
            if (sign)
                number.append(sign);
            exponent = sign == '-' ? -value : value;
            char text[8];
            const auto written = std::to_chars(text, text + sizeof text, value);
            number.append(text, written.ptr - text);
        }
    }
    const qsizetype length = number.size();
    if (length == 0 || (length == 1 && (number[0] == '+' || number[0] == '-')))
        return 0.0;
    // Read without the locale.
    const char *first = number.constData() + (number[0] == '+' ? 1 : 0);
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, number.constData() + length, value);
    Q_UNUSED(end);
    if (error == std::errc::result_out_of_range)
        return place + exponent <= 0 ? 0.0 : (number[0] == '-' ? -HUGE_VAL : HUGE_VAL);
    return error == std::errc() ? value : 0.0;
}
} // namespace

double numberValue(QStringView text) { return valueOf(text); }
double numberValue(QByteArrayView bytes) { return valueOf(bytes); }

} // namespace support
