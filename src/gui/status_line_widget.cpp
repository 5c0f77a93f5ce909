#include "gui/status_line_widget.h"

#include <QAccessible>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "display/palette.h"
#include "display/spoken_status.h"
#include "gui/qt_text.h"
#include "gui/status_symbols.h"
#include "gui/terminal_painter.h"
#include "session/session.h"

namespace orkan {

namespace {

// Horizontally: one pixel of the window's colour, the frame, one clear pixel, then the text.
constexpr int kFrameInset = 1;
constexpr int kTextInset = 3;

size_t DrawnCells(uint32_t columns) {
    return std::min<size_t>(kStatusCells, columns ? columns - 1 : 0);
}

}  // namespace

StatusGeometry StatusLayout(int width, CellSize terminal_cell, int border, uint32_t columns) {
    StatusGeometry g;
    g.cell = terminal_cell;
    g.text_top = kStatusTextTop;
    g.frame = QRect(kFrameInset, kStatusTextTop - 2, std::max(0, width - 2 * kFrameInset),
                    terminal_cell.height + 4);
    const int cells = int(DrawnCells(columns));
    const int room = width - 2 * kTextInset;
    if (cells > 0 && cells * g.cell.width > room) g.cell.width = std::max(1, room / cells);
    const int wanted_left = g.cell.width / 2 + border;
    g.text_left = std::max(kTextInset, std::min(wanted_left, width - kTextInset - cells * g.cell.width));
    return g;
}

StatusLineWidget::StatusLineWidget(const Session& session, QWidget* parent)
    : QWidget(parent), session_(session) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void StatusLineWidget::SetFonts(std::shared_ptr<const TerminalFonts> fonts) {
    fonts_ = std::move(fonts);
    narrow_fonts_.reset();
    update();
}

StatusGeometry StatusLineWidget::Geometry() const {
    const CellSize cell = fonts_ ? fonts_->Cell() : CellSize{};
    return StatusLayout(width(), cell, int(session_.record.Number(field::BorderSize)), session_.ps.columns);
}

QRect StatusLineWidget::TlsIndicatorRect() const {
    return session_.link.tls_active && fonts_ ? CellRect(2) : QRect();
}

const TerminalFonts& StatusLineWidget::FontsFor(CellSize cell) {
    if (cell == fonts_->Cell()) return *fonts_;
    if (!narrow_fonts_ || narrow_fonts_->Cell() != cell)
        narrow_fonts_ =
            std::make_shared<const TerminalFonts>(fonts_->Family(), fonts_->GraphicEscapeFamily(), cell);
    return *narrow_fonts_;
}

QString StatusLineWidget::SpokenText() const {
    return DisplayToQString(SpokenStatus(session_));
}

void StatusLineWidget::ShowText(const StatusText& text, bool full_paint) {
    if (QAccessible::isActive()) {
        if (QString now = SpokenText(); now != spoken_) {
            spoken_ = std::move(now);
            QAccessibleEvent changed(this, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&changed);
        }
    }
    const std::vector<CellRun> runs = line_.Update(text);
    if (full_paint || !fonts_) {
        update();
        return;
    }
    const StatusGeometry g = Geometry();
    for (const CellRun& run : runs)
        update(g.CellRect(run.first).united(g.CellRect(run.first + run.count - 1u)));
}

void StatusLineWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setClipRegion(event->region());
    const Palette palette = BuildPalette(session_.record);
    const QColor text_colour = ToQColor(palette[RoleForegroundIndex(session_.record, role::StatusLine)]);
    const QColor background = ToQColor(palette[RoleBackgroundIndex(session_.record, role::StatusLine)]);
    p.fillRect(rect(), this->palette().color(QPalette::Button));
    p.setPen(this->palette().color(QPalette::Mid));
    p.drawLine(0, 0, width() - 1, 0);
    if (!fonts_) return;

    const StatusGeometry g = Geometry();
    const QRect f = g.frame;
    p.fillRect(f.adjusted(1, 1, -1, -1), background);
    // Sunken: the light falls from the top left.
    p.setPen(this->palette().color(QPalette::Dark));
    p.drawLine(f.topLeft(), f.topRight());
    p.drawLine(f.topLeft(), f.bottomLeft());
    p.setPen(this->palette().color(QPalette::Light));
    p.drawLine(f.bottomLeft(), f.bottomRight());
    p.drawLine(f.topRight(), f.bottomRight());

    // Nothing drawn for the text may reach the frame.
    p.setClipRect(f.adjusted(1, 1, -1, -1), Qt::IntersectClip);
    const TerminalFonts& fonts = FontsFor(g.cell);
    const StatusText& text = line_.Text();
    const size_t drawn = DrawnCells(session_.ps.columns);
    const qreal sx = fonts.ScaleX();
    const size_t faces = fonts.Faces().size();
    std::vector<QList<quint32>> glyphs(faces);
    std::vector<QList<QPointF>> positions(faces);
    for (size_t i = 0; i < drawn; ++i) {
        if (text.IsSymbol(i)) continue;
        const TerminalFonts::Glyph& glyph = fonts.DisplayGlyph(text.cells[i]);
        if (!glyph.drawn) continue;
        glyphs[glyph.face].append(glyph.index);
        positions[glyph.face].append(QPointF(g.CellRect(i).x() / sx, g.text_top + fonts.Baseline()));
    }
    p.save();
    p.scale(sx, 1);
    p.setPen(text_colour);
    for (size_t face = 0; face < faces; ++face) {
        if (glyphs[face].isEmpty()) continue;
        QGlyphRun run;
        run.setRawFont(fonts.Faces()[face]);
        run.setGlyphIndexes(glyphs[face]);
        run.setPositions(positions[face]);
        p.drawGlyphRun(QPointF(0, 0), run);
    }
    p.restore();
    for (size_t i = 0; i < drawn; ++i)
        if (text.IsSymbol(i)) DrawStatusSymbol(p, text.cells[i], g.CellRect(i), text_colour);
}

}  // namespace orkan
