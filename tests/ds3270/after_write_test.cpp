// A file transfer's part in host records (the rest of what follows a write is in
// data/after_write.txt): the dispatcher offers screen records and hands over structured fields.
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
