// The session window and its terminal over a session, with a host that records what they ask: the
// status line reaching the window, menu commands into key functions with their options page, the
// window's own menu, keys that never reach Qt's focus chain, the Alt rules, the mouse.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QPointingDevice>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>

#include "clipboard/clipboard.h"
#include "display/display_fixture.h"
#include "gui/main_window.h"
#include "gui/menu_bar.h"
#include "gui/qt_ui.h"
#include "gui/terminal_view.h"
#include "gui/window_placement.h"

namespace orkan {
namespace {

// The session side of a window, recording what the window and its terminal ask of it.
class RecordingHost : public TerminalInput, public MainWindowHost {
  public:
    explicit RecordingHost(Session& s) : session(s) {}
    Session& session;
    Clipboard copying{session};
    MainWindow* window = nullptr;
    std::vector<uint16_t> keys_run;
    std::vector<int> pages_seen;
    std::vector<std::pair<QEvent::Type, int>> key_events;
    std::vector<std::pair<MouseKey, bool>> mouse_keys;
    std::vector<int> wheel;
    bool clipboard = false;

    void KeyInput(QKeyEvent* e) override { key_events.emplace_back(e->type(), e->key()); }
    void MouseButtonKey(MouseKey key, bool down, MouseModifiers) override {
        mouse_keys.emplace_back(key, down);
    }
    void Wheel(int delta) override { wheel.push_back(delta); }
    void RunKey(uint16_t code) override { keys_run.push_back(code); }
    bool ClipboardAvailable() const override { return clipboard; }
    void AutoCopy(bool cut) override { copying.MouseSelectionFinished(cut); }
    bool AltKeysForMenu() const override {
        return session.record.Flag(field::UseAltForMenu) && window->MenuBarShown();
    }
    bool AltKeyFree(bool) const override { return true; }
    void OpenMenuBar() override { window->OpenMenuBar(); }
    bool RestoreHiddenMenuBar() override {
        if (window->MenuBarShown()) return false;
        window->SetMenuBarShown(true);
        return true;
    }
    void ShowTlsInformation() override {}
    void ShowWindowMenu(const QPoint&) override {}

    std::function<void()> on_menu_key;
    std::vector<SessionListItem> sessions;
    std::string chosen;  // the letters of the Window > Session items chosen

    void RunMenuKey(uint16_t code, int page) override {
        keys_run.push_back(code);
        pages_seen.push_back(page);
        if (on_menu_key) on_menu_key();
    }
    void RunButtonKey(KeyFileKind, uint16_t code) override { RunMenuKey(code, 0); }
    void RunMenuCommand(uint16_t) override {}
    void SessionChosen(const SessionListItem& s) override { chosen.push_back(s.letter); }
    bool WindowClosing() override { return true; }
    KeyBindings Bindings() const override { return {}; }
    std::vector<SessionListItem> Sessions() const override { return sessions; }
    bool Available(MenuNeeds) const override { return true; }
    bool TraceActive() const override { return false; }
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        d.s.record.SetNumber(field::ScreenBuffers, 5);
        terminal = std::make_unique<TerminalView>(d.s, host);
        window = std::make_unique<MainWindow>(d.s, ui, host, &terminal->Frame());
        host.window = window.get();
        previous_view = d.s.view;
        d.s.view = &terminal->View();
        window->resize(900, 700);
        window->show();
    }
    void TearDown() override {
        d.s.view = previous_view;
        window.reset();
        terminal.reset();
    }
    void SendKey(QKeyEvent* event) { terminal->eventFilter(Term(), event); }
    QWidget* Term() { return &terminal->Frame().Terminal(); }

    // Events carry devices of the test's own: Qt's default devices would outlive the application
    // object of the test program and break its exit.
    QKeyEvent Key(QEvent::Type type, int key, Qt::KeyboardModifiers mods) {
        return QKeyEvent(type, key, mods, 0, 0, 0, QString(), false, 1, &keyboard);
    }

