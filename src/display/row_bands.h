// From the changed-position map to the bands of rows a window invalidates.
#pragma once

#include <cstdint>
#include <vector>

namespace orkan {

struct PresentationSpace;

struct RowBand {
    uint32_t first_row = 0;
    uint32_t row_count = 0;
    bool operator==(const RowBand&) const = default;
};

// Every row with a changed cell gives a band two rows high starting at it (what a row draws may
// reach into the next one); overlapping and touching bands are merged. The map is cleared.
std::vector<RowBand> TakeChangedRowBands(PresentationSpace& ps);

}  // namespace orkan
