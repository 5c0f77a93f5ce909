// End to end: a session runtime connects to testhost's demo application and is driven by Linux key
// events, through the key mapping, the standard key map and the field rules: it fills the logon
// panel, presses Enter and reaches the main menu. The host's log shows the password among the
// fields it received and never in the screens it sent.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/session_runtime.h"
#include "clipboard/clipboard.h"
#include "config/session_file.h"
#include "config/temp_folder.h"
#include "ds3270/screen_dump.h"
#include "keyboard/key_files.h"
#include "keyboard/keyboard.h"
#include "keyboard/linux_keymap.h"
#include "platform/poll_event_loop.h"
#include "session/session_charset.h"
#include "support/recording_ui.h"
#include "support/running_session.h"
#include "support/testhost_process.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;

// US keyboard positions (evdev codes) of the characters the test types.
uint16_t EvdevFor(char c) {
    static const std::string rows[] = {"1234567890", "qwertyuiop", "asdfghjkl", "zxcvbnm"};
    static const uint16_t starts[] = {2, 16, 30, 44};
    for (size_t r = 0; r < 4; ++r)
        if (const size_t i = rows[r].find(c); i != std::string::npos) return uint16_t(starts[r] + i);
    ADD_FAILURE() << "no key for " << c;
    return 0;
}

// A key pressed and released, as the desktop program hands it over: with the character its own
// layout gives, which the keyboard types while "TOGGLESHIFT/CAPS" is on (the default).
void Key(Session& s, uint16_t evdev, char character = 0) {
    for (bool press : {true, false}) {
        auto event = MapDesktopKey({press, evdev + kX11KeycodeOffset, 0, {}, false}, s.keyboard.num_lock);
        ASSERT_TRUE(event);
        event->character = uint8_t(character);
        HandleKeyEvent(s, *event);
    }
}

void Type(Session& s, std::string_view text) {
    for (char c : text) Key(s, EvdevFor(c), c);
}

std::string Screen(const Session& s) {
    return DumpScreenText(s);
}

TEST(LogonEndToEnd, KeysFillTheLogonPanelAndReachTheMenu) {
    test::RunningSession<test::RecordingUi, SessionFrame> r;
    test::TestHostProcess host;
    const std::string log = r.folder / "host.log";
    ASSERT_TRUE(host.Start({"--once", "--log", log})) << "testhost did not start (is it built?)";
    PollEventLoop& loop = r.loop;
    Session& s = r.session();
    s.folders.program_data = std::string(ORKAN_BINARY_DIR) + "/share/orkan3270";
    s.folders.key_data = s.folders.program_data + "/defaults";
    s.record = DefaultSessionRecord();
    ASSERT_TRUE(RebuildCharset(s));
    ASSERT_TRUE(LoadKeyList(s.folders, s.keyboard.key_list, r.ui));
    ASSERT_TRUE(LoadSessionKeyFiles(s).ok);
    AttachKeyboard(s);
    AttachClipboard(s);

    ASSERT_TRUE(r.runtime.StartConnection(host.address()));
    ASSERT_TRUE(loop.RunUntil(
        [&] { return s.status == SessionStatus::Unlocked && Screen(s).find("User id") != std::string::npos; },
        30s))
        << Screen(s);

    Type(s, "alice");
    Key(s, 15);  // Tab
    Type(s, "secret");
    EXPECT_EQ(Screen(s).find("secret"), std::string::npos);  // a non-display field shows nothing
    Key(s, 28);                                              // Enter
    EXPECT_TRUE(loop.RunUntil([&] { return Screen(s).find("MAIN MENU") != std::string::npos; }, 30s))
        << Screen(s);
    EXPECT_NE(Screen(s).find("alice"), std::string::npos);
    r.runtime.Destroy();

    std::ifstream in(log);
    std::string line;
    bool received = false;
    while (std::getline(in, line)) {
        if (line.find(" SCREEN ") != std::string::npos) {
            EXPECT_EQ(line.find("secret"), std::string::npos) << line;
        }
        if (line.find(" FIELD password ") != std::string::npos)
            received = line.find("\"secret\"") != std::string::npos;
    }
    EXPECT_TRUE(received);
}

}  // namespace
}  // namespace orkan