    test::DisplaySession d{24, 80};
    QtUi ui;
    QInputDevice keyboard{"test keyboard", 9001, QInputDevice::DeviceType::Keyboard};
    QPointingDevice mouse_device{"test mouse",
                                 9002,
                                 QInputDevice::DeviceType::Mouse,
                                 QPointingDevice::PointerType::Generic,
                                 QInputDevice::Capability::Position,
                                 1,
                                 5};
    RecordingHost host{d.s};
    View* previous_view = nullptr;
    std::unique_ptr<TerminalView> terminal;
    std::unique_ptr<MainWindow> window;
};

TEST_F(WindowTest, MenuCommandsRunTheirKeyWithTheOptionsPage) {
    window->OnMenuCommand(1208);  // Colors: Oper 2, page 4
    window->OnMenuCommand(1203);  // Larger Font
    window->OnMenuCommand(1107);  // Copy Apend No CR
    EXPECT_EQ(host.keys_run,
              (std::vector<uint16_t>{MakeKeyCode(KeyCategory::Oper, 2), MakeKeyCode(KeyCategory::Oper, 4),
                                     MakeKeyCode(KeyCategory::Edit, 63)}));
    EXPECT_EQ(host.pages_seen, (std::vector<int>{4, 0, 0}));
}

// A dialog opened from a menu item, a tool bar button or a keypad button runs its own event loop
// inside the item's trigger. Sessions starting and ending meanwhile rebuild the menus, and new key
// files the bars: what the trigger came from must still be there when the dialog returns.
TEST_F(WindowTest, WhatOpenedADialogOutlivesRebuildsWhileItIsOpen) {
    const uint16_t options = MakeKeyCode(KeyCategory::Oper, 2);
    // A "&" in a user's label is shown, not taken as a mnemonic mark that hides it.
    PanelLayout two{2, 1, {{options, 0, 0, 1, 1, "Opt", "", true}, {options, 1, 0, 1, 1, "R&D", "", true}}};
    PanelLayout one{1, 1, {{options, 0, 0, 1, 1, "Other", "", true}}};
    window->SetToolBar(two);
    window->SetKeyPad(two);
    host.on_menu_key = [&] {
        QDialog dialog(window.get());
        QTimer::singleShot(0, &dialog, [&] {
            for (const auto& list : {std::vector<SessionListItem>{{'A', "a", true}, {'B', "b", false}},
                                     std::vector<SessionListItem>{{'B', "b", true}}}) {
                host.sessions = list;
                window->BuildMenuBar(2);
            }
            window->SetToolBar(one);
            window->SetKeyPad(one);
            dialog.accept();
        });
        dialog.exec();
    };
    QMenuBar* bar = window->menuBar();
    QAction* item = FindMenuAction(*bar, 1504);  // Options > Options
    ASSERT_NE(item, nullptr);
    QPointer<QMenu> menu = qobject_cast<QMenu*>(item->parent());
    QPointer<QWidget> tool_button = window->ToolBar()->widgetForAction(window->ToolBar()->actions().at(1));
    QPointer<QPushButton> pad_button = window->KeyPadWindow()->findChildren<QPushButton*>().at(1);
    QAccessibleInterface* pad = QAccessible::queryAccessibleInterface(window->KeyPadWindow());
    ASSERT_NE(pad, nullptr);
    EXPECT_EQ(pad->role(), QAccessible::Window) << "a screen reader finds the keypad as a window";
    for (QWidget* button : {tool_button.data(), static_cast<QWidget*>(pad_button.data())})
        EXPECT_EQ(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name), "R&D");
    struct Case {
        const char* source;
        std::function<void()> press;
        std::function<bool()> still_there;
    };
    const Case cases[] = {
        {"menu item by Return",
         [&] {
             menu->popup(QPoint(0, 0));
             menu->setActiveAction(item);
             QKeyEvent press = Key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
             QApplication::sendEvent(menu, &press);
         },
         [&] { return !menu.isNull() && FindMenuAction(*window->menuBar(), 1504) == item; }},
        {"tool bar button", [&] { qobject_cast<QAbstractButton*>(tool_button.data())->click(); },
         [&] { return !tool_button.isNull(); }},
        {"keypad button", [&] { pad_button->click(); }, [&] { return !pad_button.isNull(); }},
    };
    for (const Case& c : cases) {
        host.keys_run.clear();
        window->SetToolBar(two);
        window->SetKeyPad(two);
        c.press();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(host.keys_run, std::vector<uint16_t>{options}) << c.source;
        EXPECT_TRUE(c.still_there()) << c.source;
    }
    // The session list shows the sessions there are now, and nothing of those that went.
    EXPECT_NE(FindMenuAction(*bar, 2000), nullptr);
    EXPECT_EQ(FindMenuAction(*bar, 2001), nullptr);
    EXPECT_EQ(window->menuBar(), bar);
}

