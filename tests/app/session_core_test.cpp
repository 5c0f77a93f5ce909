// A session assembled as the headless program assembles it (start-up from a command line, no
// window): the clipboard, find, history, status line and the Oper dispatch all work
// below the window. Also what the core promises the programs around it: timers of one runtime
// never touch another's, and a trace switched on mid-connection hears the very next items.
#include <gtest/gtest.h>

#include <set>

#include "app/session_core.h"
#include "app/session_macros.h"
#include "clipboard/find.h"
#include "display/status_line.h"
#include "ds3270/screen_dump.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "print/printer_profile.h"
#include "print/printing.h"
#include "screen/presentation_space.h"
#include "support/ds3270_harness.h"
#include "support/recording_ui.h"
#include "support/running_session.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;

// "NAME" protected at row 1, an unprotected field after it holding the cursor; keyboard restored.
constexpr std::string_view kPanel = "F5C3 11C150 1D60 D5C1D4C5 1D40 13 FFEF";
// "FIND ME" written into row 3 of that screen; keyboard restored.
constexpr std::string_view kSecondScreen = "F1C3 11C3F0 1D60 C6C9D5C440D4C5 1DF0 FFEF";

uint16_t Oper(uint8_t n) {
    return MakeKeyCode(KeyCategory::Oper, n, kKeyWorksWhileLocked);
}

struct CountingFrame : test::RecordingFrame {
    void BlinkPhase(int) override { ++blinks; }
    int blinks = 0;
};

class SessionCoreTest : public ::testing::Test,
                        public test::RunningSession<test::RecordingUi, CountingFrame> {
  protected:
    SessionCoreTest() {
        EXPECT_EQ(Start({"--headless", "--host", "127.0.0.1:2023"}), 0);
        EXPECT_TRUE(Connect({kPanel}));
        sink.Take();
    }
    Session& s() { return session(); }
    std::string StatusCells(size_t first, size_t count) {
        const StatusText t = BuildStatusText(s());
        return std::string(t.cells.begin() + ptrdiff_t(first), t.cells.begin() + ptrdiff_t(first + count));
    }
};

TEST_F(SessionCoreTest, FindMarksFollowEveryScreenAndTheHistoryBrowsesBack) {
    s().hooks.find->FindText("FIND ME", find_option::EveryScreen);
    Feed(kSecondScreen);
    const uint32_t at = 3 * s().ps.columns + 1;  // row 3, after the attribute
    EXPECT_TRUE(s().ps.planes.highlight[at] & hl::FindMark)
        << "the marks were not renewed after the host wrote";

    // Two screens are in the ring now: back to the first, then Reset returns to the live one.
    ExecuteKey(s(), Oper(oper_fn::PrevScreen), true);
    EXPECT_EQ(s().status, SessionStatus::History);
    EXPECT_EQ(StatusCells(5, 9), "Screen -1");
    EXPECT_EQ(Row(1).substr(1, 4), "NAME");
    EXPECT_EQ(Row(3).substr(1, 7), "       ");
    ExecuteKey(s(), MakeKeyCode(KeyCategory::Edit, edit_fn::Reset, kKeyWorksWhileLocked), true);
    EXPECT_EQ(s().status, SessionStatus::Unlocked);
    EXPECT_EQ(Row(3).substr(1, 7), "FIND ME");
}

TEST_F(SessionCoreTest, StatusLineShowsTheConnectCountdownAndTheUserText) {
    ASSERT_TRUE(s().record.SetText(field::StatusLine, "Session &L"));
    s().record.SetNumber(field::ConnectionTimeout, 10);
    ASSERT_TRUE(runtime.StartDetachedConnection(sink));
    EXPECT_EQ(s().status, SessionStatus::Connecting);
    for (int tick = 0; tick < 6 * 4; ++tick) runtime.OnBlinkTick();  // four seconds
    EXPECT_EQ(StatusCells(5, 9), "Connect 6");
    const long user_at = 16 + (long(s().ps.columns) - 29 - 9) / 2;
    EXPECT_EQ(StatusCells(size_t(user_at), 9), "Session A");
}

