// Sounds that macros ask for in the desktop program: a tone is the desktop's beep (its pitch and
// length cannot be chosen there), a sound file plays through paplay without waiting; a file that
// is missing or a player that cannot start gives the beep instead.
#pragma once

#include <string>

namespace orkan {

void PlayMacroTone();
void PlayMacroSoundFile(const std::string& path);

}  // namespace orkan
