#include "game/window/SoundOutput.h"

#include "platform/SoundPlayer.h"

namespace gamewindow {

void PulseSoundOutput::play(const QString &path, bool wait)
{
    platform::SoundPlayer::shared().playFile(path, wait);
}

void PulseSoundOutput::playWaitedAtMost(const QString &path, int limitMs)
{
    platform::SoundPlayer::shared().playFile(path, true, limitMs);
}

} // namespace gamewindow
