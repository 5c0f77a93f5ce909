#include "gui/terminal_sizing.h"

#include <algorithm>

#include "config/session_record.h"

namespace orkan {

namespace {

// The fitting rule for a frame of `size`: the largest cell with which the screen and the status
// line fit (rounded down, so the result always fits when any cell can). A window that follows the
// font also keeps its border, which the rule for scalable faces counts.
CellSize FitTo(const SessionRecord& record, const FontLimits& limits, LayoutInput in, FrameSize size) {
    in.client_width = size.width;
    in.client_height = size.height;
    const bool sized = record.Flag(field::SizeWindowToFont);
    if (record.Flag(field::TrueType) || sized) return FitTrueTypeCell(in, sized, limits);
    return FitBitmapCell(in, limits);
}

}  // namespace

FrameSize NeededFrame(const LayoutInput& in, CellSize cell, const SessionRecord& record) {
    // Without these pixels a font step's window fitted a cell a pixel shorter than the step asked.
    const int fit_border = record.Flag(field::TrueType) ? 2 * in.border : 0;
    if (!record.Flag(field::SizeWindowToFont))
        return {int(in.columns) * cell.width,
                in.toolbar_height + int(in.rows) * cell.height + StatusLineHeight(cell.height) + fit_border};
    const Placement p = SizedWindowPlacement(in, cell);
    return {p.window_width, p.window_height};
}

SizingResult SizeTerminal(const SessionRecord& record, const FontLimits& limits, const SizingInput& in,
                          uint8_t size_mode) {
    const FrameSize now{in.frame.client_width, in.frame.client_height};
    const bool sized = record.Flag(field::SizeWindowToFont);
    const std::optional<CellSize> fixed = FixedCellSize(record);
    SizingResult r;
    std::optional<FrameSize> wanted;

    switch (in.reason) {
        case SizingReason::Resized:
        case SizingReason::Settings:
            r.cell = ChooseCellSize(record, limits, in.frame, size_mode, true);
            if (sized) wanted = NeededFrame(in.frame, r.cell, record);
            break;
        case SizingReason::FontStep:
            r.cell =
                fixed ? *fixed : in.cell.value_or(ChooseCellSize(record, limits, in.frame, size_mode, false));
            wanted = NeededFrame(in.frame, r.cell, record);
            break;
        case SizingReason::KeepFont: {
            r.cell =
                fixed ? *fixed : in.cell.value_or(ChooseCellSize(record, limits, in.frame, size_mode, false));
            const FrameSize needed = NeededFrame(in.frame, r.cell, record);
            // The size the user had in this mode comes back when it still shows the whole screen.
            wanted = !sized && in.wanted && in.wanted->Holds(needed) ? *in.wanted : needed;
            break;
        }
        case SizingReason::KeepWindow: {
            const std::optional<CellSize> own = RememberedCell(record, size_mode);
            r.cell = fixed ? *fixed
                     : own && now.Holds(NeededFrame(in.frame, *own, record))
                         ? *own
                         : ChooseCellSize(record, limits, in.frame, size_mode, true);
            if (sized) wanted = NeededFrame(in.frame, r.cell, record);
            break;
        }
    }

    // A frame not laid out yet has no size to change; the window's first size comes later.
    if (now.width <= 0 || now.height <= 0) return r;

    // Every row, column and the status line show: a frame too small for its cell grows.
    const FrameSize needed = NeededFrame(in.frame, r.cell, record);
    if (!wanted && !now.Holds(needed))
        wanted = FrameSize{std::max(now.width, needed.width), std::max(now.height, needed.height)};

    // Never larger than the display: the largest frame that fits, and the cell fitted to it.
    if (in.room) {
        const FrameSize target = wanted.value_or(now);
        if (!in.room->Holds(target)) {
            const FrameSize bounded{std::min(target.width, in.room->width),
                                    std::min(target.height, in.room->height)};
            const CellSize fitted = FitTo(record, limits, in.frame, bounded);
            r.limited = fitted != r.cell;
            r.cell = fitted;
            const FrameSize fitted_needs = NeededFrame(in.frame, r.cell, record);
            r.clipped = !bounded.Holds(fitted_needs);
            wanted = sized && !r.clipped ? fitted_needs : bounded;
        }
    }
    if (wanted && *wanted == now) wanted.reset();
    r.wanted = wanted;
    return r;
}

}  // namespace orkan
