#include "display/row_bands.h"

#include <algorithm>

#include "screen/presentation_space.h"

namespace orkan {

namespace {

uint32_t FieldKey(const Planes& p, uint32_t a) {
    const uint8_t attribute = p.attribute[a] & uint8_t(~fa::Mdt);  // the MDT changes no look
    return attribute ? attribute | uint32_t(p.colour[a]) << 8 | uint32_t(p.highlight[a]) << 16 : 0;
}

// A changed attribute position repaints the cells its field's look reaches, up to the next
// attribute, wrapping at the end of the screen. One walk twice round (for the field that wraps)
// whatever the host wrote: a screen of thousands of fields, all erased, is no more work.
void MarkChangedFields(PresentationSpace& ps, uint32_t positions) {
    constexpr uint8_t kLookChanged = 2;
    bool any = false;
    for (uint32_t a = 0; a < positions; ++a) {
        if (!ps.changed[a]) continue;
        const uint32_t key = FieldKey(ps.planes, a);
        if (key == ps.drawn_field[a]) continue;
        ps.drawn_field[a] = key;
        ps.changed[a] = kLookChanged;
        any = true;
    }
    if (!any) return;
    bool carry = false;
    for (uint32_t step = 0; step < 2 * positions; ++step) {
        const uint32_t a = step < positions ? step : step - positions;
        if (ps.changed[a] == kLookChanged)
            carry = true;
        else if (ps.planes.attribute[a])
            carry = false;
        else if (carry)
            ps.changed[a] = 1;
    }
}

}  // namespace

std::vector<RowBand> TakeChangedRowBands(PresentationSpace& ps) {
    std::vector<RowBand> bands;
    const uint32_t columns = ps.columns;
    const uint32_t rows = columns ? std::min(ps.rows, kMaxPositions / columns) : 0;
    MarkChangedFields(ps, rows * columns);
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

void TakeWholeScreen(PresentationSpace& ps) {
    const uint32_t positions = std::min(ps.positions, kMaxPositions);
    for (uint32_t a = 0; a < positions; ++a) ps.drawn_field[a] = FieldKey(ps.planes, a);
    ps.changed.fill(0);
}

}  // namespace orkan
