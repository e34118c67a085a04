#pragma once
// Builds wave files byte by byte for the sound tests: a sine tone in any PCM layout, or a
// hand-made header for the malformed cases.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>
#include <cmath>

namespace wavetest {

inline void put16(QByteArray &b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}

inline void put32(QByteArray &b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

inline QByteArray fmtChunk(quint16 tag, int channels, quint32 rate, int bits, quint32 size = 16)
{
    QByteArray b("fmt ");
    put32(b, size);
    put16(b, tag);
    put16(b, quint16(channels));
    put32(b, rate);
    put32(b, rate * quint32(channels * bits / 8));
    put16(b, quint16(channels * bits / 8));
    put16(b, quint16(bits));
    return b;
}

inline QByteArray samples(int channels, quint32 rate, int bits, double seconds, double hz = 440)
{
    QByteArray b;
    const int frames = int(seconds * rate);
    for (int i = 0; i < frames; ++i) {
        const double v = 0.3 * std::sin(2 * M_PI * hz * i / rate);
        for (int c = 0; c < channels; ++c) {
            if (bits == 8)
                b.append(char(quint8(128 + int(v * 127))));
            else
                put16(b, quint16(qint16(v * 32767)));
        }
    }
    return b;
}

inline QByteArray riff(const QByteArray &chunks)
{
    QByteArray b("RIFF");
    put32(b, quint32(4 + chunks.size()));
    b.append("WAVE");
    b.append(chunks);
    return b;
}

inline QByteArray dataChunk(const QByteArray &pcm, quint32 declared)
{
    QByteArray b("data");
    put32(b, declared);
    b.append(pcm);
    return b;
}

inline QByteArray tone(double seconds, int channels = 1, quint32 rate = 22050, int bits = 16)
{
    const QByteArray pcm = samples(channels, rate, bits, seconds);
    return riff(fmtChunk(1, channels, rate, bits) + dataChunk(pcm, quint32(pcm.size())));
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace wavetest
