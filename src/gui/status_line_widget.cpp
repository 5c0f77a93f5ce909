#include "gui/status_line_widget.h"

#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <qdrawutil.h>

#include "session/session.h"
#include "display/palette.h"
#include "gui/status_symbols.h"
#include "gui/terminal_painter.h"

namespace orkan {

namespace {
constexpr int kTextTop = 3;
}

StatusLineWidget::StatusLineWidget(const Session& session, QWidget* parent) : QWidget(parent), session_(session) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void StatusLineWidget::SetFonts(std::shared_ptr<const TerminalFonts> fonts) {
    fonts_ = std::move(fonts);
    update();
}

int StatusLineWidget::Left() const {
    const int cw = fonts_ ? fonts_->Cell().width : 0;
    return cw / 2 + int(session_.record.Number(field::BorderSize));
}

QRect StatusLineWidget::CellRect(size_t cell) const {
    if (!fonts_) return {};
    const CellSize c = fonts_->Cell();
    return {Left() + int(cell) * c.width, kTextTop, c.width, c.height};
}

QRect StatusLineWidget::TlsIndicatorRect() const { return session_.link.tls_active ? CellRect(2) : QRect(); }

void StatusLineWidget::ShowText(const StatusText& text, bool full_paint) {
    const std::vector<CellRun> runs = line_.Update(text);
    if (full_paint) {
        update();
        return;
    }
    for (const CellRun& run : runs) update(CellRect(run.first).united(CellRect(run.first + run.count - 1u)));
}

void StatusLineWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setClipRegion(event->region());
    const Palette palette = BuildPalette(session_.record);
    const QColor text_colour = ToQColor(palette[RoleForegroundIndex(session_.record, role::StatusLine)]);
    const QColor background = ToQColor(palette[RoleBackgroundIndex(session_.record, role::StatusLine)]);
    p.fillRect(rect(), this->palette().color(QPalette::Button));
    p.fillRect(QRect(QPoint(3, 3), QPoint(width() - 2, height())), background);
    p.setPen(this->palette().color(QPalette::Mid));
    p.drawLine(0, 0, width() - 1, 0);
    if (!fonts_) return;

    const CellSize cell = fonts_->Cell();
    const StatusText& text = line_.Text();
    const size_t drawn = std::min<size_t>(kStatusCells, session_.ps.columns ? session_.ps.columns - 1 : 0);
    const qreal sx = fonts_->ScaleX();
    const size_t faces = fonts_->Faces().size();
    std::vector<QList<quint32>> glyphs(faces);
    std::vector<QList<QPointF>> positions(faces);
    for (size_t i = 0; i < drawn; ++i) {
        if (text.IsSymbol(i)) continue;
        const TerminalFonts::Glyph& g = fonts_->DisplayGlyph(text.cells[i]);
        if (!g.drawn) continue;
        glyphs[g.face].append(g.index);
        positions[g.face].append(QPointF(CellRect(i).x() / sx, kTextTop + fonts_->Baseline()));
    }
    p.save();
    p.scale(sx, 1);
    p.setPen(text_colour);
    for (size_t f = 0; f < faces; ++f) {
        if (glyphs[f].isEmpty()) continue;
        QGlyphRun run;
        run.setRawFont(fonts_->Faces()[f]);
        run.setGlyphIndexes(glyphs[f]);
        run.setPositions(positions[f]);
        p.drawGlyphRun(QPointF(0, 0), run);
    }
    p.restore();
    qDrawShadeRect(&p, QRect(QPoint(5, 5), QPoint(width() - 5, cell.height + 1)), this->palette(), true, 1);
    for (size_t i = 0; i < drawn; ++i)
        if (text.IsSymbol(i)) DrawStatusSymbol(p, text.cells[i], CellRect(i), text_colour);
}

}  // namespace orkan
