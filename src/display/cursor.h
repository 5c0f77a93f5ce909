// The cursor as data for a painter: its bar within the cell, the ruler lines, its colours, the
// blink cycle that shows and hides it (and blinking text), and the cursor locator's steps.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "display/palette.h"

namespace orkan {

class SessionRecord;

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int Right() const { return x + width; }    // one past the last column
    int Bottom() const { return y + height; }  // one past the last row
    bool Empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PixelRect&) const = default;
};

enum class CursorShape : uint8_t { Horizontal = 0, Vertical = 1 };

struct CursorStyle {
    CursorShape shape = CursorShape::Horizontal;
    uint8_t size = 2;   // 0-2: size + 1 pixels; 3-6: an eighth, quarter, half or all of the cell
    uint8_t blink = 0;  // 0 steady, 1 slow, 2 fast
};

// NORMALCURSOR* or, in insert mode, INSERTCURSOR*.
CursorStyle CursorStyleFor(const SessionRecord& record, bool insert_mode);

// RULER bits.
namespace ruler {
inline constexpr uint8_t Horizontal = 1;
inline constexpr uint8_t Vertical = 2;
}  // namespace ruler

// The cursor bar inside `cell`. A ruler takes the cell's bottom pixel row or left pixel column,
// so the bar moves off it (the bottom shift stays off with TestRulerFix) and the two never cancel
// each other where they would overlap.
PixelRect CursorBar(const PixelRect& cell, CursorStyle style, uint8_t ruler_bits, bool test_ruler_fix);

// One-pixel lines through the cursor cell across the whole screen area `screen`.
struct RulerLines {
    std::optional<PixelRect> horizontal;  // role 22
    std::optional<PixelRect> vertical;    // role 23
};
RulerLines Rulers(const PixelRect& screen, const PixelRect& cell, uint8_t ruler_bits);

// CURSORCOLOR: 0 inverts the pixels under the bar; 1 to 4 redraw the cell's character inside
// the bar in `text` on `back`; 5 mixes the bar with `mix` by exclusive or.
enum class CursorPaint : uint8_t { Invert, Masked, Xor };
struct CursorColours {
    CursorPaint paint = CursorPaint::Invert;
    Rgb back = 0;
    Rgb text = 0;
    Rgb mix = 0;
};
// `cell_colour` and `field_colour` as CellColourAt and FieldColourAt give them.
CursorColours CursorColoursFor(uint8_t mode, uint8_t cell_colour, uint8_t field_colour,
                               const Palette& palette, uint8_t cursor_role_index);

// Six phases of 166 ms, about one second per cycle.
inline constexpr int kBlinkPhases = 6;
inline constexpr int kBlinkTickMs = 166;

struct BlinkTick {
    bool redraw_blinking_text = false;  // phases 0 and 1: blinking text goes off and on again
    bool cursor_changed = false;
    bool cycle_completed = false;  // every sixth tick: the once-a-second work of the window timer
};

class BlinkCycle {
  public:
    int Phase() const { return phase_; }
    bool TextOff() const { return phase_ == 0; }
    bool CursorShown() const { return cursor_shown_; }
    // The macro letter on the status line blinks at half the cycle.
    bool MacroIndicatorShown() const { return phase_ < kBlinkPhases / 2; }

    // One tick of the 166 ms timer. `cursor_blink` is the current style's blink option; a
    // selection on the screen keeps the cursor steady and shown.
    BlinkTick Advance(uint8_t cursor_blink, bool selection_shown);

    // A moved cursor starts its blink shown, so the user sees where it went.
    void ShowCursor() { cursor_shown_ = true; }

  private:
    int phase_ = 0;
    bool cursor_shown_ = true;
};

// The cursor locator: six steps of 100 ms, each an inverted frame around the cursor cell grown
// by the step's pixels; the step after the sixth removes it.
inline constexpr int kLocatorTickMs = 100;
inline constexpr std::array<int, 6> kLocatorGrowth = {0, 2, 4, 6, 4, 2};

class CursorLocator {
  public:
    // With LOCATECURSOR off the cursor is only shown and no frame runs.
    void Start(bool locate_cursor_option) { step_ = locate_cursor_option ? 0 : kDone; }
    bool Running() const { return step_ != kDone; }
    // Advances one step; false once the locator has finished (the timer stops).
    bool Tick();
    // The growth of the frame drawn now, none before the first tick and after the last.
    std::optional<int> Growth() const;

  private:
    static constexpr int kDone = -1;
    int step_ = kDone;  // 0 = started, 1..6 = frame of kLocatorGrowth[step - 1] shown
};

PixelRect Grow(const PixelRect& r, int pixels);

}  // namespace orkan
