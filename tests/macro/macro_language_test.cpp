// The macro language end to end on a session without a host: macro text in; values, exit codes,
// errors with their report, screen and key effects out.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "macro/macro_source.h"
#include "macro_harness.h"
#include "scripting/macro_errors.h"
#include "support/golden_file.h"

namespace orkan {
void PrintTo(const MacroValue& v, std::ostream* os) {
    if (v.IsNumber())
        *os << v.number;
    else
        *os << '"' << v.text << '"';
}
}  // namespace orkan

namespace orkan::test {
namespace {

MacroValue N(int32_t n) {
    return MacroValue::Number(n);
}
MacroValue T(const char* t) {
    return MacroValue::Text(t);
}

// The case file's escapes: {N*TEXT}, then those of a quoted value (\n \r \\ \xHH).
std::string Unescape(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '{' || i + 1 == s.size() || !std::isdigit(static_cast<unsigned char>(s[i + 1]))) {
            out += s[i];
            continue;
        }
        const size_t star = s.find('*', i), end = s.find('}', star);
        for (int n = std::stoi(std::string(s.substr(i + 1, star - i - 1))); n > 0; --n)
            out += s.substr(star + 1, end - star - 1);
        i = end;
    }
    return GoldenValue("\"" + out + "\"");
}

TEST(MacroLanguage, CaseFile) {
    std::ifstream in(std::string(ORKAN_SOURCE_DIR) + "/tests/macro/macro_cases.txt");
    ASSERT_TRUE(in) << "no case file";
    std::string line;
    int number = 0, cases = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        const size_t arrow = line.rfind(" => ");
        ASSERT_NE(arrow, std::string::npos) << "line " << number;
        SCOPED_TRACE("macro_cases.txt line " + std::to_string(number) + ": " + line.substr(0, 80));
        ++cases;
        MacroSession m;
        m.Run(Unescape(std::string_view(line).substr(0, arrow)));
        std::istringstream expect(line.substr(arrow + 4));
        std::string word;
        expect >> word;
        if (word == "error") {
            int error = 0;
            expect >> error;
            EXPECT_EQ(m.outcome.end, MacroOutcome::End::Error);
            EXPECT_EQ(m.outcome.error, error) << m.LastMessage();
            const std::string needle =
                "Orkan macro error " + std::to_string(error) + " - " + std::string(MacroErrorText(error));
            EXPECT_NE(m.LastMessage().find(needle), std::string::npos) << m.LastMessage();
            continue;
        }
        EXPECT_EQ(m.outcome.end, MacroOutcome::End::Finished) << m.LastMessage();
        std::string want;
        std::getline(expect >> std::ws, want);
        int exit_code = 0;
        if (const size_t exit = want.rfind(" exit "); exit != std::string::npos && want.back() != '"') {
            exit_code = std::stoi(want.substr(exit + 6));
            want.resize(exit);
        }
        std::ostringstream got;  // a number as it is, a text in double quotes
        PrintTo(m.Var(word), &got);
        EXPECT_EQ(got.str(), Unescape(want));
        EXPECT_EQ(m.outcome.exit_code, exit_code);
    }
    EXPECT_GT(cases, 100) << "the case file was cut short";
}

TEST(MacroErrors, TableFullAndReportLayout) {
    {
        std::string text;
        for (int i = 0; i < 3700; ++i) text += "V" + std::to_string(i) + " = 1\n";
        MacroSession m;
        m.Run(text);
        EXPECT_EQ(m.outcome.error, 32);
    }
    for (const TableRow& row : ReadTableRows("macro/data/error_reports.tsv")) {
        MacroSession m;
        m.Run(row.cells.at(0));
        EXPECT_EQ(m.LastMessage(), row.cells.at(1)) << row.where;
    }
}

// A file that cannot grow (its size limit reached) fails the PUT that writes to it.
TEST(MacroErrors, AWriteThatFailsIsAnError) {
    const std::string path = testing::TempDir() + "orkan-cannot-grow.txt";
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit none = old;
    none.rlim_cur = 0;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
    MacroSession m;
    m.Run("H = OPEN(\"" + path + "\", \"output\")\nPUT(H, \"x\")");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(m.outcome.error, macro_error::WriteFailed) << m.LastMessage();
    std::filesystem::remove(path);
}

