#include "display/cursor.h"

#include <algorithm>

#include "config/session_record.h"

namespace orkan {

CursorStyle CursorStyleFor(const SessionRecord& record, bool insert_mode) {
    const FieldDef& shape = insert_mode ? field::InsertCursor : field::NormalCursor;
    const FieldDef& size = insert_mode ? field::InsertCursorSize : field::NormalCursorSize;
    const FieldDef& blink = insert_mode ? field::InsertCursorBlink : field::NormalCursorBlink;
    CursorStyle s;
    s.shape = record.Number(shape) == 1 ? CursorShape::Vertical : CursorShape::Horizontal;
    s.size = uint8_t(std::min<uint32_t>(record.Number(size), 6));
    s.blink = uint8_t(std::min<uint32_t>(record.Number(blink), 2));
    return s;
}

namespace {

// Thickness of the bar across a cell dimension of `extent` pixels.
int Thickness(uint8_t size, int extent) {
    constexpr std::array<int, 4> kDivisor = {8, 4, 2, 1};  // sizes 3 to 6
    const int t = size <= 2 ? size + 1 : extent / kDivisor[std::min<size_t>(size - 3u, 3)];
    return std::clamp(t, 1, std::max(extent, 1));
}

}  // namespace

PixelRect CursorBar(const PixelRect& cell, CursorStyle style, uint8_t ruler_bits, bool test_ruler_fix) {
    const int left = cell.x + ((ruler_bits & ruler::Vertical) ? 1 : 0);
    const int bottom = cell.Bottom() - ((ruler_bits & ruler::Horizontal) && !test_ruler_fix ? 1 : 0);
    PixelRect bar;
    if (style.shape == CursorShape::Vertical) {
        bar.x = left;
        bar.y = cell.y;
        bar.width = std::min(Thickness(style.size, cell.width), cell.Right() - left);
        bar.height = bottom - cell.y;
    } else {
        const int top = std::max(cell.y, bottom - Thickness(style.size, cell.height));
        bar.x = left;
        bar.y = top;
        bar.width = cell.Right() - left;
        bar.height = bottom - top;
    }
    return bar;
}

RulerLines Rulers(const PixelRect& screen, const PixelRect& cell, uint8_t ruler_bits) {
    RulerLines lines;
    if (ruler_bits & ruler::Horizontal)
        lines.horizontal = PixelRect{screen.x, cell.Bottom() - 1, screen.width, 1};
    if (ruler_bits & ruler::Vertical) lines.vertical = PixelRect{cell.x, screen.y, 1, screen.height};
    return lines;
}

CursorColours CursorColoursFor(uint8_t mode, uint8_t cell_colour, uint8_t field_colour,
                               const Palette& palette, uint8_t cursor_role_index) {
    constexpr Rgb kWhite = 0xFFFFFF, kBlack = 0x000000;
    CursorColours c;
    switch (mode) {
        case 1:
        case 2: {
            const uint8_t colour = mode == 1 ? cell_colour : field_colour;
            c.paint = CursorPaint::Masked;
            c.back = palette[ForegroundIndex(colour)];
            c.text = palette[BackgroundIndex(colour)];
            break;
        }
        case 3:
            c = {CursorPaint::Masked, kWhite, kBlack, 0};
            break;
        case 4:
            c = {CursorPaint::Masked, kBlack, kWhite, 0};
            break;
        case 5:
            c = {CursorPaint::Xor, 0, 0, palette[cursor_role_index < kPaletteSize ? cursor_role_index : 0]};
            break;
        default:
            c.paint = CursorPaint::Invert;
            break;
    }
    return c;
}

BlinkTick BlinkCycle::Advance(uint8_t cursor_blink, bool selection_shown) {
    BlinkTick t;
    phase_ = (phase_ + 1) % kBlinkPhases;
    t.redraw_blinking_text = phase_ <= 1;
    t.cycle_completed = phase_ == 0;
    bool shown = cursor_shown_;
    if (selection_shown || cursor_blink == 0)
        shown = true;
    else if (cursor_blink == 2 || phase_ == 3)
        shown = !shown;
    t.cursor_changed = shown != cursor_shown_;
    cursor_shown_ = shown;
    return t;
}

bool CursorLocator::Tick() {
    if (step_ == kDone) return false;
    if (++step_ > int(kLocatorGrowth.size())) {
        step_ = kDone;
        return false;
    }
    return true;
}

std::optional<int> CursorLocator::Growth() const {
    if (step_ <= 0) return std::nullopt;
    return kLocatorGrowth[size_t(step_ - 1)];
}

PixelRect Grow(const PixelRect& r, int pixels) {
    return {r.x - pixels, r.y - pixels, r.width + 2 * pixels, r.height + 2 * pixels};
}

}  // namespace orkan
