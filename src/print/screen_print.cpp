#include "print/screen_print.h"

#include <algorithm>

#include "charset/display_unicode.h"
#include "ds3270/fields.h"

namespace orkan {

PrintCell DisplayCell(uint8_t display, bool bold) {
    PrintCell cell;
    cell.bold = bold;
    if (display < 0x20) return cell;
    const std::u32string_view text = DisplayToUnicode(display);
    cell.base = text.empty() ? U' ' : text[0];
    if (text.size() > 1) cell.mark = text[1];
    return cell;
}

std::vector<PrintLine> ScreenPrintLines(const ScreenImage& screen, PrintMode mode) {
    std::vector<PrintLine> lines;
    const Planes& p = *screen.planes;
    const uint32_t positions = std::min(screen.rows * screen.columns, kMaxPositions);
    if (positions == 0 || screen.columns == 0) return lines;
    const uint32_t rows = positions / screen.columns;

    uint32_t top = 0, bottom = rows - 1, left = 0, right = screen.columns - 1;
    if (screen.selection) {
        top = std::min(screen.selection->Top(), bottom);
        bottom = std::min(screen.selection->Bottom(), bottom);
        left = std::min(screen.selection->Left(), right);
        right = std::min(screen.selection->Right(), right);
    }
    const bool by_intensity = mode == PrintMode::ByIntensity && !screen.selection;

    // Fields wrap from the end of the screen to its start.
    uint8_t field = 0;
    for (uint32_t a = positions; a-- > 0;)
        if (p.attribute[a]) {
            field = p.attribute[a];
            break;
        }
    lines.reserve(bottom - top + 1);
    for (uint32_t row = 0; row <= bottom; ++row) {
        PrintLine* line = nullptr;
        if (row >= top) {
            lines.emplace_back();
            line = &lines.back();
            line->reserve(right - left + 1);
        }
        for (uint32_t column = 0; column < screen.columns; ++column) {
            const uint32_t a = row * screen.columns + column;
            if (p.attribute[a]) field = p.attribute[a];
            if (!line || column < left || column > right) continue;
            const uint8_t c = p.attribute[a] ? uint8_t(' ') : CellText(p.display[a], field, p.charset[a]);
            const bool bold = mode == PrintMode::AllBold || (by_intensity && (field & fa::Intensified));
            line->push_back(DisplayCell(c, bold));
        }
    }
    return lines;
}

PrintSheet LayoutScreenSheet(const ScreenSheetSetup& setup, std::span<const ScreenImage> screens) {
    PrintSheet sheet;
    if (screens.empty()) return sheet;
    Area area = PrintableArea(setup.sheet, setup.edges);
    const bool two_up = setup.two_up;
    if (!setup.header.empty()) {
        const double per_screen = two_up && !setup.landscape ? area.height / 2 : area.height;
        area = BelowHeader(area, per_screen / std::max<uint32_t>(screens[0].rows, 1));
    }
    const std::array<Area, 2> halves = TwoUpHalves(area, setup.landscape);
    for (size_t i = 0; i < screens.size() && i < 2; ++i) {
        TextBlock block;
        SizeBlock(block, two_up ? halves[i] : area, screens[i].rows, screens[i].columns);
        block.lines = ScreenPrintLines(screens[i], setup.mode);
        sheet.blocks.push_back(std::move(block));
    }
    if (!setup.header.empty()) {
        sheet.header = setup.header;
        sheet.header_left = kHeaderOffset;
        sheet.header_top = kHeaderOffset;
        sheet.header_font_size = sheet.blocks[0].font_size;
        sheet.header_cell_width = sheet.blocks[0].cell_width;
    }
    return sheet;
}

}  // namespace orkan