TEST(MacroScreen, ReadsTypesAndPressesKeys) {
    MacroSession m;
    m.ks.Write({"|Name:[______________", "|READY"}, 0, 7);
    m.Run(
        "R1 = SCREEN(1, 2, 5)\nR2 = ONSCREEN(\"ready\", 2)\nR3 = ONSCREENROW * 100 + ONSCREENCOL\n"
        "R4 = SCREEN(0, 1)\nR5 = LEN(SCREEN(1, 75))\nR6 = ONSCREEN(\"ready\", 1)\nTYPE(\"joe\")\n"
        "R7 = CURSORCOL\nKEY(\"Enter\")");
    EXPECT_EQ(m.outcome.end, MacroOutcome::End::Finished) << m.LastMessage();
    const std::pair<const char*, MacroValue> values[] = {{"R1", T("Name:")}, {"R2", N(1)}, {"R3", N(202)},
                                                         {"R4", T("")},      {"R5", N(6)}, {"R6", N(0)},
                                                         {"R7", N(11)}};
    for (const auto& [name, value] : values) EXPECT_EQ(m.Var(name), value) << name;
    EXPECT_EQ(m.ks.Screen()[0].substr(0, 11), "|Name:{joe_");
    EXPECT_FALSE(m.ks.harness.TakeSent().empty());
}

TEST(MacroWaits, TimersHostRecordsPauseAndStop) {
    {
        MacroSession m;
        m.Run("WAIT(5)\nSHORTWAIT(50)\nR = 1");
        EXPECT_EQ(m.runner.state(), MacroState::TimedPause);
        EXPECT_EQ(m.runner.StatusLetter(), 'P');
        EXPECT_EQ(m.loop.FireTimer(), 5000);
        m.loop.RunPosted();
        EXPECT_EQ(m.loop.FireTimer(), 500);
        m.loop.RunPosted();
        EXPECT_EQ(m.Var("R"), N(1));
        EXPECT_EQ(m.finished, 1);
    }
    {
        MacroSession m;
        m.Run("WAIT(5, STATUS = \"UNLOCKED\")\nR = 1");
        EXPECT_EQ(m.runner.state(), MacroState::Waiting);
        m.loop.FireTimer();
        EXPECT_EQ(m.outcome.error, 31);
    }
    {
        // The screen's write unlocks the keyboard too: WAITUNLOCKED then goes on at once.
        MacroSession m;
        m.Run("WAIT(5, ONSCREEN(\"READY\"))\nWAITUNLOCKED(3)\nR = 1");
        m.ks.Write({"|NOT YET"});
        m.loop.RunPosted();
        EXPECT_EQ(m.runner.state(), MacroState::Waiting);
        m.ks.Write({"|READY"});
        m.loop.RunPosted();
        EXPECT_EQ(m.Var("R"), N(1));
        EXPECT_TRUE(m.loop.timers.empty());
    }
    {
        // A loop that never ends gives the loop back after every turn; pause and stop reach it.
        MacroSession m;
        (void)m.runner.StartText("WHILE 1\nENDWHILE");
        m.loop.RunPosted(3);
        EXPECT_EQ(m.runner.state(), MacroState::Running);
        EXPECT_FALSE(m.loop.posted.empty());
        EXPECT_GE(m.runner.statements_executed(), 3u * 100);
        m.runner.TogglePause();
        EXPECT_EQ(m.ks.session.indicators.macro_letter, 'X');
        m.loop.RunPosted();
        EXPECT_EQ(m.runner.state(), MacroState::Paused);
        m.runner.TogglePause();
        m.loop.RunPosted(2);
        EXPECT_EQ(m.runner.state(), MacroState::Running);
        m.runner.Stop();
        m.loop.RunPosted();
        EXPECT_EQ(m.outcome.end, MacroOutcome::End::Stopped);
        EXPECT_EQ(m.ks.session.indicators.macro_letter, 0);
    }
}

