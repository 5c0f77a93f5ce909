// The PC side of a transfer. A download is written to a temporary file in the target's folder and
// replaces the user's file only when the host has said the transfer is complete, so a failed or
// cancelled download never destroys what was there (APPEND starts from a copy). The interfaces
// let tests put failing files under the protocol.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace orkan {

// Not an errno value: the file changed while it was read, so what was read is no one version of it.
inline constexpr int kFileChangedError = -1;

// The system's text for an errno value (or kFileChangedError).
std::string SystemErrorText(int error);

class UploadSource {
  public:
    virtual ~UploadSource() = default;
    struct Result {
        size_t count = 0;  // 0 with error 0: the end of the file
        int error = 0;     // errno
    };
    [[nodiscard]] virtual Result Read(std::span<uint8_t> into) = 0;
};

class DownloadTarget {
  public:
    virtual ~DownloadTarget() = default;
    // 0 or an errno value.
    [[nodiscard]] virtual int Write(std::span<const uint8_t> bytes) = 0;
    // Every byte has been written: to the disk with it, the temporary file is closed.
    [[nodiscard]] virtual int Complete() = 0;
    // The temporary file takes the user's file's place (its permissions kept).
    [[nodiscard]] virtual int Commit() = 0;
    // The temporary file goes; the user's file stays as it was. Also what destruction does to a
    // target that was never committed.
    virtual void Discard() = 0;
};

struct OpenedUpload {
    std::unique_ptr<UploadSource> source;  // null on failure
    uint64_t size = 0;
    std::string error_text;  // "path: reason" on failure
};
[[nodiscard]] OpenedUpload OpenUploadFile(const std::string& path);

struct OpenedDownload {
    std::unique_ptr<DownloadTarget> target;  // null on failure
    std::string error_text;
};
// `append`: the temporary file starts as a copy of the existing file (if there is one).
[[nodiscard]] OpenedDownload CreateDownloadFile(const std::string& path, bool append);

}  // namespace orkan
