// The status window under the screen: draws the status text cell by cell with the terminal's
// faces and the symbols with our own shapes, and repaints only the runs of cells that changed.
#pragma once

#include <QWidget>
#include <memory>

#include "display/status_line.h"
#include "gui/fonts.h"

namespace orkan {

struct Session;

class StatusLineWidget : public QWidget {
public:
    explicit StatusLineWidget(const Session& session, QWidget* parent = nullptr);

    void SetFonts(std::shared_ptr<const TerminalFonts> fonts);
    // Takes the new text and repaints the cells that differ from the shown one (the whole
    // window with `full_paint`, the StatusBarFullPaint setting).
    void ShowText(const StatusText& text, bool full_paint);
    const StatusText& Text() const { return line_.Text(); }

    QRect CellRect(size_t cell) const;
    // Where the TLS information can be opened: cell 2 while TLS is active, else empty.
    QRect TlsIndicatorRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int Left() const;  // x of cell 0: half a cell and the border

    const Session& session_;
    std::shared_ptr<const TerminalFonts> fonts_;
    StatusLine line_;
};

}  // namespace orkan
