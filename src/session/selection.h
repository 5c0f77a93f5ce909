// The selection rectangle on the screen, in cells. The renderer draws it, the status line shows
// its size, copy and cut read it.
#pragma once

#include <algorithm>
#include <cstdint>

namespace orkan {

struct Selection {
    bool shown = false;
    // Anchor and moving corner as the user made them; either may be above or left of the other.
    uint32_t anchor_row = 0, anchor_column = 0;
    uint32_t end_row = 0, end_column = 0;

    uint32_t Top() const { return std::min(anchor_row, end_row); }
    uint32_t Bottom() const { return std::max(anchor_row, end_row); }
    uint32_t Left() const { return std::min(anchor_column, end_column); }
    uint32_t Right() const { return std::max(anchor_column, end_column); }
    uint32_t Height() const { return Bottom() - Top() + 1; }
    uint32_t Width() const { return Right() - Left() + 1; }
};

}  // namespace orkan
