#pragma once
// Where the main window's sounds go. The window decides which file to play and whether to wait
// (see Ostrel::Playsound); an output only plays it. The real one hands the file to the program's
// sound player over libpulse-simple; tests put a recorder in its place to check the requests.
#include <QString>

#include <functional>

namespace platform {
class SoundPlayer;
}

namespace gamewindow {

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Wait false: start the sound and return at once; a new sound stops the one that plays.
    // Wait true: return when the sound has ended. A file that cannot be played plays nothing.
    virtual void play(const QString &path, bool wait) = 0;
    // A waited sound during which the window goes on working: `whileWaiting` runs again and
    // again until the sound has ended.
    virtual void playWhile(const QString &path, const std::function<void()> &whileWaiting)
    {
        (void)whileWaiting;
        play(path, true);
    }
    // A sound is still playing (asked by a waited sound that comes in while another plays).
    virtual bool playing() const { return false; }
    // Stops the sound that plays, if any.
    virtual void stop() {}
};

// The program's sound player (platform::SoundPlayer::shared(), unless another is given);
// silent without a sound server.
class PulseSoundOutput : public SoundOutput {
public:
    PulseSoundOutput() = default;
    explicit PulseSoundOutput(platform::SoundPlayer &player) : m_player(&player) {}
    void play(const QString &path, bool wait) override;
    void playWhile(const QString &path, const std::function<void()> &whileWaiting) override;
    bool playing() const override;
    void stop() override;

private:
    platform::SoundPlayer &player() const;
    platform::SoundPlayer *m_player = nullptr; // the shared one, made at first use
};

} // namespace gamewindow
