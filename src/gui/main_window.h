// The session window around the terminal: the menu bar from its table, the tool bar and the keypad
// window from the key files, the window's own menu (hide or show the tool bar and the menu bar), its
// place on the desktop kept with the session, and its arrangement among the other sessions. What
// an item or button runs, and whether the window may close, is asked of its host.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "display/screen_layout.h"
#include "gui/button_panel.h"
#include "gui/menu_table.h"
#include "keyboard/key_files.h"
#include "session/session_frame.h"

class QMenu;
class QToolBar;

namespace orkan {

struct Session;
class QtUi;

// What the window asks of the session controller (tests record it).
class MainWindowHost {
  public:
    virtual ~MainWindowHost() = default;
    // A menu item: its key function; `options_page` (1-9) is where an options dialog it opens
    // starts, 0 for none.
    virtual void RunMenuKey(uint16_t code, int options_page) = 0;
    // A tool bar or keypad button: its key function (a macro of the button's own file).
    virtual void RunButtonKey(KeyFileKind kind, uint16_t code) = 0;
    // A menu command without a key function (3000-3999).
    virtual void RunMenuCommand(uint16_t id) = 0;
    // A Window > Session item: the session as the menu showed it.
    virtual void SessionChosen(const SessionListItem& session) = 0;
    // The window's close path; true when the window may go.
    virtual bool WindowClosing() = 0;
    virtual KeyBindings Bindings() const = 0;
    virtual std::vector<SessionListItem> Sessions() const = 0;
    virtual bool Available(MenuNeeds needs) const = 0;
    virtual bool TraceActive() const = 0;
};

class MainWindow : public QMainWindow {
  public:
    MainWindow(Session& session, QtUi& ui, MainWindowHost& host, QWidget* terminal);
    ~MainWindow() override;

    // The menu bar from its table: 1 build and set, 2 bring up to date (in place), 4 remove.
    void BuildMenuBar(int mode);
    void OnMenuCommand(uint16_t id);

    // The tool bar and keypad from their files (the keyboard's button files).
    void SetToolBar(const PanelLayout& layout);
    void SetKeyPad(const PanelLayout& layout);
    void ToggleKeyPad();
    // Tool bar buttons of capture on/off show whether it is on.
    void ShowCaptureState(bool on);
    // The Trace item's check mark, when the trace has stopped (or started) other than by the item.
    void ShowTraceState(bool on);
    QWidget* KeyPadWindow() const { return keypad_window_; }
    QToolBar* ToolBar() const { return tool_bar_; }

    // The window's own menu: "Hide/Show Tool Bar", "Hide/Show Menu Bar". Offered by a right click on
    // the menu bar, tool bar and status line; Ctrl+Shift+M brings a hidden menu bar back.
    QMenu* WindowMenu();
    void ShowWindowMenuAt(const QPoint& global);
    void SetToolBarShown(bool shown);
    void SetMenuBarShown(bool shown);
    bool MenuBarShown() const { return menu_bar_shown_; }
    // A lone Alt: the menu bar takes the keyboard at its first menu.
    void OpenMenuBar();

    // Placement at start-up from the session record; stores where the window is now.
    void PlaceFromRecord(int same_name_sessions);
    void RememberPlacement();
    // Arrangement asked for by this or another session; the window comes forward (SHOWWINDOWONUPDATE).
    void Arrange(Arrangement what, int64_t value);
    void BringForward();
    // The terminal asks for a size of its own (the window follows the font); the window takes it,
    // no larger than its screen's work area, and stays on that screen.
    void TerminalSizeWanted(QWidget* terminal, QSize size);
    // The largest size the terminal can have in this window on its screen: the work area less the
    // window system's frame, the menu bar and the tool bar. A maximised or full-screen window
    // cannot grow: its terminal keeps the size it has.
    QSize TerminalRoom(const QWidget* terminal) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QSize Chrome(const QWidget* terminal) const;  // what the window adds around its terminal

    Session& session_;
    QtUi& ui_;
    MainWindowHost& host_;
    QToolBar* tool_bar_ = nullptr;
    std::vector<QAction*> capture_buttons_;
    bool trace_checked_ = false;
    ButtonPanel* keypad_window_ = nullptr;  // made with the first keypad file, then kept
    qsizetype tool_buttons_ = 0;
    bool tool_bar_shown_ = true;
    bool menu_bar_shown_ = true;
    // The sessions the Window menu shows, in its order: the list may have changed since (a killed
    // session tells nobody), and an item must reach the session it names.
    std::vector<SessionListItem> menu_sessions_;
    QTimer settle_timer_;  // the pause after a move or resize before the new place is taken
    bool placed_ = false;
    struct Cascade {
        QPoint own_place;                // where the session's own place put the window
        std::optional<QPoint> shown_at;  // where the cascaded window stood when first taken
    };
    std::optional<Cascade> cascade_;  // while the window stands where the cascade put it
};

}  // namespace orkan
