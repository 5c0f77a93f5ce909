// Writing files that several session processes share (orkan.ini, session files): every write
// happens under an exclusive lock on a lock file beside the target, goes to a temporary file in
// the same folder and is renamed over the old one, so a reader sees the old file or the new one,
// never half of either.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orkan {

// The file a write really replaces: a symbolic link (a managed dotfile) is followed, so the link
// stays a link.
std::string ResolveWriteTarget(const std::string& path);

// An exclusive flock on "<path>.lock", held for the object's life.
class FileLock {
  public:
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileLock& operator=(FileLock&& other) noexcept;
    ~FileLock();

    // Tries `attempts` times, `wait_ms` apart, so a stuck holder gives an error instead of a hang.
    // Holders keep the lock only while they write one small file, but a slow disk's fsync can
    // take a while: five seconds in all. Returns 0 or the errno of the failure (EWOULDBLOCK when
    // the lock stayed taken).
    [[nodiscard]] int Acquire(const std::string& path, int attempts = 100, int wait_ms = 50);
    bool Held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

// Replaces the file's contents through a temporary file and rename. The caller holds the lock.
// A missing folder is created first. Returns 0 or an errno value.
[[nodiscard]] int ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes);

// Takes the lock, then replaces. Returns 0 or an errno value.
[[nodiscard]] int WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

enum class ReadResult { Ok, Missing, TooLarge, Error };

// Reads a whole file of at most `limit` bytes. `error` receives errno on Error (EFBIG on TooLarge).
[[nodiscard]] ReadResult ReadWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out,
                                       int& error);

// Reads at most `max` bytes from the start of a file (a longer file is not an error).
[[nodiscard]] ReadResult ReadFilePrefix(const std::string& path, size_t max, std::vector<uint8_t>& out,
                                        int& error);

}  // namespace orkan
