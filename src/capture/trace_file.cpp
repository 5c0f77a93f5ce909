#include "capture/trace_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/file_io.h"

namespace orkan {

namespace {

void PutLe16(std::vector<uint8_t>& out, size_t value) {
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t((value >> 8) & 0xFF));
}

int TwoDigits(int value) {
    return std::clamp(value, 0, 99);
}

}  // namespace

std::string TraceHeaderText() {
    return std::string(ORKAN_VERSION) + " " + __DATE__;
}

std::string TraceTimeText(const std::tm& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", TwoDigits(time.tm_hour), TwoDigits(time.tm_min),
                  TwoDigits(time.tm_sec));
    return std::string(text, trace_format::kTimeSize);
}

std::vector<uint8_t> EncodeTraceHeader(std::string_view text) {
    std::vector<uint8_t> out;
    PutLe16(out, text.size());
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

uint32_t AppendTraceItem(std::vector<uint8_t>& out, uint8_t type, std::string_view time_text,
                         std::span<const uint8_t> payload) {
    uint32_t counted = 0;
    uint8_t piece_type = type;
    do {
        const size_t n = std::min(payload.size(), trace_format::kMaxPayload);
        out.push_back(piece_type);
        out.insert(out.end(), time_text.begin(), time_text.begin() + trace_format::kTimeSize);
        PutLe16(out, n);
        out.insert(out.end(), payload.begin(), payload.begin() + std::ptrdiff_t(n));
        counted += uint32_t(1 + trace_format::kTimeSize + n);
        payload = payload.subspan(n);
        piece_type = trace_format::kContinued;
    } while (!payload.empty());
    return counted;
}

int TraceFile::Start(const std::string& path) {
    Stop();
    path_ = path;
    return Restart();
}

int TraceFile::Restart() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = OpenForWriting(path_, WriteMode::Replace, FileAccess::Private);
    if (fd_ < 0) return errno;
    size_ = 0;
    const std::vector<uint8_t> header = EncodeTraceHeader(TraceHeaderText());
    if (const int error = WriteAllBytes(fd_, header); error != 0) {
        ::close(fd_);
        fd_ = -1;
        return error;
    }
    return 0;
}

void TraceFile::Stop() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void TraceFile::Fail(int error) {
    Stop();
    if (on_write_failed) on_write_failed(error);
}

void TraceFile::TraceRecord(TraceType type, std::span<const uint8_t> data) {
    if (fd_ < 0) return;
    // A file removed while open would take every further item where no one can read it.
    struct stat st {};
    if (size_ > size_limit_ || (::fstat(fd_, &st) == 0 && st.st_nlink == 0)) {
        // The item that found the file full (or gone) opens the new one rather than being dropped.
        if (const int error = Restart(); error != 0) {
            Fail(error);
            return;
        }
    }
    buffer_.clear();
    const uint8_t number = uint8_t(uint8_t(type) % 128);
    size_ += AppendTraceItem(buffer_, number, TraceTimeText(clock_.LocalNow()), data);
    if (const int error = WriteAllBytes(fd_, buffer_); error != 0) Fail(error);
}

}  // namespace orkan
