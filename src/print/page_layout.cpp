#include "print/page_layout.h"

namespace orkan {

Area PrintableArea(SheetSize sheet, const PageEdges& edges) {
    Area a;
    a.left = sheet.width * edges.left / 100.0;
    a.top = sheet.height * edges.top / 100.0;
    a.width = sheet.width * (edges.right - edges.left) / 100.0;
    a.height = sheet.height * (edges.bottom - edges.top) / 100.0;
    return a;
}

std::array<Area, 2> TwoUpHalves(const Area& area, bool landscape) {
    Area first = area;
    Area second = area;
    if (landscape) {
        first.width = second.width = area.width / 2;
        second.left = area.left + area.width / 2;
    } else {
        first.height = second.height = area.height / 2;
        second.top = area.top + area.height / 2;
    }
    return {first, second};
}

Area BelowHeader(const Area& area, double line_height) {
    const double room = 2 * line_height;
    // Never at the cost of most of the area: a sheet that small keeps its edges.
    if (area.top >= room || room >= area.height / 2) return area;
    Area moved = area;
    moved.top += room;
    moved.height -= room;
    return moved;
}

void SizeBlock(TextBlock& block, const Area& area, uint32_t rows, uint32_t columns) {
    block.left = area.left;
    block.top = area.top;
    block.cell_width = area.width / (columns ? columns : 1);
    block.line_height = area.height / (rows ? rows : 1);
    block.font_size = block.line_height * 100.0 / 110.0;
}

}  // namespace orkan
