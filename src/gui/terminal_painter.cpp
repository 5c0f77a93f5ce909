#include "gui/terminal_painter.h"

#include <QGlyphRun>
#include <QRegion>
#include <algorithm>

#include "keyboard/keyboard_state.h"
#include "session/session.h"

namespace orkan {

namespace {

QRect ToQRect(const PixelRect& r) {
    return {r.x, r.y, r.width, r.height};
}
PixelRect ToPixelRect(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

TerminalPainter::TerminalPainter(const Session& session, const TerminalFonts& fonts, QPoint origin)
    : session_(session), fonts_(fonts), origin_(origin) {
    glyphs_.resize(fonts.Faces().size());
    positions_.resize(fonts.Faces().size());
}

QRect TerminalPainter::CellRect(uint32_t row, uint32_t column) const {
    const CellSize c = fonts_.Cell();
    return {origin_.x() + int(column) * c.width, origin_.y() + int(row) * c.height, c.width, c.height};
}

QRect TerminalPainter::ScreenRect() const {
    const CellSize c = fonts_.Cell();
    return {origin_, QSize(int(session_.ps.columns) * c.width, int(session_.ps.rows) * c.height)};
}

QRect TerminalPainter::CursorCellArea(uint32_t address) const {
    const uint32_t columns = std::max<uint32_t>(session_.ps.columns, 1);
    const int grow = *std::max_element(kLocatorGrowth.begin(), kLocatorGrowth.end());
    return CellRect(address / columns, address % columns).adjusted(-grow, -grow, grow, grow);
}

QRect TerminalPainter::RulerArea(uint32_t address, bool horizontal) const {
    const uint32_t columns = std::max<uint32_t>(session_.ps.columns, 1);
    const PixelRect cell = ToPixelRect(CellRect(address / columns, address % columns));
    const RulerLines lines =
        Rulers(ToPixelRect(ScreenRect()), cell, horizontal ? ruler::Horizontal : ruler::Vertical);
    return ToQRect(horizontal ? *lines.horizontal : *lines.vertical);
}

QRect TerminalPainter::SelectionArea() const {
    const Selection& sel = session_.selection;
    const PresentationSpace& ps = session_.ps;
    if (!sel.shown || ps.rows == 0 || ps.columns == 0) return {};
    const uint32_t top = std::min(sel.Top(), ps.rows - 1), bottom = std::min(sel.Bottom(), ps.rows - 1);
    const uint32_t left = std::min(sel.Left(), ps.columns - 1), right = std::min(sel.Right(), ps.columns - 1);
    return CellRect(top, left).united(CellRect(bottom, right));
}

void TerminalPainter::DrawGlyphs(QPainter& p, int x, int y, const TextRun& run, const RowLook& look,
                                 QColor colour) {
    const qreal sx = fonts_.ScaleX();
    const int cw = fonts_.Cell().width;
    const qreal baseline = y + fonts_.Baseline();
    bool any = false;
    for (auto& g : glyphs_) g.clear();
    for (auto& pos : positions_) pos.clear();
    for (uint16_t i = 0; i < run.length; ++i) {
        const uint8_t b = look.characters[run.column + i];
        const TerminalFonts::Glyph& g =
            run.GraphicEscape() ? fonts_.GraphicEscapeGlyph(b) : fonts_.DisplayGlyph(b);
        if (!g.drawn) continue;
        glyphs_[g.face].append(g.index);
        positions_[g.face].append(QPointF((x + i * cw) / sx + fonts_.GlyphOffset(), baseline));
        any = true;
    }
    if (!any) return;
    p.setPen(colour);
    for (size_t f = 0; f < glyphs_.size(); ++f) {
        if (glyphs_[f].isEmpty()) continue;
        QGlyphRun glyph_run;
        glyph_run.setRawFont(fonts_.Faces()[f]);
        glyph_run.setGlyphIndexes(glyphs_[f]);
        glyph_run.setPositions(positions_[f]);
        p.drawGlyphRun(QPointF(0, 0), glyph_run);
    }
}

void TerminalPainter::DrawCellMarks(QPainter& p, int x, int y, const TextRun& run, const RowLook& look,
                                    QColor colour) {
    const int cw = fonts_.Cell().width;
    const int thickness = fonts_.LineThickness();
    if (run.Underscore()) {
        p.fillRect(x, y + fonts_.UnderlineY(), run.length * cw, thickness, colour);
        return;
    }
    for (uint16_t i = 0; i < run.length; ++i) {
        const uint8_t b = look.characters[run.column + i];
        const TerminalFonts::Glyph& g =
            run.GraphicEscape() ? fonts_.GraphicEscapeGlyph(b) : fonts_.DisplayGlyph(b);
        if (g.overline) p.fillRect(x + i * cw, y + fonts_.OverlineY(), cw, thickness, colour);
        if (g.underline) p.fillRect(x + i * cw, y + fonts_.UnderlineY(), cw, thickness, colour);
    }
}

void TerminalPainter::PaintRows(QPainter& p, uint32_t first, uint32_t end, const PaintFrame& frame,
                                std::vector<uint8_t>* blink_rows) {
    const PresentationSpace& ps = session_.ps;
    end = std::min(end, ps.rows);
    if (first >= end || ps.columns == 0) return;
    palette_ = BuildPalette(session_.record);
    const RenderOptions options =
        MakeRenderOptions(session_, frame.blink_text_off, frame.show_attribute_markers);
    const CellSize cell = fonts_.Cell();
    FieldState field = FieldStateEntering(ps, first * ps.columns);
    for (uint32_t r = first; r < end; ++r) {
        ResolveRow(ps, r, field, options, look_);
        if (look_.characters.empty()) break;
        const int y = origin_.y() + int(r) * cell.height;
        for (const TextRun& run : look_.runs)
            p.fillRect(origin_.x() + run.column * cell.width, y, run.length * cell.width, cell.height,
                       ToQColor(palette_[run.background]));
        p.save();
        p.scale(fonts_.ScaleX(), 1);
        for (const TextRun& run : look_.runs)
            DrawGlyphs(p, origin_.x() + run.column * cell.width, y, run, look_,
                       ToQColor(palette_[run.foreground]));
        p.restore();
        for (const TextRun& run : look_.runs)
            DrawCellMarks(p, origin_.x() + run.column * cell.width, y, run, look_,
                          ToQColor(palette_[run.foreground]));
        if (options.display_by_field)
            for (uint16_t c : look_.attribute_columns) p.fillRect(CellRect(r, c), ToQColor(palette_[0]));
        if (blink_rows && r < blink_rows->size()) (*blink_rows)[r] = look_.has_blink;
    }
}

void TerminalPainter::InvertOutline(QPainter& p, const QRect& r, int t) {
    if (r.width() <= 2 * t || r.height() <= 2 * t) {
        p.fillRect(r, Qt::white);
        return;
    }
    p.fillRect(r.x(), r.y(), r.width(), t, Qt::white);
    p.fillRect(r.x(), r.bottom() + 1 - t, r.width(), t, Qt::white);
    p.fillRect(r.x(), r.y() + t, t, r.height() - 2 * t, Qt::white);
    p.fillRect(r.right() + 1 - t, r.y() + t, t, r.height() - 2 * t, Qt::white);
}

void TerminalPainter::PaintCursor(QPainter& p, const PaintFrame& frame, const RenderOptions& options) {
    const PresentationSpace& ps = session_.ps;
    const SessionRecord& record = session_.record;
    const uint32_t address = ps.cursor_address;
    if (ps.columns == 0 || address >= std::min(ps.positions, kMaxPositions)) return;
    const PixelRect cell = ToPixelRect(CellRect(address / ps.columns, address % ps.columns));
    const uint8_t ruler_bits = uint8_t(record.Number(field::Ruler) & 3);
    // An inactive window shows no rulers unless the crosshairs are always wanted.
    if (frame.window_active || session_.settings.AlwaysShowCrosshairs) {
        const RulerLines lines = Rulers(ToPixelRect(ScreenRect()), cell, ruler_bits);
        if (lines.horizontal)
            p.fillRect(ToQRect(*lines.horizontal),
                       ToQColor(palette_[RoleForegroundIndex(record, role::HorizontalRuler)]));
        if (lines.vertical)
            p.fillRect(ToQRect(*lines.vertical),
                       ToQColor(palette_[RoleForegroundIndex(record, role::VerticalRuler)]));
    }
    if (!frame.window_active) {
        // Without the keyboard focus the cursor is a steady outline of its cell, as terminal
        // programs show it: the user still sees where typing would go.
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        InvertOutline(p, CellRect(address / ps.columns, address % ps.columns), 1);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        return;
    }
    if (!frame.cursor_shown) return;

    const CursorStyle style = CursorStyleFor(record, session_.keyboard->insert_mode);
    QRect bar = ToQRect(CursorBar(cell, style, ruler_bits, session_.settings.TestRulerFix != 0));
    FieldState field = FieldStateEntering(ps, address);
    const CellLook look = ResolveCell(ps, address, field, options);
    // On an underscored cell a bar across the foot would lie on the underscore and read as part of
    // it: the bar stands on the underscore instead, so both are seen.
    const int underline_top = cell.y + fonts_.UnderlineY();
    if (style.shape == CursorShape::Horizontal && (look.highlight & hl::Underscore) &&
        underline_top > cell.y && bar.bottom() >= underline_top) {
        const int height = bar.height();
        bar.setBottom(underline_top - 1);
        bar.setTop(std::max(cell.y, underline_top - height));
    }
    const CursorColours colours = CursorColoursFor(
        uint8_t(record.Number(field::CursorColor)), CellColourAt(ps, address, options),
        FieldColourAt(ps, address, options), palette_, RoleForegroundIndex(record, role::Cursor));
    switch (colours.paint) {
        case CursorPaint::Invert:
        case CursorPaint::Xor:
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.fillRect(bar, colours.paint == CursorPaint::Invert ? QColor(Qt::white) : ToQColor(colours.mix));
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            break;
        case CursorPaint::Masked: {
            // The cell's character redrawn inside the bar in the text colour on the bar colour.
            p.fillRect(bar, ToQColor(colours.back));
            RowLook one;
            one.characters.assign(1, look.character);
            const TextRun run{0, 1, look.colour, look.highlight, look.charset, 0, 0};
            p.save();
            p.setClipRect(bar, Qt::IntersectClip);
            p.save();
            p.scale(fonts_.ScaleX(), 1);
            DrawGlyphs(p, cell.x, cell.y, run, one, ToQColor(colours.text));
            p.restore();
            DrawCellMarks(p, cell.x, cell.y, run, one, ToQColor(colours.text));
            p.restore();
            break;
        }
    }
}

void TerminalPainter::PaintOverlays(QPainter& p, const PaintFrame& frame) {
    palette_ = BuildPalette(session_.record);
    const RenderOptions options =
        MakeRenderOptions(session_, frame.blink_text_off, frame.show_attribute_markers);
    PaintCursor(p, frame, options);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    if (const QRect sel = SelectionArea(); !sel.isEmpty()) InvertOutline(p, sel, 1);
    if (frame.locator_growth && session_.ps.columns) {
        const uint32_t a = session_.ps.cursor_address;
        const QRect cell = CellRect(a / session_.ps.columns, a % session_.ps.columns);
        InvertOutline(p, ToQRect(Grow(ToPixelRect(cell), *frame.locator_growth)), 2);
    }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TerminalPainter::Paint(QPainter& p, const QRect& dirty, const PaintFrame& frame,
                            std::vector<uint8_t>* blink_rows) {
    const QRect screen = ScreenRect();
    const CellSize cell = fonts_.Cell();
    palette_ = BuildPalette(session_.record);
    const QColor surround = ToQColor(palette_[RoleBackgroundIndex(session_.record, role::DefaultText)]);
    for (const QRect& r : QRegion(dirty).subtracted(QRegion(screen))) p.fillRect(r, surround);
    const QRect rows = dirty.intersected(screen);
    if (!rows.isEmpty() && cell.height > 0) {
        const uint32_t first = uint32_t((rows.top() - origin_.y()) / cell.height);
        const uint32_t end = uint32_t((rows.bottom() - origin_.y()) / cell.height + 1);
        PaintRows(p, first, end, frame, blink_rows);
    }
    PaintOverlays(p, frame);
}

}  // namespace orkan
