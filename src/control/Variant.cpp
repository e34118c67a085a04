#include "control/Variant.h"

#include "platform/Ansi.h"
#include "platform/RuntimeError.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace harbex {

using platform::raiseError;

HxVariant plainValue(const HxVariant &v)
{
    if (!(v.type & HX_BYREF))
        return v;
    HxVariant out{};
    const uint16_t type = v.type & ~HX_BYREF;
    switch (type) {
    case HX_I2:
        if (!v.u.pi2)
            raiseError(platform::ErrObjectNotSet);
        out.type = HX_I2;
        out.u.i2 = *v.u.pi2;
        return out;
    case HX_I4:
        if (!v.u.pi4)
            raiseError(platform::ErrObjectNotSet);
        out.type = HX_I4;
        out.u.i4 = *v.u.pi4;
        return out;
    case HX_BOOL:
        if (!v.u.pbool)
            raiseError(platform::ErrObjectNotSet);
        out.type = HX_BOOL;
        out.u.boolVal = *v.u.pbool;
        return out;
    case HX_STR:
    case HX_BYTES:
        if (!v.u.pvar || (v.u.pvar->type & HX_BYREF))
            raiseError(platform::ErrObjectNotSet);
        return *v.u.pvar;
    default: raiseError(platform::ErrTypeMismatch);
    }
}

namespace {
QString textOf(const HxVariant &v)
{
    if (!v.u.str.data || v.u.str.len <= 0)
        return QString();
    return QString::fromUtf8(v.u.str.data, v.u.str.len);
}

// Numeric text as a number, the way a late-bound caller converts "12" to 12.
double numberOf(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return -1;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return 0;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        raiseError(platform::ErrTypeMismatch);
    return d;
}

long long wholeNumber(const HxVariant &value)
{
    switch (value.type) {
    case HX_EMPTY: return 0;
    case HX_I2: return value.u.i2;
    case HX_I4: return value.u.i4;
    case HX_BOOL: return value.u.boolVal ? -1 : 0;
    case HX_STR: {
        const double d = std::nearbyint(numberOf(textOf(value)));
        if (d < -2147483648.0 || d > 2147483647.0)
            raiseError(platform::ErrOverflow);
        return static_cast<long long>(d);
    }
    default: raiseError(platform::ErrTypeMismatch);
    }
}
} // namespace

int16_t toI2(const HxVariant &v) { return platform::toInt16(wholeNumber(plainValue(v))); }
int32_t toI4(const HxVariant &v) { return platform::toInt32(wholeNumber(plainValue(v))); }
bool toBool(const HxVariant &v) { return wholeNumber(plainValue(v)) != 0; }

QString toText(const HxVariant &v)
{
    const HxVariant value = plainValue(v);
    switch (value.type) {
    case HX_EMPTY: return QString();
    case HX_I2: return QString::number(value.u.i2);
    case HX_I4: return QString::number(value.u.i4);
    case HX_BOOL: return value.u.boolVal ? QStringLiteral("True") : QStringLiteral("False");
    case HX_STR: return textOf(value);
    default: raiseError(platform::ErrTypeMismatch);
    }
}

std::optional<QByteArray> toBytes(const HxVariant &v)
{
    const HxVariant value = plainValue(v);
    if (value.type != HX_BYTES)
        return std::nullopt;
    if (!value.u.bytes.data || value.u.bytes.len <= 0)
        return QByteArray();
    return QByteArray::fromRawData(reinterpret_cast<const char *>(value.u.bytes.data), value.u.bytes.len);
}

HxVariant makeI2(int16_t value)
{
    HxVariant v{};
    v.type = HX_I2;
    v.u.i2 = value;
    return v;
}

HxVariant makeI4(int32_t value)
{
    HxVariant v{};
    v.type = HX_I4;
    v.u.i4 = value;
    return v;
}

HxVariant makeBool(bool value)
{
    HxVariant v{};
    v.type = HX_BOOL;
    v.u.boolVal = value ? HX_TRUE : HX_FALSE_BOOL;
    return v;
}

HxVariant makeText(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    HxVariant v{};
    v.type = HX_STR;
    v.u.str.data = static_cast<char *>(std::malloc(static_cast<size_t>(utf8.size()) + 1));
    if (!v.u.str.data)
        throw std::bad_alloc();
    std::memcpy(v.u.str.data, utf8.constData(), static_cast<size_t>(utf8.size()) + 1);
    v.u.str.len = static_cast<int32_t>(utf8.size());
    return v;
}

