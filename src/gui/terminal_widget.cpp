#include "gui/terminal_widget.h"

#include <QAccessible>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "gui/accessibility.h"
#include "session/session.h"

namespace orkan {

TerminalWidget::TerminalWidget(const Session& session, DisplayState& state, QWidget* parent)
    : QWidget(parent), session_(session), state_(state), reading_(session, *this) {
    InstallAccessibility();
    setAccessibleName("Host screen");
    setAttribute(Qt::WA_OpaquePaintEvent);
    locator_timer_.setInterval(kLocatorTickMs);
    QObject::connect(&locator_timer_, &QTimer::timeout, this, [this] { LocatorStep(); });
    drawn_cursor_ = session.ps.cursor_address;
}

void TerminalWidget::SetFonts(std::shared_ptr<const TerminalFonts> fonts, QPoint origin) {
    fonts_ = std::move(fonts);
    origin_ = origin;
    update();
}

QRect TerminalWidget::CellRect(uint32_t row, uint32_t column) const {
    if (!fonts_) return {};
    const CellSize c = fonts_->Cell();
    return {origin_.x() + int(column) * c.width, origin_.y() + int(row) * c.height, c.width, c.height};
}

uint32_t TerminalWidget::Columns() const {
    return session_.ps.columns;
}

QRect TerminalWidget::ScreenRect() const {
    if (!fonts_) return {};
    const CellSize c = fonts_->Cell();
    return {origin_, QSize(int(session_.ps.columns) * c.width, int(session_.ps.rows) * c.height)};
}

std::optional<CellPosition> TerminalWidget::CellAt(QPoint pixel) const {
    if (!fonts_ || !ScreenRect().contains(pixel)) return std::nullopt;
    const CellSize c = fonts_->Cell();
    return CellPosition{uint32_t((pixel.y() - origin_.y()) / c.height),
                        uint32_t((pixel.x() - origin_.x()) / c.width)};
}

CellPosition TerminalWidget::NearestCell(QPoint pixel) const {
    if (!fonts_ || session_.ps.rows == 0 || session_.ps.columns == 0) return {};
    const CellSize c = fonts_->Cell();
    const int row = std::clamp((pixel.y() - origin_.y()) / c.height, 0, int(session_.ps.rows) - 1);
    const int column = std::clamp((pixel.x() - origin_.x()) / c.width, 0, int(session_.ps.columns) - 1);
    return {uint32_t(pixel.y() < origin_.y() ? 0 : row), uint32_t(pixel.x() < origin_.x() ? 0 : column)};
}

PaintFrame TerminalWidget::Frame() const {
    PaintFrame f;
    f.blink_text_off = state_.blink.TextOff();
    f.show_attribute_markers = state_.show_attribute_markers;
    f.cursor_shown = state_.blink.CursorShown();
    f.window_active = isActiveWindow();
    f.locator_growth = state_.locator.Growth();
    return f;
}

void TerminalWidget::UpdateCursorPlace(uint32_t address) {
    if (!fonts_) return;
    const TerminalPainter painter(session_, *fonts_, origin_);
    update(painter.CursorCellArea(address));
    if (session_.record.Number(field::Ruler) & 3) {
        update(painter.RulerArea(address, true));
        update(painter.RulerArea(address, false));
    }
}

void TerminalWidget::FollowCursor() {
    if (session_.ps.cursor_address == drawn_cursor_) return;
    UpdateCursorPlace(drawn_cursor_);
    drawn_cursor_ = session_.ps.cursor_address;
    UpdateCursorPlace(drawn_cursor_);
}

void TerminalWidget::RepaintRowBands(const std::vector<RowBand>& bands) {
    for (const RowBand& b : bands) {
        const QRect first = CellRect(b.first_row, 0);
        update(QRect(0, first.y(), width(), int(b.row_count) * first.height()));
    }
    FollowCursor();
    reading_.RowsChanged(bands);
}

void TerminalWidget::RepaintAll() {
    drawn_cursor_ = session_.ps.cursor_address;
    update();
    reading_.ScreenChanged();
}

void TerminalWidget::CursorMoved() {
    state_.blink.ShowCursor();
    UpdateCursorPlace(drawn_cursor_);
    drawn_cursor_ = session_.ps.cursor_address;
    UpdateCursorPlace(drawn_cursor_);
    reading_.CursorMoved();
}

void TerminalWidget::SelectionChanged() {
    if (!fonts_) return;
    const QRect now = TerminalPainter(session_, *fonts_, origin_).SelectionArea();
    if (now == drawn_selection_) return;
    update(drawn_selection_);
    update(now);
    drawn_selection_ = now;
    if (QAccessible::isActive()) {
        const std::vector<std::pair<int, int>> ranges = Reading().SelectedRanges();
        QAccessibleTextSelectionEvent changed(this, ranges.empty() ? -1 : ranges.front().first,
                                              ranges.empty() ? -1 : ranges.back().second);
        QAccessible::updateAccessibility(&changed);
    }
    // The cursor stops blinking while a selection shows.
    UpdateCursorPlace(session_.ps.cursor_address);
}

void TerminalWidget::Blink(const BlinkTick& tick) {
    if (tick.redraw_blinking_text && session_.record.Number(field::BlinkingText) == 0) {
        for (uint32_t r = 0; r < blink_rows_.size() && r < session_.ps.rows; ++r) {
            if (!blink_rows_[r]) continue;
            const QRect row = CellRect(r, 0);
            update(QRect(0, row.y(), width(), row.height()));
        }
    }
    if (tick.cursor_changed) UpdateCursorPlace(session_.ps.cursor_address);
}

void TerminalWidget::LocateCursor() {
    state_.blink.ShowCursor();
    FollowCursor();
    UpdateCursorPlace(drawn_cursor_);
    state_.locator.Start(session_.record.Flag(field::LocateCursor));
    if (state_.locator.Running()) locator_timer_.start();
}

void TerminalWidget::LocatorStep() {
    const bool more = state_.locator.Tick();
    UpdateCursorPlace(session_.ps.cursor_address);
    if (!more) locator_timer_.stop();
}

void TerminalWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    if (!fonts_) {
        p.fillRect(event->rect(), Qt::black);
        return;
    }
    blink_rows_.resize(session_.ps.rows);
    TerminalPainter painter(session_, *fonts_, origin_);
    painter.Paint(p, event->rect(), Frame(), &blink_rows_);
}

void TerminalWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) UpdateCursorPlace(session_.ps.cursor_address);
    QWidget::changeEvent(event);
}

}  // namespace orkan
