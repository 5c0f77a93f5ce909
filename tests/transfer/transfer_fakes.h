// Files and listeners for the transfer tests: PC files in memory that fail where a test says,
// and a record of every progress text and end.
#pragma once

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "transfer/pc_file.h"
#include "transfer/transfer_state.h"

namespace orkan::test {

// Hands out its bytes `piece` at a time; fails with EIO once `fail_at` bytes were read.
class MemorySource final : public UploadSource {
  public:
    explicit MemorySource(std::string bytes, size_t piece = 1 << 20)
        : bytes_(std::move(bytes)), piece_(piece) {}
    Result Read(std::span<uint8_t> into) override {
        if (position_ >= fail_at) return {0, EIO};
        size_t n = std::min({into.size(), piece_, bytes_.size() - position_, fail_at - position_});
        std::copy_n(bytes_.data() + position_, n, into.data());
        position_ += n;
        return {n, 0};
    }
    size_t fail_at = size_t(-1);

  private:
    std::string bytes_;
    size_t piece_;
    size_t position_ = 0;
};

// What a download wrote, and whether it was kept. Writes fail once `fail_after` bytes are in.
struct MemoryFile {
    std::string written;
    bool completed = false;
    bool committed = false;
    bool discarded = false;
    size_t fail_after = size_t(-1);
    int commit_error = 0;
};

class MemoryTarget final : public DownloadTarget {
  public:
    explicit MemoryTarget(MemoryFile& file) : file_(file) {}
    ~MemoryTarget() override {
        if (!file_.committed) file_.discarded = true;
    }
    int Write(std::span<const uint8_t> bytes) override {
        if (file_.completed || file_.discarded) return EBADF;
        if (file_.written.size() + bytes.size() > file_.fail_after) return ENOSPC;
        file_.written.append(bytes.begin(), bytes.end());
        return 0;
    }
    int Complete() override {
        file_.completed = true;
        return 0;
    }
    int Commit() override {
        if (file_.commit_error) return file_.commit_error;
        file_.committed = true;
        return 0;
    }
    void Discard() override {
        if (!file_.committed) file_.discarded = true;
    }

  private:
    MemoryFile& file_;
};

class RecordingEvents final : public TransferEvents {
  public:
    void ProgressText(const std::string& text) override { texts.push_back(text); }
    void Ended(const TransferOutcome& outcome) override { outcomes.push_back(outcome); }
    // The texts other than byte counts, joined by " | "; the list is emptied.
    std::string TakeTexts() {
        std::string out;
        for (const std::string& t : texts) {
            if (t.rfind("Bytes transferred", 0) == 0) continue;
            if (!out.empty()) out += " | ";
            out += t;
        }
        texts.clear();
        return out;
    }
    std::vector<std::string> texts;
    std::vector<TransferOutcome> outcomes;
};

}  // namespace orkan::test
