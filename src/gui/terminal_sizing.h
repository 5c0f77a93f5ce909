// How big the terminal frame (screen and status line) wants to be and with which cell, within the
// room the display gives it. The cell comes from the session's rules (a fixed size, the size
// remembered for the screen size mode, or a fit); the frame then takes the size that shows every
// row, column and the status line at that cell. Where that would not fit the display, the frame
// takes the largest size that does and the cell is fitted to it by the same fitting rule, so
// nothing is ever hidden. Plain arithmetic, without Qt, so the rules are tested on their own.
#pragma once

#include <optional>

#include "display/screen_layout.h"

namespace orkan {

class SessionRecord;

struct FrameSize {
    int width = 0;
    int height = 0;
    bool operator==(const FrameSize&) const = default;
    bool Holds(FrameSize other) const { return other.width <= width && other.height <= height; }
};

// Why the frame is laid out again.
enum class SizingReason : uint8_t {
    Resized,     // the user (or the window system) gave the frame a new size: fit to it
    FontStep,    // a font step chose the cell: the window follows it
    KeepFont,    // a new screen size with the font kept (KEEPFONTCONSTANTONMODESWITCH)
    KeepWindow,  // a new screen size with the window kept: the mode's own cell, or a fit
    Settings,    // the font settings changed
};

struct SizingInput {
    LayoutInput frame;              // the frame as it is now (its size, border, rows, columns)
    std::optional<FrameSize> room;  // the largest frame the display has room for; none: no limit
    SizingReason reason = SizingReason::Resized;
    std::optional<CellSize> cell;     // FontStep and KeepFont: the cell asked for
    std::optional<FrameSize> wanted;  // KeepFont: a frame size to go back to (the user's, in this mode)
};

struct SizingResult {
    CellSize cell;
    std::optional<FrameSize> wanted;  // the size the frame should take, when not its current one
    bool limited = false;             // the display's room made the cell smaller than asked
    bool clipped = false;             // even the smallest cell cannot show the whole screen
};

// The frame size that shows the screen and the status line at `cell`, and that the fitting rule
// gives `cell` back for: with the border around them when the window follows the font
// (SIZEWINDOWTOFONT), without it when the font is fitted to the window; a scalable face's fit
// takes the border off the height either way, so its frame keeps those pixels too.
FrameSize NeededFrame(const LayoutInput& in, CellSize cell, const SessionRecord& record);

SizingResult SizeTerminal(const SessionRecord& record, const FontLimits& limits, const SizingInput& in,
                          uint8_t size_mode);

}  // namespace orkan
