#pragma once
// Sound effects and voice playback over libpulse-simple (PulseAudio or PipeWire). One playback
// thread per player owns the sound-server connection and takes commands from a one-slot queue:
// a new sound replaces a queued one and stops the one that plays (its buffered rest is flushed),
// so starting a sound only reads the file and hands it over. An asynchronous play returns at
// once; a synchronous one returns when the sound has ended, was stopped by a newer one, or at the
// latest its duration plus a few seconds after the call (a stalled sound server cannot hang the
// caller). A missing, unreadable or malformed file plays nothing and returns false: there is no
// default sound. Without a sound server the player is silent: each sound then "plays" for its
// duration without output, so a waited sound keeps the game's pace and still returns; the
// connection is tried again at most every two seconds. WAV files must be RIFF PCM, 8 or 16 bit,
// mono or stereo, at most 64 MiB; every chunk size is checked against the file before use.
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

// A decoded wave file: whole frames of interleaved samples, 8-bit unsigned or 16-bit signed
// little-endian.
struct WaveSound {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    QByteArray pcm;

    int frameBytes() const { return channels * bitsPerSample / 8; }
    qint64 frames() const { return frameBytes() > 0 ? pcm.size() / frameBytes() : 0; }
    double seconds() const { return sampleRate > 0 ? double(frames()) / sampleRate : 0.0; }
};

constexpr qint64 MaxWaveFileBytes = 64 * 1024 * 1024;

// The sound in a wave file's bytes, or nothing when the bytes are not a wave file we can play.
std::optional<WaveSound> parseWave(const QByteArray &file);
// Reads and parses a file; nothing when it is missing, unreadable, too large or malformed.
std::optional<WaveSound> readWaveFile(const QString &path);

// The path of the file `name` in `folder`, matched without regard to the case of the name
// ("chfall.wav" finds "CHFALL.WAV"); an exact match wins. Empty when there is none.
QString findFileNoCase(const QString &folder, const QString &name);
// The same for a full path: the folder part is taken as it stands, the file name matched
// without regard to case. Empty when there is no such file.
QString resolvePathNoCase(const QString &path);

enum class PlayOutcome {
    Refused, // no playable sound: nothing was played
    Started, // asynchronous: handed to the playback thread
    Played,  // synchronous: played to its end on the sound server
    Stopped, // synchronous: cut short by a newer sound or by stop()
    Silent,  // synchronous: no sound server; the sound's duration has passed without output
    TimedOut // synchronous: the playback thread did not report in time; the caller went on
};

class SoundPlayer {
public:
    // `speedUp` above 1 plays every sound that many times as fast (the stream runs at a multiple
    // of the file's rate, silence passes in a fraction of the time): tests play a long message
    // whole in a few seconds.
    explicit SoundPlayer(int speedUp = 1);
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer &) = delete;
    SoundPlayer &operator=(const SoundPlayer &) = delete;

    // The player of the program: every sound of the game goes through it, so a new sound stops
    // any other. Created at first use.
    static SoundPlayer &shared();

    // Starts the sound of a wave file (found without regard to the case of its name) and
    // returns at once; false when the file cannot be played.
    bool playAsync(const QString &path);
    // Plays the sound of a wave file and returns when it has ended; false when the file cannot
    // be played.
    bool playSync(const QString &path);

    PlayOutcome playFile(const QString &path, bool wait);
    PlayOutcome playSound(WaveSound sound, bool wait);
    // A waited sound during whose playback the caller goes on working: `whileWaiting` is called
    // again and again, every few milliseconds, until the sound has ended or was stopped (by a
    // newer sound, also one started inside `whileWaiting`).
    PlayOutcome playFileWhile(const QString &path, const std::function<void()> &whileWaiting);
    PlayOutcome playSoundWhile(WaveSound sound, const std::function<void()> &whileWaiting);

    // Stops the sound that plays, if any.
    void stop();
    // Waits until no sound is queued or playing; false when the time ran out first.
    bool waitUntilIdle(int timeoutMs);

    // Counts of finished sounds since the player was made, for diagnostics and tests.
    struct Stats {
        int played = 0;  // reached their end on the sound server
        int stopped = 0; // cut short by a newer sound or stop()
        int silent = 0;  // passed without a sound server
        qint64 frames = 0; // frames handed to the sound server or passed silently
    };
    Stats stats() const;

private:
    struct Impl;
    std::shared_ptr<Impl> d;
};

} // namespace platform
