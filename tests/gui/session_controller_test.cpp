// The session controller over a running session without a socket: Qt key events (with the keycode
// the desktop gives) through the Linux key mapping and the standard key map into the screen and
// out to the host; key-up keys; the tool bar from standard.bar; menu accelerators that follow a
// key map loaded after a settings change.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <map>

#include "app/session_core.h"
#include "ds3270/screen_dump.h"
#include "gui_fixture.h"
#include "keyboard/key_files.h"
#include "keyboard/key_functions.h"
#include "options/options_by_name.h"
#include "windowed_session.h"

namespace orkan {
namespace {

// A new tool bar file keeps the actions of the old one and hides those it does not use.
QList<QAction*> ShownActions(const QToolBar& bar) {
    QList<QAction*> shown;
    for (QAction* a : bar.actions())
        if (a->isVisible()) shown << a;
    return shown;
}

// "HELLO" protected, then an unprotected field holding the cursor; keyboard restored.
constexpr std::string_view kPanel = "F5C3 114040 1D60 C8C5D3D3D6 1D40 13 FFEF";

// X11/xkb keycodes (evdev + 8) of the keys the tests press.
constexpr quint32 kKeyA = 38, kKeyF3 = 69, kRightCtrl = 105;

class ControllerTest : public test::WindowedSession {
  protected:
    void SetUp() override {
        StartOn(kPanel);
        controller.Window().resize(900, 700);
    }
    void Press(QEvent::Type type, int key, Qt::KeyboardModifiers mods, quint32 keycode,
               const QString& text = {}) {
        QKeyEvent e(type, key, mods, keycode, 0, 0, text, false, 1, &keyboard);
        controller.Terminal().eventFilter(&controller.Terminal().Frame().Terminal(), &e);
    }
    void Tap(int key, quint32 keycode, const QString& text = {}) {
        Press(QEvent::KeyPress, key, Qt::NoModifier, keycode, text);
        Press(QEvent::KeyRelease, key, Qt::NoModifier, keycode, text);
    }
    std::string FirstRow() {
        const std::string text = DumpScreenText(runtime.session());
        return text.substr(0, text.find('\n'));
    }
    // The menu item `text`, with or without its key after a tab.
    QAction* Item(const QString& text) {
        return Named(controller.Window().menuBar()->findChildren<QAction*>(), text);
    }
    static QAction* Named(const QList<QAction*>& actions, const QString& text) {
        for (QAction* a : actions)
            if (a->text() == text || a->text().startsWith(text + "\t")) return a;
        return nullptr;
    }

