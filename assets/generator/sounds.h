#pragma once
// Synthesis of the game's effect sounds: short notes, sweeps and noise bursts mixed into one
// buffer, then written as 16-bit mono wave files with short fades so that nothing clicks.
#include <string>

namespace assetgen {
// Writes every effect sound into `folder`; false when a file cannot be written.
bool writeSounds(const std::string &folder);
}
