// File data between the PC file and the host's blocks: the transfer table for text, line ends
// (LF to CR LF on the way up, CR LF to LF on the way down), the UTF-8 file form, and the 0x1A
// that may end a downloaded text file. Both directions work in pieces and carry what a piece
// boundary splits (a CR LF pair, a UTF-8 character, a trailing 0x1A) into the next piece.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "transfer/code_page_check.h"
#include "transfer/pc_file.h"
#include "transfer/utf8_file_text.h"

namespace orkan {

struct TextOptions {
    bool binary = false;               // no code conversion: the table, UTF-8 and the 0x1A rule do not apply
    bool line_ends = false;            // upload: every LF goes as CR LF; download: CR LF becomes LF
    bool utf8 = false;                 // the PC file is UTF-8 (the table works on Windows-1252)
    bool remove_1a = false;            // download: a 0x1A that ends the file is dropped
    std::array<uint8_t, 256> table{};  // upload or download table
    // Download: the characters the host's are carried to; the others are counted.
    std::optional<CarriedSet> carried;
};

class UploadReader {
  public:
    UploadReader(std::unique_ptr<UploadSource> source, const TextOptions& options);

    enum class Status { Data, End, Failed };
    // At most `limit` bytes as the host must receive them. Failed: error() says why.
    [[nodiscard]] Status Next(size_t limit, std::vector<uint8_t>& block);
    // Bytes from the last block that did not fit where they were going; they come first next time.
    void GiveBack(std::span<const uint8_t> bytes);
    const std::string& error() const { return error_; }

  private:
    [[nodiscard]] bool Refill(size_t wanted);

    std::unique_ptr<UploadSource> source_;
    TextOptions options_;
    Utf8ToWindows1252 decoder_;
    std::vector<uint8_t> raw_;
    std::vector<uint8_t> decoded_;  // read and decoded, line ends not yet expanded
    size_t decoded_position_ = 0;
    std::vector<uint8_t> given_back_;
    bool source_ended_ = false;
    std::string error_;
};

class DownloadWriter {
  public:
    DownloadWriter(std::unique_ptr<DownloadTarget> target, const TextOptions& options);

    // 0 or the errno of a failed write.
    [[nodiscard]] int Write(std::span<const uint8_t> host_bytes);
    // No more data comes: what was held back is settled, the file is written out and closed.
    [[nodiscard]] int Finish();
    bool finished() const { return finished_; }
    [[nodiscard]] int Commit() { return target_->Commit(); }
    void Discard() { target_->Discard(); }
    // The host's characters the file could not take as themselves.
    const UncarriedCount& uncarried() const { return uncarried_; }

  private:
    std::unique_ptr<DownloadTarget> target_;
    TextOptions options_;
    UncarriedCount uncarried_;
    std::vector<uint8_t> stage_;  // the block translated, with its line ends settled
    std::vector<uint8_t> out_;    // the same as UTF-8
    bool held_1a_ = false;
    bool held_cr_ = false;
    bool finished_ = false;
};

}  // namespace orkan
