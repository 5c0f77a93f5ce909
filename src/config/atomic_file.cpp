#include "config/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "platform/file_io.h"

namespace orkan {

namespace fs = std::filesystem;

std::string ResolveWriteTarget(const std::string& path) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        fs::path target = fs::weakly_canonical(path, ec);
        if (!ec) return target.string();
    }
    return path;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

FileLock::~FileLock() {
    // Closing the descriptor releases the flock.
    if (fd_ >= 0) ::close(fd_);
}

int FileLock::Acquire(const std::string& path, int attempts, int wait_ms) {
    if (fd_ >= 0) return 0;
    const std::string lock_path = path + ".lock";
    int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 && errno == ENOENT) {
        std::error_code ec;
        fs::create_directories(fs::path(lock_path).parent_path(), ec);
        fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    }
    if (fd < 0) return errno;
    for (int i = 0; i < attempts; ++i) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return 0;
        }
        const int err = errno;
        if (err != EWOULDBLOCK && err != EINTR) {
            ::close(fd);
            return err;
        }
        if (i + 1 < attempts) std::this_thread::sleep_for(std::chrono::milliseconds(wait_ms));
    }
    ::close(fd);
    return EWOULDBLOCK;
}

namespace {

int OpenTemporary(const std::string& target, std::string& temp_path) {
    std::random_device random;
    for (int attempt = 0; attempt < 8; ++attempt) {
        temp_path = target + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(random());
        int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool HoldsExactly(const std::string& path, std::span<const uint8_t> bytes) {
    std::vector<uint8_t> present;
    int error = 0;
    return ReadFilePrefix(path, bytes.size() + 1, present, error) == ReadResult::Ok &&
           std::equal(present.begin(), present.end(), bytes.begin(), bytes.end());
}

}  // namespace

int ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes) {
    const std::string target = ResolveWriteTarget(path);
    // A file that holds these bytes already is left alone: sessions rewrite orkan.ini and the
    // standard session's backup at every start, and each fsync can cost a slow disk many ms.
    if (HoldsExactly(target, bytes)) return 0;
    struct stat old_stat {};
    const bool exists = ::stat(target.c_str(), &old_stat) == 0;
    if (exists) {
        if (const int refused = RefuseReadOnlyFile(target, old_stat.st_mode)) return refused;
    }
    std::string temp;
    int fd = OpenTemporary(target, temp);
    if (fd < 0 && errno == ENOENT) {
        std::error_code ec;
        fs::create_directories(fs::path(target).parent_path(), ec);
        fd = OpenTemporary(target, temp);
    }
    if (fd < 0) return errno;

    // The new file keeps the permissions the user gave the old one.
    if (exists) ::fchmod(fd, old_stat.st_mode & 07777);

    int err = WriteAllBytes(fd, bytes);
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
    if (err != 0) ::unlink(temp.c_str());
    return err;
}

int WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
    // No name is no file: never a lock file ".lock" in whatever folder is current.
    if (path.empty()) return EINVAL;
    FileLock lock;
    const std::string target = ResolveWriteTarget(path);
    if (int err = lock.Acquire(target); err != 0) return err;
    return ReplaceFileContents(target, bytes);
}

namespace {

ReadResult ReadFile(const std::string& path, size_t limit, bool prefix, std::vector<uint8_t>& out,
                    int& error) {
    out.clear();
    error = 0;
    // A FIFO or device put where a file belongs is refused without stalling the open.
    off_t size = 0;
    const int fd = OpenRegularFile(path, O_RDONLY, &size);
    if (fd < 0) {
        error = errno;
        return (error == ENOENT || error == ENOTDIR) ? ReadResult::Missing : ReadResult::Error;
    }
    if (size_t(size) > limit && !prefix) {
        ::close(fd);
        error = EFBIG;
        return ReadResult::TooLarge;
    }
    out.resize(std::min(size_t(size), limit));
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            ::close(fd);
            out.clear();
            return ReadResult::Error;
        }
        if (n == 0) break;  // the file shrank while we read it
        done += size_t(n);
    }
    out.resize(done);
    ::close(fd);
    return ReadResult::Ok;
}

}  // namespace

ReadResult ReadWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out, int& error) {
    return ReadFile(path, limit, false, out, error);
}

ReadResult ReadFilePrefix(const std::string& path, size_t max, std::vector<uint8_t>& out, int& error) {
    return ReadFile(path, max, true, out, error);
}

}  // namespace orkan
