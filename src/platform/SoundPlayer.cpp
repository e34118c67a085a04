#include "platform/SoundPlayer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace platform {

namespace {

quint32 le32(const char *p)
{
    return quint32(uchar(p[0])) | quint32(uchar(p[1])) << 8 | quint32(uchar(p[2])) << 16
        | quint32(uchar(p[3])) << 24;
}

quint16 le16(const char *p) { return quint16(uchar(p[0]) | uchar(p[1]) << 8); }

// Tail of the subformat GUID that marks PCM in an extensible format chunk.
const unsigned char PcmGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                       0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

} // namespace

std::optional<WaveSound> parseWave(const QByteArray &file)
{
    const quint64 size = quint64(file.size());
    if (size < 12 || size > quint64(MaxWaveFileBytes))
        return std::nullopt;
    const char *b = file.constData();
    if (std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0)
        return std::nullopt;
    // Trailing bytes after the RIFF chunk are ignored; a RIFF size beyond the file is not
    // trusted: every chunk must lie inside the file.
    const quint64 end = std::min<quint64>(8 + quint64(le32(b + 4)), size);

    WaveSound sound;
    bool haveFormat = false;
    quint64 pos = 12;
    while (pos + 8 <= end) {
        const char *header = b + pos;
        const quint64 length = le32(header + 4);
        const quint64 body = pos + 8;
        if (length > end - body)
            return std::nullopt;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (length < 16)
                return std::nullopt;
            const char *f = b + body;
            quint16 tag = le16(f);
            if (tag == 0xFFFE) {
                if (length < 40 || le16(f + 24) != 1 || std::memcmp(f + 26, PcmGuidTail, 14) != 0)
                    return std::nullopt;
                tag = 1;
            }
            const int channels = le16(f + 2);
            const quint32 rate = le32(f + 4);
            const int blockAlign = le16(f + 12);
            const int bits = le16(f + 14);
            if (tag != 1 || channels < 1 || channels > 2 || (bits != 8 && bits != 16)
                || rate < 1000 || rate > 192000 || blockAlign != channels * bits / 8)
                return std::nullopt;
            sound.sampleRate = int(rate);
            sound.channels = channels;
            sound.bitsPerSample = bits;
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (!haveFormat)
                return std::nullopt;
            const quint64 usable = length - length % quint64(sound.frameBytes());
            sound.pcm = file.mid(qsizetype(body), qsizetype(usable));
            return sound;
        }
        pos = body + length + (length & 1);
    }
    return std::nullopt;
}

std::optional<WaveSound> readWaveFile(const QString &path)
{
    const QString found = resolvePathNoCase(path);
    if (found.isEmpty())
        return std::nullopt;
    // findFileNoCase only finds regular files, so the size is known and bounds the read
    // (no buffer of the largest allowed size for every little sound).
    QFile file(found);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxWaveFileBytes)
        return std::nullopt;
    return parseWave(file.read(file.size()));
}

QString findFileNoCase(const QString &folder, const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".")
        || name == QLatin1String(".."))
        return {};
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QString exact = dir.filePath(name);
    if (QFileInfo(exact).isFile())
        return exact;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return {};
}

QString resolvePathNoCase(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    return findFileNoCase(info.path(), info.fileName());
}

// ---------------------------------------------------------------------------------------------

namespace {

using Clock = std::chrono::steady_clock;

struct Completion {
    bool done = false;
    PlayOutcome outcome = PlayOutcome::Played;
};

struct Request {
    std::shared_ptr<const WaveSound> sound;
    std::shared_ptr<Completion> completion;
    quint64 generation = 0;
};

// Time the server buffers ahead of playback: short, so that a newer sound cuts in quickly.
constexpr pa_usec_t TargetBufferUsec = 60000;
// Size of one write; the thread looks for a newer command between writes.
constexpr int ChunkMs = 10;
// Pause before trying an unreachable sound server again.
constexpr auto RetryPause = std::chrono::seconds(2);
// Grace beyond a waited sound's duration before the caller goes on regardless.
constexpr auto WaitMargin = std::chrono::seconds(3);
// How often a caller that works while its sound plays gets its turn.
constexpr auto WhileWaitingSlice = std::chrono::milliseconds(10);

} // namespace

struct SoundPlayer::Impl {
    explicit Impl(int speedUp) : speedUp(std::max(1, speedUp)) {}
    const int speedUp;
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<Request> pending;
    bool busy = false;
    bool workerEnded = false;
    std::atomic<bool> quit{false};
    std::atomic<quint64> generation{0};
    Stats stats;
    std::atomic<qint64> frames{0};
    std::thread worker;

    // Owned by the playback thread.
    pa_simple *connection = nullptr;
    pa_sample_spec spec{};
    Clock::time_point retryAfter{};

