#pragma once
// The bytes received from each client that do not yet make a whole frame. The transport cuts
// frames where it likes (a 2,008-byte voice block may come as 1,448 + 560 bytes, the control
// reads at most 32,767 bytes at a time), so the tail of an arrival is kept and completed by the
// following ones. Whole frames are taken off the front one at a time, so a dispatcher run nested
// in the handling of a frame goes on with the next frame of the same stream, in order.
#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <vector>

namespace gamenet {

class ArrivalBuffer {
public:
    static constexpr qsizetype HeaderSize = 8;
    static constexpr qsizetype LargestFrame = HeaderSize + 32767;
    // What one client may have waiting while the handling of a frame waits: a peer that keeps to
    // the protocol never comes near it (its voice blocks wait for our answer, chat is typed).
    static constexpr qsizetype MaxKept = 1024 * 1024;

    enum class Take {
        Frame,      // `frame` shows the next whole frame, taken off the stream
        Incomplete, // nothing whole: the bytes wait for the next arrival
        Overflow,   // a length field beyond 16 bits: the kept bytes were dropped
    };

    // Appends an arrival; returns the stream's generation, which changes when a client's stream
    // is forgotten and begun again. False in `accepted` when the kept bytes would pass MaxKept:
    // then they are dropped together with the arrival.
    quint64 append(int16_t client, const QByteArray &bytes, bool &accepted);
    // The next whole frame of the client's stream of that generation. The view stays valid until
    // the next call of this buffer: a caller that acts on the frame copies it first.
    Take take(int16_t client, quint64 generation, QByteArrayView &frame);
    // The client's connection has ended.
    void forget(int16_t client);
    void forgetAll() { m_streams.clear(); }
    qsizetype kept(int16_t client) const;

private:
    struct Stream {
        int16_t client = 0;
        QByteArray bytes;
        qsizetype head = 0; // bytes before it are taken
        quint64 generation = 0;
    };
    Stream *find(int16_t client);
    // One stream per client with kept bytes; a link has one peer, so a short list is searched.
    std::vector<Stream> m_streams;
    quint64 m_nextGeneration = 1;
};

} // namespace gamenet