    QInputDevice keyboard{"test keyboard", 9101, QInputDevice::DeviceType::Keyboard};
};

TEST_F(ControllerTest, KeysReachTheScreenAndTheHostThroughTheKeyMap) {
    Tap(Qt::Key_A, kKeyA, "a");
    EXPECT_EQ(FirstRow().substr(0, 8), " HELLO a");
    EXPECT_TRUE(sink.sent.empty());

    struct Case {
        const char* name;
        int key;
        quint32 keycode;
        Qt::KeyboardModifiers press_mods;
        const char* aid;
    };
    // Right Ctrl alone is Enter, on its release.
    for (const Case& c : {Case{"F3", Qt::Key_F3, kKeyF3, Qt::NoModifier, "F3"},
                          Case{"Right Ctrl", Qt::Key_Control, kRightCtrl, Qt::ControlModifier, "7D"}}) {
        SCOPED_TRACE(c.name);
        Feed(kPanel);
        sink.sent.clear();
        Press(QEvent::KeyPress, c.key, c.press_mods, c.keycode);
        Press(QEvent::KeyRelease, c.key, Qt::NoModifier, c.keycode);
        EXPECT_EQ(sink.sent.substr(0, 2), c.aid) << sink.sent;
    }
}

// A button whose part this program lacks is shown disabled, as its menu item is; the items of the
// parts built are enabled.
TEST_F(ControllerTest, ItemsAndButtonsOfMissingPartsAloneAreDisabled) {
    std::map<QString, bool> enabled;
    for (QAction* a : controller.Window().ToolBar()->actions()) enabled[a->text()] = a->isEnabled();
    ASSERT_TRUE(enabled.count("Print") && enabled.count("Options") && enabled.count("Enter"));
    EXPECT_EQ(enabled["Print"], controller.session().hooks.print != nullptr);
    EXPECT_TRUE(enabled["Options"]);
    EXPECT_TRUE(enabled["Enter"]);
    // One item of each part.
    for (const char* item : {"&Copy", "&Find", "&Trace", "&Load Debug Screen", "&Make ASM Statements"}) {
        ASSERT_NE(Item(item), nullptr) << item;
        EXPECT_TRUE(Item(item)->isEnabled()) << item;
    }
}

TEST_F(ControllerTest, ClipboardMenuItemsAndButtonsCopyAndPasteThroughTheDesktopClipboard) {
    QAction* copy = Named(controller.Window().ToolBar()->actions(), "Copy");
    QAction* paste = Named(controller.Window().ToolBar()->actions(), "Paste");
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(paste, nullptr);

    // Another program's text, with its CR LF and a character of the host code page outside ASCII.
    QGuiApplication::clipboard()->setText(QString::fromUtf8("ab\u00E9\r\nxy"));
    paste->trigger();
    const std::string screen = DumpScreenText(runtime.session());
    EXPECT_EQ(screen.substr(0, 10), " HELLO ab\xE9") << screen;

    runtime.session().selection = {true, 0, 1, 1, 5};
    copy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "HELLO\n     ");
}

TEST_F(ControllerTest, MenuAcceleratorsFollowAKeyMapLoadedAfterASettingsChange) {
    EXPECT_EQ(Item("&Undo")->text(), "&Undo\tCtrl+Z");
    // A map where Ctrl+U undoes and Ctrl+Z does nothing, saved under another name.
    Session& s = runtime.session();
    constexpr size_t kU = 44, kZ = 75, kCtrl = 2;
    const uint16_t undo = s.keyboard->key_map.Code(kZ, kCtrl);
    s.keyboard->key_map.codes[kU][kCtrl] = undo;
    s.keyboard->key_map.codes[kZ][kCtrl] = MakeKeyCode(KeyCategory::Edit, edit_fn::NoFunction);
    ASSERT_TRUE(SaveKeyFile(s, KeyFileKind::Keytable, folder / "mine.key"));
    ASSERT_TRUE(LoadSessionKeyFiles(s).ok);  // back to the standard map
    EXPECT_EQ(Item("&Undo")->text(), "&Undo\tCtrl+Z");

    SessionRecord changed = s.record;
    ASSERT_TRUE(changed.SetText(field::KeyboardFile, "mine.key"));
    controller.ApplyOptions(changed);
    EXPECT_EQ(Item("&Undo")->text(), "&Undo\tCtrl+U");
}

TEST_F(ControllerTest, TheTraceItemSwitchesTheTraceAndIsUncheckedWhenItStopsOnItsOwn) {
    // Each message box is answered with its default button; its title is kept.
    std::vector<QString> titles;
    const test::ModalAnswers answers([&titles](QWidget& open) {
        auto* box = qobject_cast<QMessageBox*>(&open);
        if (!box) return;
        titles.push_back(box->windowTitle());
        box->defaultButton() ? box->defaultButton()->click() : box->accept();
    });
    controller.Window().OnMenuCommand(menu_command::Trace);
    Feed(kPanel);
    controller.Window().OnMenuCommand(menu_command::Trace);
    EXPECT_FALSE(Item("&Trace")->isChecked());

    // A trace that stops on its own (the disk full) must not stay checked: a click meant to stop it
    // would start a new one over the file that holds what was traced.
    controller.Window().OnMenuCommand(menu_command::Trace);
    ASSERT_TRUE(Item("&Trace")->isChecked());
    // A file size limit makes the next write fail as a full disk would.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto old_handler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = std::filesystem::file_size(folder / "sessionA.trc");
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    runtime.FeedHostData(test::FromHex(kPanel));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, old_handler);
    Feed("");
    EXPECT_EQ(runtime.session().trace.Target(), nullptr);
    EXPECT_EQ(titles,
              (std::vector<QString>{"Trace Started", "Trace Stopped", "Trace Started", "Trace Stopped"}));
    EXPECT_FALSE(Item("&Trace")->isChecked());
}

TEST_F(ControllerTest, CaptureButtonAndSaveScreenAsk) {
    Session& s = runtime.session();
    s.folders.screens = folder / "screens";
    ASSERT_TRUE(s.record.SetText(field::SaveScreenFile, "shot"));
    s.record.SetNumber(field::SaveFileAction, 2);
    controller.Window().SetToolBar(
        {1, 1, {{MakeKeyCode(KeyCategory::Oper, oper_fn::CaptureToggle), 0, 0, 1, 1, "Capture", ""}}});
    ASSERT_EQ(ShownActions(*controller.Window().ToolBar()).size(), 1);
    QAction* capture = ShownActions(*controller.Window().ToolBar()).front();
    capture->trigger();
    EXPECT_TRUE(s.indicators.capture_active);
    EXPECT_TRUE(capture->isChecked());
    capture->trigger();
    EXPECT_FALSE(s.indicators.capture_active);
    EXPECT_FALSE(capture->isChecked());

    // Save Screen to Disk Ask: the dialog offers to append, and its answer is kept.
    bool offered = true, found = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        found = true;
        QCheckBox* append = dialog->findChild<QCheckBox*>();
        if (append) {
            offered = append->isChecked();
            append->setChecked(true);
        }
        dialog->selectFile(QString::fromStdString(folder / "asked.txt"));
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    });
    controller.Window().OnMenuCommand(1011);
    EXPECT_TRUE(found);
    EXPECT_FALSE(offered);  // numbered files were the setting, not appending
    EXPECT_EQ(s.record.Number(field::SaveFileAction), 1u);
    EXPECT_EQ(s.record.Text(field::SaveScreenFile), folder / "asked.txt");
}

// Options a macro changes by name take effect in the window as the options dialog's do: a fixed
// cell size lays the terminal out anew and fits the window, a new tool bar file replaces the buttons.
TEST_F(ControllerTest, OptionsByNameReachTheWindow) {
    Session& s = runtime.session();
    MainWindow& window = controller.Window();
    window.showMaximized();
    EXPECT_EQ(SetOptionByName(s, "FONT", "SIZE", MacroValue::Text("9 x 18")), 0);
    EXPECT_EQ(controller.Terminal().Frame().Cell(), (CellSize{9, 18}));
    EXPECT_FALSE(window.isMaximized());
}

}  // namespace
}  // namespace orkan
