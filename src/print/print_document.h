// A print job as laid out pages of positioned text, independent of where it goes: the PDF
// writer draws it, the text writer lists it. Lengths are in points (1/72 inch) from the sheet's
// top-left corner.
#pragma once

#include <string>
#include <vector>

namespace orkan {

struct PrintCell {
    char32_t base = U' ';
    char32_t mark = 0;  // a combining mark drawn over the base (DUP and FIELD MARK), or 0
    bool bold = false;
};
using PrintLine = std::vector<PrintCell>;

// A screen, a selection of one, or a page of a text file: a grid of cells.
struct TextBlock {
    double left = 0;
    double top = 0;
    double cell_width = 0;
    double line_height = 0;
    double font_size = 0;  // the em height of the face
    std::vector<PrintLine> lines;
};

struct PrintSheet {
    PrintLine header;  // the USERNAME text, or empty
    double header_left = 0;
    double header_top = 0;
    double header_font_size = 0;
    double header_cell_width = 0;
    std::vector<TextBlock> blocks;
};

struct PrintDocument {
    std::string title;  // UTF-8: "Orkan TN3270 Screen Print" or "Orkan TN3270 File Print"
    double page_width = 0;
    double page_height = 0;
    std::string face;  // the profile's face name, display bytes
    std::vector<PrintSheet> sheets;
};

}  // namespace orkan
