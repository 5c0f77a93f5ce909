// The macro language wired into a session of either program: the key functions that control
// macros through the one Oper dispatch, the start-up macros of the command line and their end, and
// what macros reach beyond the session.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "app/session_runtime.h"
#include "capture/debug_screen.h"
#include "keyboard/key_functions.h"
#include "keyboard/key_list.h"
#include "keyboard/keyboard.h"
#include "support/golden_file.h"
#include "support/hex.h"
#include "support/recording_ui.h"
#include "support/running_session.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using End = MacroOutcome::End;

class DialogUi : public test::RecordingUi {
  public:
    std::optional<std::string> AskFileName(const FileDialogRequest& request) override {
        requests.push_back(request);
        if (files.empty()) return std::nullopt;
        std::string f = files.front();
        files.pop_front();
        return f;
    }
    bool CanAsk() const override { return can_ask; }
    void ControlDebugWindow(DebugWindowAction action) override { debug_actions.push_back(action); }
    std::vector<FileDialogRequest> requests;
    std::deque<std::string> files;
    std::vector<DebugWindowAction> debug_actions;
    bool can_ask = true;
};

struct MacroFrame : test::RecordingFrame {
    void StartupMacroEnded(const MacroOutcome& o) override { startup_ends.push_back({o.end, o.exit_code}); }
    void PlayTone(int f, int ms) override {
        sounds.push_back("tone " + std::to_string(f) + " " + std::to_string(ms));
    }
    void PlaySoundFile(const std::string& path) override { sounds.push_back("file " + path); }
    std::vector<std::pair<End, int>> startup_ends;
    std::vector<std::string> sounds;
};

// A session runtime with its core, on a poll loop, without a host unless a test feeds one.
struct Wired : test::RunningSession<DialogUi, MacroFrame> {
    Wired() {
        Plain();
        session().folders.macros = folder / "macros";
        fs::create_directories(session().folders.macros);
        session().folders.program_data = ORKAN_BUILD_DATA_DIR;  // key.lst: the functions by name
        EXPECT_TRUE(LoadKeyList(session().folders, session().keyboard->key_list, ui));
    }
    SessionMacros& macros() { return runtime.core().Macros(); }
    MacroRunner& runner() { return macros().Runner(); }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(fs::path(session().folders.macros) / name) << text;
    }
    void Oper(uint8_t number) { ExecuteKey(session(), MakeKeyCode(KeyCategory::Oper, number)); }
    bool Turn(const std::function<bool()>& done) { return loop.RunUntil(done, 5s); }
    void Settle() { Drain(30ms); }
    bool Has(std::string_view name) { return runner().variables().Find(name) >= 0; }
};

TEST(MacroWiring, KeyFunctionsPlayPauseStopAndTheDebugWindow) {
    Wired w;
    w.frame.window = true;  // Pause needs a window that can resume the macro
    w.Write("wait.mac", "WAIT(30)\nDONE = 1\n");
    w.ui.files = {w.session().folders.macros + "/wait.mac"};
    w.Oper(oper_fn::MacroPlay);
    ASSERT_TRUE(w.Turn([&] { return w.runner().state() == MacroState::TimedPause; })) << w.LastMessage();
    ASSERT_EQ(w.ui.requests.size(), 1u);
    EXPECT_EQ(w.ui.requests[0].title, "Play a Macro");
    EXPECT_EQ(w.ui.requests[0].folder, w.session().folders.macros);
    EXPECT_EQ(w.ui.requests[0].filters.at(0).patterns, std::vector<std::string>{"*.mac"});

    w.Oper(oper_fn::MacroPause);
    w.Oper(oper_fn::MacroPlay);  // resumes; asks for nothing
    EXPECT_EQ(w.ui.requests.size(), 1u);
    ASSERT_TRUE(w.Turn([&] { return w.runner().state() == MacroState::TimedPause; }));
    EXPECT_EQ(w.session().indicators.macro_letter, 'P');
    w.Oper(oper_fn::MacroStop);
    EXPECT_FALSE(w.Has("DONE"));

    w.Oper(oper_fn::MacroDebugWindow);
    EXPECT_EQ(w.ui.debug_actions, std::vector<DebugWindowAction>{DebugWindowAction::Open});

    // The session's connect macro again; "(none)" names none.
    w.Write("conn.mac", "CONN = 1\n");
    ASSERT_TRUE(w.session().record.SetText(field::StartupMacro, "conn"));
    w.Oper(oper_fn::RunStartupMacro);
    ASSERT_TRUE(w.Turn([&] { return w.Has("CONN"); })) << w.LastMessage();
    ASSERT_TRUE(w.session().record.SetText(field::StartupMacro, "(none)"));
    w.ui.shown.clear();
    w.Oper(oper_fn::RunStartupMacro);
    w.Settle();
    EXPECT_TRUE(w.ui.shown.empty()) << w.LastMessage();

    // A program that cannot ask for a file says how to give the macro instead.
    w.ui.can_ask = false;
    w.Oper(oper_fn::MacroPlay);
    EXPECT_NE(w.LastMessage().find("--macro FILE"), std::string::npos) << w.LastMessage();
    EXPECT_FALSE(w.runner().Active());
}

// Two keys whose macro entries are statements (a typed text is one), run one after the other as the
// type-ahead replay runs them: the second joins the first one's chain, as a macro file would.
TEST(MacroWiring, AMacroKeyWhileAnotherRunsIsNotLost) {
    Wired w;
    MacroList& macros = w.session().keyboard->key_map.macros;
    ASSERT_EQ(macros.Append("FIRST = LEN(\"a\")"), 0);
    ASSERT_EQ(macros.Append("SECOND = LEN(\"b\")"), 1);
    ExecuteKey(w.session(), MakeKeyCode(KeyCategory::Macro, 0));
    ExecuteKey(w.session(), MakeKeyCode(KeyCategory::Macro, 1));
    ASSERT_TRUE(w.Turn([&] { return w.Has("SECOND"); })) << w.LastMessage();
    EXPECT_TRUE(w.Has("FIRST"));
}

