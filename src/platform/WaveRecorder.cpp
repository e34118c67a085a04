#include "platform/WaveRecorder.h"

#include <QFile>
#include <QtEndian>

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

namespace {

// One read of the sound input: short, so that a stop is noticed quickly.
constexpr int ChunkBytes = WaveRecorder::SampleRate / 50;
// How long a waited stop lets the capture thread finish before going on without it.
constexpr auto StopWait = std::chrono::seconds(3);

void put16(QByteArray &b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}

void put32(QByteArray &b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

} // namespace

struct WaveRecorder::Capture {
    std::mutex mutex;
    std::condition_variable ended;
    QByteArray pcm;      // guarded by mutex
    bool done = false;   // guarded by mutex: the thread has let go of the sound server
    bool stop = false;   // guarded by mutex: take no more sound
    int limit = 0;

    void run();
};

void WaveRecorder::Capture::run()
{
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_U8;
    spec.rate = SampleRate;
    spec.channels = Channels;
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(-1);
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = ChunkBytes;

    int error = 0;
    pa_simple *connection = nullptr;
    bool wanted;
    {
        std::lock_guard lock(mutex);
        wanted = !stop;
    }
    if (wanted)
        connection = pa_simple_new(nullptr, "Ostrel", PA_STREAM_RECORD, nullptr, "Voice message",
                                   &spec, nullptr, &attr, &error);
    if (connection) {
        char buffer[ChunkBytes];
        for (;;) {
            if (pa_simple_read(connection, buffer, sizeof buffer, &error) < 0)
                break;
            std::lock_guard lock(mutex);
            if (stop)
                break;
            const qsizetype room = limit - pcm.size();
            pcm.append(buffer, std::min<qsizetype>(room, qsizetype(sizeof buffer)));
            if (pcm.size() >= limit)
                break;
        }
        pa_simple_free(connection);
    }
    std::lock_guard lock(mutex);
    done = true;
    ended.notify_all();
}

WaveRecorder::WaveRecorder(int maxBytes) : m_maxBytes(std::clamp(maxBytes, 0, int(MaxBytes))) {}

WaveRecorder::~WaveRecorder() { endCapture(true); }

WaveRecorder::Mode WaveRecorder::mode() const
{
    if (!m_open)
        return Mode::NotOpen;
    if (m_capture) {
        std::lock_guard lock(m_capture->mutex);
        if (!m_capture->stop && !m_capture->done)
            return Mode::Recording;
    }
    return Mode::Stopped;
}

qint64 WaveRecorder::recordedBytes() const
{
    qint64 bytes = m_recorded.size();
    if (m_capture) {
        std::lock_guard lock(m_capture->mutex);
        bytes += m_capture->pcm.size();
    }
    return bytes;
}

void WaveRecorder::setCommand(const QString &command)
{
    const bool wait = m_wait;
    m_wait = false; // the switch applies to this command only
    const QString c = command.trimmed().toLower();
    m_error = NoError;

    if (c == QLatin1String("open")) {
        endCapture(true);
        m_recorded.clear();
        m_open = m_deviceType.compare(QLatin1String("WaveAudio"), Qt::CaseInsensitive) == 0;
        if (!m_open)
            m_error = UnknownDevice;
        return;
    }
    if (c == QLatin1String("close")) {
        endCapture(true);
        m_recorded.clear();
        m_open = false;
        return;
    }
    const bool known = c == QLatin1String("back") || c == QLatin1String("prev")
        || c == QLatin1String("record") || c == QLatin1String("stop") || c == QLatin1String("save");
    if (!known) {
        m_error = UnknownCommand;
        return;
    }
    if (!m_open) {
        m_error = NotOpen;
        return;
    }
    if (c == QLatin1String("record")) {
        if (mode() != Mode::Recording)
            startCapture();
    } else if (c == QLatin1String("stop")) {
        endCapture(wait);
    } else if (c == QLatin1String("save")) {
        // Whatever the switch says, the file needs every byte taken.
        endCapture(true);
        const QByteArray bytes = waveFile(m_recorded);
        QFile file(m_fileName);
        if (m_fileName.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(bytes) != bytes.size())
            m_error = CannotWrite;
    }
    // "back" and "prev": the recording is made in one go from its start, so there is nothing
    // to move.
}

void WaveRecorder::startCapture()
{
    collect();
    const int limit = m_maxBytes - int(m_recorded.size());
    if (limit <= 0)
        return;
    m_capture = std::make_shared<Capture>();
    m_capture->limit = limit;
    m_thread = std::thread([capture = m_capture] { capture->run(); });
}

void WaveRecorder::endCapture(bool waitForThread)
{
    if (!m_capture)
        return;
    {
        std::lock_guard lock(m_capture->mutex);
        m_capture->stop = true;
    }
    if (waitForThread)
        collect();
}

void WaveRecorder::collect()
{
    if (!m_capture)
        return;
    bool done;
    {
        std::unique_lock lock(m_capture->mutex);
        done = m_capture->ended.wait_for(lock, StopWait, [&] { return m_capture->done; });
        // Sound taken so far is kept even when the thread hangs in the sound server; once
        // stopped it takes nothing more.
        m_capture->stop = true;
        m_recorded.append(m_capture->pcm);
        m_capture->pcm.clear();
    }
    if (done)
        m_thread.join();
    else
        m_thread.detach();
    m_capture.reset();
}

QByteArray WaveRecorder::waveFile(const QByteArray &pcm)
{
    const quint32 n = quint32(pcm.size());
    const quint32 pad = n & 1; // chunks are word-aligned
    QByteArray b;
    b.reserve(HeaderBytes + pcm.size() + 1);
    b.append("RIFF");
    put32(b, 4 + 24 + 8 + n + pad);
    b.append("WAVE");
    b.append("fmt ");
    put32(b, 16);
    put16(b, 1); // PCM
    put16(b, Channels);
    put32(b, SampleRate);
    put32(b, SampleRate * Channels * BitsPerSample / 8);
    put16(b, Channels * BitsPerSample / 8);
    put16(b, BitsPerSample);
    b.append("data");
    put32(b, n);
    b.append(pcm);
    if (pad)
        b.append('\x80'); // silence in 8-bit sound
    return b;
}

} // namespace platform
