// What the window keeps between paints beside the session: the blink cycle, the cursor
// locator and the attribute-marker toggle.
#pragma once

#include "display/cursor.h"

namespace orkan {

struct DisplayState {
    BlinkCycle blink;
    CursorLocator locator;
    bool show_attribute_markers = false;  // attribute positions drawn as "."
};

}  // namespace orkan
