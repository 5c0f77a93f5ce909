// REXX macros in a session assembled as both programs assemble it, on a poll loop without a host:
// the dispatcher's choice by first line, the functions against the screen and the settings, the
// wait handshake, stop and pause, ten tasks at once, and what a macro may not reach.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>

#include <filesystem>
#include <fstream>
#include <functional>

#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "rexx_fixture.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using End = MacroOutcome::End;

struct RexxSession : test::RexxFixture {
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(fs::path(session().folders.macros) / name) << text;
    }
    // Writes the macro file, starts it and keeps its outcome.
    void Start(const std::string& name, const std::string& text) {
        Write(name + ".mac", text);
        outcome.reset();
        ASSERT_TRUE(
            dispatcher().StartFile(name, MacroOrigin::User, [this](const MacroOutcome& o) { outcome = o; }));
    }
    bool Ended() {
        return loop.RunUntil([&] { return outcome.has_value(); }, 10s);
    }
    // How the macro ended; nothing when it did not end in time.
    std::optional<End> Ending() { return Ended() ? std::optional(outcome->end) : std::nullopt; }
    bool Said(std::string_view text) {
        return loop.RunUntil(
            [&] {
                for (const std::string& l : ui.lines)
                    if (l.find(text) != std::string::npos) return true;
                return false;
            },
            10s);
    }
    void Oper(uint8_t number) { ExecuteKey(session(), MakeKeyCode(KeyCategory::Oper, number)); }
};

TEST(RexxSession, FirstLinePicksTheLanguageAndTheReturnCodeEndsIt) {
    RexxSession w;
    w.Start("r",
            "/* Rexx */\nsay 'rows' getvar('screenheight')\ncall putvar 'cursorpos', '3,5'\n"
            "say getvar('CursorRow') getvar('cursorcol')\nexit 12\n");
    ASSERT_EQ(w.Ending(), End::Finished) << w.Lines();
    EXPECT_EQ(w.outcome->exit_code, 12);
    for (const char* said : {"rows 24", "3 5"}) EXPECT_TRUE(w.Said(said)) << said << "\n" << w.Lines();
    EXPECT_EQ(w.session().indicators.macro_letter, 0);

    // The same dispatcher hands a file without the comment to the own language; its RUN of a
    // REXX file starts that as REXX, and the caller goes on.
    w.ui.lines.clear();
    w.Start("caller", "* own\nRUN(\"r\")\nAFTER = 1\n");
    ASSERT_EQ(w.Ending(), End::Finished) << w.Lines();
    EXPECT_TRUE(w.Said("rows 24")) << w.Lines();
    EXPECT_GE(w.runtime.core().Macros().Runner().variables().Find("AFTER"), 0);
}

TEST(RexxSession, FunctionErrorsNameTheirCodeAndEndTheMacro) {
    for (const test::TableRow& row : test::ReadTableRows("rexx/data/function_errors.tsv")) {
        SCOPED_TRACE(row.where);
        RexxSession w;
        w.Start("e", "/* REXX */\n" + row.cells[0] + "\nexit 0\n");
        ASSERT_EQ(w.Ending(), End::Error) << w.Lines();
        if (row.cells.size() > 1) {
            EXPECT_TRUE(w.Said(row.cells[1])) << w.Lines();
        }
        EXPECT_TRUE(w.Said("Return code from REXX is -"));
    }
}

