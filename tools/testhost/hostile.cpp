#include "hostile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ds.h"

namespace testhost::hostile {

namespace {

constexpr uint8_t kHostTextField = 0x0F;
constexpr uint8_t kHostTextQualifier = 0x1F;
constexpr uint8_t kMacroSelector = 0x98;

}  // namespace

bool RemoteMacroRecords(std::string_view text, bool raw, const Codec& codec, std::vector<Bytes>& out,
                        std::string& error, size_t piece) {
    Bytes bytes;
    if (raw) {
        bytes.assign(text.begin(), text.end());
    } else if (!codec.ToHost(text, bytes, error)) {
        return false;
    }
    out.clear();
    size_t at = 0;
    do {
        const size_t n = std::min(piece, bytes.size() - at);
        // Length (2), ID, qualifier, two bytes the terminal skips, the selector, the text.
        Bytes r = {ds::kWriteStructuredField, 0x00, 0x00, kHostTextField,
                   kHostTextQualifier,        0x00, 0x00, kMacroSelector};
        r.insert(r.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                 bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
        const size_t length = r.size() - 1;
        r[1] = static_cast<uint8_t>(length >> 8);
        r[2] = static_cast<uint8_t>(length & 0xFF);
        out.push_back(std::move(r));
        at += n;
    } while (at < bytes.size());
    return true;
}

ClientLog::~ClientLog() {
    if (file_) std::fclose(file_);
}

bool ClientLog::Open(const std::string& path, std::string& error) {
    file_ = std::fopen(path.c_str(), "ab");
    if (!file_) error = path + ": " + std::strerror(errno);
    return file_ != nullptr;
}

void ClientLog::Append(const uint8_t* data, size_t size) {
    if (!file_ || size == 0) return;
    std::fwrite(data, 1, size, file_);
    std::fflush(file_);
}

}  // namespace testhost::hostile
