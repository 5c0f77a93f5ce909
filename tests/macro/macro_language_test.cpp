// The macro language end to end on a session without a host: macro text in; values, exit codes,
// errors with their report, screen and key effects out.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "macro/macro_source.h"
#include "macro_harness.h"
#include "scripting/macro_errors.h"

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

struct ValueCase {
    const char* expression;
    MacroValue expected;
};

TEST(MacroExpressions, ValuesAndFunctionsOfValues) {
    const ValueCase cases[] = {
        {"7 / 2", N(3)},
        {"(-7) / 2", N(-3)},
        {"(-7) // 2", N(-1)},
        {"2 + 3 * 4", N(14)},
        {"1 + 2 = 3", N(1)},
        {"1 | 2 ^ 3", N(0)},
        {"-1 + 2", N(-3)},  // a prefix takes everything after it on its level
        {"(-1) + 2", N(1)},
        {"2 * -3 + 1", N(-8)},
        {"10 - 2 - 3", N(5)},
        {"!0", N(-1)},
        {"NOT(0) + NOT(5)", N(1)},
        {"\"abc\" = \"ABC\"", N(1)},
        {"\"abc\" == \"ABC\"", N(0)},
        {"\"b\" > \"A\"", N(1)},
        {"\"a\" + \"b\"\"c\"", T("ab\"c")},
        {"MID(\"abcdef\", 2, 3)", T("bcd")},
        {"MID(\"abc\", 5, 1)", T("")},
        {"MID(\"abc\", 1, -1)", T("")},
        {"LEFT(\"abc\", 9)", T("abc")},
        {"RIGHT(\"abc\", 2)", T("bc")},
        {"RIGHT(\"abc\", -2)", T("")},
        {"INSTR(0, \"abcabc\", \"c\")", N(3)},
        {"INSTR(3, \"abcabc\", \"c\")", N(3)},
        {"INSTR(0, \"abc\", \"x\")", N(0)},
        {"INSTR(-1, \"abc\", \"a\")", N(0)},
        {"INSTR(9, \"abc\", \"a\")", N(0)},
        {"HEX(255)", T("000000FF")},
        {"HEX(255, 2)", T("FF")},
        {"HEX(0 - 1)", T("FFFFFFFF")},
        {"HEXDEC(\"ff\")", N(255)},
        {"HEXDEC(\"zz\")", N(0)},
        {"DATATYPE(\"a1+\")", T("ANS")},
        {"VAL(\" -12x\")", N(-12)},
        {"VAL(\"x\")", N(0)},
        {"STR(0 - 5)", T("-5")},
        {"CHR(65) + CHR(300)", T("A")},
        {"ASC(\"\") + ASC(\"a\")", N(97)},
        {"LEN(\"abc\")", N(3)},
        {"TRIM(\"  a b  \")", T("a b")},
        {"UPPERCASE(\"a\xE9z\")", T("A\xC9Z")},
        {"LOWERCASE(\"A\xC9Z\")", T("a\xE9z")},
        {"DEFINED(\"true\") + DEFINED(\"nope\")", N(1)},
        {"LEN(STATUS) > 3", N(1)},
        {"99999999 + 0", N(99999999)},
    };
    for (const ValueCase& c : cases) {
        MacroSession m;
        m.Run(std::string("R = ") + c.expression);
        EXPECT_EQ(m.outcome.end, MacroOutcome::End::Finished) << c.expression << ": " << m.LastMessage();
        EXPECT_EQ(m.Var("R"), c.expected) << c.expression;
    }
}

TEST(MacroExpressions, RandomStaysInRange) {
    MacroSession m;
    m.Run("BAD = 0\nFOR I = 1 TO 200\nR = RND(10)\nIF R < 0 | R > 10\nBAD = 1\nENDIF\nNEXT I");
    EXPECT_EQ(m.Var("BAD"), N(0)) << m.LastMessage();
}

struct ProgramCase {
    const char* name;
    const char* text;
    const char* variable;
    MacroValue expected;
    int exit_code = 0;
};