TEST(RexxSession, ScreenFunctionsAndCommands) {
    RexxSession w;
    Session& s = w.session();
    const std::string text = "READY now";
    for (size_t i = 0; i < text.size(); ++i) s.ps.planes.display[80 * 4 + 10 + i] = uint8_t(text[i]);
    s.ps.planes.colour[0] = 0x27;
    // Names with a character beyond ASCII are the file system's UTF-8 names.
    std::ofstream(fs::path(s.folders.app_data) / "ïn.txt") << "a\nb\nc\n";
    w.Write("chïld.mac", "/* REXX */\nsay 'child ran'\n");
    w.Start("s",
            "/* REXX */\n"
            "say onscreen('ready') getvar('onscreenrow') getvar('onscreencol')\n"
            "say onscreen('ready', 5, 11) onscreen('ready', 5, 12) onscreen('now', 4)\n"
            "say '[' || screen(5, 11, 5) || ']' attribute(1, 1) color(1, 1)\n"
            "'FOO bar'\n"
            "say 'rc' rc\n"
            // A function's result is no command, but the command after it runs.
            "say screen(1, 1, 1)\n"
            "'EXECIO * DISKR ïn.txt (STEM L.'\n"
            "type('x')\n"
            // A recorded macro key plays back as EXECUTE.
            "Execute (\"chïld\")\n"
            "exit L.0\n");
    ASSERT_EQ(w.Ending(), End::Finished) << w.Lines();
    EXPECT_EQ(w.outcome->exit_code, 3) << w.Lines();
    for (const char* said :
         {"1 5 11", "1 0 0", "[READY] 00 27", "Unknown Orkan command - FOO", "rc 8", "child ran"})
        EXPECT_TRUE(w.Said(said)) << said << "\n" << w.Lines();
    EXPECT_EQ(w.Lines().find("Unknown Orkan command - \n"), std::string::npos) << w.Lines();

    // The match is the session's: the own language reads where REXX found READY.
    ASSERT_TRUE(w.dispatcher().StartText("DEBUG(\"at \" + STR(ONSCREENROW * 100 + ONSCREENCOL))"));
    EXPECT_TRUE(w.Said("at 511")) << w.Lines();
}

// A position given to Select Location is where the selection goes, as a mouse press would put it
// (a recorded selection plays back in the cells it was made in); Find's text is found as the find
// dialog's OK would find it.
TEST(RexxSession, KeysTakeTheirOperands) {
    RexxSession w;
    for (uint32_t i = 0; i < 4; ++i) w.session().ps.planes.display[80 * 6 + 2 + i] = uint8_t("FIND"[i]);
    w.Start("sel",
            "/* REXX */\ncall key 'SelectLocation1', 2, 11\ncall key 'SelectLocation2', 4, 20\n"
            "call key 'Find', 'find', 0\n");
    ASSERT_EQ(w.Ending(), End::Finished) << w.Lines();
    const Selection& sel = w.session().selection;
    EXPECT_TRUE(sel.shown);
    EXPECT_EQ((std::array{sel.Top(), sel.Left(), sel.Bottom(), sel.Right()}), (std::array{1u, 10u, 3u, 19u}));
    for (uint32_t a = 80 * 6 + 1; a <= 80 * 6 + 6; ++a)
        EXPECT_EQ(bool(w.session().ps.planes.highlight[a] & hl::FindMark), a >= 80 * 6 + 2 && a < 80 * 6 + 6)
            << a;
}

TEST(RexxSession, WaitsAreReleasedByTheHostAndTimeOut) {
    RexxSession w;
    Session& s = w.session();
    s.status = SessionStatus::Locked;
    w.Start("w",
            "/* REXX */\n"
            "say 'cond' wait(10, \"getvar('cursorrow') = 5\")\n"
            "call waitunlocked 10\n"
            "say 'released by the unlock'\n"
            "say 'late' wait(1, \"getvar('cursorrow') = 9\")\n"
            "say 'already' wait(5, '1')\n");
    w.Drain(50ms);
    ASSERT_TRUE(MoveCursorTo(s, 5, 1));
    w.dispatcher().AfterHostRecord();
    ASSERT_TRUE(w.Said("cond 1")) << w.Lines();
    w.Drain(50ms);
    EXPECT_EQ(w.Lines().find("released by the unlock"), std::string::npos);
    s.status = SessionStatus::Unlocked;
    w.dispatcher().ReleaseUnlockWaits();
    ASSERT_TRUE(w.Said("released by the unlock")) << w.Lines();
    for (const char* said : {"Error 1008", "late 0", "already 1"})
        EXPECT_TRUE(w.Said(said)) << said << "\n" << w.Lines();
    ASSERT_EQ(w.Ending(), End::Finished) << w.Lines();
}

