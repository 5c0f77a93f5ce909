// The terminal area and the status line of a session window as one widget: it chooses the cell
// size for its size (or the size it should take when the window follows the font), builds the
// faces and places the screen and the status line.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "display/display_state.h"
#include "display/screen_layout.h"
#include "gui/status_line_widget.h"
#include "gui/terminal_widget.h"

namespace orkan {

struct Session;

class TerminalFrame : public QWidget {
public:
    explicit TerminalFrame(Session& session, QWidget* parent = nullptr);

    TerminalWidget& Terminal() { return *terminal_; }
    StatusLineWidget& StatusBar() { return *status_; }
    DisplayState& State() { return state_; }
    CellSize Cell() const { return cell_; }

    // One font step; false (and nothing changes) when a limit refuses it.
    [[nodiscard]] bool StepFont(FontStep step);
    // The screen changed between its default and alternate size.
    void ScreenSizeChanged();
    // FONTNAME, TRUETYPE, TRUETYPEFONTNAME, SIZE, BORDERSIZE or SIZEWINDOWTOFONT changed.
    void FontSettingsChanged();

    // The size that holds the screen and the status line at the current cell size.
    QSize sizeHint() const override;
    // The size the frame should have: with SIZEWINDOWTOFONT after every change of the cell size,
    // and with KEEPFONTCONSTANTONMODESWITCH after a change of the screen size. The owner resizes.
    std::function<void(QSize)> on_size_wanted;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    LayoutInput Input() const;
    void Relayout(bool window_resized);

    Session& session_;
    DisplayState state_;
    TerminalWidget* terminal_;
    StatusLineWidget* status_;
    std::shared_ptr<const TerminalFonts> fonts_;
    CellSize cell_;
    uint8_t laid_out_mode_ = 255;  // the size mode the current cell belongs to
    QString family_;
    QString ge_family_;
};

}  // namespace orkan
