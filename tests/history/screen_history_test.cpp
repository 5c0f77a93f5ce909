// The ring of earlier screens: which screens it keeps, browsing back and forth, and what the
// session looks like when the live screen comes back.
#include <gtest/gtest.h>

#include "display/display_fixture.h"
#include "ds3270/write_processor.h"
#include "history/screen_history.h"

namespace orkan {
namespace {

struct CountingView : View {
    void RepaintAll() override { ++repaints; }
    void ScreenSizeChanged() override { ++size_changes; }
    void RefreshStatusLine() override { ++status_refreshes; }
    int repaints = 0, size_changes = 0, status_refreshes = 0;
};

struct CountingFind : FindHook {
    void FindAgainAfterScreen() override { ++finds; }
    void FindText(std::string_view, uint8_t) override {}
    int finds = 0;
};

class HistoryTest : public ::testing::Test {
  protected:
    explicit HistoryTest(uint32_t buffers = 3) {
        d.Resize(24, 80);
        d.s.record.SetNumber(field::ScreenBuffers, buffers);
        d.s.view = &view;
        d.s.status = SessionStatus::Unlocked;
        history = std::make_unique<ScreenHistory>(d.s);
    }
    // A host screen: its text on row 0 and the cursor, then the snapshot after the unlock.
    void HostScreen(const std::string& text, uint32_t cursor = 0) {
        d.s.ps.planes.display.fill(0);
        d.Text(0, text);
        d.s.ps.cursor_address = cursor;
        history->TakeHistorySnapshot();
    }
    std::string Row0() const {
        std::string s;
        for (uint32_t c = 0; c < 8 && d.s.ps.planes.display[c]; ++c) s += char(d.s.ps.planes.display[c]);
        return s;
    }