TEST(RexxSession, StopEndsATightLoopAndPauseHoldsAMacro) {
    RexxSession w;
    w.frame.window = true;  // Pause needs a window that can resume the macro
    w.Start("loop", "/* REXX */\nsay 'looping'\ndo forever\n  nop\nend\n");
    ASSERT_TRUE(w.Said("looping"));
    EXPECT_EQ(w.session().indicators.macro_letter, 'P');
    w.Oper(oper_fn::MacroStop);
    ASSERT_EQ(w.Ending(), End::Stopped) << w.Lines();
    EXPECT_EQ(w.session().indicators.macro_letter, 0);

    // A very long type() leaves the loop to the window between its parts, so Stop ends it at once.
    const auto began = std::chrono::steady_clock::now();
    w.Start("type", "/* REXX */\nsay 'typing'\ncall type copies('x', 4000000)\nsay 'typed'\n");
    ASSERT_TRUE(w.Said("typing"));
    w.Drain(50ms);
    w.Oper(oper_fn::MacroStop);
    ASSERT_EQ(w.Ending(), End::Stopped) << w.Lines();
    EXPECT_LT(std::chrono::steady_clock::now() - began, 3s);

    w.Start("steps",
            "/* REXX */\ndo i = 1 to 40\n  call putvar 'cursorcol', i\n  call shortwait 10\nend\nsay "
            "'finished'\n");
    w.Drain(60ms);
    w.Oper(oper_fn::MacroPause);
    EXPECT_EQ(w.session().indicators.macro_letter, 'X');
    w.Drain(60ms);
    const uint32_t held = w.session().ps.cursor_address;
    w.Drain(150ms);
    EXPECT_EQ(w.session().ps.cursor_address, held);
    EXPECT_FALSE(w.outcome.has_value());
    w.Oper(oper_fn::MacroPause);
    EXPECT_EQ(w.session().indicators.macro_letter, 'P');
    ASSERT_EQ(w.Ending(), End::Finished) << w.Lines();
}

TEST(RexxSession, TenTasksWaitAtOnceAndAnEleventhIsRefused) {
    RexxSession w;
    std::vector<std::optional<MacroOutcome>> ends(11);
    for (int n = 1; n <= 11; ++n)
        w.Write("t" + std::to_string(n) + ".mac",
                "/* REXX */\ncall wait 20, \"getvar('cursorcol') = " + std::to_string(n) + "\"\nsay 'woke " +
                    std::to_string(n) + "'\n");
    for (int n = 1; n <= 10; ++n)
        ASSERT_TRUE(w.rexx().StartFile("t" + std::to_string(n), RexxOrigin::RexxMacro,
                                       [&ends, n](const MacroOutcome& o) { ends[size_t(n - 1)] = o; }));
    EXPECT_EQ(w.rexx().RunningTasks(), 10u);
    EXPECT_FALSE(w.rexx().StartFile("t11", RexxOrigin::RexxMacro));
    ASSERT_FALSE(w.ui.shown.empty());
    EXPECT_NE(w.ui.shown.back().text.find("10 REXX macros are running already"), std::string::npos);
    for (int n = 10; n >= 1; --n) {
        ASSERT_TRUE(MoveCursorTo(w.session(), 1, n));
        w.dispatcher().AfterHostRecord();
        ASSERT_TRUE(w.Said("woke " + std::to_string(n))) << w.Lines();
    }
    ASSERT_TRUE(w.loop.RunUntil([&] { return w.rexx().RunningTasks() == 0; }, 10s));
    for (int n = 0; n < 10; ++n) EXPECT_EQ(ends[size_t(n)]->end, End::Finished) << n;

    // The user's start stops the running REXX macro first.
    w.Write("hold.mac", "/* REXX */\ncall wait 30\n");
    std::optional<MacroOutcome> first;
    ASSERT_TRUE(w.rexx().StartFile("hold", RexxOrigin::User, [&](const MacroOutcome& o) { first = o; }));
    w.Start("quick", "/* REXX */\nexit 1\n");
    ASSERT_TRUE(w.Ended());
    ASSERT_TRUE(w.loop.RunUntil([&] { return first.has_value(); }, 10s));
    EXPECT_EQ(first->end, End::Stopped);
    EXPECT_EQ(w.outcome->exit_code, 1);
}