// A session that ends without a word (killed) leaves the Window menu as it was: an item still
// reaches the session it names, not the one that has moved up to its place in the list.
TEST_F(WindowTest, AWindowMenuItemReachesTheSessionItNames) {
    host.sessions = {{'A', "a", true}, {'B', "b", false}, {'C', "c", false}};
    window->BuildMenuBar(2);
    host.sessions = {{'A', "a", true}, {'C', "c", false}};
    QAction* c = FindMenuAction(*window->menuBar(), menu_id::SessionListFirst + 2);
    ASSERT_NE(c, nullptr);
    c->trigger();
    EXPECT_EQ(host.chosen, "C");
}

// Beside a running session of the same name the window stands a cascade step off the session's
// place, start after start, and the place the session keeps is its own until the user moves it.
TEST_F(WindowTest, ACascadedWindowKeepsTheSessionsPlace) {
    StorePlacement(d.s.record, {{100, 120, 400, 300}, false}, true);
    const int step = d.s.settings.CascadeX;
    for (int start = 1; start <= 3; ++start) {
        TerminalView view(d.s, host);
        MainWindow w(d.s, ui, host, &view.Frame());
        w.PlaceFromRecord(1);
        w.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(w.pos(), QPoint(100 + step, 120 + step)) << start;
        w.RememberPlacement();
        EXPECT_EQ(StoredPlacement(d.s.record).frame, (ScreenRect{100, 120, 400, 300})) << start;
        if (start == 3) {
            w.move(300, 200);
            QCoreApplication::processEvents();
            w.RememberPlacement();
            EXPECT_EQ(StoredPlacement(d.s.record).frame, (ScreenRect{300, 200, 400, 300}));
        }
    }
    ui.SetParent(window.get());
}

TEST_F(WindowTest, WindowMenuHidesAndShowsTheBars) {
    auto texts = [&] {
        std::unique_ptr<QMenu> m(window->WindowMenu());
        QStringList t;
        for (QAction* a : m->actions()) t << a->text();
        return t;
    };
    EXPECT_EQ(texts(), (QStringList{"Hide Tool Bar", "Hide Menu Bar"}));
    window->OnMenuCommand(menu_id::ToggleMenuBar);
    EXPECT_FALSE(window->menuWidget()->isVisible());
    EXPECT_EQ(texts(), (QStringList{"Hide Tool Bar", "Show Menu Bar"}));
    // Ctrl+Shift+M brings a hidden menu bar back, and is not a key of the keyboard map then.
    QKeyEvent press = Key(QEvent::KeyPress, Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    SendKey(&press);
    EXPECT_TRUE(window->menuWidget()->isVisible());
    EXPECT_TRUE(host.key_events.empty());
}

TEST_F(WindowTest, KeysStayWithTheTerminalAndAltFollowsTheOption) {
    Term()->setFocus();
    struct Case {
        bool use_alt_for_menu;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        bool to_key_map;
    };
    const Case cases[] = {
        {true, Qt::Key_F, Qt::AltModifier, false},                       // the menus' mnemonic
        {true, Qt::Key_F10, Qt::AltModifier, true},                      // F10 is always a key
        {true, Qt::Key_F1, Qt::AltModifier, true},                       // PA1: no menu takes it
        {true, Qt::Key_Print, Qt::AltModifier, true},                    // SysReq
        {true, Qt::Key_F, Qt::AltModifier | Qt::ControlModifier, true},  // AltGr
        {false, Qt::Key_F, Qt::AltModifier, true},
        {true, Qt::Key_A, Qt::NoModifier, true},
        {true, Qt::Key_Tab, Qt::NoModifier, true},  // never to Qt's focus chain
        {true, Qt::Key_Backtab, Qt::ShiftModifier, true},
    };
    for (const Case& c : cases) {
        d.s.record.SetNumber(field::UseAltForMenu, c.use_alt_for_menu ? 1 : 0);
        QKeyEvent over = Key(QEvent::ShortcutOverride, c.key, c.mods);
        over.ignore();
        SendKey(&over);
        EXPECT_EQ(over.isAccepted(), c.to_key_map) << c.key;
        host.key_events.clear();
        QKeyEvent press = Key(QEvent::KeyPress, c.key, c.mods);
        SendKey(&press);
        EXPECT_EQ(host.key_events.size(), c.to_key_map ? 1u : 0u) << c.key;
    }
}

TEST_F(WindowTest, MouseButtonsSelectionAndWheel) {
    d.s.record.SetNumber(field::MouseMoveBeforeSelection, 1);
    d.s.record.SetNumber(field::EnableAutoCutCopy, 1);
    host.clipboard = true;
    for (uint32_t row = 2; row <= 4; ++row) d.Text(row * 80 + 3, std::string(8, char('A' + row)));
    const QRect a = terminal->Frame().Terminal().CellRect(2, 3);
    const QRect b = terminal->Frame().Terminal().CellRect(4, 10);
    auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, at, Term()->mapToGlobal(at), button, held, Qt::NoModifier, &mouse_device);
        terminal->eventFilter(Term(), &e);
    };
    mouse(QEvent::MouseButtonPress, a.center(), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, b.center(), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, b.center(), Qt::LeftButton, Qt::NoButton);
    // The release copied (auto copy) straight to the clipboard, not as a key; both button edges
    // went to the key map as the left click key.
    EXPECT_EQ(d.ui.ClipboardText(), "CCCCCCCC\nDDDDDDDD\nEEEEEEEE");
    EXPECT_TRUE(host.keys_run.empty());
    EXPECT_EQ(host.mouse_keys, (std::vector<std::pair<MouseKey, bool>>{{MouseKey::LeftClick, true},
                                                                       {MouseKey::LeftClick, false}}));
    // The cell of the last press, where Oper 13 moves the cursor.
    EXPECT_EQ(terminal->LastMouseCell(), (MouseCell{2, 3}));

    host.mouse_keys.clear();
    mouse(QEvent::MouseButtonDblClick, a.center(), Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(host.mouse_keys, (std::vector<std::pair<MouseKey, bool>>{{MouseKey::RightDoubleClick, true}}));

    QWheelEvent wheel(QPointF(a.center()), QPointF(Term()->mapToGlobal(a.center())), QPoint(), QPoint(0, 40),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false, Qt::MouseEventNotSynthesized,
                      &mouse_device);
    terminal->eventFilter(Term(), &wheel);
    EXPECT_EQ(host.wheel, (std::vector<int>{40}));
}

