#pragma once
// A wave-audio recorder driven by command strings, as the voice messages drive their multimedia
// control: device type "WaveAudio", a file name, then the commands "Open", "Back", "Record",
// "Stop", "Prev", "Save" and "Close", and the wait switch, which applies to the next command only.
// "Open" prepares an empty recording (a file already at the name is not read: "Save" replaces
// it); "Record" captures the default sound input on a thread of its own and returns at once;
// "Stop" ends the capture, with the wait switch only after the thread has handed over what it
// took (at most a few seconds, so a stalled sound server cannot hang the caller); "Back" and
// "Prev" go to the start, which for a recording made in one go changes nothing; "Save" writes the
// recording as a RIFF PCM wave file with a 44-byte header, so a recording without sound is a
// 44-byte file; "Close" ends everything and forgets the recording. The format is 11025 Hz, 8-bit,
// mono: plain speech stays clear and a second costs 11025 bytes, which keeps the transfer to the
// peer in 2000-byte blocks short. A recording runs until "Stop"; it stops taking sound only when
// its file reaches the largest voice message a transfer can carry (21,474,836 bytes, about 32
// minutes), so a button held down cannot fill the memory. Without a sound server nothing is captured and
// "Save" writes the empty recording; nothing waits for the server.
#include <QByteArray>
#include <QString>

#include <memory>
#include <thread>

namespace platform {

class WaveRecorder {
public:
    enum class Mode { NotOpen, Stopped, Recording };
    // Result of the last command: 0 when it did what it was told.
    enum Error { NoError = 0, UnknownCommand = 1, NotOpen = 2, UnknownDevice = 3, CannotWrite = 4 };

    static constexpr int SampleRate = 11025;
    static constexpr int BitsPerSample = 8;
    static constexpr int Channels = 1;
    static constexpr int HeaderBytes = 44;
    // The largest voice file a transfer carries, less the header.
    static constexpr int MaxBytes = 21474836 - HeaderBytes;

    // `maxBytes`: the bound of one recording in sound bytes (tests use a small one).
    explicit WaveRecorder(int maxBytes = MaxBytes);
    ~WaveRecorder();
    WaveRecorder(const WaveRecorder &) = delete;
    WaveRecorder &operator=(const WaveRecorder &) = delete;

    void setDeviceType(const QString &type) { m_deviceType = type; }
    QString deviceType() const { return m_deviceType; }
    void setFileName(const QString &name) { m_fileName = name; }
    QString fileName() const { return m_fileName; }
    void setWait(bool wait) { m_wait = wait; }
    bool wait() const { return m_wait; }

    // Carries out one command (letter case does not matter); sets error().
    void setCommand(const QString &command);

    Mode mode() const;
    int error() const { return m_error; }
    // Sound bytes recorded since "Open", those of a capture still running included.
    qint64 recordedBytes() const;

    // The wave file for 8-bit mono sound bytes at the recorder's rate.
    static QByteArray waveFile(const QByteArray &pcm);

private:
    struct Capture;
    void startCapture();
    void endCapture(bool waitForThread);
    void collect();

    QString m_deviceType;
    QString m_fileName;
    bool m_wait = false;
    bool m_open = false;
    int m_maxBytes;
    int m_error = NoError;
    QByteArray m_recorded;
    std::shared_ptr<Capture> m_capture; // the capture running or not yet handed over
    std::thread m_thread;               // its thread, which holds the capture too
};

} // namespace platform
