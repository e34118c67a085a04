#include "game/net/ArrivalBuffer.h"

#include "game/net/NetSession.h"
#include "platform/RuntimeError.h"

namespace gamenet {

quint64 ArrivalBuffer::append(int16_t client, const QByteArray &bytes, bool &accepted)
{
    auto it = m_streams.find(client);
    if (it == m_streams.end()) {
        it = m_streams.insert(client, Stream{});
        it->generation = m_nextGeneration++;
    }
    Stream &s = *it;
    if (s.bytes.size() - s.head + bytes.size() > MaxKept) {
        s.bytes.clear();
        s.head = 0;
        accepted = false;
        return s.generation;
    }
    // Taken bytes are cut off before the buffer would grow: the front moves, it is not copied
    // once per frame.
    if (s.head > 0) {
        s.bytes.remove(0, s.head);
        s.head = 0;
    }
    s.bytes.append(bytes);
    accepted = true;
    return s.generation;
}

ArrivalBuffer::Take ArrivalBuffer::take(int16_t client, quint64 generation, QByteArray &frame)
{
    const auto it = m_streams.find(client);
    if (it == m_streams.end() || it->generation != generation)
        return Take::Incomplete;
    Stream &s = *it;
    const qsizetype available = s.bytes.size() - s.head;
    if (available < HeaderSize)
        return Take::Incomplete;
    int16_t length = 0;
    try {
        length = NetSession::GetBlockLen(s.bytes, int(s.head));
    } catch (const platform::RuntimeError &) {
        // No frame is that long: the rest cannot be told apart from junk.
        s.bytes.clear();
        s.head = 0;
        return Take::Overflow;
    }
    // A negative length would walk backwards or stand still; it counts as no payload.
    const qsizetype size = HeaderSize + qMax<int16_t>(length, 0);
    if (available < size)
        return Take::Incomplete;
    frame = s.bytes.mid(s.head, size);
    s.head += size;
    if (s.head == s.bytes.size()) {
        s.bytes.clear();
        s.head = 0;
    }
    return Take::Frame;
}

qsizetype ArrivalBuffer::kept(int16_t client) const
{
    const auto it = m_streams.constFind(client);
    return it == m_streams.constEnd() ? 0 : it->bytes.size() - it->head;
}

} // namespace gamenet
