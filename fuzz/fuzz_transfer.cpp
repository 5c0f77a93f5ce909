// File transfer records through the whole host input path: DFT structured fields and screen frames
// in every transfer status, both directions, text and binary with every conversion, and a cancel
// part way. The first two bytes choose the set-up; the rest is split into records at each FF EF.
// The PC files live in memory, so nothing touches the disk.

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "ds3270/fields.h"
#include "ds3270/write_processor.h"
#include "harness.h"
#include "keyboard/keyboard.h"
#include "session/session.h"
#include "support/iconv_tables.h"
#include "transfer/transfer_protocol.h"
#include "transfer/transfer_state.h"

namespace {

using namespace orkan;

class Hook : public TransferHook {
  public:
    explicit Hook(Session& s) : s_(s) {}
    bool OfferScreenRecord(std::span<const uint8_t> record) override {
        return HandleTransferFrame(s_, state, record);
    }
    void StructuredField(std::span<const uint8_t> field) override { HandleTransferField(s_, state, field); }
    void AfterWriteFinished() override {}
    TransferState state;

  private:
    Session& s_;
};

// An upload file that fails after a while when the set-up says so.
class Source : public UploadSource {
  public:
    Source(size_t size, bool fails) : size_(size), fails_(fails) {}
    Result Read(std::span<uint8_t> into) override {
        if (fails_ && position_ > size_ / 2) return {0, EIO};
        const size_t n = std::min(into.size(), size_ - position_);
        for (size_t i = 0; i < n; ++i) into[i] = uint8_t((position_ + i) * 7 % 251);
        position_ += n;
        return {n, 0};
    }

  private:
    size_t size_, position_ = 0;
    bool fails_;
};

class Target : public DownloadTarget {
  public:
    explicit Target(bool fails) : fails_(fails) {}
    int Write(std::span<const uint8_t> bytes) override {
        if (closed_) __builtin_trap();  // a closed file must never be written
        written_ += bytes.size();
        return fails_ && written_ > 4096 ? ENOSPC : 0;
    }
    int Complete() override {
        closed_ = true;
        return 0;
    }
    int Commit() override { return 0; }
    void Discard() override { closed_ = true; }

  private:
    size_t written_ = 0;
    bool fails_;
    bool closed_ = false;
};

constexpr SessionStatus kStatuses[4] = {SessionStatus::TransferReady, SessionStatus::TransferData,
                                        SessionStatus::TransferMessage, SessionStatus::TransferReady};
constexpr uint16_t kBlockSizes[4] = {256, 2500, 8192, 25000};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static CharsetTables tables = [] {
        CharsetTables t = test::Cp037Tables();
        for (int i = 0; i < 256; ++i) t.upload[size_t(i)] = t.download[size_t(i)] = uint8_t(255 - i);
        t.transfer_table_loaded = true;
        return t;
    }();
    const uint8_t setup = data[0];
    const uint8_t more = data[1];
    fuzz::QuietUi ui;
    fuzz::NullSender sender;
    auto session = std::make_unique<Session>(ui);
    Session& s = *session;
    Keyboard keyboard{s};
    Hook hook(s);
    s.sender = &sender;
    s.charset = tables;
    s.link.line_mode = false;
    s.folders.app_data = s.folders.temp_macros = "/dev/null";  // no host print or macro file is made
    s.hooks.transfer = &hook;
    s.record.SetNumber(field::TransferBlockSize, kBlockSizes[more & 3]);
    EraseScreen(s, 1);

    TextOptions options;
    options.binary = setup & 0x08;
    options.line_ends = setup & 0x10;
    options.utf8 = setup & 0x20;
    options.remove_1a = setup & 0x40;
    const bool upload = setup & 0x04;
    TransferState& t = hook.state;
    t.direction = t.requested = upload ? TransferDirection::Upload : TransferDirection::Download;
    t.active = true;
    t.block_size = kBlockSizes[more & 3];
    t.pc_path = "fuzz";
    if (upload) {
        options.table = tables.upload;
        t.upload =
            std::make_unique<UploadReader>(std::make_unique<Source>(size_t(more) * 97, more & 4), options);
    } else {
        options.table = tables.download;
        t.download = std::make_unique<DownloadWriter>(std::make_unique<Target>(more & 4), options);
    }
    s.status = kStatuses[setup & 3];

    const std::span<const uint8_t> rest(data + 2, size - 2);
    const size_t cancel_at = (setup & 0x80) ? rest.size() / 2 : size_t(-1);
    for (const std::span<const uint8_t> record : fuzz::SplitRecords(rest)) {
        if (!record.empty()) ProcessHostRecord(s, record);
        if (size_t(record.data() + record.size() - rest.data()) >= cancel_at && t.active)
            CancelTransfer(s, t);
    }
    if (t.active) AbortTransfer(s, t, "end of input");
    return 0;
}
