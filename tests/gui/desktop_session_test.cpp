// The desktop session over a running session without a socket: Qt key events (with the keycode
// the desktop gives) through the Linux key mapping and the standard key map into the screen and
// out to the host; key-up keys; the tool bar from standard.bar; menu accelerators that follow a
// key map loaded after a settings change.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QToolBar>

#include "app/session_runtime.h"
#include "charset/session_charset.h"
#include "clipboard/pasting.h"
#include "config/session_file.h"
#include "config/temp_folder.h"
#include "ds3270/screen_dump.h"
#include "gui/desktop_session.h"
#include "gui/qt_ui.h"
#include "gui_fixture.h"
#include "keyboard/key_files.h"
#include "keyboard/key_functions.h"
#include "net/host_sender.h"
#include "platform/poll_event_loop.h"
#include "support/hex.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kPlainNegotiation = "FFFD18 FFFA1801FFF0 FFFD19 FFFB19 FFFD00 FFFB00";
// "HELLO" protected, then an unprotected field holding the cursor; keyboard restored.
constexpr std::string_view kPanel = "F5C3 114040 1D60 C8C5D3D3D6 1D40 13 FFEF";

struct Sink : HostBytesSink {
    void Outbound(std::span<const uint8_t> bytes) override { sent += test::ToHex(bytes); }
    std::string sent;
};

// X11/xkb keycodes (evdev + 8) of the keys the tests press.
constexpr quint32 kKeyA = 38, kKeyF3 = 69, kRightCtrl = 105, kKeyZ = 52;

class DesktopSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        Session& s = runtime.session();
        s.record = DefaultSessionRecord();
        s.folders.app_data = folder.path();
        s.folders.settings_file = folder / "orkan.ini";
        s.folders.program_data = std::string(ORKAN_BINARY_DIR) + "/share/orkan3270";
        s.folders.key_data = folder.path();
        ASSERT_TRUE(RebuildCharset(s));
        ASSERT_TRUE(LoadKeyList(s.folders, startup.key_list, ui));
        [[maybe_unused]] const bool named = s.record.SetText(field::SessionFile, "t.ses");
        runtime.file_state().last_saved = s.record;
        window = std::make_unique<DesktopSession>(runtime, ui, startup);
        frame.Attach(window.get());
        window->LoadKeyFiles();
        window->resize(900, 700);
        ASSERT_TRUE(runtime.StartDetachedConnection(sink));
        Feed(kPlainNegotiation);
        Feed(kPanel);
        sink.sent.clear();
    }
    void TearDown() override {
        runtime.Destroy();
        frame.Attach(nullptr);
        window.reset();
    }
    void Feed(std::string_view hex) {
        runtime.FeedHostData(test::FromHex(hex));
        (void)loop.RunUntil([] { return false; }, 10ms);
    }
    void Press(QEvent::Type type, int key, Qt::KeyboardModifiers mods, quint32 keycode, const QString& text = {}) {
        QKeyEvent e(type, key, mods, keycode, 0, 0, text, false, 1, &keyboard);
        static_cast<QObject*>(window.get())->eventFilter(&window->Frame().Terminal(), &e);
    }
    void Tap(int key, quint32 keycode, const QString& text = {}) {
        Press(QEvent::KeyPress, key, Qt::NoModifier, keycode, text);
        Press(QEvent::KeyRelease, key, Qt::NoModifier, keycode, text);
    }
    std::string FirstRow() {
        const std::string text = DumpScreenText(runtime.session());
        return text.substr(0, text.find('\n'));
    }
    QString MenuText(const QString& item) {
        for (QAction* a : window->menuBar()->findChildren<QAction*>())
            if (a->text().startsWith(item)) return a->text();
        return {};
    }

    test::TempFolder folder;
    PollEventLoop loop;
    QtUi ui;
    DesktopFrame frame;
    SessionRuntime runtime{loop, ui, frame};
    StartupState startup;
    Sink sink;
    QInputDevice keyboard{"test keyboard", 9101, QInputDevice::DeviceType::Keyboard};
    std::unique_ptr<DesktopSession> window;
};

