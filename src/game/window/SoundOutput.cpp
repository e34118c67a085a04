#include "game/window/SoundOutput.h"

#include "platform/SoundPlayer.h"

namespace gamewindow {

platform::SoundPlayer &PulseSoundOutput::player() const
{
    return m_player ? *m_player : platform::SoundPlayer::shared();
}

void PulseSoundOutput::play(const QString &path, bool wait) { player().playFile(path, wait); }

void PulseSoundOutput::playWhile(const QString &path, const std::function<void()> &whileWaiting)
{
    player().playFileWhile(path, whileWaiting);
}

bool PulseSoundOutput::playing() const { return !player().waitUntilIdle(0); }

void PulseSoundOutput::stop() { player().stop(); }

} // namespace gamewindow
