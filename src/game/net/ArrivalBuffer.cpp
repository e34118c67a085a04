#include "game/net/ArrivalBuffer.h"

#include "game/net/NetFraming.h"

namespace gamenet {

namespace {
// Taken bytes are cut off before the buffer grows or waits: the front moves, it is not copied
// once per frame.
template <class Stream>
void compact(Stream &s)
{
    if (s.head > 0) {
        s.base += s.head;
        s.bytes.remove(0, s.head);
        s.head = 0;
    }
}
} // namespace

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
        m_streams.push_back(Stream{client, {}, 0, m_nextGeneration++, 0, {}});
        found = &m_streams.back();
    }
    Stream &s = *found;
    if (s.bytes.size() - s.head + bytes.size() > MaxKept) {
        s.base += s.bytes.size();
        s.bytes.clear();
        s.head = 0;
        s.ends.clear();
        accepted = false;
        return s.generation;
    }
    compact(s);
    s.bytes.append(bytes);
    if (!bytes.isEmpty())
        s.ends.push_back(s.base + s.bytes.size());
    accepted = true;
    return s.generation;
}

ArrivalBuffer::Take ArrivalBuffer::take(int16_t client, quint64 generation, QByteArrayView &frame, qsizetype &dropped)
{
    Stream *found = find(client);
    if (!found || found->generation != generation)
        return Take::Incomplete;
    Stream &s = *found;
    const qint64 at = s.base + s.head;
    while (!s.ends.empty() && s.ends.front() <= at)
        s.ends.pop_front();
    const qsizetype available = s.bytes.size() - s.head;
    if (available == 0) {
        compact(s);
        return Take::Incomplete;
    }
    const QByteArrayView rest(s.bytes.constData() + s.head, available);
    const qsizetype arrivalLeft = s.ends.empty() ? available : qsizetype(s.ends.front() - at);
    const framing::Head head = framing::inspect(rest);
    switch (head.kind) {
    case framing::Head::Whole:
        frame = rest.first(head.size);
        s.head += head.size;
        return Take::Frame;
    case framing::Head::Partial:
        compact(s);
        return Take::Incomplete;
    case framing::Head::Unknown:
        if (head.size <= arrivalLeft) {
            frame = rest.first(head.size);
            s.head += head.size;
            return Take::Unknown;
        }
        break;
    case framing::Head::Junk: break;
    }
    // Nothing that begins here can go on into a later arrival: the rest of this one goes.
    dropped = arrivalLeft;
    s.head += arrivalLeft;
    return Take::Dropped;
}

qsizetype ArrivalBuffer::kept(int16_t client) const
{
    for (const Stream &s : m_streams)
        if (s.client == client)
            return s.bytes.size() - s.head;
    return 0;
}

} // namespace gamenet