TEST(MacroChains, OneChainAtATimeTheOthersWaitInOrder) {
    MacroSession m;
    std::vector<std::string> ends;
    auto note = [&ends](std::string name) {
        return [&ends, name](const MacroOutcome& o) {
            ends.push_back(name + ":" + std::to_string(int(o.end)) + "/" + std::to_string(o.exit_code));
        };
    };
    const std::string event_file = testing::TempDir() + "orkan-unlocked.ext";
    std::ofstream(event_file) << "ORDER = ORDER + \"e\"\n";
    m.runner.SetEventMacroFiles({"", "", "", event_file});
    MacroHook& hook = m.runner;

    ASSERT_TRUE(m.runner.StartText("ORDER = \"a\"\nWAIT(5)\nEXIT 1", MacroOrigin::User, note("first")));
    m.loop.RunPosted();
    EXPECT_FALSE(hook.DropsKeys());  // waiting: keys are the user's
    ASSERT_TRUE(m.runner.StartText("ORDER = ORDER + \"b\"\nEXIT 2", MacroOrigin::User, note("second")));
    EXPECT_FALSE(m.runner.StartFile("/nonexistent-orkan-dir/x", MacroOrigin::User, note("missing")));
    ASSERT_TRUE(m.runner.StartText("ORDER = ORDER + \"c\"", MacroOrigin::User, note("third")));
    m.loop.RunPosted();
    EXPECT_EQ(m.runner.WaitingMacros(), 2u);
    EXPECT_FALSE(hook.StartEventMacroIfIdle(EventMacro::Unlocked, ""));
    m.loop.FireTimer();
    m.loop.RunPosted();
    EXPECT_EQ(ends, (std::vector<std::string>{"missing:3/0", "first:0/1", "second:0/2", "third:0/0"}));
    EXPECT_EQ(m.Var("ORDER"), T("abc"));
    EXPECT_TRUE(hook.StartEventMacroIfIdle(EventMacro::Unlocked, ""));
    EXPECT_FALSE(hook.StartEventMacroIfIdle(EventMacro::Protect, ""));  // no file: not enabled
    m.loop.RunPosted();
    EXPECT_EQ(m.Var("ORDER"), T("abce"));

    // Stop ends the running chain and the ones waiting for it; the waiting room has a limit.
    ends.clear();
    ASSERT_TRUE(m.runner.StartText("WHILE 1\nENDWHILE", MacroOrigin::User, note("loop")));
    m.loop.RunPosted(1);
    EXPECT_TRUE(hook.DropsKeys());
    for (size_t i = 0; i < kMaxWaitingMacros; ++i) ASSERT_TRUE(m.runner.StartText("X = 1"));
    EXPECT_FALSE(m.runner.StartText("X = 2", MacroOrigin::User, note("refused")));
    EXPECT_NE(m.LastMessage().find("16 macros are waiting"), std::string::npos) << m.LastMessage();
    m.runner.Stop();
    m.loop.RunPosted();
    EXPECT_EQ(ends, (std::vector<std::string>{"refused:3/0", "loop:2/0"}));
    EXPECT_EQ(m.finished, 5 + 1 + 1 + int(kMaxWaitingMacros));
    EXPECT_EQ(m.runner.WaitingMacros(), 0u);
    EXPECT_FALSE(hook.IsMacroRunning());
    std::filesystem::remove(event_file);
}

TEST(MacroDialogs, MessageBoxEditBoxAndOtherSessions) {
    MacroSession m;
    m.ks.harness.ui.answers = {Answer::Yes};
    (void)m.runner.StartText(
        "R = MESSAGEBOX(\"q\", \"T\", 2, 4)\nSESSION(\"b\")\nS = SESSION(\"7\")\nRUN(\"x.mac\", \"b\")");
    m.loop.RunPosted();
    EXPECT_EQ(m.Var("R"), N(6));
    const MessageBox& box = m.ks.harness.ui.shown.front();
    EXPECT_EQ(box.title, "T");
    EXPECT_EQ(box.buttons, Buttons::YesNo);
    EXPECT_EQ(box.icon, Icon::Question);
    EXPECT_EQ(m.Var("S"), N(1));
    EXPECT_EQ(m.env.calls, (std::vector<std::string>{"front B", "front 7", "run B x"}));

    // A numeric second argument is the whole style: buttons in the low digit, the icon above.
    RecordingUi& ui = m.ks.harness.ui;
    m.Run("B = MESSAGEBOX(\"q\", 19)");
    EXPECT_EQ(ui.shown.front().buttons, Buttons::YesNoCancel);
    EXPECT_EQ(ui.shown.front().icon, Icon::Error);

    // EDITBOX takes its arguments by type: a password's echo character must reach the dialog.
    ui.edit_answer = "secret";
    m.Run("A = EDITBOX(\"Password?\", \"Logon\", 8, \"*x\", 300)");
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0].title, "Logon");
    EXPECT_EQ(ui.asked[0].echo, '*');
    EXPECT_EQ(ui.asked[0].max_length, 8);
    EXPECT_EQ(ui.asked[0].width, 300);
    EXPECT_EQ(m.Var("A"), T("secret"));
    m.Run("A = EDITBOX(\"p\", 5)");  // the answer is longer than the dialog allows
    EXPECT_EQ(m.outcome.error, macro_error::TextTooLong);
    ui.edit_answer.reset();

    // Cancel ends the macro in the middle of its statement, which must not read a freed text.
    for (const char* text : {"A = EDITBOX(\"Name?\")\nR = 99", "A = EDITBOX(\"Name?\") + \"x\" ; R = 99"}) {
        m.Run(text);
        EXPECT_EQ(m.outcome.end, MacroOutcome::End::Stopped) << text;
        EXPECT_EQ(m.LastMessage(), "Macro Stopped: Macro stopped by cancelling an EditBox");
        EXPECT_EQ(m.Var("R"), N(6)) << text;
    }
}

