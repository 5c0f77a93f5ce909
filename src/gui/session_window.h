// The session window of the desktop program: menu bar, tool bar, the terminal and status line
// (TerminalFrame) and the keypad window; mouse, wheel and keys over the terminal; the window's
// place kept with the session. What needs the session runtime or the keyboard is reached through
// the virtual functions below, which the desktop program fills in (and tests record).
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "session/session_hooks.h"
#include "gui/button_panel.h"
#include "gui/menu_table.h"
#include "gui/mouse_selection.h"
#include "gui/qt_view.h"
#include "gui/terminal_frame.h"
#include "gui/window_placement.h"

class QKeyEvent;
class QMenu;
class QToolBar;

namespace orkan {

struct Session;
class QtUi;
class SessionWindow;

// The session's View: the terminal frame's repaints, plus what the window itself does for the
// session (sounds, coming forward, the screen that unlocked the keyboard).
class DesktopView final : public View {
public:
    DesktopView(QtView& view, SessionWindow& window) : view_(view), window_(window) {}
    void RepaintAll() override;
    void ScreenSizeChanged() override;
    void RepaintChangedRows() override;
    void CursorMoved() override;
    void RefreshStatusLine() override;
    void PlaySound(Sound sound) override;
    void ShowWindowOnUpdate() override;
    void KeyboardUnlocked() override;

private:
    QtView& view_;
    SessionWindow& window_;
};

// The mouse buttons as keys of the keyboard map.
enum class MouseKey : uint8_t { LeftClick, RightClick, LeftDoubleClick, RightDoubleClick, MiddleClick,
                                MiddleDoubleClick, BackClick, ForwardClick };

class SessionWindow : public QMainWindow {
public:
    SessionWindow(Session& session, QtUi& ui);
    ~SessionWindow() override;

    Session& session() { return session_; }
    const Session& session() const { return session_; }
    TerminalFrame& Frame() { return *frame_; }
    QtView& Terminal() { return *view_; }

    // The menu bar from its table: 1 build and set, 2 build anew and replace, 4 remove.
    void BuildMenuBar(int mode);
    void OnMenuCommand(uint16_t id);
    // The options page the menu item chose, taken by the next options dialog (0: none).
    int TakeOptionsPage();

    // The tool bar and keypad from their files (the keyboard's button files).
    void SetToolBar(const PanelLayout& layout);
    void SetKeyPad(const PanelLayout& layout);
    void ShowKeyPad();
    QWidget* KeyPadWindow() const { return keypad_window_; }
    QToolBar* ToolBar() const { return tool_bar_; }

    // The window's own menu: "Hide/Show Tool Bar", "Hide/Show Menu Bar". Offered by a right click on
    // the menu bar, tool bar and status line; Ctrl+Shift+M brings a hidden menu bar back.
    QMenu* WindowMenu();
    void SetToolBarShown(bool shown);
    void SetMenuBarShown(bool shown);
    bool MenuBarShown() const { return menu_bar_shown_; }

    // The options dialog at `page` (1-9; 0 the page a menu item chose, else the last one shown); on
    // OK the session takes the new settings.
    void ShowOptionsDialog(int page);
    void ApplyOptions(const SessionRecord& changed);
    void ShowTlsInformation();

    // Placement at start-up from the session record.
    void PlaceFromRecord(int same_name_sessions);
    // Stores where the window is now into the session record.
    void RememberPlacement();

    // The cell under the mouse at the last button press (Oper 13 and 14 move the cursor there).
    std::optional<MouseCell> LastMouseCell() const { return last_mouse_cell_; }
    void MoveCursorToMouse();

    // What the View reports.
    void OnScreenChanged();       // rows painted after host data
    void OnKeyboardUnlocked();
    void OnShowWindowOnUpdate();

    // Testing and benchmarks: when set, the time of the first host screen painted is printed on
    // stderr ("ORKAN_FIRST_PAINT_NS" environment variable), and every screen that unlocks the
    // keyboard is written as a PNG ("ORKAN_SCREENSHOT") and as text ("ORKAN_SCREEN_TEXT").
    void SetFirstPaintReport(bool on) { report_first_paint_ = on; }
    void SetScreenshotPath(const QString& path) { screenshot_path_ = path; }
    void SetScreenTextPath(const QString& path) { screen_text_path_ = path; }
    void SaveScreenshot(const QString& path);

protected:
    // The session around the window. Defaults: nothing (tests override what they observe).
    virtual void RunKey(uint16_t code) { (void)code; }
    // A key event over the terminal; true when it was taken.
    virtual bool KeyInput(QKeyEvent* event) {
        (void)event;
        return false;
    }
    virtual void Wheel(int delta) { (void)delta; }
    virtual void MouseButtonKey(MouseKey key, bool down, MouseModifiers modifiers) {
        (void)key;
        (void)down;
        (void)modifiers;
    }
    // Whether the key map gives the left or right Alt key no function (a lone Alt then opens the menu).
    virtual bool AltKeyFree(bool right) const {
        (void)right;
        return true;
    }
    virtual KeyBindings Bindings() const { return {}; }
    virtual std::vector<SessionListItem> Sessions() const { return {}; }
    virtual void SessionChosen(size_t position) { (void)position; }
    virtual bool Available(MenuNeeds needs) const;
    // The close path; true when the window may go.
    virtual bool CloseRequested() { return true; }
    virtual std::optional<std::string> TlsText() const { return std::nullopt; }
    // After the options dialog changed the settings (keyboard country, key files, ...).
    virtual void OptionsApplied(const SessionRecord& before) { (void)before; }
    virtual bool ClipboardAvailable() const { return false; }
    // A menu command without a key function (3000-3999).
    virtual void RunMenuCommand(uint16_t id);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool TerminalEvent(QEvent* event);
    bool TerminalKey(QEvent* event);
    void MousePress(QMouseEvent* event, bool double_click);
    void MouseMove(QMouseEvent* event);
    void MouseRelease(QMouseEvent* event);
    void Drop(const DropRequest& drop);
    MouseOptions CurrentMouseOptions() const;
    void SizeWanted(QSize frame_size);
    void AfterMoveOrResize();
    void ShowWindowMenuAt(const QPoint& global);

    Session& session_;
    QtUi& ui_;
    TerminalFrame* frame_;
    std::unique_ptr<QtView> view_;
    std::unique_ptr<DesktopView> desktop_view_;
    View* previous_view_;

    QToolBar* tool_bar_ = nullptr;
    QPointer<QWidget> keypad_window_;
    bool tool_bar_shown_ = true;
    bool menu_bar_shown_ = true;
    int options_page_ = 0;
    int last_options_page_ = 1;

    MouseSelection mouse_;
    std::optional<MouseCell> last_mouse_cell_;
    bool alt_alone_ = false;
    bool alt_right_ = false;

    QTimer settle_timer_;  // the pause after a move or resize before the new place is taken
    bool placed_ = false;

    bool report_first_paint_ = false;
    bool screen_pending_ = false;
    bool first_paint_reported_ = false;
    QString screenshot_path_;
    QString screen_text_path_;
};

// The clock the start-up benchmark compares with: CLOCK_REALTIME in nanoseconds.
int64_t WallClockNs();

}  // namespace orkan