    void run();
    // Hands a sound to the playback thread; it replaces a queued one and stops the one playing.
    std::shared_ptr<Completion> start(WaveSound sound);
    std::chrono::microseconds playingTime(const WaveSound &sound) const;
    PlayOutcome render(const Request &request);
    PlayOutcome passSilently(const Request &request, qint64 framesLeft);
    bool ensureConnection(const WaveSound &sound);
    void closeConnection();
    bool superseded(quint64 gen) const { return quit.load() || generation.load() != gen; }

    static void finish(Completion &completion, PlayOutcome outcome, Stats &stats)
    {
        completion.done = true;
        completion.outcome = outcome;
        if (outcome == PlayOutcome::Played)
            ++stats.played;
        else if (outcome == PlayOutcome::Stopped)
            ++stats.stopped;
        else if (outcome == PlayOutcome::Silent)
            ++stats.silent;
    }
};

void SoundPlayer::Impl::run()
{
    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait(lock, [&] { return quit.load() || pending.has_value(); });
        if (quit.load())
            break;
        Request request = std::move(*pending);
        pending.reset();
        busy = true;
        lock.unlock();
        const PlayOutcome outcome = render(request);
        lock.lock();
        busy = false;
        finish(*request.completion, outcome, stats);
        changed.notify_all();
    }
    lock.unlock();
    closeConnection();
    lock.lock();
    workerEnded = true;
    changed.notify_all();
}

bool SoundPlayer::Impl::ensureConnection(const WaveSound &sound)
{
    pa_sample_spec want{};
    want.format = sound.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    want.rate = uint32_t(sound.sampleRate) * uint32_t(speedUp);
    want.channels = uint8_t(sound.channels);
    if (connection && pa_sample_spec_equal(&want, &spec))
        return true;
    closeConnection();
    if (Clock::now() < retryAfter)
        return false;
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(pa_usec_to_bytes(TargetBufferUsec, &want));
    attr.prebuf = uint32_t(pa_usec_to_bytes(ChunkMs * 1000, &want));
    attr.minreq = uint32_t(-1);
    attr.fragsize = uint32_t(-1);
    int error = 0;
    connection = pa_simple_new(nullptr, "Ostrel", PA_STREAM_PLAYBACK, nullptr, "Sound", &want,
                               nullptr, &attr, &error);
    if (!connection) {
        retryAfter = Clock::now() + RetryPause;
        return false;
    }
    spec = want;
    return true;
}

void SoundPlayer::Impl::closeConnection()
{
    if (connection) {
        int error = 0;
        pa_simple_flush(connection, &error);
        pa_simple_free(connection);
        connection = nullptr;
    }
}

PlayOutcome SoundPlayer::Impl::passSilently(const Request &request, qint64 framesLeft)
{
    const double rate = double(request.sound->sampleRate) * speedUp;
    const auto duration = std::chrono::microseconds(qint64(double(framesLeft) * 1e6 / rate));
    const Clock::time_point from = Clock::now();
    std::unique_lock lock(mutex);
    const bool cut = changed.wait_for(lock, duration, [&] { return superseded(request.generation); });
    const double passed = std::chrono::duration<double>(Clock::now() - from).count() * rate;
    frames += cut ? std::min(framesLeft, qint64(passed)) : framesLeft;
    return cut ? PlayOutcome::Stopped : PlayOutcome::Silent;
}

PlayOutcome SoundPlayer::Impl::render(const Request &request)
{
    const WaveSound &sound = *request.sound;
    const qint64 frameBytes = sound.frameBytes();
    if (sound.frames() == 0)
        return PlayOutcome::Played;
    if (!ensureConnection(sound))
        return passSilently(request, sound.frames());

    const qint64 total = sound.frames() * frameBytes;
    const qint64 chunk = std::max<qint64>(frameBytes, qint64(sound.sampleRate) * speedUp * ChunkMs / 1000 * frameBytes);
    int error = 0;
    for (qint64 offset = 0; offset < total; offset += chunk) {
        if (superseded(request.generation)) {
            pa_simple_flush(connection, &error);
            return PlayOutcome::Stopped;
        }
        const qint64 n = std::min(chunk, total - offset);
        if (pa_simple_write(connection, sound.pcm.constData() + offset, size_t(n), &error) < 0) {
            // The server went away: finish the sound without it and try again later.
            closeConnection();
            retryAfter = Clock::now() + RetryPause;
            return passSilently(request, (total - offset) / frameBytes);
        }
        frames += n / frameBytes;
    }
    if (pa_simple_drain(connection, &error) < 0) {
        closeConnection();
        retryAfter = Clock::now() + RetryPause;
    }
    return PlayOutcome::Played;
}

