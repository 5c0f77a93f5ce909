#include "display/row_bands.h"

#include <algorithm>

#include "screen/presentation_space.h"

namespace orkan {

std::vector<RowBand> TakeChangedRowBands(PresentationSpace& ps) {
    std::vector<RowBand> bands;
    const uint32_t columns = ps.columns;
    const uint32_t rows = columns ? std::min(ps.rows, kMaxPositions / columns) : 0;
    for (uint32_t r = 0; r < rows; ++r) {
        const auto begin = ps.changed.begin() + long(r * columns);
        if (std::none_of(begin, begin + long(columns), [](uint8_t b) { return b != 0; })) continue;
        const uint32_t end = std::min(r + 2, rows);
        if (!bands.empty() && bands.back().first_row + bands.back().row_count >= r)
            bands.back().row_count = end - bands.back().first_row;
        else
            bands.push_back({r, end - r});
    }
    ps.changed.fill(0);
    return bands;
}

}  // namespace orkan
