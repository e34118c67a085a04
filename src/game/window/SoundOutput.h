#pragma once
// Where the main window's sounds go. The window decides which file to play and whether to wait
// (see Ostrel::Playsound); an output only plays it. The real one hands the file to the program's
// sound player over libpulse-simple; tests put a recorder in its place to check the requests.
#include <QString>

namespace gamewindow {

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Wait false: start the sound and return at once; a new sound stops the one that plays.
    // Wait true: return when the sound has ended. A file that cannot be played plays nothing.
    virtual void play(const QString &path, bool wait) = 0;
    // A waited sound that is stopped when it still plays after `limitMs`.
    virtual void playWaitedAtMost(const QString &path, int limitMs)
    {
        (void)limitMs;
        play(path, true);
    }
};

// The program's sound player (platform::SoundPlayer::shared()); silent without a sound server.
class PulseSoundOutput : public SoundOutput {
public:
    void play(const QString &path, bool wait) override;
    void playWaitedAtMost(const QString &path, int limitMs) override;
};

} // namespace gamewindow