TEST(RexxSession, NoProgramRunsForAnUnknownFunctionNorForAHostMacro) {
    RexxSession w;
    const fs::path bin = fs::path(w.folder.path()) / "bin";
    const fs::path marker = fs::path(w.folder.path()) / "marker";
    fs::create_directories(bin);
    for (const char* name : {"ORKANMARKER", "orkanmarker"}) {
        std::ofstream(bin / name) << "#!/bin/sh\ntouch '" << marker.string() << "'\n";
        fs::permissions(bin / name, fs::perms::owner_all);
    }
    const std::string path = bin.string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
    setenv("PATH", path.c_str(), 1);
    w.Start("u", "/* REXX */\nx = orkanmarker()\ncall orkanmarker\n");
    ASSERT_EQ(w.Ending(), End::Error) << w.Lines();
    EXPECT_TRUE(w.Said("Routine not found")) << w.Lines();

    // A host's macro file starts as the host's: refused.
    w.Write("h.mac", "/* REXX */\nsay winexec('orkanmarker')\n");
    w.session().hooks.macros->StartHostMacroFile("h");
    ASSERT_TRUE(w.Said("Error 1020")) << w.Lines();
    ASSERT_TRUE(w.loop.RunUntil([&] { return w.rexx().RunningTasks() == 0; }, 10s));
    w.Drain(100ms);
    EXPECT_FALSE(fs::exists(marker));
}

// A FIFO or a device named as a macro file is refused at once with the reason, by both languages.
TEST(RexxSession, AMacroFileThatIsNoRegularFileIsRefusedAtOnce) {
    RexxSession w;
    const fs::path macros = w.session().folders.macros;
    ASSERT_EQ(mkfifo((macros / "fifo.mac").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", macros / "zero.mac");
    using Start = std::function<bool(RexxSession&, const std::string&, MacroDone)>;
    const std::pair<const char*, Start> starts[] = {
        {"dispatcher",
         [](RexxSession& r, const std::string& n, MacroDone d) {
             return r.dispatcher().StartFile(n, MacroOrigin::User, std::move(d));
         }},
        {"own runner",
         [](RexxSession& r, const std::string& n, MacroDone d) {
             return r.runtime.core().Macros().Runner().StartFile(n, MacroOrigin::User, std::move(d));
         }},
        {"rexx", [](RexxSession& r, const std::string& n,
                    MacroDone d) { return r.rexx().StartFile(n, RexxOrigin::User, std::move(d)); }},
    };
    for (const auto& [how, start] : starts) {
        for (const char* name : {"fifo", "zero"}) {
            SCOPED_TRACE(std::string(how) + " " + name);
            w.ui.shown.clear();
            std::optional<MacroOutcome> outcome;
            EXPECT_FALSE(start(w, name, [&](const MacroOutcome& o) { outcome = o; }));
            ASSERT_TRUE(outcome.has_value());
            EXPECT_EQ(outcome->end, End::LoadFailed);
            ASSERT_EQ(w.ui.shown.size(), 1u);
            EXPECT_NE(w.ui.shown[0].text.find("The name is not a regular file."), std::string::npos)
                << w.ui.shown[0].text;
        }
    }
}

// The menu's Disconnect wakes a macro of either language that waits on the session, as a host's
// close does: neither waits for its time to run out.
TEST(RexxSession, DisconnectReleasesAWaitingMacroAtOnce) {
    const std::pair<const char*, const char*> macros[] = {
        {"own", "* own\nWAIT(60, STATUS = \"NOTCONNECTED\")\nEXIT 1\n"},
        {"rexx", "/* REXX */\nexit wait(60, \"getvar('status') = 'NOTCONNECTED'\")\n"},
    };
    for (const auto& [language, text] : macros) {
        SCOPED_TRACE(language);
        RexxSession w;
        w.session().status = SessionStatus::Unlocked;
        w.Start("d", text);
        w.Drain(50ms);
        ASSERT_FALSE(w.outcome.has_value()) << w.Lines();
        ASSERT_TRUE(w.runtime.core().RunOper(oper_fn::Disconnect));
        ASSERT_EQ(w.Ending(), End::Finished) << w.Lines();
        EXPECT_EQ(w.outcome->exit_code, 1);
    }
}

}  // namespace
}  // namespace orkan
