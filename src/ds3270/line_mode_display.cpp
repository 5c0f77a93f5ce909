#include "ds3270/line_mode_display.h"

#include <algorithm>

namespace orkan {
namespace {

void ScrollUp(PresentationSpace& ps) {
    auto& display = ps.planes.display;
    const uint32_t last_row = ps.positions - ps.columns;
    std::copy(display.begin() + ps.columns, display.begin() + ps.positions, display.begin());
    std::fill(display.begin() + last_row, display.begin() + ps.positions, uint8_t{0});
    std::fill(ps.changed.begin(), ps.changed.begin() + ps.positions, uint8_t{1});
}

}  // namespace

LineModeDisplayResult ShowLineModeText(PresentationSpace& ps, std::span<const uint8_t> text) {
    LineModeDisplayResult result;
    if (ps.columns == 0 || ps.positions < ps.columns || ps.positions > kMaxPositions) return result;
    const uint32_t last_row = ps.positions - ps.columns;
    uint32_t cursor = ps.cursor_address < ps.positions ? ps.cursor_address : last_row;
    for (uint8_t b : text) {
        switch (b) {
            case 0x07:
                result.alarm = true;
                break;
            case 0x08:
                if (cursor > 0) --cursor;
                break;
            case 0x0D:
                cursor -= cursor % ps.columns;
                break;
            case 0x0A:
                if (cursor >= last_row) {
                    ScrollUp(ps);
                } else {
                    cursor += ps.columns;
                }
                break;
            default:
                if (b < 0x20) break;
                ps.planes.display[cursor] = b;
                ps.planes.host[cursor] = b;
                ps.planes.attribute[cursor] = 0;
                ps.planes.colour[cursor] = 0;
                ps.planes.highlight[cursor] = 0;
                ps.planes.charset[cursor] = 0;
                ps.MarkChanged(cursor);
                // Past the end the text goes on at the start of a fresh last row, not over the old one.
                if (++cursor == ps.positions) {
                    ScrollUp(ps);
                    cursor = last_row;
                }
                break;
        }
    }
    ps.cursor_address = cursor;
    return result;
}

}  // namespace orkan
