// The terminal of a session window: the screen and status line (TerminalFrame), the session's View
// on them (QtView), and the input over them — keys, mouse buttons with the selection they make, the
// wheel — turned into calls on its owner. It paints cells and reads input; menus, the key map and
// the runtime are its owner's business.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <memory>
#include <optional>

#include "gui/mouse_selection.h"
#include "gui/qt_view.h"
#include "gui/terminal_frame.h"

class QKeyEvent;
class QMouseEvent;

namespace orkan {

struct Session;

// The mouse buttons as keys of the keyboard map.
enum class MouseKey : uint8_t {
    LeftClick,
    RightClick,
    LeftDoubleClick,
    RightDoubleClick,
    MiddleClick,
    MiddleDoubleClick,
    BackClick,
    ForwardClick
};

// What the terminal asks of whoever joins it to the session (the session controller; tests record).
class TerminalInput {
  public:
    virtual ~TerminalInput() = default;
    // A key press or release for the key map.
    virtual void KeyInput(QKeyEvent* event) = 0;
    virtual void MouseButtonKey(MouseKey key, bool down, MouseModifiers modifiers) = 0;
    virtual void Wheel(int delta) = 0;
    // A key function the terminal itself runs (the Cut, Copy and Paste of a dragged selection).
    virtual void RunKey(uint16_t code) = 0;
    virtual bool ClipboardAvailable() const = 0;
    // A mouse selection ended with "ENABLEAUTOCUT/COPY" on: Copy, or Cut when `cut`.
    virtual void AutoCopy(bool cut) = 0;
    // The button went up on a selection the mouse made (before any auto copy): a recording writes it.
    virtual void MouseSelectionMade() {}
    // The Alt keys: whether they belong to the menus (USEALTFORMENU with a menu bar shown), whether
    // the key map gives the left or right one nothing to do, and the menu bar opened by a lone Alt.
    virtual bool AltKeysForMenu() const = 0;
    virtual bool AltKeyFree(bool right) const = 0;
    virtual void OpenMenuBar() = 0;
    // Ctrl+Shift+M while the menu bar is hidden: true when it was brought back (the key is taken).
    virtual bool RestoreHiddenMenuBar() = 0;
    // A click on the status line's padlock, a right click on the status line.
    virtual void ShowTlsInformation() = 0;
    virtual void ShowWindowMenu(const QPoint& global) = 0;
};

class TerminalView final : public QObject {
  public:
    TerminalView(Session& session, TerminalInput& input);
    ~TerminalView() override;

    // The widget the window shows; owned by the window it is put into.
    TerminalFrame& Frame() { return *frame_; }
    QtView& View() { return *view_; }

    // The cell under the mouse at the last button press.
    std::optional<MouseCell> LastMouseCell() const { return last_mouse_cell_; }

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool TerminalEvent(QEvent* event);
    bool TerminalKey(QEvent* event);
    void MousePress(QMouseEvent* event, bool double_click);
    void MouseMove(QMouseEvent* event);
    void MouseRelease(QMouseEvent* event);
    void Drop(const DropRequest& drop);
    MouseOptions CurrentMouseOptions() const;

    Session& session_;
    TerminalInput& input_;
    QPointer<TerminalFrame> frame_;  // deleted by the window it is put into
    // What the filter watches, compared by address only: while the frame is being destroyed its
    // children still send events, and the frame is then no longer a TerminalFrame.
    const QObject* watched_terminal_ = nullptr;
    const QObject* watched_status_ = nullptr;
    std::unique_ptr<QtView> view_;
    MouseSelection mouse_;
    std::optional<MouseCell> last_mouse_cell_;
    bool alt_alone_ = false;
    bool alt_right_ = false;
};

}  // namespace orkan
