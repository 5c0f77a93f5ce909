#include "capture/private_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace orkan {

namespace {

int OpenForWriting(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
}

}  // namespace

int CreatePrivateFile(const std::string& path) {
    int fd = OpenForWriting(path);
    if (fd < 0 && errno == ENOENT) {
        std::error_code ec;
        const std::filesystem::path parent = std::filesystem::path(path).parent_path();
        if (!parent.empty()) std::filesystem::create_directories(parent, ec);
        fd = OpenForWriting(path);
    }
    if (fd < 0) return -1;
    // An existing file keeps its mode through O_TRUNC; what it will hold is for the owner only.
    if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

int WriteAllBytes(int fd, std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        bytes = bytes.subspan(size_t(n));
    }
    return 0;
}

int WritePrivateFile(const std::string& path, std::span<const uint8_t> bytes) {
    const int fd = CreatePrivateFile(path);
    if (fd < 0) return errno;
    int error = WriteAllBytes(fd, bytes);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) ::unlink(path.c_str());
    return error;
}

}  // namespace orkan
