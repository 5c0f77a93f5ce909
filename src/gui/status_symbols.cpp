#include "gui/status_symbols.h"

#include <QPainterPath>
#include <algorithm>

#include "display/status_line.h"

namespace orkan {

namespace {

// Points in the unit square of the cell.
class CellSpace {
  public:
    explicit CellSpace(const QRectF& cell) : c_(cell) {}
    QPointF At(qreal x, qreal y) const { return {c_.left() + x * c_.width(), c_.top() + y * c_.height()}; }
    QRectF Box(qreal x0, qreal y0, qreal x1, qreal y1) const { return QRectF(At(x0, y0), At(x1, y1)); }
    qreal Stroke() const { return std::max<qreal>(1.0, c_.width() / 7); }
    const QRectF& Cell() const { return c_; }

  private:
    QRectF c_;
};

void Padlock(QPainter& p, const CellSpace& s, bool closed) {
    p.fillRect(s.Box(0.12, 0.55, 0.88, 0.95), p.pen().color());
    // The open shackle stands on one leg, lifted inside the cell rather than above it.
    QPainterPath shackle;
    const qreal top = closed ? 0.14 : 0.06;
    const qreal right_foot = closed ? 0.55 : 0.34;
    shackle.moveTo(s.At(0.3, 0.55));
    shackle.lineTo(s.At(0.3, top + 0.2));
    shackle.cubicTo(s.At(0.3, top - 0.03), s.At(0.7, top - 0.03), s.At(0.7, top + 0.2));
    shackle.lineTo(s.At(0.7, right_foot));
    p.drawPath(shackle);
}

void Arrow(QPainter& p, const CellSpace& s, qreal from, qreal to, qreal y) {
    const qreal head = to < from ? 0.3 : -0.3;
    p.drawLine(s.At(from, y), s.At(to, y));
    p.drawLine(s.At(to, y), s.At(to + head, y - 0.15));
    p.drawLine(s.At(to, y), s.At(to + head, y + 0.15));
}

// A circle split over two cells: the centre sits on the edge they share, and each cell draws its
// own half, so neither reaches beyond its cell.
void CircleHalf(QPainter& p, const QRectF& c, bool left, qreal centre_y, qreal r) {
    const QPointF centre(left ? c.right() : c.left(), centre_y);
    p.save();
    p.setClipRect(c, Qt::IntersectClip);
    p.drawEllipse(centre, r, r);
    p.restore();
}

void ClockHalf(QPainter& p, const CellSpace& s, bool left) {
    const QRectF& c = s.Cell();
    const qreal r = std::min(c.width() * 0.9, c.height() * 0.4);
    const QPointF centre(left ? c.right() : c.left(), c.center().y());
    CircleHalf(p, c, left, centre.y(), r);
    p.save();
    p.setClipRect(c, Qt::IntersectClip);
    p.drawLine(centre, centre - QPointF(0, r * 0.75));
    if (!left) p.drawLine(centre, centre + QPointF(r * 0.6, 0));
    p.restore();
}

}  // namespace

void DrawStatusSymbol(QPainter& p, uint8_t code, const QRectF& cell, const QColor& colour) {
    using namespace status_symbol;
    const CellSpace s(cell);
    p.save();
    p.setClipRect(cell, Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(colour, s.Stroke());
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (code) {
        case NotSecure:
            Padlock(p, s, false);
            break;
        case Secure:
            Padlock(p, s, true);
            break;
        case Connected:
            p.drawRect(s.Box(0.15, 0.3, 0.85, 0.9));
            p.fillRect(s.Box(0.38, 0.5, 0.62, 0.72), colour);
            break;
        case LockLeft:
            ClockHalf(p, s, true);
            break;
        case LockRight:
            ClockHalf(p, s, false);
            break;
        case Inhibit:
            p.drawLine(s.At(0.15, 0.2), s.At(0.85, 0.9));
            p.drawLine(s.At(0.85, 0.2), s.At(0.15, 0.9));
            break;
        case ProtectedLeft:  // an arrow leaving a figure to the left: "go elsewhere"
            Arrow(p, s, 1.0, 0.1, 0.62);
            CircleHalf(p, cell, true, cell.top() + 0.3 * cell.height(), cell.width() * 0.25);
            break;
        case ProtectedRight:
            Arrow(p, s, 0.0, 0.9, 0.62);
            CircleHalf(p, cell, false, cell.top() + 0.3 * cell.height(), cell.width() * 0.25);
            p.drawLine(s.At(0.0, 0.45), s.At(0.0, 0.95));
            break;
        case OverflowLeft:  // "more than": the field is full
            p.drawLine(s.At(0.2, 0.25), s.At(0.8, 0.55));
            p.drawLine(s.At(0.8, 0.55), s.At(0.2, 0.85));
            break;
        case OverflowRight:
            p.drawLine(s.At(0.3, 0.2), s.At(0.3, 0.9));
            break;
        case Shift: {
            QPainterPath arrow;
            arrow.moveTo(s.At(0.5, 0.12));
            arrow.lineTo(s.At(0.92, 0.52));
            arrow.lineTo(s.At(0.68, 0.52));
            arrow.lineTo(s.At(0.68, 0.9));
            arrow.lineTo(s.At(0.32, 0.9));
            arrow.lineTo(s.At(0.32, 0.52));
            arrow.lineTo(s.At(0.08, 0.52));
            arrow.closeSubpath();
            p.drawPath(arrow);
            break;
        }
        case Ctrl:
            p.drawLine(s.At(0.15, 0.55), s.At(0.5, 0.2));
            p.drawLine(s.At(0.5, 0.2), s.At(0.85, 0.55));
            break;
        case Alt:
            p.drawLine(s.At(0.05, 0.3), s.At(0.35, 0.3));
            p.drawLine(s.At(0.35, 0.3), s.At(0.65, 0.85));
            p.drawLine(s.At(0.65, 0.85), s.At(0.95, 0.85));
            p.drawLine(s.At(0.6, 0.3), s.At(0.95, 0.3));
            break;
        default:
            break;
    }
    p.restore();
}

}  // namespace orkan
