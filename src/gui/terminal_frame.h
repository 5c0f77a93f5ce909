// The terminal area and the status line of a session window as one widget: it chooses the cell
// size for its size (or the size it should take when the window follows the font), builds the
// faces and places the screen and the status line. It never asks for more than the display has
// room for, and a cell the display cannot hold is fitted to the room there is.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "display/display_state.h"
#include "display/screen_layout.h"
#include "gui/status_line_widget.h"
#include "gui/terminal_sizing.h"
#include "gui/terminal_widget.h"

namespace orkan {

struct Session;

enum class FontStepResult : uint8_t {
    Done,
    AtLimit,  // the font limits of orkan.ini refuse it
    NoRoom,   // the screen would no longer fit on the display
};

class TerminalFrame : public QWidget {
  public:
    explicit TerminalFrame(Session& session, QWidget* parent = nullptr);

    TerminalWidget& Terminal() { return *terminal_; }
    StatusLineWidget& StatusBar() { return *status_; }
    DisplayState& State() { return state_; }
    CellSize Cell() const { return cell_; }

    // One font step; anything but Done leaves everything as it was.
    [[nodiscard]] FontStepResult StepFont(FontStep step);
    // The screen changed between its default and alternate size.
    void ScreenSizeChanged();
    // FONTNAME, TRUETYPE, TRUETYPEFONTNAME, SIZE, BORDERSIZE or SIZEWINDOWTOFONT changed.
    void FontSettingsChanged();

    // The size that holds the screen and the status line at the current cell size.
    QSize sizeHint() const override;
    // The size the frame should have; the owner resizes (never beyond `room`).
    std::function<void(QSize)> on_size_wanted;
    // The largest size the display has room for (the window's screen, less its frame, menu bar and
    // tool bar); unset or an empty size: no limit known.
    std::function<QSize()> room;
    // The screen cannot be shown whole even at the smallest cell: the text says why.
    std::function<void(const QString&)> on_cannot_show;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    LayoutInput Input() const;
    std::optional<FrameSize> Room() const;
    // `chosen`: the cell that results is the user's choice (a font step, settings, a size the user
    // gave the window), which a mode switch that keeps the font carries.
    void Relayout(SizingInput sizing, bool chosen);

    Session& session_;
    DisplayState state_;
    TerminalWidget* terminal_;
    StatusLineWidget* status_;
    std::shared_ptr<const TerminalFonts> fonts_;
    CellSize cell_;
    // The cell the user chose (by a font step or the window's size), which the display's room may
    // have made smaller for a while: a mode switch that keeps the font carries this one.
    CellSize chosen_cell_;
    uint8_t laid_out_mode_ = 255;                    // the size mode the current cell belongs to
    std::array<std::optional<QSize>, 3> mode_size_;  // the frame's size when each mode was left
    bool resizing_ = false;                          // a size this frame asked for is being given
    std::optional<QSize> asked_size_;                // the size asked for last, until it arrives
    QString cannot_show_told_;                       // the last "cannot show" text, so it is told once
    QString family_;
    QString ge_family_;
};

}  // namespace orkan
