#pragma once
// The bytes received from each client that do not yet make a whole frame. The transport cuts
// frames where it likes (a 2,008-byte voice block may come as 1,448 + 560 bytes, the control
// reads at most 32,767 bytes at a time), so the tail of an arrival is kept and completed by the
// following ones, but only while it can still be the beginning of a frame: anything else is
// dropped at the end of its arrival, so junk never shifts where the next arrival's frames are
// read. Whole frames are taken off the front one at a time, so a dispatcher run nested in the
// handling of a frame goes on with the next frame of the same stream, in order.
#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <deque>
#include <vector>

namespace gamenet {

class ArrivalBuffer {
public:
    // What one client may have waiting while the handling of a frame waits: a peer that keeps to
    // the protocol never comes near it (its voice blocks wait for our answer, chat is typed).
    static constexpr qsizetype MaxKept = 1024 * 1024;

    enum class Take {
        Frame,      // `frame` shows the next whole frame of a known tag, taken off the stream
        Unknown,    // `frame` shows a whole frame whose tag is none of ours, taken off the stream
        Dropped,    // bytes that cannot begin a frame, up to the end of their arrival, are gone
        Incomplete, // nothing whole: the bytes wait for the next arrival
    };

    // Appends an arrival; returns the stream's generation, which changes when a client's stream
    // is forgotten and begun again. False in `accepted` when the kept bytes would pass MaxKept:
    // then they are dropped together with the arrival.
    quint64 append(int16_t client, const QByteArray &bytes, bool &accepted);
    // The next piece of the client's stream of that generation; with Dropped, `dropped` counts
    // the bytes. The view stays valid until the next call of this buffer: a caller that acts on
    // the frame copies it first.
    Take take(int16_t client, quint64 generation, QByteArrayView &frame, qsizetype &dropped);
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
        qint64 base = 0; // the place of bytes[0] in the whole stream
        // Where each arrival not yet wholly taken ends, in the whole stream, oldest first.
        std::deque<qint64> ends;
    };
    Stream *find(int16_t client);
    // One stream per client with kept bytes; a link has one peer, so a short list is searched.
    std::vector<Stream> m_streams;
    quint64 m_nextGeneration = 1;
};

} // namespace gamenet