TEST(MacroStatements, ControlFlow) {
    const ProgramCase cases[] = {
        {"for counts down", "R = \"\"\nFOR I = 5 TO 1\nR = R + STR(I)\nNEXT I", "R", T("54321")},
        {"for once", "R = 0; FOR I = 1 TO 1; R = R + 1; NEXT I", "R", N(1)},
        {"for body runs once", "R = 0\nFOR I = 1 TO 0 STEP 1\nR = R + 1\nNEXT I", "R", N(1)},
        {"for step", "R = 0\nFOR I = 1 TO 10 STEP 3\nR = R + I\nNEXT I", "R", N(22)},
        {"while break continue",
         "I = 0\nR = 0\nWHILE 1\nI = I + 1\nIF I = 3\nCONTINUE\nENDIF\nIF I > 5\nBREAK\nENDIF\nR = R + "
         "I\nENDWHILE",
         "R", N(12)},
        {"if else", "IF 0\nR = 1\nELSE\nR = 2\nENDIF", "R", N(2)},
        {"nested if", "R = 0\nIF 1\nIF 0\nR = 1\nELSE\nR = 2\nENDIF\nR = R + 10\nENDIF", "R", N(12)},
        {"select text", "SELECT \"abc\"\nCASE \"x\"\nR = 1\nCASE \"ABC\"\nR = 2\nDEFAULT\nR = 3\nENDSELECT",
         "R", N(2)},
        {"select list", "SELECT 2\nCASE 1, 2, 3\nR = 1\nDEFAULT\nR = 3\nENDSELECT", "R", N(1)},
        {"select default", "SELECT 9\nCASE 1\nR = 1\nDEFAULT\nR = 3\nENDSELECT", "R", N(3)},
        {"two selects", "SELECT 1\nCASE 1\nR = 1\nENDSELECT\nSELECT 2\nCASE 2\nR = R + 2\nENDSELECT", "R",
         N(3)},
        {"goto", "R = 1\nGOTO SKIP\nR = 2\nSKIP:\nR = R + 10", "R", N(11)},
        {"call return", "R = 0\nCALL SUB\nCALL SUB\nEXIT\nSUB: SUBROUTINE\nR = R + 1\nRETURN", "R", N(2)},
        {"falling into a subroutine ends", "R = 1\nS: SUBROUTINE\nR = 2\nRETURN", "R", N(1)},
        {"exit code", "R = 1\nEXIT 7\nR = 2", "R", N(1), 7},
        {"label then statement", "L: R = 5", "R", N(5)},
        {"comment and empty", "* a comment; R = 9\n\nR = R + 1", "R", N(10)},
        {"text after numbers", "A = 5\nA = \"x\"\nR = A", "R", T("x")},
        {"cursor row", "CURSORROW = 3\nR = CURSORPOS", "R", T("3,1")},
        {"lf and crlf", "R = 1\r\nR = R + 1\rR = R + 1", "R", N(3)},
        {"drop", "X = 1\nDROP()\nR = DEFINED(\"X\")", "R", N(0)},
    };
    for (const ProgramCase& c : cases) {
        MacroSession m;
        m.Run(c.text);
        EXPECT_EQ(m.outcome.end, MacroOutcome::End::Finished) << c.name << ": " << m.LastMessage();
        EXPECT_EQ(m.Var(c.variable), c.expected) << c.name;
        EXPECT_EQ(m.outcome.exit_code, c.exit_code) << c.name;
    }
}

TEST(MacroStatements, VariablesOutliveTheirMacro) {
    MacroSession m;
    m.Run("SHARED = 41");
    m.Run("R = SHARED + 1");
    EXPECT_EQ(m.Var("R"), N(42));
}

