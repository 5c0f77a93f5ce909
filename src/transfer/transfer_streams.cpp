#include "transfer/transfer_streams.h"

#include <algorithm>
#include <cerrno>

namespace orkan {
namespace {

inline constexpr uint8_t kCr = 0x0D;
inline constexpr uint8_t kLf = 0x0A;
inline constexpr uint8_t kEndOfFile = 0x1A;
inline constexpr size_t kReadPiece = 64 * 1024;

}  // namespace

UploadReader::UploadReader(std::unique_ptr<UploadSource> source, const TextOptions& options)
    : source_(std::move(source)), options_(options) {}

void UploadReader::GiveBack(std::span<const uint8_t> bytes) {
    given_back_.insert(given_back_.begin(), bytes.begin(), bytes.end());
}

bool UploadReader::Refill(size_t wanted) {
    decoded_.clear();
    decoded_position_ = 0;
    raw_.resize(std::max(wanted, kReadPiece));
    const UploadSource::Result r = source_->Read(raw_);
    if (r.error) {
        error_ = SystemErrorText(r.error);
        return false;
    }
    if (r.count == 0) {
        source_ended_ = true;
        if (options_.utf8 && !options_.binary && !decoder_.Finish()) {
            error_ = "the file ends inside a UTF-8 character (" + DescribeFailure(decoder_.failure()) + ")";
            return false;
        }
        return true;
    }
    const std::span<const uint8_t> piece(raw_.data(), r.count);
    if (options_.utf8 && !options_.binary) {
        if (!decoder_.Feed(piece, decoded_)) {
            error_ = "the file holds a character the transfer code page cannot carry (" +
                     DescribeFailure(decoder_.failure()) + ")";
            return false;
        }
    } else {
        decoded_.assign(piece.begin(), piece.end());
    }
    return true;
}

UploadReader::Status UploadReader::Next(size_t limit, std::vector<uint8_t>& block) {
    block.clear();
    if (!error_.empty()) return Status::Failed;
    const size_t from_before = std::min(limit, given_back_.size());
    block.assign(given_back_.begin(), given_back_.begin() + long(from_before));
    given_back_.erase(given_back_.begin(), given_back_.begin() + long(from_before));
    const size_t converted_from = block.size();
    const bool expand = options_.line_ends;

    while (block.size() < limit) {
        if (decoded_position_ == decoded_.size()) {
            if (source_ended_) break;
            if (!Refill(limit)) {
                block.clear();
                return Status::Failed;
            }
            continue;
        }
        const uint8_t c = decoded_[decoded_position_];
        if (expand && c == kLf) {
            // The pair stays whole; it goes first in the next block.
            if (block.size() + 2 > limit) break;
            block.push_back(kCr);
        }
        block.push_back(c);
        ++decoded_position_;
    }
    if (!options_.binary)
        for (size_t i = converted_from; i < block.size(); ++i) block[i] = options_.table[block[i]];
    return block.empty() ? Status::End : Status::Data;
}

DownloadWriter::DownloadWriter(std::unique_ptr<DownloadTarget> target, const TextOptions& options)
    : target_(std::move(target)), options_(options) {}

void DownloadWriter::Emit(uint8_t byte) {
    if (options_.utf8 && !options_.binary) AppendWindows1252AsUtf8(byte, out_);
    else out_.push_back(byte);
}

// The line-end stage, after the 0x1A stage.
void DownloadWriter::AfterHexOneA(uint8_t byte) {
    if (!options_.line_ends) {
        Emit(byte);
        return;
    }
    if (held_cr_) {
        held_cr_ = false;
        if (byte == kLf) {
            Emit(kLf);
            return;
        }
        Emit(kCr);
    }
    if (byte == kCr) {
        held_cr_ = true;
        return;
    }
    Emit(byte);
}

int DownloadWriter::Write(std::span<const uint8_t> host_bytes) {
    if (finished_) return EBADF;
    if (options_.binary && !options_.line_ends) return target_->Write(host_bytes);
    out_.clear();
    for (size_t i = 0; i < host_bytes.size(); ++i) {
        const uint8_t b = options_.binary ? host_bytes[i] : options_.table[host_bytes[i]];
        if (held_1a_) {
            held_1a_ = false;
            AfterHexOneA(kEndOfFile);
        }
        // Only the last byte of the whole file may go; a block's last byte waits to see.
        if (b == kEndOfFile && options_.remove_1a && !options_.binary && i + 1 == host_bytes.size()) {
            held_1a_ = true;
            continue;
        }
        AfterHexOneA(b);
    }
    return target_->Write(out_);
}

int DownloadWriter::Finish() {
    if (finished_) return 0;
    finished_ = true;
    out_.clear();
    held_1a_ = false;  // it ended the file
    if (held_cr_) Emit(kCr);
    held_cr_ = false;
    if (const int e = target_->Write(out_)) return e;
    return target_->Complete();
}

}  // namespace orkan
