// The status window under the screen: draws the status text cell by cell with the terminal's
// faces and the symbols with our own shapes, and repaints only the runs of cells that changed.
#pragma once

#include <QRect>
#include <QWidget>
#include <memory>

#include "display/screen_layout.h"
#include "display/status_line.h"
#include "gui/fonts.h"

namespace orkan {

struct Session;

// Where the parts of the status window go. From the top: a separator line, one pixel of the
// window's colour, the sunken frame, one clear pixel, the text one cell high, one clear pixel, the
// frame and one pixel of the window's colour: kStatusLineExtra pixels besides the cell. The text
// starts half a cell and the border in, unless the line would then run into the frame; a window
// too narrow for the cells at the terminal's width gets narrower status cells, never cut ones.
struct StatusGeometry {
    QRect frame;  // the frame's outer rectangle (one-pixel lines)
    int text_left = 0;
    int text_top = 0;
    CellSize cell;  // the status line's own cell: the terminal's height, a width that fits
    QRect CellRect(size_t i) const {
        return {text_left + int(i) * cell.width, text_top, cell.width, cell.height};
    }
};
inline constexpr int kStatusTextTop = 4;
StatusGeometry StatusLayout(int width, CellSize terminal_cell, int border, uint32_t columns);

class StatusLineWidget : public QWidget {
  public:
    explicit StatusLineWidget(const Session& session, QWidget* parent = nullptr);

    void SetFonts(std::shared_ptr<const TerminalFonts> fonts);
    // Takes the new text and repaints the cells that differ from the shown one (the whole
    // window with `full_paint`, the StatusBarFullPaint setting).
    void ShowText(const StatusText& text, bool full_paint);
    const StatusText& Text() const { return line_.Text(); }
    // The session's state in words, a screen reader's name for the status line; a change is
    // announced when the text is shown.
    QString SpokenText() const;

    StatusGeometry Geometry() const;
    QRect CellRect(size_t cell) const { return Geometry().CellRect(cell); }
    // Where the TLS information can be opened: cell 2 while TLS is active, else empty.
    QRect TlsIndicatorRect() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // The faces at the status line's own cell (the terminal's, unless the window is too narrow).
    const TerminalFonts& FontsFor(CellSize cell);

    const Session& session_;
    std::shared_ptr<const TerminalFonts> fonts_;
    std::shared_ptr<const TerminalFonts> narrow_fonts_;
    StatusLine line_;
    QString spoken_;  // as last announced
};

}  // namespace orkan
