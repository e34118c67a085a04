#include "game/window/SoundOutput.h"

#include "platform/SoundPlayer.h"

namespace gamewindow {

void PulseSoundOutput::play(const QString &path, bool wait)
{
    platform::SoundPlayer::shared().playFile(path, wait);
}

} // namespace gamewindow
