// The recorder in a session assembled as the headless program assembles it: the record, pause and
// stop key functions through the core's dispatch, keys through the keyboard's admission, host
// unlocks from real records, the mouse through the core, the file and the messages. Then the text a
// recording writes, byte for byte: headers of both languages, waits, typed text, key functions
// with and without positions, macro keys and mouse selections.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "capture/dialog_ui.h"
#include "keyboard/key_files.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "record/recording_text.h"
#include "support/golden_file.h"
#include "support/recording_ui.h"
#include "support/running_session.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;

namespace fs = std::filesystem;

// "NAME" protected at row 1, an unprotected field after it holding the cursor; keyboard restored.
constexpr std::string_view kPanel = "F5C3 11C150 1D60 D5C1D4C5 1D40 13 FFEF";
constexpr std::string_view kRestore = "F1C2 FFEF";

uint16_t Oper(uint8_t n) {
    return MakeKeyCode(KeyCategory::Oper, n, kKeyWorksWhileLocked);
}
uint16_t Action(uint8_t n) {
    return MakeKeyCode(KeyCategory::Action, n);
}

// The record dialog answers from a queue; file dialogs as DialogUi answers them.
class RecordUi : public test::DialogUi {
  public:
    std::optional<RecordMacroAnswer> AskRecordMacro(const RecordMacroRequest& request) override {
        record_requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        RecordMacroAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool CanAsk() const override { return can_ask; }
    std::vector<RecordMacroRequest> record_requests;
    std::deque<RecordMacroAnswer> answers;
    bool can_ask = true;
};

class RecorderTest : public ::testing::Test, public test::RunningSession<RecordUi> {
  protected:
    RecorderTest() {
        EXPECT_EQ(Start({"--headless", "--host", "127.0.0.1:2023"}), 0);
        // The key map as the desktop program loads it: the mouse buttons are keys of it.
        session().keyboard->key_list = state.key_list;
        EXPECT_TRUE(LoadSessionKeyFiles(session()).ok);
        strptime("2026-12-07 08:05:09", "%F %T", &clock.now);
        session().wall_clock = &clock;
        EXPECT_TRUE(Connect({kPanel}));
    }
    MacroRecorder& recorder() { return runtime.core().Recorder(); }
    MacroRunner& runner() { return runtime.core().Macros().Runner(); }
    void Key(uint16_t code) { SubmitKey(session(), code); }
    void Type(std::string_view text) {
        for (char c : text) Key(CharCode(uint8_t(c)));
    }
    void StartRecording(std::string file = "steps", bool rexx = false) {
        ui.answers.push_back({std::move(file), "", rexx});
        Key(Oper(oper_fn::MacroRecord));
    }
    std::string Saved(const std::string& name = "steps.mac") {
        return test::ReadText(session().folders.macros + "/" + name);
    }

