// End to end against testhost's demo application: a user logs on while the session records (typed
// keys, a Tab, a paste, a mouse click, Enter, a menu choice), and the recording, played back by the
// macro runner in a fresh session against a fresh host, makes the host receive the same inputs,
// fields and cursor positions and send the same screens.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/session_runtime.h"
#include "charset/session_charset.h"
#include "config/session_file.h"
#include "config/temp_folder.h"
#include "ds3270/screen_dump.h"
#include "keyboard/key_files.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "platform/poll_event_loop.h"
#include "support/recording_ui.h"

extern char** environ;

namespace orkan {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class Host {
  public:
    bool Start(const std::string& log) {
        const std::string program = std::string(ORKAN_BINARY_DIR) + "/tools/testhost/testhost";
        if (access(program.c_str(), X_OK) != 0) return false;
        int out[2];
        if (pipe(out) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<std::string> args = {program, "--port", "0", "--once", "--log", log};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (rc != 0) {
            close(out[0]);
            pid_ = -1;
            return false;
        }
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') port_ += c;
        close(out[0]);
        return !port_.empty();
    }
    ~Host() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    const std::string& port() const { return port_; }

  private:
    pid_t pid_ = -1;
    std::string port_;
};

class RecordUi : public test::RecordingUi {
  public:
    std::optional<RecordMacroAnswer> AskRecordMacro(const RecordMacroRequest&) override { return answer; }
    bool CanAsk() const override { return true; }
    std::optional<RecordMacroAnswer> answer;
};

// One session of the desktop's make-up (key list, key map, code page) on a poll loop.
struct Terminal {
    explicit Terminal(const fs::path& macros) {
        Session& s = runtime.session();
        s.folders.program_data = std::string(ORKAN_BINARY_DIR) + "/share/orkan3270";
        s.folders.key_data = s.folders.program_data + "/defaults";
        s.folders.macros = macros;
        s.record = DefaultSessionRecord();
        EXPECT_TRUE(RebuildCharset(s));
        EXPECT_TRUE(LoadKeyList(s.folders, s.keyboard.key_list, ui));
        EXPECT_TRUE(LoadSessionKeyFiles(s).ok);
        ui.SetClipboardText("secret");
    }
    ~Terminal() { runtime.Destroy(); }
    Session& s() { return runtime.session(); }
    MacroRunner& runner() { return runtime.core().Macros().Runner(); }
    std::string Screen() { return DumpScreenText(s()); }
    bool Shows(std::string_view text) {
        return loop.RunUntil(
            [&] { return s().status == SessionStatus::Unlocked && Screen().find(text) != std::string::npos; },
            30s);
    }
    void Key(uint16_t code) { SubmitKey(s(), code); }
    void Type(std::string_view text) {
        for (char c : text) Key(CharCode(uint8_t(c)));
    }

    PollEventLoop loop;
    RecordUi ui;
    SessionFrame frame;
    SessionRuntime runtime{loop, ui, frame};
};

// What the host received and sent, without times, session numbers and connection details.
std::string HostExchange(const fs::path& log) {
    std::ifstream in(log);
    std::string line, out;
    while (std::getline(in, line)) {
        const size_t tag = line.find(' ', line.find(' ') + 1) + 1;
        const std::string rest = line.substr(tag);
        for (std::string_view kind : {"INPUT ", "FIELD ", "RULE ", "SCREEN "})
            if (rest.rfind(kind, 0) == 0) out += rest + "\n";
    }
    return out;
}

uint16_t Action(uint8_t n) {
    return MakeKeyCode(KeyCategory::Action, n);
}
uint16_t Edit(uint8_t n) {
    return MakeKeyCode(KeyCategory::Edit, n);
}
uint16_t Oper(uint8_t n) {
    return MakeKeyCode(KeyCategory::Oper, n, kKeyWorksWhileLocked);
}

TEST(RecordPlayback, ARecordedLogonPlaysBackToTheSameHostExchange) {
    test::TempFolder folder;
    const fs::path macros = folder / "macros";
    const fs::path recorded_log = folder / "recorded.log", played_log = folder / "played.log";
    std::string final_screen;
    {
        Host host;
        ASSERT_TRUE(host.Start(recorded_log)) << "testhost did not start (is it built?)";
        Terminal t(macros);
        ASSERT_TRUE(t.runtime.StartConnection("127.0.0.1:" + host.port()));
        ASSERT_TRUE(t.Shows("User id")) << t.Screen();
        t.ui.answer = RecordMacroAnswer{"logon", "Log on and choose 1", false};
        t.Key(Oper(oper_fn::MacroRecord));
        ASSERT_EQ(t.s().indicators.macro_letter, 'R');
        t.Type("alicx");
        t.Key(Edit(edit_fn::Backspace));
        t.Type("e");
        t.Key(Edit(edit_fn::Tab));
        t.Key(Edit(edit_fn::Paste));  // "secret" into the password field
        // A click into the user id field, after "ali": the cursor goes there and reaches the host.
        HandleMouseButton(t.s(), MouseButtonEvent(KeyEventKind::Down, 1, {}), ScreenCell{6, 32});
        HandleMouseButton(t.s(), MouseButtonEvent(KeyEventKind::Up, 1, {}), std::nullopt);
        t.Key(Action(action_fn::Enter));
        ASSERT_TRUE(t.Shows("MAIN MENU")) << t.Screen();
        t.Type("1");
        t.Key(Action(action_fn::Enter));
        ASSERT_TRUE(t.loop.RunUntil(
            [&] {
                return t.s().status == SessionStatus::Unlocked &&
                       t.Screen().find("MAIN MENU") == std::string::npos;
            },
            30s))
            << t.Screen();
        final_screen = t.Screen();
        t.Key(Oper(oper_fn::MacroStop));
        ASSERT_EQ(t.ui.shown.back().title, "Macro Recorded") << t.ui.shown.back().text;
    }
    std::ifstream saved(macros / "logon.mac", std::ios::binary);
    std::stringstream text;
    text << saved.rdbuf();
    EXPECT_NE(text.str().find("Key(\"Paste\")\r\nKey(\"SelectLocation1\",7,33)\r\nKey(\"Enter\")\r\n"),
              std::string::npos)
        << text.str();
    {
        Host host;
        ASSERT_TRUE(host.Start(played_log));
        Terminal t(macros);
        ASSERT_TRUE(t.runtime.StartConnection("127.0.0.1:" + host.port()));
        ASSERT_TRUE(t.Shows("User id")) << t.Screen();
        ASSERT_TRUE(t.runner().StartFile("logon"));
        ASSERT_TRUE(t.loop.RunUntil([&] { return !t.runner().Active(); }, 60s));
        EXPECT_EQ(t.runner().LastOutcome().end, MacroOutcome::End::Finished)
            << (t.ui.shown.empty() ? "" : t.ui.shown.back().text);
        EXPECT_TRUE(t.loop.RunUntil(
            [&] { return t.s().status == SessionStatus::Unlocked && t.Screen() == final_screen; }, 30s))
            << t.Screen();
    }
    const std::string recorded = HostExchange(recorded_log), played = HostExchange(played_log);
    EXPECT_NE(recorded.find("FIELD password"), std::string::npos) << recorded;
    EXPECT_NE(recorded.find("cursor=7,33"), std::string::npos) << recorded;
    EXPECT_EQ(played, recorded);
}

}  // namespace
}  // namespace orkan