    test::DisplaySession d;
    CountingView view;
    std::unique_ptr<ScreenHistory> history;
};

TEST_F(HistoryTest, KeepsDistinctScreensOnlyAndBrowsesNoneWithoutAnEarlierOne) {
    EXPECT_EQ(history->SlotCount(), 4u);
    EXPECT_FALSE(history->PreviousScreen());
    HostScreen("");          // blank
    d.Text(0, "\x01\x1F ");  // control characters and blanks only
    history->TakeHistorySnapshot();
    EXPECT_EQ(history->StoredCount(), 0u);
    HostScreen("LOGON");
    HostScreen("LOGON", 5);  // the same text with another cursor is the same screen
    EXPECT_EQ(history->StoredCount(), 1u);
    EXPECT_FALSE(history->PreviousScreen());  // the one entry is the screen on show
    EXPECT_FALSE(history->NextScreen());
    EXPECT_EQ(d.s.status, SessionStatus::Unlocked);
    EXPECT_EQ(view.repaints, 0);
    HostScreen("READY");
    HostScreen("LOGON");
    EXPECT_EQ(history->StoredCount(), 3u);
}

TEST_F(HistoryTest, BrowseBackAndReturnWithTheStatusFromBefore) {
    CountingFind find;
    d.s.hooks.find = &find;
    HostScreen("ONE", 1);
    HostScreen("TWO", 2);
    HostScreen("THREE", 3);
    d.Text(0, "THREEX");  // typed into the live screen since
    d.s.ps.cursor_address = 6;
    d.s.status = SessionStatus::Locked;  // an attention went out; waiting for the host

    ASSERT_TRUE(history->PreviousScreen());
    EXPECT_EQ(Row0(), "TWO");
    EXPECT_EQ(d.s.ps.cursor_address, 2u);
    EXPECT_EQ(d.s.status, SessionStatus::History);
    EXPECT_EQ(history->Depth(), 1u);
    ASSERT_TRUE(history->PreviousScreen());
    EXPECT_EQ(Row0(), "ONE");
    EXPECT_EQ(history->Depth(), 2u);
    EXPECT_FALSE(history->PreviousScreen());  // nothing older
    EXPECT_EQ(history->Depth(), 2u);

    ASSERT_TRUE(history->NextScreen());
    EXPECT_EQ(Row0(), "TWO");
    EXPECT_EQ(find.finds, 0);  // no find asks to follow every screen
    d.s.record.SetNumber(field::FindOptions, 0x04);
    ASSERT_TRUE(history->NextScreen());  // depth 1: back to the live screen
    EXPECT_EQ(Row0(), "THREEX");
    EXPECT_EQ(d.s.ps.cursor_address, 6u);
    EXPECT_EQ(d.s.status, SessionStatus::Locked);
    EXPECT_EQ(history->Depth(), 0u);
    EXPECT_FALSE(history->NextScreen());
    EXPECT_EQ(find.finds, 1);  // the find marks follow the screen shown
    EXPECT_GE(view.repaints, 4);
    EXPECT_GE(view.status_refreshes, 4);
}

// A host record leaves through the same return (below, with a write that locks).
TEST_F(HistoryTest, LeavingRestoresTheStatusFromBefore) {
    using enum SessionStatus;
    for (const SessionStatus before : {Locked, Unlocked, NotConnected}) {
        HostScreen("A");
        HostScreen("B");
        d.s.status = before;
        ASSERT_TRUE(history->PreviousScreen());
        EXPECT_TRUE(history->ReturnToLiveScreen());
        EXPECT_EQ(d.s.status, before);
        EXPECT_EQ(Row0(), "B");
        EXPECT_FALSE(history->ReturnToLiveScreen());  // only while browsing
    }
}

TEST_F(HistoryTest, AHostWriteWhileBrowsingKeepsTheKeyboardLockedUntilItsWccRestores) {
    d.s.hooks.history = history.get();
    HostScreen("A");
    HostScreen("B");
    d.s.status = SessionStatus::SysLock;  // an AID was sent; the host has not answered yet
    ASSERT_TRUE(history->PreviousScreen());
    const uint8_t write_no_restore[] = {0xF1, 0x00};
    ProcessHostRecord(d.s, write_no_restore);
    EXPECT_EQ(d.s.status, SessionStatus::SysLock);
    EXPECT_EQ(Row0(), "B");
    const uint8_t write_restore[] = {0xF1, 0x02};
    ProcessHostRecord(d.s, write_restore);
    EXPECT_EQ(d.s.status, SessionStatus::Unlocked);
}

TEST_F(HistoryTest, FullRingStopsAtItsOldestScreen) {
    d.s.record.SetNumber(field::ScreenBuffers, 2);
    history->SlotCountChanged();
    for (const char* s : {"A", "B", "C", "D"}) HostScreen(s);
    ASSERT_TRUE(history->PreviousScreen());
    ASSERT_TRUE(history->PreviousScreen());
    EXPECT_EQ(Row0(), "B");
    EXPECT_FALSE(history->PreviousScreen());  // the slot before holds the live screen D
    EXPECT_EQ(history->Depth(), 2u);
}

TEST_F(HistoryTest, ScreensOfTheOtherSizeSwitchTheSizeBack) {
    d.s.record.SetNumber(field::TerminalModel, 3);  // model 5: 27 x 132 as the alternate size
    d.Resize(27, 132);
    d.s.ps.size_mode = 2;
    HostScreen("WIDE");
    d.Resize(24, 80);
    HostScreen("NARROW");
    ASSERT_TRUE(history->PreviousScreen());
    EXPECT_EQ(d.s.ps.size_mode, 2);
    EXPECT_EQ(d.s.ps.columns, 132u);
    EXPECT_EQ(Row0(), "WIDE");
    ASSERT_TRUE(history->ReturnToLiveScreen());
    EXPECT_EQ(d.s.ps.size_mode, 1);
    EXPECT_EQ(d.s.ps.columns, 80u);
    EXPECT_EQ(Row0(), "NARROW");
    EXPECT_EQ(view.size_changes, 2);
}

TEST_F(HistoryTest, ResetEmptiesTheRingAndBringsBackTheLiveScreen) {
    HostScreen("A");
    HostScreen("B");
    ASSERT_TRUE(history->PreviousScreen());
    history->Reset();
    EXPECT_EQ(Row0(), "B");
    EXPECT_EQ(d.s.status, SessionStatus::Unlocked);
    EXPECT_EQ(history->StoredCount(), 0u);

    d.s.record.SetNumber(field::ScreenBuffers, 0);
    history->SlotCountChanged();
    EXPECT_EQ(history->SlotCount(), 0u);
    HostScreen("C");
    EXPECT_EQ(history->StoredCount(), 0u);
    EXPECT_FALSE(history->PreviousScreen());
}

}  // namespace
}  // namespace orkan
