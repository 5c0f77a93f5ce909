// The Trace and Dump Buffers commands: what they tell the user, where the session's items go,
// and the buffer dump's layout.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "capture/session_trace.h"
#include "capture/trace_reader.h"
#include "config/temp_folder.h"
#include "net/telnet_test_support.h"
#include "support/ds3270_harness.h"
#include "support/hex.h"

namespace orkan {
namespace {

using test::FromHex;
using test::ToHex;

struct SessionTraceTest : ::testing::Test {
    test::TempFolder folder;
    test::Harness h;
    Session& s = *h.session;
    SessionTraceTest() {
        s.trace.Set(nullptr);
        s.letter = 'C';
        s.folders.app_data = folder.path();
    }
    TraceContents ReadBack() { return ReadTrace(test::ReadBytes(folder / "sessionC.trc")); }
};

const std::string kConfidential =
    "\n\nMake sure this file is not accessible to others, since\nit may contain confidential data. "
    "Nondisplay "
    "input fields \nsuch as passwords have been replaced with XXXXXXXX";

TEST_F(SessionTraceTest, TraceOnAndOff) {
    SessionTrace trace(s);
    trace.ToggleTrace();
    EXPECT_TRUE(trace.Active());
    EXPECT_EQ(s.trace.Target(), &trace.file());
    EXPECT_EQ(h.TakeMessages(),
              "Trace Started: Screen data will now be traced to file sessionC.trc." + kConfidential);
    s.Trace(TraceType::Sent, FromHex("7D"));
    trace.ToggleTrace();
    EXPECT_FALSE(trace.Active());
    EXPECT_EQ(s.trace.Target(), nullptr);
    EXPECT_EQ(h.TakeMessages(), "Trace Stopped: File sessionC.trc contains trace data. Location is\n" +
                                    folder.path() + kConfidential);
    s.Trace(TraceType::Sent, FromHex("7E"));  // goes nowhere now
    trace.StopTrace();                        // nothing to stop: no word of a trace file
    EXPECT_EQ(h.TakeMessages(), "");
    const TraceContents back = ReadBack();
    ASSERT_EQ(back.items.size(), 1u);
    EXPECT_EQ(ToHex(back.items[0].payload), "7D");
}

TEST_F(SessionTraceTest, ARunningEngineLearnsOfTheTraceAtOnce) {
    test::TelnetRecorder events;
    TelnetEngine engine(s.link, TelnetConfig{}, events, &s.trace);  // as the runtime makes it
    {
        SessionTrace trace(s);
        ASSERT_TRUE(trace.StartTraceAtStartUp());
        EXPECT_TRUE(h.TakeMessages().empty());
        engine.OnDataReceived(FromHex("FFFD18"));
    }
    // Gone with its owner: neither the session nor the engine reach it.
    EXPECT_EQ(s.trace.Target(), nullptr);
    engine.OnDataReceived(FromHex("FFFD19"));
    const TraceContents back = ReadBack();
    ASSERT_GE(back.items.size(), 2u);
    EXPECT_EQ(back.items[0].type, 8);
    EXPECT_EQ(ToHex(back.items[0].payload), "FFFD18FFEF");  // in line mode a chunk is shown ended
    for (const TraceItem& item : back.items) EXPECT_EQ(ToHex(item.payload).find("FFFD19"), std::string::npos);
}

TEST_F(SessionTraceTest, DumpBuffers) {
    h.Host("F5C3 1D60 C1C2");
    SessionTrace trace(s);
    trace.DumpBuffers();  // off: a file of its own, and the trace stays off
    EXPECT_FALSE(trace.Active());
    EXPECT_EQ(s.trace.Target(), nullptr);
    EXPECT_EQ(
        h.TakeMessages(),
        "Buffers Dumped: Screen buffers were dumped to file sessionC.trc.\n\nMake sure this file is not "
        "accessible to others, since\nit may contain passwords or other important data.");
    TraceContents back = ReadBack();
    ASSERT_EQ(back.items.size(), 2u);
    // The width, which the dump does not hold, in a note before it.
    EXPECT_EQ(back.items[0].type, 9);
    EXPECT_EQ(std::string(back.items[0].payload.begin(), back.items[0].payload.end()),
              "Buffer dump of a screen of 24 rows and 80 columns.");
    EXPECT_EQ(back.items[1].type, 7);
    const std::vector<uint8_t>& dump = back.items[1].payload;
    ASSERT_EQ(dump.size(), 2u + 1920 * 5);
    EXPECT_EQ(ToHex(std::span(dump).first(5)),
              "8007"
              "204142");                            // 1920, then the display plane
    EXPECT_EQ(dump[2 + 1920], 0x60 | fa::Present);  // the attribute plane, as stored
    EXPECT_EQ(dump, BufferDumpPayload(s));

    ASSERT_TRUE(trace.StartTraceAtStartUp());
    s.Trace(TraceType::Record, FromHex("F1"));
    trace.DumpBuffers();  // on: added to the trace
    back = ReadBack();
    ASSERT_EQ(back.items.size(), 3u);
    EXPECT_EQ(back.items[2].type, 7);
    EXPECT_TRUE(trace.Active());
}

TEST_F(SessionTraceTest, TheLargestScreenIsDumpedWhole) {
    s.ps.rows = 100;
    s.ps.columns = 200;
    s.ps.positions = 20000;
    s.ps.planes.display.fill('x');
    SessionTrace trace(s);
    trace.DumpBuffers();
    const TraceContents back = ReadBack();
    ASSERT_EQ(back.items.size(), 2u);
    EXPECT_EQ(back.items[1].pieces, 2u);
    EXPECT_EQ(back.items[1].payload.size(), 100002u);
    EXPECT_EQ(back.items[1].payload, BufferDumpPayload(s));
}

TEST_F(SessionTraceTest, AFileThatCannotBeMadeLeavesTracingOff) {
    test::WriteText(folder / "notafolder", "x");
    s.folders.app_data = folder / "notafolder";
    SessionTrace trace(s);
    EXPECT_FALSE(trace.StartTrace());
    EXPECT_EQ(s.trace.Target(), nullptr);
    EXPECT_EQ(h.TakeMessages(), "File Save Error: Error 20 while saving " +
                                    folder / "notafolder/sessionC.trc" + "\n\nNot a directory");
    trace.DumpBuffers();
    EXPECT_EQ(h.TakeMessages().rfind("File Save Error: Error 20", 0), 0u);
}

}  // namespace
}  // namespace orkan