HxVariant makeBytes(const QByteArray &bytes)
{
    HxVariant v{};
    v.type = HX_BYTES;
    v.u.bytes.data = static_cast<uint8_t *>(std::malloc(static_cast<size_t>(bytes.size()) + 1));
    if (!v.u.bytes.data)
        throw std::bad_alloc();
    std::memcpy(v.u.bytes.data, bytes.constData(), static_cast<size_t>(bytes.size()));
    v.u.bytes.len = static_cast<int32_t>(bytes.size());
    return v;
}

namespace {
// The UTF-8 form of each of the 256 byte values, taken once from the code page itself.
struct AnsiUtf8Table {
    // Padded to four bytes, so that a character is copied with one fixed-size move.
    char bytes[256][4] = {};
    uint8_t length[256];
    AnsiUtf8Table()
    {
        for (int b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            const QByteArray utf8 = platform::fromAnsi(&c, 1).toUtf8();
            length[b] = static_cast<uint8_t>(utf8.size());
            std::memcpy(bytes[b], utf8.constData(), static_cast<size_t>(utf8.size()));
        }
    }
};

const AnsiUtf8Table &ansiUtf8()
{
    static const AnsiUtf8Table table;
    return table;
}

// Whether the 16 bytes at `bytes` are all plain ASCII: one test for all of them.
bool plainBlock(const char *bytes)
{
#if defined(__SSE2__)
    return _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes))) == 0;
#else
    uint64_t a, b;
    std::memcpy(&a, bytes, 8);
    std::memcpy(&b, bytes + 8, 8);
    return ((a | b) & 0x8080808080808080ULL) == 0;
#endif
}

// The length of the plain ASCII run at the front of `bytes`, the bulk of any text, so that it can
// be copied in one piece.
qsizetype asciiRun(const char *bytes, qsizetype size)
{
    qsizetype n = 0;
#if defined(__SSE2__)
    // Four blocks, one test.
    auto block = [bytes](qsizetype at) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + at)); };
    while (size - n >= 64
           && !_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(block(n), block(n + 16)), _mm_or_si128(block(n + 32), block(n + 48)))))
        n += 64;
#endif
    while (size - n >= 16 && plainBlock(bytes + n))
        n += 16;
    while (n < size && static_cast<unsigned char>(bytes[n]) < 0x80)
        ++n;
    return n;
}
} // namespace

HxVariant makeTextFromAnsi(const char *head, qsizetype headSize, const char *bytes, qsizetype size)
{
    // Room for plain ASCII, one byte a character; grown once the first other character turns up.
    char *out = static_cast<char *>(std::malloc(static_cast<size_t>(headSize + size) + 1));
    if (!out)
        throw std::bad_alloc();
    std::memcpy(out, head, static_cast<size_t>(headSize));
    qsizetype i = asciiRun(bytes, size);
    if (i > 0) // an empty text may come without any bytes at all
        std::memcpy(out + headSize, bytes, static_cast<size_t>(i));
    char *p = out + headSize + i;
    if (i < size) {
        // No code page character takes more than three UTF-8 bytes.
        const size_t room = static_cast<size_t>(headSize + i) + 3 * static_cast<size_t>(size - i) + 1;
        char *grown = static_cast<char *>(std::realloc(out, room));
        if (!grown) {
            std::free(out);
            throw std::bad_alloc();
        }
        out = grown;
        p = out + headSize + i;
        const AnsiUtf8Table &table = ansiUtf8();
        // Blocks of 16 plain ASCII bytes are copied whole; any other block byte by byte through
        // the table, without a branch per byte (binary data mixes both kinds at random). Each
        // byte still to come has three bytes of room, so the table's four-byte moves fit.
        constexpr qsizetype Block = 16;
        while (i < size) {
            if (size - i >= Block && plainBlock(bytes + i)) {
                std::memcpy(p, bytes + i, Block);
                p += Block;
                i += Block;
                continue;
            }
            for (const qsizetype end = std::min(i + Block, size); i < end; ++i) {
                const auto c = static_cast<unsigned char>(bytes[i]);
                std::memcpy(p, table.bytes[c], 4);
                p += table.length[c];
            }
        }
    }
    *p = '\0';
    HxVariant v{};
    v.type = HX_STR;
    v.u.str.data = out;
    v.u.str.len = static_cast<int32_t>(p - out);
    return v;
}

void clear(HxVariant &v) { hxVariantClear(&v); }

} // namespace harbex
