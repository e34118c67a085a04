#include "game/net/ArrivalBuffer.h"

#include "game/net/NetSession.h"
#include "platform/RuntimeError.h"

namespace gamenet {

ArrivalBuffer::Stream *ArrivalBuffer::find(int16_t client)
{
    for (Stream &s : m_streams)
        if (s.client == client)
            return &s;
    return nullptr;
}

void ArrivalBuffer::forget(int16_t client)
{
    std::erase_if(m_streams, [client](const Stream &s) { return s.client == client; });
}

quint64 ArrivalBuffer::append(int16_t client, const QByteArray &bytes, bool &accepted)
{
    Stream *found = find(client);
    if (!found) {
        m_streams.push_back(Stream{client, {}, 0, m_nextGeneration++});
        found = &m_streams.back();
    }
    Stream &s = *found;
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

ArrivalBuffer::Take ArrivalBuffer::take(int16_t client, quint64 generation, QByteArrayView &frame)
{
    Stream *found = find(client);
    if (!found || found->generation != generation)
        return Take::Incomplete;
    Stream &s = *found;
    const qsizetype available = s.bytes.size() - s.head;
    // Nothing whole is left: the taken bytes go, and what remains waits at the front.
    const auto wait = [&s] {
        if (s.head > 0) {
            s.bytes.remove(0, s.head);
            s.head = 0;
        }
        return Take::Incomplete;
    };
    if (available < HeaderSize)
        return wait();
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
        return wait();
    frame = QByteArrayView(s.bytes.constData() + s.head, size);
    s.head += size;
    return Take::Frame;
}

qsizetype ArrivalBuffer::kept(int16_t client) const
{
    for (const Stream &s : m_streams)
        if (s.client == client)
            return s.bytes.size() - s.head;
    return 0;
}

} // namespace gamenet