    ManualWallClock clock;
};

TEST_F(RecorderTest, KeysAndHostUnlocksBecomeTheMacroFile) {
    StartRecording();
    ASSERT_EQ(ui.record_requests.size(), 1u);
    EXPECT_EQ(ui.record_requests[0].folder, session().folders.macros);
    EXPECT_EQ(session().indicators.macro_letter, 'R');
    Type("AB");
    Key(Action(action_fn::Enter));
    Type("X");  // typed ahead while the host has not answered: recorded when it runs, after the wait
    Feed(kRestore);
    Feed(kRestore);
    Feed(kRestore);
    Key(Action(action_fn::PF1 + 2));  // two unlocks since X: the wait checks where X left the cursor
    Key(Oper(oper_fn::MacroStop));
    EXPECT_EQ(session().indicators.macro_letter, 0);
    EXPECT_FALSE(recorder().Active());
    const std::string path = session().folders.macros + "/steps.mac", text = Saved();
    // The header's layout is the recording text cases'; its name and time are the recorder's.
    EXPECT_NE(text.find("* steps.mac\r\n* Orkan TN3270 macro generated on 2026-12-07 08:05:09\r\n"),
              std::string::npos);
    EXPECT_TRUE(
        text.ends_with("*\r\n\r\nWait(20,Status=\"Unlocked\")\r\nType(\"AB\")\r\nKey(\"Enter\")\r\n"
                       "Wait(20,Status=\"Unlocked\")\r\nType(\"X\")\r\n"
                       "Wait(20,Status=\"Unlocked\" & CursorPos = \"2,10\")\r\nKey(\"PF3\")\r\n"))
        << text;
    EXPECT_EQ(LastMessage(), "Macro Recorded: Macro saved as " + path + ", containing 11 statements");
    EXPECT_EQ(ui.shown.back().icon, Icon::Information);
}

TEST_F(RecorderTest, PausedKeysAreLeftOutAndRecordResumes) {
    StartRecording("steps", true);
    Type("A");
    Key(Oper(oper_fn::MacroPause));
    EXPECT_EQ(session().indicators.macro_letter, 'X');
    Type("B");
    Key(Oper(oper_fn::MacroRecord));  // resumes: asks for nothing
    EXPECT_EQ(ui.record_requests.size(), 1u);
    EXPECT_EQ(session().indicators.macro_letter, 'R');
    Type("C");
    Key(Oper(oper_fn::MacroStop));
    const std::string text = Saved();
    EXPECT_EQ(text.rfind("/* rexx ", 0), 0u) << text;
    EXPECT_NE(text.find("WaitUnlocked(20)\r\nType(\"A\")\r\nType(\"C\")\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find('B', text.find("WaitUnlocked")), std::string::npos) << text;
    // The language chosen is offered the next time.
    StartRecording("other");
    ASSERT_EQ(ui.record_requests.size(), 2u);
    EXPECT_TRUE(ui.record_requests[1].rexx);
}

TEST_F(RecorderTest, RecordingIsRefusedWithAReason) {
    struct Case {
        const char* what;
        std::function<void()> before;
        std::string message;  // empty: no message at all
    };
    const std::vector<Case> cases = {
        {"no window to ask in", [&] { ui.can_ask = false; },
         "asks for a file name, which this program cannot do"},
        {"the dialog cancelled", [&] { ui.can_ask = true; }, ""},
        {"an empty name",
         [&] {
             ui.answers.push_back({"", "d", false});
         },
         "A file name for the macro must be given."},
        {"a description a macro cannot hold",
         [&] {
             ui.answers.push_back({"x", "\xE2\x82\xAC\xE4\xB8\x80", false});
         },
         "holds a character that a macro cannot hold"},
        {"a macro waiting",
         [&] {
             ASSERT_TRUE(runner().StartText("WAIT(30)"));
             ASSERT_TRUE(loop.RunUntil([&] { return runner().state() == MacroState::TimedPause; }, 5s));
         },
         "cannot be recorded while the macro"},
        {"a REXX macro running",
         [&] {
             runner().Stop();
             ASSERT_TRUE(runtime.core().Macros().Dispatcher().StartText("/* rexx */\nx = wait(30)\n"));
         },
         "cannot be recorded while the macro"},
    };
    for (const Case& c : cases) {
        ui.shown.clear();
        c.before();
        Key(Oper(oper_fn::MacroRecord));
        EXPECT_FALSE(recorder().Active()) << c.what;
        EXPECT_EQ(ui.shown.empty(), c.message.empty()) << c.what << ": " << LastMessage();
        EXPECT_NE(LastMessage().find(c.message), std::string::npos) << c.what << ": " << LastMessage();
    }
    runtime.core().Macros().Stop();
    ASSERT_TRUE(loop.RunUntil([&] { return !runtime.core().Macros().Rexx().Active(); }, 5s));
    // Playing a macro while recording is refused; the recording goes on.
    StartRecording();
    Key(Oper(oper_fn::MacroPlay));
    EXPECT_NE(LastMessage().find("stop the recording before playing"), std::string::npos) << LastMessage();
    EXPECT_EQ(session().indicators.macro_letter, 'R');
}

TEST_F(RecorderTest, AFileThatCannotBeWrittenKeepsTheRecording) {
    const fs::path blocker = folder / "blocker";
    std::ofstream(blocker) << "a file where a folder should be";
    StartRecording((blocker / "kept.mac").string());
    Type("KEEP");
    Key(Oper(oper_fn::MacroStop));  // another name is asked for; none given
    EXPECT_EQ(ui.shown.back().title, "File Save Error");
    EXPECT_NE(ui.shown.back().text.find("Error 20 while saving " + (blocker / "kept.mac").string()),
              std::string::npos)
        << LastMessage();
    ASSERT_EQ(ui.requests.size(), 1u);
    EXPECT_EQ(ui.requests[0].file_name, "kept.mac");
    EXPECT_EQ(session().indicators.macro_letter, 'R');
    // The name given the second time is written; a folder's name is shown as the box shows text.
    const fs::path other = folder / "m\u00E4c";
    fs::create_directory(other);
    ui.answer = (other / "renamed.mac").string();
    Key(Oper(oper_fn::MacroStop));
    EXPECT_EQ(ui.shown.back().title, "Macro Recorded");
    EXPECT_NE(LastMessage().find(folder / "m\344c/renamed.mac"), std::string::npos) << LastMessage();
    EXPECT_FALSE(recorder().Active());
    EXPECT_NE(test::ReadText(other / "renamed.mac").find("Type(\"KEEP\")\r\n"), std::string::npos);
}

TEST_F(RecorderTest, MacrosRunWhileRecordingAreNotRecordedKeyByKey) {
    StartRecording();
    Type("A");
    ASSERT_TRUE(runner().StartText("TYPE(\"ZZ\")"));
    ASSERT_TRUE(loop.RunUntil([&] { return !runner().Active(); }, 5s));
    EXPECT_EQ(session().indicators.macro_letter, 'R') << "recording goes on after the macro";
    // A REXX macro's keys are its own too.
    ASSERT_TRUE(runtime.core().Macros().Dispatcher().StartText("/* rexx */\ncall type 'RR'\n"));
    ASSERT_TRUE(loop.RunUntil([&] { return !runtime.core().Macros().Rexx().Active(); }, 5s));
    Type("Q");
    // The wheel runs its statement as macro text: the statement is recorded, not its keys.
    HandleWheel(session(), -120);
    ASSERT_TRUE(loop.RunUntil([&] { return !runner().Active(); }, 5s));
    Key(Oper(oper_fn::MacroStop));
    const std::string text = Saved();
    EXPECT_NE(text.find("Type(\"AQ\")\r\n" + session().settings.WheelDown + "\r\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("ZZ"), std::string::npos) << text;
    EXPECT_EQ(text.find("RR"), std::string::npos) << text;
    EXPECT_EQ(text.find("PF8"), text.rfind("PF8")) << text;
}

TEST_F(RecorderTest, MouseClicksAndSelectionsAreRecordedAndPlayBack) {
    StartRecording();
    // A left click on row 2, column 11 (the key map's Select Location 1).
    HandleMouseButton(session(), MouseButtonEvent(KeyEventKind::Down, 1, {}), ScreenCell{1, 10});
    HandleMouseButton(session(), MouseButtonEvent(KeyEventKind::Up, 1, {}), std::nullopt);
    EXPECT_EQ(session().ps.cursor_address, 1 * session().ps.columns + 10);
    session().selection = {true, 2, 4, 5, 19};
    MouseSelectionMade(session());
    Key(Oper(oper_fn::MacroStop));
    const std::string text = Saved();
    EXPECT_NE(text.find("Key(\"SelectLocation1\",2,11)\r\nKey(\"SelectLocation1\",3,5)\r\n"
                        "Key(\"SelectLocation2\",6,20)\r\n"),
              std::string::npos)
        << text;

    // Played back, the positions are the macro's, not the last mouse press's.
    session().selection = {};
    ASSERT_TRUE(runner().StartFile("steps"));
    ASSERT_TRUE(loop.RunUntil([&] { return !runner().Active(); }, 5s)) << LastMessage();
    EXPECT_EQ(runner().LastOutcome().end, MacroOutcome::End::Finished) << LastMessage();
    EXPECT_EQ(session().ps.cursor_address, 5 * session().ps.columns + 19);
    const auto& sel = session().selection;
    EXPECT_EQ(std::tie(sel.shown, sel.anchor_row, sel.anchor_column, sel.end_row, sel.end_column),
              std::make_tuple(true, 2u, 4u, 5u, 19u));
}

TEST_F(RecorderTest, ASessionThatClosesWhileRecordingKeepsTheRecording) {
    StartRecording("\xCE\xA9mega");  // a name Windows-1252 lacks a character of: "?" in the header
    Type("LAST");
    runtime.Destroy();
    EXPECT_NE(Saved("\xCE\xA9mega.mac").find("* ?mega.mac\r\n"), std::string::npos) << LastMessage();
    EXPECT_NE(Saved("\xCE\xA9mega.mac").find("Type(\"LAST\")\r\n"), std::string::npos) << LastMessage();
}

TEST_F(RecorderTest, ASessionThatClosesWithAnUnwritableNameSavesInTheMacrosFolder) {
    const fs::path blocker = folder / "blocker";
    std::ofstream(blocker) << "a file where a folder should be";
    std::ofstream(fs::path(session().folders.macros) / "kept.mac") << "KEEP ME";
    StartRecording((blocker / "kept.mac").string());
    Type("LAST");
    runtime.Destroy();
    EXPECT_TRUE(ui.requests.empty()) << "nobody is asked while closing";
    EXPECT_EQ(Saved("kept.mac"), "KEEP ME");
    EXPECT_NE(Saved("kept-2.mac").find("Type(\"LAST\")\r\n"), std::string::npos) << LastMessage();
    EXPECT_NE(LastMessage().find("saved as " + session().folders.macros + "/kept-2.mac instead"),
              std::string::npos)
        << LastMessage();
}

// Every key finds the cursor at 3,7 and leaves it at 4,9.
RecordedKey K(uint16_t code, std::string name, uint32_t unlocks) {
    return {code, std::move(name), unlocks, {3, 7}, {4, 9}, std::nullopt};
}

// A quoted text at the start of `rest`, unescaped, and what follows it.
std::pair<std::string, std::istringstream> QuotedThenRest(const std::string& rest) {
    size_t end = 1;
    while (end < rest.size() && rest[end] != '"') end += rest[end] == '\\' ? 2 : 1;
    return {test::GoldenValue(rest.substr(0, end + 1)),
            std::istringstream(rest.substr(std::min(end + 1, rest.size())))};
}

class Recordings : public testing::TestWithParam<test::GoldenCase> {};

TEST_P(Recordings, WriteTheirText) {
    const test::GoldenCase& c = GetParam();
    SCOPED_TRACE(c.where);
    static const std::map<std::string, KeyCategory> categories = {{"action", KeyCategory::Action},
                                                                  {"edit", KeyCategory::Edit},
                                                                  {"oper", KeyCategory::Oper},
                                                                  {"macro", KeyCategory::Macro}};
    RecordLanguage language = RecordLanguage::Own;
    std::string description = "logon steps";
    std::unique_ptr<RecordingText> made;
    std::string body;
    const auto r = [&]() -> RecordingText& {
        if (!made)
            made = std::make_unique<RecordingText>(
                RecordingHeader{language, description, "logon.mac", "2026-12-07 08:15:00", 20});
        return *made;
    };
    for (const test::GoldenStep& step : c.steps) {
        SCOPED_TRACE("line " + std::to_string(step.line));
        std::istringstream words(step.rest);
        uint32_t unlocks = 0, row = 0, column = 0;
        if (step.verb == "language") {
            language = step.rest == "rexx" ? RecordLanguage::Rexx : RecordLanguage::Own;
        } else if (step.verb == "description") {
            description = test::GoldenValue(step.rest);
        } else if (step.verb == "shows") {
            EXPECT_NE(r().text().find(test::GoldenValue(step.rest)), std::string::npos) << r().text();
        } else if (step.verb == "type") {
            auto [text, more] = QuotedThenRest(step.rest);
            int count = 1;
            more >> count >> unlocks;
            for (int i = 0; i < count; ++i)
                for (char ch : text) r().Key(K(CharCode(uint8_t(ch)), "", unlocks));
        } else if (step.verb == "key") {
            std::string category, name;
            int number = 0;
            words >> category >> number >> name >> unlocks;
            RecordedKey k = K(MakeKeyCode(categories.at(category), uint8_t(number)), name, unlocks);
            if (words >> row >> column) k.pointer = RecordedCell{row, column};
            r().Key(k);
        } else if (step.verb == "flush") {
            r().FlushTypedText();
        } else if (step.verb == "finish") {
            words >> unlocks;
            r().Finish(unlocks, {});
        } else if (step.verb == "statement") {
            words >> unlocks >> row >> column;
            std::string text;
            std::getline(words >> std::ws, text);
            r().Statement(unlocks, {row, column}, test::GoldenValue(text));
        } else if (step.verb == "mouse") {
            uint32_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;
            words >> unlocks >> row >> column >> r1 >> c1 >> r2 >> c2;
            r().MouseSelection(unlocks, {row, column}, {r1, c1}, {r2, c2});
        } else if (step.verb == "body") {
            body += test::GoldenValue(step.rest);
        } else if (step.verb == "statements") {
            EXPECT_EQ(r().text(), body);
            EXPECT_EQ(r().statements(), std::stoi(step.rest));
        } else {
            ADD_FAILURE() << "unknown verb " << step.verb;
        }
    }
    const std::string last = c.steps.empty() ? "" : c.steps.back().verb;
    EXPECT_TRUE(last == "statements" || last == "shows") << "a case ends with its checks";
}

INSTANTIATE_TEST_SUITE_P(Cases, Recordings,
                         testing::ValuesIn(test::ReadGoldenCases("record/data/recording_text.txt")),
                         test::GoldenTestName);

}  // namespace
}  // namespace orkan