TEST(WindowPlacementTest, StoredPlaceKeptOnAScreen) {
    const std::vector<ScreenRect> screens = {{0, 0, 1920, 1050}, {1920, 0, 1280, 1000}};
    const std::vector<ScreenRect> laptop = {{0, 0, 1366, 740}};
    struct Case {
        ScreenRect stored;
        int same_name;
        ScreenRect want;
        const std::vector<ScreenRect>* on = nullptr;  // none: the two screens
    };
    const Case cases[] = {
        {{100, 50, 800, 600}, 0, {100, 50, 800, 600}},  // on either screen
        {{2000, 10, 800, 600}, 0, {2000, 10, 800, 600}},
        {{5000, 20, 800, 600}, 0, {1942, 22, 800, 600}},  // beyond the right one
        {{-900, -900, 800, 600}, 0, {22, 22, 800, 600}},  // above and left of the first
        {{100, 50, 800, 600}, 2, {144, 94, 800, 600}},    // two sessions of that name run already
        // Stored on a larger display, opened on a 1366x768 laptop: the whole window on the screen.
        {{100, 50, 1600, 1000}, 0, {0, 0, 1366, 740}, &laptop},
        {{900, 300, 800, 600}, 0, {566, 140, 800, 600}, &laptop},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceOnScreens({c.stored, false}, c.on ? *c.on : screens, c.same_name, 22, 22).frame,
                  c.want)
            << c.stored.left << "," << c.stored.top;
}

TEST(WindowPlacementTest, WaylandKeepsTheStoredPositionAndMaximisedKeepsTheSize) {
    test::DisplaySession d;
    StorePlacement(d.s.record, {{-10, 20, 700, 500}, false}, true);
    EXPECT_EQ(StoredPlacement(d.s.record), (WindowPlacement{{-10, 20, 700, 500}, false}));
    StorePlacement(d.s.record, {{300, 300, 640, 480}, false}, false);  // position unknown
    EXPECT_EQ(StoredPlacement(d.s.record), (WindowPlacement{{-10, 20, 640, 480}, false}));
    StorePlacement(d.s.record, {{0, 0, 1920, 1080}, true}, true);
    EXPECT_EQ(StoredPlacement(d.s.record), (WindowPlacement{{-10, 20, 640, 480}, true}));
}

}  // namespace
}  // namespace orkan
