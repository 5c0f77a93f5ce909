// What each cell of the presentation space looks like on the screen: its colours, highlight,
// character set and the character drawn, grouped into runs a painter draws with one call each.
// No drawing happens here, so the rules are tested without a window.
#pragma once

#include <cstdint>
#include <vector>

#include "screen/presentation_space.h"

namespace orkan {

struct Session;

// Highlight bits that change how a cell is drawn; other bits (the extended-colour flag) only
// tell where a colour came from and must not split runs.
inline constexpr uint8_t kDrawnHighlight = hl::Blink | hl::Reverse | hl::Underscore | hl::FindMark;

// Everything outside the planes that the look of a cell depends on.
struct RenderOptions {
    uint8_t default_colour = 0;      // colour role 20, for cells without a colour of their own
    uint8_t find_colour = 0;         // colour role 26
    bool blink_text_hidden = false;  // blinking text is in its off phase
    bool all_upper_case = false;     // ALLUPPERCASE
    bool wang = false;               // only bytes below 0x0B are control characters
    bool show_attribute_markers = false;
    bool history_background = false;  // an earlier screen is shown
    bool display_by_field = false;
};

// The session's settings and status as render options; the blink phase and the marker toggle
// belong to the window and are passed in.
RenderOptions MakeRenderOptions(const Session& session, bool blink_off_phase, bool show_attribute_markers);

// The state of the field a cell belongs to, carried from cell to cell.
struct FieldState {
    uint8_t colour = 0;
    uint8_t highlight = 0;
    bool non_display = false;
};

// The field state in force when drawing reaches `address`, taken from the nearest attribute
// before it; fields wrap from the end of the screen to its start. Empty on an unformatted screen.
FieldState FieldStateEntering(const PresentationSpace& ps, uint32_t address);

struct CellLook {
    uint8_t character = ' ';  // display byte, or code page 310 byte in a graphic-escape cell
    uint8_t colour = 0;       // background * 16 + foreground, before reverse and find
    uint8_t highlight = 0;    // kDrawnHighlight bits
    uint8_t charset = 0;
    bool attribute = false;
};

// The look of the cell at `address`; an attribute position moves `field` on to its own field.
CellLook ResolveCell(const PresentationSpace& ps, uint32_t address, FieldState& field,
                     const RenderOptions& options);

// Cells of one row sharing colour, highlight and character set.
struct TextRun {
    uint16_t column = 0;
    uint16_t length = 0;
    uint8_t colour = 0;
    uint8_t highlight = 0;
    uint8_t charset = 0;
    uint8_t foreground = 0;  // palette index of the characters
    uint8_t background = 0;  // palette index the cells are filled with

    bool Underscore() const { return highlight & hl::Underscore; }
    bool GraphicEscape() const { return charset == kGraphicEscapeSet; }
};

// The palette indices a run is drawn with: find marks take role 26, reverse and find exchange
// foreground and background, and an earlier screen of the history fills with its own colour.
void ResolveRunColours(TextRun& run, const RenderOptions& options);

struct RowLook {
    std::vector<uint8_t> characters;          // one per column
    std::vector<TextRun> runs;                // left to right, covering the row
    std::vector<uint16_t> attribute_columns;  // filled with palette colour 0 with DisplayByField
    bool has_blink = false;                   // some cell blinks, so the blink phases redraw this row
};

// Resolves row `row`; `field` must hold the state entering the row and holds the state leaving it.
void ResolveRow(const PresentationSpace& ps, uint32_t row, FieldState& field, const RenderOptions& options,
                RowLook& out);

// The colour a cursor of colour mode 1 or 2 shows: the cell's own colour (cell, else field,
// else default) or its field's colour (field, else default).
uint8_t CellColourAt(const PresentationSpace& ps, uint32_t address, const RenderOptions& options);
uint8_t FieldColourAt(const PresentationSpace& ps, uint32_t address, const RenderOptions& options);

// Display byte shown upper-case (Windows-1252 letters; DUP and FIELD MARK are left alone).
constexpr uint8_t DisplayUpper(uint8_t c) {
    if (c >= 'a' && c <= 'z') return uint8_t(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return uint8_t(c - 0x20);
    if (c == 0x9A || c == 0x9C) return uint8_t(c - 0x10);  // s caron, oe
    if (c == 0xFF) return 0x9F;                            // y diaeresis
    return c;
}

}  // namespace orkan