TEST_F(SessionCoreTest, OperFunctionsWithoutAWindow) {
    // Nothing to show and nothing to say; then what only a window can do.
    for (const uint8_t oper : {oper_fn::AsciiHost, oper_fn::FontLarger, oper_fn::ToggleMarkers}) {
        ExecuteKey(s(), Oper(oper), true);
        EXPECT_TRUE(ui.shown.empty()) << int(oper) << ": " << ui.shown.front().text;
    }
    for (const uint8_t oper :
         {oper_fn::Options, oper_fn::SaveSessionAs, oper_fn::ReconnectAsk, oper_fn::NewSession,
          oper_fn::KeyboardEdit, oper_fn::ToolBarEdit, oper_fn::KeyPadEdit, oper_fn::ToolBarVariants,
          oper_fn::HelpContents, oper_fn::HelpSearch}) {
        ui.shown.clear();
        ExecuteKey(s(), Oper(oper), true);
        ASSERT_EQ(ui.shown.size(), 1u) << int(oper);
        EXPECT_NE(ui.shown[0].text.find("needs a session window"), std::string::npos) << ui.shown[0].text;
    }
    EXPECT_EQ(s().link.ascii_host, AsciiHost::Raw);
    ExecuteKey(s(), Oper(oper_fn::Disconnect), true);
    EXPECT_EQ(s().status, SessionStatus::NotConnected);
    EXPECT_FALSE(runtime.IsConnectionOpen());
}

// Macros read the print status the printing keeps: "1of2" while a two-up sheet waits for its
// second screen.
TEST_F(SessionCoreTest, MacrosReadThePrintStatus) {
    PrinterProfile profile = ReadPrinterProfile(s().record, 0);
    profile.two_up = true;
    WritePrinterProfile(s().record, 0, profile);
    runtime.core().Print().state().printer = folder / "out.txt";
    runtime.core().Print().PrintScreen(false);
    ASSERT_EQ(runtime.core().Print().state().status_text, "1of2");
    std::optional<MacroOutcome> outcome;
    ASSERT_TRUE(runtime.core().Macros().Runner().StartText("IF PRINTSTATUS = \"1of2\"\nEXIT 7\nENDIF\nEXIT 1",
                                                           MacroOrigin::User,
                                                           [&](const MacroOutcome& o) { outcome = o; }));
    ASSERT_TRUE(loop.RunUntil([&] { return outcome.has_value(); }, 5s));
    EXPECT_EQ(outcome->exit_code, 7);
}

TEST_F(SessionCoreTest, EveryKeyFunctionIsCarriedOutOrRefusedWithItsReason) {
    // Left out: what reaches beyond the test (printers, a new connection, the end of the session).
    const std::set<uint8_t> beyond = {oper_fn::Exit,           oper_fn::ExitAll,   oper_fn::PrintScreen,
                                      oper_fn::PrintScreenAsk, oper_fn::PrintFile, oper_fn::Reconnect,
                                      oper_fn::ReconnectAsk};
    for (KeyCategory c : {KeyCategory::Action, KeyCategory::Edit, KeyCategory::Oper}) {
        for (const KeyFunction& f : state.key_list.Functions(c)) {
            if (c == KeyCategory::Oper && beyond.contains(f.number)) continue;
            ui.shown.clear();
            ExecuteKey(s(), MakeKeyCode(c, f.number, f.flags), true);
            for (const MessageBox& box : ui.shown) {
                EXPECT_EQ(box.text.find("not available"), std::string::npos) << f.name << ": " << box.text;
                EXPECT_EQ(box.text.find("is not one that"), std::string::npos) << f.name << ": " << box.text;
            }
        }
    }
}

TEST_F(SessionCoreTest, ATraceSwitchedOnMidConnectionHearsTheNextItems) {
    test::RecordingTrace trace;
    s().trace.Set(&trace);
    Feed("FFFB19");       // a Telnet command the engine answers
    Feed(kSecondScreen);  // a record
    s().trace.Set(nullptr);
    std::vector<TraceType> types;
    for (const auto& item : trace.items) types.push_back(item.first);
    for (TraceType t : {TraceType::ReceivedChunk, TraceType::Telnet, TraceType::Record})
        EXPECT_NE(std::find(types.begin(), types.end(), t), types.end()) << int(t);
}

// Two sessions on one loop: closing one stops its own timers only.
TEST(SessionTimers, TwoRuntimesOnOneLoopKeepTheirOwnTimers) {
    PollEventLoop loop;
    test::RecordingUi ui;
    CountingFrame first_frame, second_frame;
    auto first = std::make_unique<SessionRuntime>(loop, ui, first_frame);
    SessionRuntime second(loop, ui, second_frame);
    first->StartTimers();
    second.StartTimers();
    ASSERT_TRUE(loop.RunUntil([&] { return first_frame.blinks > 0 && second_frame.blinks > 0; }, 5s));
    first->Destroy();
    first.reset();
    const int before = second_frame.blinks;
    EXPECT_TRUE(loop.RunUntil([&] { return second_frame.blinks >= before + 3; }, 5s))
        << "the other session's blink timer was stopped";
    second.Destroy();
}

}  // namespace
}  // namespace orkan
