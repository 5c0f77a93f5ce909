#include "transfer/transfer_streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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
    decoded_position_ = 0;
    const bool decode = options_.utf8 && !options_.binary;
    // Without decoding the bytes are read straight into place.
    std::vector<uint8_t>& into = decode ? raw_ : decoded_;
    into.resize(std::max(wanted, kReadPiece));
    const UploadSource::Result r = source_->Read(into);
    into.resize(r.error ? 0 : r.count);
    if (decode) decoded_.clear();
    if (r.error) {
        error_ = SystemErrorText(r.error);
        return false;
    }
    if (r.count == 0) {
        source_ended_ = true;
        if (decode && !decoder_.Finish()) {
            error_ = "the file ends inside a UTF-8 character (" + DescribeFailure(decoder_.failure()) + ")";
            return false;
        }
        return true;
    }
    if (decode && !decoder_.Feed(raw_, decoded_)) {
        error_ = "the file holds a character the transfer code page cannot carry (" +
                 DescribeFailure(decoder_.failure()) + ")";
        return false;
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
        const uint8_t* from = decoded_.data() + decoded_position_;
        const size_t n = std::min(decoded_.size() - decoded_position_, limit - block.size());
        // Everything up to the next LF goes as it is.
        const void* lf = expand ? std::memchr(from, kLf, n) : nullptr;
        const size_t run = lf ? size_t(static_cast<const uint8_t*>(lf) - from) : n;
        block.insert(block.end(), from, from + run);
        decoded_position_ += run;
        if (!lf) continue;
        // The pair stays whole; it goes first in the next block.
        if (block.size() + 2 > limit) break;
        block.push_back(kCr);
        block.push_back(kLf);
        ++decoded_position_;
    }
    if (!options_.binary)
        for (size_t i = converted_from; i < block.size(); ++i) block[i] = options_.table[block[i]];
    return block.empty() ? Status::End : Status::Data;
}

DownloadWriter::DownloadWriter(std::unique_ptr<DownloadTarget> target, const TextOptions& options)
    : target_(std::move(target)), options_(options), uncarried_(!options.utf8) {}

int DownloadWriter::Write(std::span<const uint8_t> host_bytes) {
    if (finished_) return EBADF;
    if (options_.binary && !options_.line_ends) return target_->Write(host_bytes);
    if (host_bytes.empty()) return 0;
    const bool text = !options_.binary;
    // What the last block held back goes first: a CR, then a 0x1A (in the order they came).
    stage_.clear();
    if (held_cr_) stage_.push_back(kCr);
    if (held_1a_) stage_.push_back(kEndOfFile);
    held_cr_ = held_1a_ = false;
    const size_t start = stage_.size();
    stage_.resize(start + host_bytes.size());
    if (text) {
        for (size_t i = 0; i < host_bytes.size(); ++i) stage_[start + i] = options_.table[host_bytes[i]];
    } else {
        std::memcpy(stage_.data() + start, host_bytes.data(), host_bytes.size());
    }
    // Only the last byte of the whole file may go; a block's last byte waits to see.
    if (text && options_.remove_1a && stage_.back() == kEndOfFile) {
        stage_.pop_back();
        held_1a_ = true;
    }
    if (options_.line_ends) {
        size_t w = 0;
        const size_t n = stage_.size();
        for (size_t r = 0; r < n; ++r) {
            const uint8_t b = stage_[r];
            if (b == kCr) {
                if (r + 1 == n) {
                    held_cr_ = true;  // the next block says whether an LF follows
                    continue;
                }
                if (stage_[r + 1] == kLf) continue;
            }
            stage_[w++] = b;
        }
        stage_.resize(w);
        // A held CR comes before a held 0x1A: the 0x1A may still end the file after it.
        if (held_cr_ && held_1a_) {
            held_cr_ = false;
            stage_.push_back(kCr);
        }
    }
    if (text && options_.carried)
        for (uint8_t b : stage_)
            uncarried_.Take(options_.utf8 ? Windows1252CodePoint(b) : b, (*options_.carried)[b]);
    if (!(text && options_.utf8)) return target_->Write(stage_);
    out_.clear();
    out_.reserve(stage_.size() + stage_.size() / 4);
    for (uint8_t b : stage_) {
        if (b < 0x80)
            out_.push_back(b);
        else
            AppendWindows1252AsUtf8(b, out_);
    }
    return target_->Write(out_);
}

int DownloadWriter::Finish() {
    if (finished_) return 0;
    finished_ = true;
    held_1a_ = false;  // it ended the file
    if (held_cr_) {
        held_cr_ = false;
        const uint8_t cr = kCr;
        if (const int e = target_->Write(std::span(&cr, 1))) return e;
    }
    return target_->Complete();
}

}  // namespace orkan
