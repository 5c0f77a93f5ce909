#include "display/screen_layout.h"

#include <algorithm>

#include "config/program_settings.h"
#include "config/session_record.h"

namespace orkan {

FontLimits FontLimitsFrom(const ProgramSettings& s) {
    FontLimits l;
    l.min_width = std::max(1, s.MinFontWidth);
    l.min_height = std::max(1, s.MinFontHeight);
    l.max_width = std::max(l.min_width, s.MaxFontWidth);
    l.max_height = std::max(l.min_height, s.MaxFontHeight);
    return l;
}

std::optional<CellSize> StepFont(CellSize cell, FontStep step, const FontLimits& limits) {
    int dw = 0, dh = 0;
    switch (step) {
        case FontStep::Smaller:
            dw = dh = -1;
            break;
        case FontStep::Larger:
            dw = dh = 1;
            break;
        case FontStep::Narrower:
            dw = -1;
            break;
        case FontStep::Wider:
            dw = 1;
            break;
        case FontStep::Shorter:
            dh = -1;
            break;
        case FontStep::Taller:
            dh = 1;
            break;
    }
    const CellSize next{cell.width + dw, cell.height + dh};
    if (dw < 0 && next.width <= limits.min_width) return std::nullopt;
    if (dw > 0 && next.width > limits.max_width) return std::nullopt;
    if (dh < 0 && next.height <= limits.min_height) return std::nullopt;
    if (step == FontStep::Taller && next.height > limits.max_height) return std::nullopt;
    return next;
}

namespace {

int SafeColumns(const LayoutInput& in) {
    return int(std::max<uint32_t>(in.columns, 1));
}
int RowsWithStatus(const LayoutInput& in) {
    return int(in.rows) + 1;
}

// Closest whole number to a / b for b > 0, rounding halves up.
int RoundedQuotient(int a, int b) {
    return a >= 0 ? (2 * a + b) / (2 * b) : -((-2 * a + b) / (2 * b));
}

}  // namespace

CellSize FitBitmapCell(const LayoutInput& in, const FontLimits& limits) {
    const int width = std::min(limits.max_width, in.client_width / SafeColumns(in));
    const int height = std::min(
        limits.max_height, (in.client_height - in.toolbar_height - kStatusLineExtra) / RowsWithStatus(in));
    if (width < limits.min_width || height < limits.min_height) return {limits.min_width, limits.min_height};
    return {width, height};
}

CellSize ClosestBitmapCell(const LayoutInput& in, const FontLimits& limits) {
    const int w = RoundedQuotient(in.client_width - 2 * in.border, SafeColumns(in));
    const int h = RoundedQuotient(in.client_height - in.toolbar_height - kStatusLineExtra - 2 * in.border,
                                  RowsWithStatus(in));
    return {std::clamp(w, limits.min_width, limits.max_width),
            std::clamp(h, limits.min_height, limits.max_height)};
}

CellSize FitTrueTypeCell(const LayoutInput& in, bool size_window_to_font, const FontLimits& limits) {
    CellSize c;
    c.width = (in.client_width - (size_window_to_font ? 2 * in.border : 0)) / SafeColumns(in);
    c.height = (in.client_height - in.toolbar_height - kStatusLineExtra - 2 * in.border) / RowsWithStatus(in);
    if (c.width < 4) c.width = limits.min_width;
    if (c.height < 6) c.height = limits.min_height;
    return c;
}

Placement CentredPlacement(const LayoutInput& in, CellSize cell) {
    Placement p;
    p.left = std::max(0, (in.client_width - int(in.columns) * cell.width) / 2);
    const int spare = in.client_height - int(in.rows) * cell.height - StatusLineHeight(cell.height);
    p.top = std::max(in.toolbar_height, spare / 2 + 2 + in.toolbar_height);
    // With less than four pixels to spare the two pixels down would put the last row under the
    // status line.
    p.top = std::min(p.top, std::max(in.toolbar_height, spare + in.toolbar_height));
    return p;
}

Placement SizedWindowPlacement(const LayoutInput& in, CellSize cell) {
    Placement p;
    p.left = in.border;
    p.top = in.border + in.toolbar_height;
    p.window_width = int(in.columns) * cell.width + 2 * in.border;
    p.window_height =
        in.toolbar_height + int(in.rows) * cell.height + 2 * in.border + StatusLineHeight(cell.height);
    return p;
}

std::optional<CellSize> FixedCellSize(const SessionRecord& record) {
    const CellSize c{int(record.Number(field::CellWidth)), int(record.Number(field::CellHeight))};
    if (!c.Valid()) return std::nullopt;
    return c;
}

std::optional<CellSize> RememberedCell(const SessionRecord& record, uint8_t size_mode) {
    if (size_mode != 1 && size_mode != 2) return std::nullopt;
    const bool first = size_mode == 1;
    const CellSize c{int(record.Number(first ? field::ModeCellWidth1 : field::ModeCellWidth2)),
                     int(record.Number(first ? field::ModeCellHeight1 : field::ModeCellHeight2))};
    if (!c.Valid()) return std::nullopt;
    return c;
}

void RememberCell(SessionRecord& record, uint8_t size_mode, CellSize cell) {
    if ((size_mode != 1 && size_mode != 2) || !cell.Valid()) return;
    const bool first = size_mode == 1;
    // The fields hold one byte's worth; larger cells are not remembered rather than cut.
    if (cell.width > 255 || cell.height > 255) return;
    record.SetNumber(first ? field::ModeCellWidth1 : field::ModeCellWidth2, uint32_t(cell.width));
    record.SetNumber(first ? field::ModeCellHeight1 : field::ModeCellHeight2, uint32_t(cell.height));
}

CellSize ChooseCellSize(const SessionRecord& record, const FontLimits& limits, const LayoutInput& in,
                        uint8_t size_mode, bool window_resized) {
    if (auto fixed = FixedCellSize(record)) return *fixed;
    if (!window_resized)
        if (auto remembered = RememberedCell(record, size_mode)) return *remembered;
    const bool sized = record.Flag(field::SizeWindowToFont);
    if (record.Flag(field::TrueType)) return FitTrueTypeCell(in, sized, limits);
    return sized ? ClosestBitmapCell(in, limits) : FitBitmapCell(in, limits);
}

Placement PlaceScreen(const SessionRecord& record, const LayoutInput& in, CellSize cell) {
    return record.Flag(field::SizeWindowToFont) ? SizedWindowPlacement(in, cell) : CentredPlacement(in, cell);
}

}  // namespace orkan
