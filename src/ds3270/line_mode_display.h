// Line-mode text (before the host agrees to 3270 records) written onto the presentation space
// like a simple teletype: no fields, no translation, scrolling at the bottom.
#pragma once

#include <cstdint>
#include <span>

#include "screen/presentation_space.h"

namespace orkan {

struct LineModeDisplayResult {
    bool alarm = false;  // the text held BEL: the caller plays the alarm sound
};

// Writes `text` at the cursor and moves the cursor. The caller then sets the status to UNLOCKED.
LineModeDisplayResult ShowLineModeText(PresentationSpace& ps, std::span<const uint8_t> text);

}  // namespace orkan
