// Cell size and placement of the screen in the window: fitting the font to the window, sizing
// the window to the font, the font steps and the cell size remembered per screen size mode.
// Faces are scalable on this platform, so every cell size between the limits exists.
#pragma once

#include <cstdint>
#include <optional>

namespace orkan {

class SessionRecord;
struct ProgramSettings;

struct CellSize {
    int width = 0;
    int height = 0;
    bool Valid() const { return width > 0 && height > 0; }
    bool operator==(const CellSize&) const = default;
};

struct FontLimits {
    int min_width = 4;
    int min_height = 6;
    int max_width = 40;
    int max_height = 60;
};
FontLimits FontLimitsFrom(const ProgramSettings& settings);

enum class FontStep : uint8_t { Smaller, Larger, Narrower, Wider, Shorter, Taller };

// The cell after one step, or nothing when the step would pass a limit. Larger checks only the
// width, as users of tall cells have always been able to grow them.
[[nodiscard]] std::optional<CellSize> StepFont(CellSize cell, FontStep step, const FontLimits& limits);

// The window's client area below the toolbar holds the screen and, under it, the status line
// one cell high plus kStatusLineExtra pixels: the separator line, the frame and the clear pixel
// each side of the text, so that no line ever runs through a character.
inline constexpr int kStatusLineExtra = 7;
constexpr int StatusLineHeight(int cell_height) {
    return cell_height + kStatusLineExtra;
}

struct LayoutInput {
    int client_width = 0;
    int client_height = 0;
    int toolbar_height = 0;
    int border = 0;  // BORDERSIZE
    uint32_t rows = 24;
    uint32_t columns = 80;
};

// Bitmap faces: the largest cell with which the screen and the status line fit, or the smallest
// size when none does.
CellSize FitBitmapCell(const LayoutInput& in, const FontLimits& limits);
// Bitmap faces with the window sized to the font: the cell whose screen (border included) comes
// closest to the window.
CellSize ClosestBitmapCell(const LayoutInput& in, const FontLimits& limits);
// TrueType faces: the window divided among the cells.
CellSize FitTrueTypeCell(const LayoutInput& in, bool size_window_to_font, const FontLimits& limits);

// Where the screen's top left cell goes, and with the window sized to the font, the client size
// the window should take.
struct Placement {
    int left = 0;
    int top = 0;
    int window_width = 0;  // 0 unless the window is sized to the font
    int window_height = 0;
};
Placement CentredPlacement(const LayoutInput& in, CellSize cell);
Placement SizedWindowPlacement(const LayoutInput& in, CellSize cell);

// The fixed cell size "SIZE width x height" of the session, if it has one.
std::optional<CellSize> FixedCellSize(const SessionRecord& record);

// The cell size remembered for screen size mode 1 or 2.
std::optional<CellSize> RememberedCell(const SessionRecord& record, uint8_t size_mode);
void RememberCell(SessionRecord& record, uint8_t size_mode, CellSize cell);

// The whole choice for a window of the given size: a fixed size wins; then, unless the window was
// resized, the size remembered for the current mode (a font step or an earlier fit); otherwise
// a fit by the face's kind and SIZEWINDOWTOFONT.
CellSize ChooseCellSize(const SessionRecord& record, const FontLimits& limits, const LayoutInput& in,
                        uint8_t size_mode, bool window_resized);
Placement PlaceScreen(const SessionRecord& record, const LayoutInput& in, CellSize cell);

}  // namespace orkan
