// What follows a write beyond the cases of data/after_write.txt (the calls into the subsystems
// after a write, in their order), plus the record dispatcher's steps before the command.
#include <gtest/gtest.h>

#include "ds3270/inbound.h"
#include "support/ds3270_harness.h"
#include "support/hex.h"

namespace orkan {
namespace {

using test::Harness;

class RecordingTransfer : public TransferHook {
  public:
    bool OfferScreenRecord(std::span<const uint8_t> record) override {
        offered.push_back(test::ToHex(record));
        return consume;
    }
    void StructuredField(std::span<const uint8_t> field) override { fields.push_back(test::ToHex(field)); }
    void AfterWriteFinished() override { ++finished_calls; }
    std::vector<std::string> offered, fields;
    bool consume = true;
    int finished_calls = 0;
};

TEST(AfterWrite, ResponseTimeAndUnlockSnapshot) {
    Harness h(24, 80);
    h.clock.now_ms = 1000;
    ASSERT_EQ(SendAidKey(*h.session, 2), AidKeyResult::Sent);
    EXPECT_EQ(h.session->status, SessionStatus::SysLock);
    h.clock.now_ms = 1250;
    h.Host("F5C3 C1C2 13");
    EXPECT_EQ(h.session->ds.response_time_ms, 250);
    EXPECT_EQ(h.session->status, SessionStatus::Unlocked);
    ASSERT_TRUE(h.session->ds.unlock_snapshot);
    EXPECT_TRUE(h.session->ds.unlock_swap_enabled);
    EXPECT_EQ(h.session->ds.unlock_snapshot->planes.display[1], 'B');
    EXPECT_EQ(h.session->ds.unlock_snapshot->cursor_address, 2u);
    // A later unlock without an AID in between leaves the measured time alone.
    h.clock.now_ms = 9000;
    h.Host("F1C2");
    EXPECT_EQ(h.session->ds.response_time_ms, 250);
}

TEST(AfterWrite, ConvertNullsToBlanksAfterTheSnapshot) {
    Harness h(4, 20);
    h.session->record.SetNumber(field::ConvertNullsToBlanks, 1);
    h.Host("F5C3 1140C5 C1");
    EXPECT_EQ(h.session->ps.planes.display[0], ' ');
    EXPECT_EQ(h.session->ps.planes.display[79], ' ');
    EXPECT_EQ(h.session->ds.unlock_snapshot->planes.display[0], 0);
}

TEST(AfterWrite, DuringATransferTheKeyboardStaysAsItIs) {
    Harness h(24, 80);
    RecordingTransfer transfer;
    transfer.consume = false;
    h.session->hooks.transfer = &transfer;
    h.session->status = SessionStatus::TransferData;
    h.Host("F1C2 C1");
    EXPECT_EQ(h.session->status, SessionStatus::TransferData);
    EXPECT_EQ(transfer.offered, std::vector<std::string>{"F1C2C1"});
    EXPECT_EQ(transfer.finished_calls, 0);
}

TEST(Dispatcher, ScreenModeTransferIsDetectedAndItsRecordsOffered) {
    Harness h(24, 80);
    RecordingTransfer transfer;
    h.session->hooks.transfer = &transfer;
    h.session->status = SessionStatus::Unlocked;
    h.Host("F1C3 115D7F 114040 C38181 94 C1");
    EXPECT_EQ(h.session->status, SessionStatus::TransferReady);
    EXPECT_EQ(transfer.offered.size(), 1u);
    EXPECT_EQ(h.Screen(), "");  // consumed by the transfer
    h.Host("F1C3 115D7F 1D40 11D940 1DC8 5C5C5C 1D40 13");
    EXPECT_EQ(h.TakeSent(), "7DD9C5");
    h.Host("F3 0005 D0 0000");
    EXPECT_EQ(transfer.fields, std::vector<std::string>{"0005D00000"});
}

}  // namespace
}  // namespace orkan