struct ErrorCase {
    int number;
    std::string text;
};

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(MacroErrors, EveryErrorAMacroCanRaise) {
    const std::string missing = "/nonexistent-orkan-dir/none.txt";
    const ErrorCase cases[] = {
        {1, "A" + Repeat("B", 30) + " = 1"},
        {2, "A = 123456789"},
        {3, "A = 99999999 + 1"},
        {3, "A = 5 / 0"},
        {3, "A = 5 // (1 - 1)"},
        {3, "A = 99999999\nFOR I = 99999998 TO 99999999 STEP 5\nNEXT I"},
        {3, "A = VAL(\"123456789012\")"},
        {3, "A = " + Repeat("(", 101) + "1" + Repeat(")", 101)},
        {4, "A = 1 " + Repeat("*", 31) + " 2"},
        {5, "IF 0\nA = 1"},
        {6, "5 = 3"},
        {6, "FOR 1 = 1 TO 2\nNEXT I"},
        {8, "TYPE(\"\") X"},
        {8, "A = 1, 2"},
        {9, "WHILE 1\nA = 1"},
        {10, "A = NOPE"},
        {11, "A = 1 : 2"},
        {11, "A = \"unterminated"},
        {12, "A = (1"},
        {12, "A = 1)"},
        {13, "A = \"a\" + 1"},
        {14, "A = \"a\" - \"b\""},
        {16, "A = MID(\"a\")"},
        {16, "A = LEN(\"a\", 1)"},
        {17, "A = LEN(1)"},
        {18, "A = (1 2)"},
        {19, Repeat("H = OPEN(\"clipboard\", \"output\")\n", 11)},
        {20, "H = OPEN(\"x\", \"READ\")"},
        {21, "H = OPEN(\"" + missing + "\", \"input\")"},
        {22, "A = GET(3)"},
        {24, "A = GET(10)"},
        {26, "A = MID 1"},
        {27, "DEBUGWINDOW(\"X\")"},
        {28, "ABCDEFGHIJKLMNOPQ = 1"},
        {29, "STATUS = 1"},
        {30, "KEY(\"NoSuchKey\")"},
        {33, "KEY(\"SelectWord\", 1)"},
        {34, "SESSION(\"?\")"},
        {35, "ELSE"},
        {36, "ENDIF"},
        {37, "L: ELSE"},
        {38, "ENDWHILE"},
        {39, "CASE 1"},
        {40, "DEFAULT"},
        {41, "ENDSELECT"},
        {42, "NEXT I"},
        {43, "FOR I 1 TO 2\nNEXT I"},
        {44, "FOR I = 1 2\nNEXT I"},
        {45, "FOR I = \"a\" TO 2\nNEXT I"},
        {46, "FOR I = 1 TO 2 BY 1\nNEXT I"},
        {47, "FOR I = 1 TO 2 STEP 0\nNEXT I"},
        {48, "J = 1\nFOR I = 1 TO 2\nNEXT J"},
        {49, "A = \"" + Repeat("x", 200) + "\" + \"" + Repeat("y", 100) + "\""},
        {49, "A = \"" + Repeat("x", 256) + "\""},
        {50, "BREAK"},
        {51, "CONTINUE"},
        {52, Repeat("L:\n", 23403)},
        {53, "GOTO 10"},
        {54, "GOTO NOWHERE"},
        {56, "IF = 1"},
        {57, "H = OPEN(\"/dev/full\", \"output\")\nPUT(H, \"x\")"},
        {58, "H = OPEN(\"clipboard\", \"output\")\nA = GET(H)"},
        {59, "H = OPEN(\"clipboard\", \"input\")\nPUT(H, \"x\")"},
        {60, "H = OPEN(\"clipboard\", \"output\")\nS = \"" + Repeat("x", 255) +
                 "\"\nWHILE 1\nPUT(H, S)\nENDWHILE"},
        {61, "A = HEX(1, 9)"},
        {61, "WAIT(0 - 1)"},
        {61, "CURSORROW = 25"},
        {62, "CALL L\nL:\n"},
        {63, "GOTO S\nS: SUBROUTINE"},
        {64, "RETURN"},
        {65, "CALL S\nS: SUBROUTINE\nCALL S\nRETURN"},
        {66, "RUN(\"x\", \"c\")"},
        {67, "RUN(\"x\", \"?\")"},
        {19, "FOR I = 1 TO 11\nH = OPEN(\"clipboard\", \"input\")\nNEXT I"},
        {25, "H = OPEN(\"clipboard\", \"input\")\nA = GET(H)\nA = GET(H)"},
        {52, Repeat("IF 1\nENDIF\n", 12000)},
        {55, "SENDFILE(\"\", \"b\")"},
        {69, "SENDFILE(\"a\", \"b\")"},
        {69, "RECEIVEFILE(\"b\", \"a\")"},
        {71, "WHILE 1\nXFERADDSTG(\"name\")\nENDWHILE"},
    };
    for (const ErrorCase& c : cases) {
        MacroSession m;
        m.Run(c.text);
        EXPECT_EQ(m.outcome.end, MacroOutcome::End::Error) << c.number << ": " << c.text.substr(0, 80);
        EXPECT_EQ(m.outcome.error, c.number) << c.text.substr(0, 80) << " -> " << m.LastMessage();
        const std::string needle =
            "Orkan macro error " + std::to_string(c.number) + " - " + std::string(MacroErrorText(c.number));
        EXPECT_NE(m.LastMessage().find(needle), std::string::npos) << m.LastMessage();
    }
}

