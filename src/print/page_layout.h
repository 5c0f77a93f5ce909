// Where things go on a sheet: the printable area from a profile's edges, the halves of a two-up
// sheet, the room a header takes, and the cell grid of a block of text.
#pragma once

#include <array>
#include <cstdint>

#include "print/print_document.h"
#include "print/printer_profile.h"

namespace orkan {

struct Area {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// The sheet as it lies: portrait paper turned for landscape.
struct SheetSize {
    double width = 0;
    double height = 0;
};

Area PrintableArea(SheetSize sheet, const PageEdges& edges);

// Landscape sheets split into left and right halves, portrait ones into top and bottom halves.
std::array<Area, 2> TwoUpHalves(const Area& area, bool landscape);

// The header is drawn at (10, 10); an area whose top lies less than two text lines from the top of
// the sheet moves down by two lines (and loses that much height).
inline constexpr double kHeaderOffset = 10;
Area BelowHeader(const Area& area, double line_height);

// Cell width = width / columns, line height = height / rows, face height = line height x 100 / 110.
void SizeBlock(TextBlock& block, const Area& area, uint32_t rows, uint32_t columns);

}  // namespace orkan
