#pragma once
// The frame of the wire, in one place: a three-character tag, a five-character length field
// (the payload's size, right-aligned, blanks on the left) and the payload. Senders build their
// messages and frames here; the arrival buffer and the dispatcher ask it what the bytes at the
// front of a stream are. Qt Core only.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

namespace gamenet::framing {

constexpr qsizetype TagSize = 3;
constexpr qsizetype FieldSize = 5;
constexpr qsizetype HeaderSize = TagSize + FieldSize;
// The length is a 16-bit count at both ends.
constexpr qsizetype LargestPayload = 32767;
constexpr qsizetype LargestFrame = HeaderSize + LargestPayload;

enum class Tag { Announce, Block, AllSent, Start, Glide, Drop, Hello, Text, Ready, Unknown };

// The three characters of a tag ("<V>", "<VD", ...); empty for Unknown.
QString tagText(Tag tag);
// The tag of the frame that the bytes begin with; Unknown for any other three bytes (or fewer).
Tag tagOf(QByteArrayView bytes);

// A message as SendPacket takes it: the tag followed directly by the payload.
QString packet(Tag tag, const QString &payload = QString());
// The length field: the last five characters of five blanks and the decimal length.
QString FormatLength(const int16_t &Length);
// A whole frame as bytes (voice blocks, whose payload stays bytes).
QByteArray frameOf(Tag tag, QByteArrayView payload);

// The length field of the frame at `offset`, read as a number: blanks are skipped, reading stops
// at the first character that cannot continue it, no number reads as 0. Only the bytes given
// are read, so a field cut short reads as far as it goes. Empty when the value does not fit 16
// bits (no frame is that long).
std::optional<int16_t> GetBlockLen(QByteArrayView Bytes, qsizetype offset);

// What the bytes at the front of a stream hold.
struct Head {
    enum Kind {
        Whole,   // a whole frame of a known tag, `size` bytes
        Partial, // the beginning of a frame of a known tag: more bytes complete it
        Unknown, // a frame whose tag is none of ours, `size` bytes (it may run past the bytes)
        Junk,    // no frame can begin here: not a tag's beginning, or a length beyond 16 bits
    };
    Kind kind = Junk;
    qsizetype size = 0;
};
// A negative length counts as no payload. An empty view is Partial: nothing has begun.
Head inspect(QByteArrayView bytes);

} // namespace gamenet::framing