TEST(MacroWiring, StartupMacrosReportTheirEndOnceNothingOfTheStartIsLeft) {
    const std::map<std::string, End> ends = {
        {"Finished", End::Finished}, {"Error", End::Error}, {"LoadFailed", End::LoadFailed}};
    for (const test::TableRow& row : test::ReadTableRows("app/data/startup_macros.tsv")) {
        SCOPED_TRACE(row.where);
        ASSERT_EQ(row.cells.size(), 8u);
        const bool host_answers = row.cells[3] == "1";
        Wired w;
        w.session().settings.NoMacroOnReconnect = 1;
        w.Write("m.mac", "EXIT 3\n");
        w.Write("conn.mac", "CONN = 1\n");
        ASSERT_TRUE(w.session().record.SetText(field::StartupMacro, "conn"));
        if (!row.cells[2].empty()) w.macros().SetStartupMacro(row.cells[2]);
        if (row.cells[1] != "(none)") w.macros().RunStartupText(row.cells[1]);
        EXPECT_TRUE(w.macros().HasStartupMacro());
        w.Settle();
        if (host_answers) {
            EXPECT_TRUE(w.frame.startup_ends.empty()) << "the file is still to come";
            w.macros().AfterFirstHostData(row.cells[4] == "1");
        } else {
            w.macros().StartWithoutHost();
        }
        w.Settle();
        EXPECT_EQ(w.frame.startup_ends,
                  (std::vector<std::pair<End, int>>{{ends.at(row.cells[5]), std::stoi(row.cells[6])}}))
            << w.LastMessage();
        EXPECT_EQ(w.Has("CONN"), row.cells[7] == "1");
        EXPECT_FALSE(w.macros().StartupMacroRunning());
    }
}

// A macro names the debug screen to load (here REXX) and the file to print (here the own
// language), so the program without dialogs can do both.
TEST(MacroWiring, KeyNamesTheDebugScreenAndTheFileToPrint) {
    Wired w;
    const std::vector<uint8_t> screen = *EncodeDebugScreen(test::FromHex("F5C3 C4C5C6"));
    test::WriteBytes(w.folder / "rexx.dbg", screen);
    ASSERT_TRUE(w.macros().Dispatcher().StartText(
        "/* REXX */\ncall key 'LoadDebugScreen', '" + w.folder / "rexx.dbg'", MacroOrigin::User, nullptr));
    const std::string_view text = "DEF";
    EXPECT_TRUE(w.Turn([&] {
        return std::equal(text.begin(), text.end(), w.session().ps.planes.display.begin());
    })) << w.LastMessage();

    std::ofstream(w.folder / "in.txt") << "printed by name: Grüße\n";  // a user's file: UTF-8
    w.runtime.core().Print().state().printer = w.folder / "out.txt";
    ASSERT_TRUE(w.runner().StartText("KEY(\"PrintFile\", \"" + w.folder / "in.txt\")"));
    EXPECT_TRUE(w.Turn([&] {
        return test::ReadText(w.folder / "out.txt").find("printed by name: Grüße") != std::string::npos;
    })) << w.LastMessage();
    EXPECT_TRUE(w.ui.requests.empty());  // nothing was asked for
}

// Without a window nothing could resume a paused macro: a macro of either language that presses
// Pause is told so and goes on.
TEST(MacroWiring, PauseWithoutAWindowDoesNotHoldTheMacro) {
    Wired w;
    for (const char* text :
         {"KEY(\"MacroPause\")\nDONE = 1\n", "/* REXX */\ncall key 'MacroPause'\nexit 5\n"}) {
        SCOPED_TRACE(text);
        std::optional<MacroOutcome> end;
        ASSERT_TRUE(w.macros().Dispatcher().StartText(text, MacroOrigin::User,
                                                      [&](const MacroOutcome& o) { end = o; }));
        ASSERT_TRUE(w.Turn([&] { return end.has_value(); }));
        EXPECT_EQ(end->end, End::Finished);
        EXPECT_NE(w.LastMessage().find("\"MacroPause\" needs a session window"), std::string::npos)
            << w.LastMessage();
        EXPECT_EQ(w.session().indicators.macro_letter, 0);
    }
}

TEST(MacroWiring, OtherSessionsAndSounds) {
    Wired w;
    w.session().letter = 'C';
    w.Write("own.mac", "OWN = 1\n");
    ASSERT_TRUE(
        w.runner().StartText("SESSION(\"c\")\nRUN(\"own.mac\", \"C\")\nBEEP(440, 100)\nPLAYSOUND(\"x.wav\")\n"
                             "RUN(\"own\", \"B\")"));
    // The own session's macro waits for the running one, which ends at B: without the shared area
    // only this session is known.
    ASSERT_TRUE(w.Turn([&] { return w.Has("OWN"); })) << w.LastMessage();
    EXPECT_TRUE(std::any_of(w.ui.shown.begin(), w.ui.shown.end(), [](const MessageBox& box) {
        return box.text.find("Orkan macro error 66 - ") != std::string::npos;
    })) << w.LastMessage();
    EXPECT_EQ(w.frame.arrangements, std::vector<Arrangement>{Arrangement::BringToFront});
    EXPECT_EQ(w.frame.sounds, (std::vector<std::string>{"tone 440 100", "file " + w.folder / "x.wav"}));
}

}  // namespace
}  // namespace orkan