TEST(MacroErrors, TableFullAndReportLayout) {
    {
        std::string text;
        for (int i = 0; i < 3700; ++i) text += "V" + std::to_string(i) + " = 1\n";
        MacroSession m;
        m.Run(text);
        EXPECT_EQ(m.outcome.error, 32);
    }
    const struct {
        std::string text;
        std::string message;
    } reports[] = {
        {"ENDIF",
         "Macro Error in (macro text): Macro error at line 1, near column 1\nENDIF\n"
         "Orkan macro error 36 - EndIf was seen without a previous If"},
        {"A = 1; B = \"x\" + 1",
         "Macro Error in (macro text): Macro error at line 1, near column 13\nB = \"x\" + 1\n"
         "Orkan macro error 13 - Incompatible variable type for operation"},
        {"A = 1\n  B = NOPE  \n",
         "Macro Error in (macro text): Macro error at line 2, near column 7\nB = NOPE\n"
         "Orkan macro error 10 - Variable or function not found"},
        {"H = OPEN(\"/nonexistent-orkan-dir/x\", \"input\")",
         "Macro Error in (macro text): Macro error at line 1, near column 45\n"
         "H = OPEN(\"/nonexistent-orkan-dir/x\", \"input\")\nOrkan macro error 21 - File open error\n"
         "Windows errno (from fopen) = 2"},
    };
    for (const auto& r : reports) {
        MacroSession m;
        m.Run(r.text);
        EXPECT_EQ(m.LastMessage(), r.message);
    }
}

TEST(MacroErrors, HostMacrosAreRestrictedUnlessAllowed) {
    const char* refused[] = {"WINEXEC(\"ls\")", "A = SHELLEXECUTE(\"open\", \"x\", \"\", \"\", 0)",
                             "H = OPEN(\"/tmp/x\", \"output\")", "A = PUTINI(\"a\", 1)", "RUN(\"other\")"};
    for (const char* text : refused) {
        MacroSession m;
        (void)m.runner.StartText(text, MacroOrigin::Host);
        m.loop.RunPosted();
        EXPECT_EQ(m.outcome.error, macro_error::Refused) << text;
        EXPECT_TRUE(m.env.calls.empty());
    }
    MacroSession m;
    m.ks.session.settings.AllowHostMacros = 1;
    (void)m.runner.StartText("WINEXEC(\"prog \"\"a b\"\" c\")", MacroOrigin::Host);
    m.loop.RunPosted();
    EXPECT_EQ(m.outcome.end, MacroOutcome::End::Finished);
    ASSERT_EQ(m.env.calls.size(), 1u);
    EXPECT_EQ(m.env.calls[0], "spawn prog a b c");
}