TEST_F(DesktopSessionTest, KeysReachTheScreenAndTheHostThroughTheKeyMap) {
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

TEST_F(DesktopSessionTest, ToolBarButtonsRunTheirKeys) {
    QAction* clear = nullptr;
    for (QAction* a : window->ToolBar()->actions())
        if (a->text() == "Clear") clear = a;
    ASSERT_NE(clear, nullptr);
    clear->trigger();
    EXPECT_EQ(sink.sent.substr(0, 2), "6D");
}

TEST_F(DesktopSessionTest, ClipboardMenuItemsAndButtonsCopyAndPasteThroughTheDesktopClipboard) {
    auto action = [&](const std::vector<QAction*>& actions, const QString& text) -> QAction* {
        for (QAction* a : actions)
            if (a->text() == text || a->text().startsWith(text + "\t")) return a;
        return nullptr;
    };
    const QList<QAction*> all = window->menuBar()->findChildren<QAction*>();
    const std::vector<QAction*> menu(all.begin(), all.end());
    for (const char* item : {"&Copy", "&Paste", "Cu&t", "&Find", "Paste &Repeat"}) {
        SCOPED_TRACE(item);
        ASSERT_NE(action(menu, item), nullptr);
        EXPECT_TRUE(action(menu, item)->isEnabled());
    }
    const QList<QAction*> bar_actions = window->ToolBar()->actions();
    const std::vector<QAction*> bar(bar_actions.begin(), bar_actions.end());
    QAction* copy = action(bar, "Copy");
    QAction* paste = action(bar, "Paste");
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(paste, nullptr);

    // Another program's text, with its CR LF and a character of the host code page outside ASCII.
    QGuiApplication::clipboard()->setText(QString::fromUtf8("ab\u00E9\r\nxy"));
    paste->trigger();
    const std::string screen = DumpScreenText(runtime.session());
    EXPECT_EQ(screen.substr(0, 10), " HELLO ab\xE9") << screen;
    EXPECT_EQ(screen.substr(screen.find('\n') + 1 + 7, 2), "xy") << screen;  // the next line, below
    EXPECT_EQ(PasteRepeatBuffer(runtime.session()), 1);  // the status line's buffer number

    Session& s = runtime.session();
    s.selection.shown = true;
    s.selection.anchor_row = 0;
    s.selection.anchor_column = 1;
    s.selection.end_row = 1;
    s.selection.end_column = 5;
    copy->trigger();
    EXPECT_EQ(PasteRepeatBuffer(runtime.session()), -1);  // any other key ends the cycle
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "HELLO\n     ");
}

TEST_F(DesktopSessionTest, MenuAcceleratorsFollowAKeyMapLoadedAfterASettingsChange) {
    EXPECT_TRUE(MenuText("&Undo").endsWith("\tCtrl+Z")) << MenuText("&Undo").toStdString();
    // A map where Ctrl+U undoes and Ctrl+Z does nothing, saved under another name.
    Session& s = runtime.session();
    constexpr size_t kU = 44, kZ = 75, kCtrl = 2;
    const uint16_t undo = s.keyboard.key_map.Code(kZ, kCtrl);
    s.keyboard.key_map.codes[kU][kCtrl] = undo;
    s.keyboard.key_map.codes[kZ][kCtrl] = MakeKeyCode(KeyCategory::Edit, edit_fn::NoFunction);
    ASSERT_TRUE(SaveKeyFile(s, KeyFileKind::Keytable, folder / "mine.key"));
    ASSERT_TRUE(LoadSessionKeyFiles(s).ok);  // back to the standard map
    EXPECT_TRUE(MenuText("&Undo").endsWith("\tCtrl+Z"));

    SessionRecord changed = s.record;
    ASSERT_TRUE(changed.SetText(field::KeyboardFile, "mine.key"));
    window->ApplyOptions(changed);
    EXPECT_TRUE(MenuText("&Undo").endsWith("\tCtrl+U")) << MenuText("&Undo").toStdString();
    Tap(Qt::Key_A, kKeyA, "a");
    EXPECT_EQ(FirstRow().substr(0, 8), " HELLO a");
    Press(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier, kKeyZ);
    Press(QEvent::KeyRelease, Qt::Key_Z, Qt::ControlModifier, kKeyZ);
    EXPECT_EQ(FirstRow().substr(0, 8), " HELLO a");  // Ctrl+Z no longer undoes
}

}  // namespace
}  // namespace orkan
