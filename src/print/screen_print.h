// A screen as printed lines and its place on a sheet: text as copying takes it (nulls and
// non-display fields blank, graphic-escape characters as their look-alikes), bold by the print
// mode, the whole screen or only the selected rectangle.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "print/page_layout.h"
#include "print/print_document.h"
#include "screen/presentation_space.h"
#include "session/selection.h"

namespace orkan {

enum class PrintMode : uint8_t { ByIntensity = 0, AllNormal = 1, AllBold = 2 };

struct ScreenImage {
    const Planes* planes = nullptr;
    uint32_t rows = 0;
    uint32_t columns = 0;
    std::optional<Selection> selection;  // print only this rectangle
};

// The printed rows of the screen. A selection prints normal throughout, whatever the mode.
std::vector<PrintLine> ScreenPrintLines(const ScreenImage& screen, PrintMode mode);

struct ScreenSheetSetup {
    SheetSize sheet;
    bool landscape = false;
    bool two_up = false;  // the sheet has two halves (a lone screen takes the first)
    PageEdges edges;
    PrintLine header;  // the expanded USERNAME text, or empty
    PrintMode mode = PrintMode::ByIntensity;
};

// One sheet with one screen, or two screens in the halves of a two-up sheet. Cells keep the size the whole
// screen would have, so a selection prints at the same size from the area's top-left corner.
PrintSheet LayoutScreenSheet(const ScreenSheetSetup& setup, std::span<const ScreenImage> screens);

// Display bytes as print cells (DUP and FIELD MARK carry their overline as a mark).
PrintCell DisplayCell(uint8_t display, bool bold);

}  // namespace orkan
