#include "game/net/NetFraming.h"

#include "platform/RuntimeError.h"
#include "support/NumberText.h"

namespace gamenet::framing {

namespace {
// The second character of every tag that ends in ">", but for "<V>".
bool closedTagLetter(char c) { return c == 'S' || c == 'G' || c == 'D' || c == 'E' || c == 'T' || c == 'C'; }

// One or two bytes that a tag can begin with.
bool beginsTag(QByteArrayView bytes)
{
    if (bytes.isEmpty() || bytes[0] != '<')
        return false;
    return bytes.size() == 1 || bytes[1] == 'V' || closedTagLetter(bytes[1]);
}
} // namespace

QString tagText(Tag tag)
{
    switch (tag) {
    case Tag::Announce: return QStringLiteral("<V>");
    case Tag::Block: return QStringLiteral("<VD");
    case Tag::AllSent: return QStringLiteral("<VA");
    case Tag::Start: return QStringLiteral("<S>");
    case Tag::Glide: return QStringLiteral("<G>");
    case Tag::Drop: return QStringLiteral("<D>");
    case Tag::Hello: return QStringLiteral("<E>");
    case Tag::Text: return QStringLiteral("<T>");
    case Tag::Ready: return QStringLiteral("<C>");
    case Tag::Unknown: break;
    }
    return QString();
}

Tag tagOf(QByteArrayView bytes)
{
    // Read from the three bytes at once: junk is told apart without comparing text per tag.
    if (bytes.size() < TagSize || bytes[0] != '<')
        return Tag::Unknown;
    const char second = bytes[1];
    const char third = bytes[2];
    if (second == 'V') {
        switch (third) {
        case '>': return Tag::Announce;
        case 'D': return Tag::Block;
        case 'A': return Tag::AllSent;
        default: return Tag::Unknown;
        }
    }
    if (third != '>')
        return Tag::Unknown;
    switch (second) {
    case 'S': return Tag::Start;
    case 'G': return Tag::Glide;
    case 'D': return Tag::Drop;
    case 'E': return Tag::Hello;
    case 'T': return Tag::Text;
    case 'C': return Tag::Ready;
    default: return Tag::Unknown;
    }
}

QString packet(Tag tag, const QString &payload) { return tagText(tag) + payload; }

QString FormatLength(const int16_t &Length) { return (QStringLiteral("     ") + QString::number(Length)).right(5); }

QByteArray frameOf(Tag tag, QByteArrayView payload)
{
    const int16_t length = platform::toInt16(payload.size());
    QByteArray frame = (tagText(tag) + FormatLength(length)).toLatin1();
    frame.append(payload);
    return frame;
}

std::optional<int16_t> GetBlockLen(QByteArrayView Bytes, qsizetype offset)
{
    const qsizetype from = offset + TagSize;
    if (offset < 0 || from >= Bytes.size())
        return int16_t(0);
    const qsizetype width = qMin<qsizetype>(FieldSize, Bytes.size() - from);
    // The usual field, digits with blanks, is read at once; anything else as a number text.
    int32_t digits = 0;
    bool plain = true;
    for (qsizetype i = from; i < from + width && plain; ++i) {
        const char c = Bytes[i];
        if (c >= '0' && c <= '9')
            digits = digits * 10 + (c - '0');
        else
            plain = c == ' ';
    }
    if (plain) {
        if (digits > LargestPayload)
            return std::nullopt;
        return int16_t(digits);
    }
    // A field whose first character other than a blank cannot begin a number reads as 0, as
    // junk mostly does.
    qsizetype first = from;
    while (first < from + width && (Bytes[first] == ' ' || Bytes[first] == '\t' || Bytes[first] == '\n'))
        ++first;
    const char lead = first < from + width ? Bytes[first] : '0';
    if (!((lead >= '0' && lead <= '9') || lead == '+' || lead == '-' || lead == '.'))
        return int16_t(0);
    // Five characters hold -9999 to 99999, or more with an exponent.
    return support::roundedValue<int16_t>(support::numberValue(Bytes.sliced(from, width)));
}

Head inspect(QByteArrayView bytes)
{
    const qsizetype available = bytes.size();
    if (available < TagSize)
        return {available == 0 || beginsTag(bytes) ? Head::Partial : Head::Junk, 0};
    const Tag tag = tagOf(bytes);
    // Before its length field is whole, only a tag of ours can be the beginning of a frame.
    if (available < HeaderSize)
        return {tag != Tag::Unknown ? Head::Partial : Head::Junk, 0};
    const std::optional<int16_t> length = GetBlockLen(bytes, 0);
    if (!length)
        return {Head::Junk, 0};
    const qsizetype size = HeaderSize + qMax<int16_t>(*length, 0);
    if (tag == Tag::Unknown)
        return {Head::Unknown, size};
    return {available >= size ? Head::Whole : Head::Partial, size};
}

} // namespace gamenet::framing
