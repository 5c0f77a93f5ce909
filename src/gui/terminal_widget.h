// The terminal area of a session window: paints the screen through TerminalPainter, repaints
// only what changed (row bands, the cursor's cells and lines, the selection, blinking rows) and
// maps pixels to cells for the mouse. Keys and mouse buttons are left to the window that owns
// it (an event filter or a subclass).
#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "display/display_state.h"
#include "display/row_bands.h"
#include "gui/accessible_screen.h"
#include "gui/fonts.h"
#include "gui/terminal_painter.h"

namespace orkan {

struct Session;

struct CellPosition {
    uint32_t row = 0;
    uint32_t column = 0;
    bool operator==(const CellPosition&) const = default;
};

class TerminalWidget : public QWidget {
  public:
    TerminalWidget(const Session& session, DisplayState& state, QWidget* parent = nullptr);

    // The faces (and so the cell size) and where the screen's first cell sits in the widget.
    void SetFonts(std::shared_ptr<const TerminalFonts> fonts, QPoint origin);
    const TerminalFonts* Fonts() const { return fonts_.get(); }
    QPoint Origin() const { return origin_; }

    // Pixel to cell: nothing outside the screen; NearestCell clamps, for a selection dragged out.
    std::optional<CellPosition> CellAt(QPoint pixel) const;
    CellPosition NearestCell(QPoint pixel) const;
    QRect CellRect(uint32_t row, uint32_t column) const;
    QRect ScreenRect() const;
    uint32_t Columns() const;

    // What a screen reader is told of the screen.
    AccessibleScreen& Reading() { return reading_; }

    void RepaintRowBands(const std::vector<RowBand>& bands);
    void RepaintAll();
    void CursorMoved();       // the cursor's old and new cells and ruler lines
    void SelectionChanged();  // the old and the new selection rectangle
    void Blink(const BlinkTick& tick);
    void LocateCursor();  // the cursor locator's six steps

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    PaintFrame Frame() const;
    void UpdateCursorPlace(uint32_t address);
    void FollowCursor();  // a cursor moved by a host write leaves its old cell too
    void LocatorStep();

    const Session& session_;
    DisplayState& state_;
    std::shared_ptr<const TerminalFonts> fonts_;
    QPoint origin_;
    std::vector<uint8_t> blink_rows_;  // rows that held blinking text when last painted
    uint32_t drawn_cursor_ = 0;
    QRect drawn_selection_;
    QTimer locator_timer_;
    AccessibleScreen reading_;
};

}  // namespace orkan
