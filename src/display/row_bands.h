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
// A changed attribute position (a field started, ended or given another look) changes the cells
// of its field too.
std::vector<RowBand> TakeChangedRowBands(PresentationSpace& ps);

// For a repaint of the whole screen: the map is cleared, and what the attribute positions say now
// is what the next changes are measured against.
void TakeWholeScreen(PresentationSpace& ps);

}  // namespace orkan