TEST(MacroFiles, WriteReadAndRunFiles) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("orkan-macro-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "macros");
    MacroSession m;
    m.ks.session.folders.app_data = dir.string();
    m.ks.session.folders.macros = (dir / "macros").string();
    m.Run(
        "H = OPEN(\"out.txt\", \"output\")\nPUT(H, \"one\")\nPUT(H, \"two\", \"nocrlf\")\nCLOSE(H)\n"
        "H = OPEN(\"out.txt\", \"input\")\nA = GET(H)\nB = GET(H)\nE = EOF(H)\nQ = OPEN(\"missing\", "
        "\"input\", 1)");
    EXPECT_EQ(m.outcome.end, MacroOutcome::End::Finished) << m.LastMessage();
    EXPECT_EQ(m.Var("A"), T("one"));
    EXPECT_EQ(m.Var("B"), T("two"));
    EXPECT_EQ(m.Var("E"), N(1));
    EXPECT_EQ(m.Var("Q"), N(-1));

    std::ofstream(dir / "macros" / "child.mac") << "C = P + 1\r\nEXIT 4\r\n";
    std::ofstream(dir / "macros" / "self.mac") << "RUN(\"self\")\n";
    m.Run("P = 1\nRUN(\"child.txt\")\nR = C * 10");
    EXPECT_EQ(m.Var("R"), N(20));
    EXPECT_EQ(m.outcome.exit_code, 4);
    m.Run("RUN(\"self\")");
    EXPECT_EQ(m.outcome.error, macro_error::RunTooDeep);
    m.Run("RUN(\"absent\")");
    EXPECT_EQ(m.outcome.end, MacroOutcome::End::LoadFailed);

    // The macro's Windows-1252 names are the file system's UTF-8 names.
    std::ofstream(dir / "macros" / "chïld.mac") << "D = 5\n";
    m.Run("H = OPEN(\"caf\xE9.txt\", \"output\")\nCLOSE(H)\nRUN(\"ch\xEFld\")");
    EXPECT_TRUE(std::filesystem::exists(dir / "café.txt"));
    EXPECT_EQ(m.Var("D"), N(5)) << m.LastMessage();
    m.Run("RUN(\"ch\xEFldless\")");  // named in the message as the macro wrote it
    EXPECT_NE(m.LastMessage().find("ch\xEFldless.mac\" not found"), std::string::npos) << m.LastMessage();

    // A program named relative to the data folder runs from there, never a namesake on PATH.
    std::ofstream(dir / "tool") << "#!/bin/sh\n";
    std::filesystem::permissions(dir / "tool", std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    m.Run("A = SHELLEXECUTE(\"open\", \"tool\", \"-x\", \"\", 0)");
    ASSERT_FALSE(m.env.calls.empty());
    EXPECT_EQ(m.env.calls.back(), "spawn " + (dir / "tool").string() + " -x");

    // A user variable made longer than a text by hand is an error, not an absent one's "".
    m.ks.session.folders.settings_file = (dir / "orkan.ini").string();
    std::ofstream(dir / "orkan.ini") << "[UserVariables]\nBig=" << std::string(300, 'x') << "\n";
    m.Run("A = GETINI(\"big\")");
    EXPECT_EQ(m.outcome.error, macro_error::TextTooLong);

    // A name with a NUL byte in it cannot be opened, rather than naming the file before the NUL.
    m.Run("H = OPEN(\"out.txt\" + CHR(0) + \".new\", \"output\", 1)");
    EXPECT_EQ(m.Var("H"), N(-1));
    m.Run("H = OPEN(\"out.txt\", \"input\")\nA = GET(H)");
    EXPECT_EQ(m.Var("A"), T("one"));
    std::filesystem::remove_all(dir);
}

TEST(MacroSource, NormalisedOnLoad) {
    for (const TableRow& row : ReadTableRows("macro/data/normalised_source.tsv")) {
        const NormalisedMacro n = NormaliseMacroSource(row.cells.at(0));
        const bool refused = row.cells.at(1) == "refused";
        EXPECT_EQ(n.ok, !refused) << row.where;
        if (refused)
            EXPECT_NE(n.error.find(row.cells.at(2)), std::string::npos) << row.where << ": " << n.error;
        else
            EXPECT_EQ(n.text, row.cells[1]) << row.where;
    }
}

}  // namespace
}  // namespace orkan::test