TEST(MacroScreen, ReadsTypesAndPressesKeys) {
    MacroSession m;
    m.ks.Write({"|Name:[______________", "|READY"}, 0, 7);
    m.Run(
        "R1 = SCREEN(1, 2, 5)\nR2 = ONSCREEN(\"ready\", 2)\nR3 = ONSCREENROW * 100 + ONSCREENCOL\n"
        "R4 = SCREEN(0, 1)\nR5 = LEN(SCREEN(1, 75))\nR6 = ONSCREEN(\"ready\", 1)\nTYPE(\"joe\")\n"
        "R7 = CURSORCOL\nKEY(\"Enter\")");
    EXPECT_EQ(m.outcome.end, MacroOutcome::End::Finished) << m.LastMessage();
    EXPECT_EQ(m.Var("R1"), T("Name:"));
    EXPECT_EQ(m.Var("R2"), N(1));
    EXPECT_EQ(m.Var("R3"), N(202));
    EXPECT_EQ(m.Var("R4"), T(""));
    EXPECT_EQ(m.Var("R5"), N(6));
    EXPECT_EQ(m.Var("R6"), N(0));
    EXPECT_EQ(m.Var("R7"), N(11));
    EXPECT_EQ(m.ks.Screen()[0].substr(0, 11), "|Name:{joe_");
    EXPECT_FALSE(m.ks.TakeSent().empty());
}

TEST(MacroWaits, TimersHostRecordsPauseAndStop) {
    {
        MacroSession m;
        m.Run("WAIT(5)\nR = 1");
        EXPECT_EQ(m.runner.state(), MacroState::TimedPause);
        EXPECT_EQ(m.runner.StatusLetter(), 'P');
        EXPECT_EQ(m.loop.FireTimer(), 5000);
        m.loop.RunPosted();
        EXPECT_EQ(m.Var("R"), N(1));
        EXPECT_EQ(m.finished, 1);
    }
    {
        MacroSession m;
        m.Run("SHORTWAIT(50)");
        EXPECT_EQ(m.loop.FireTimer(), 500);
    }
    {
        MacroSession m;
        m.Run("WAIT(5, STATUS = \"UNLOCKED\")\nR = 1");
        EXPECT_EQ(m.runner.state(), MacroState::Waiting);
        m.loop.FireTimer();
        EXPECT_EQ(m.outcome.error, 31);
    }
    {
        MacroSession m;
        m.Run("WAIT(5, ONSCREEN(\"READY\"))\nR = 1");
        m.ks.Write({"|NOT YET"});
        m.loop.RunPosted();
        EXPECT_EQ(m.runner.state(), MacroState::Waiting);
        m.ks.Write({"|READY"});
        m.loop.RunPosted();
        EXPECT_EQ(m.Var("R"), N(1));
        EXPECT_TRUE(m.loop.timers.empty());
    }
    {
        MacroSession m;
        m.ks.Write({"|x"});
        m.Run("WAITUNLOCKED(3)\nR = 1");
        EXPECT_EQ(m.Var("R"), N(1));
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
        EXPECT_EQ(m.runner.StatusLetter(), 'X');
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
    std::filesystem::remove_all(dir);
}

TEST(MacroSource, NormalisedOnLoad) {
    const struct {
        std::string in;
        bool ok;
        std::string out;
    } cases[] = {
        {"A=1", true, "A=1\r\n\x1A"},
        {"A=1\nB=2\n", true, "A=1\r\nB=2\r\n\r\n\x1A"},
        {"A=1\x1A", true, "A=1\r\n\x1A"},
        {"", true, "\r\n\x1A"},
        {"\xEF\xBB\xBFX=\"\xC3\xA9\"", true, "X=\"\xE9\"\r\n\x1A"},
        {"X=\"\xE9\"", true, "X=\"\xE9\"\r\n\x1A"},  // Windows-1252 as it is
        {"X=\"\xE4\xB8\x80\"", false, ""},
    };
    for (const auto& c : cases) {
        const NormalisedMacro n = NormaliseMacroSource(c.in);
        EXPECT_EQ(n.ok, c.ok) << c.in;
        if (c.ok)
            EXPECT_EQ(n.text, c.out);
        else
            EXPECT_NE(n.error.find("U+4E00"), std::string::npos) << n.error;
    }
}

}  // namespace
}  // namespace orkan::test