// ---------------------------------------------------------------------------------------------

SoundPlayer::SoundPlayer(int speedUp) : d(std::make_shared<Impl>(speedUp))
{
    // The thread keeps the state alive, so it may be let go if it cannot end in time.
    d->worker = std::thread([impl = d] { impl->run(); });
}

SoundPlayer::~SoundPlayer()
{
    {
        std::lock_guard lock(d->mutex);
        d->quit = true;
        ++d->generation;
        if (d->pending) {
            Impl::finish(*d->pending->completion, PlayOutcome::Stopped, d->stats);
            d->pending.reset();
        }
    }
    d->changed.notify_all();
    bool ended;
    {
        std::unique_lock lock(d->mutex);
        ended = d->changed.wait_for(lock, std::chrono::seconds(3), [&] { return d->workerEnded; });
    }
    // A thread stuck in a connection attempt to a stalled server must not hold up the exit.
    if (ended)
        d->worker.join();
    else
        d->worker.detach();
}

SoundPlayer &SoundPlayer::shared()
{
    static SoundPlayer player;
    return player;
}

bool SoundPlayer::playAsync(const QString &path) { return playFile(path, false) != PlayOutcome::Refused; }

bool SoundPlayer::playSync(const QString &path) { return playFile(path, true) != PlayOutcome::Refused; }

PlayOutcome SoundPlayer::playFile(const QString &path, bool wait)
{
    std::optional<WaveSound> sound = readWaveFile(path);
    if (!sound)
        return PlayOutcome::Refused;
    return playSound(std::move(*sound), wait);
}

PlayOutcome SoundPlayer::playFileWhile(const QString &path, const std::function<void()> &whileWaiting)
{
    std::optional<WaveSound> sound = readWaveFile(path);
    if (!sound)
        return PlayOutcome::Refused;
    return playSoundWhile(std::move(*sound), whileWaiting);
}

std::shared_ptr<Completion> SoundPlayer::Impl::start(WaveSound sound)
{
    auto completion = std::make_shared<Completion>();
    {
        std::lock_guard lock(mutex);
        const quint64 gen = ++generation;
        if (pending)
            finish(*pending->completion, PlayOutcome::Stopped, stats);
        pending = Request{std::make_shared<const WaveSound>(std::move(sound)), completion, gen};
    }
    changed.notify_all();
    return completion;
}

std::chrono::microseconds SoundPlayer::Impl::playingTime(const WaveSound &sound) const
{
    return std::chrono::microseconds(qint64(sound.seconds() * 1e6 / speedUp));
}

PlayOutcome SoundPlayer::playSound(WaveSound sound, bool wait)
{
    if (sound.frameBytes() <= 0 || sound.sampleRate <= 0)
        return PlayOutcome::Refused;
    const auto duration = d->playingTime(sound);
    const std::shared_ptr<Completion> completion = d->start(std::move(sound));
    if (!wait)
        return PlayOutcome::Started;
    std::unique_lock lock(d->mutex);
    if (!d->changed.wait_for(lock, duration + WaitMargin, [&] { return completion->done; }))
        return PlayOutcome::TimedOut;
    return completion->outcome;
}

PlayOutcome SoundPlayer::playSoundWhile(WaveSound sound, const std::function<void()> &whileWaiting)
{
    if (sound.frameBytes() <= 0 || sound.sampleRate <= 0)
        return PlayOutcome::Refused;
    const auto deadline = Clock::now() + d->playingTime(sound) + WaitMargin;
    const std::shared_ptr<Completion> completion = d->start(std::move(sound));
    std::unique_lock lock(d->mutex);
    for (;;) {
        if (d->changed.wait_for(lock, WhileWaitingSlice, [&] { return completion->done; }))
            return completion->outcome;
        // Whatever ran in the caller's work, a sound that has not ended by now never will.
        if (Clock::now() >= deadline)
            return PlayOutcome::TimedOut;
        lock.unlock();
        if (whileWaiting)
            whileWaiting();
        lock.lock();
    }
}

void SoundPlayer::stop()
{
    {
        std::lock_guard lock(d->mutex);
        ++d->generation;
        if (d->pending) {
            Impl::finish(*d->pending->completion, PlayOutcome::Stopped, d->stats);
            d->pending.reset();
        }
    }
    d->changed.notify_all();
}

bool SoundPlayer::waitUntilIdle(int timeoutMs)
{
    std::unique_lock lock(d->mutex);
    return d->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return !d->pending && !d->busy; });
}

SoundPlayer::Stats SoundPlayer::stats() const
{
    std::lock_guard lock(d->mutex);
    Stats s = d->stats;
    s.frames = d->frames.load();
    return s;
}

} // namespace platform
