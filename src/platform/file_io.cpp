#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace orkan {

namespace {

int CloseWithError(int fd, int error) {
    ::close(fd);
    errno = error;
    return -1;
}

// A name with a NUL byte in it (a macro can build one) would name the file before the NUL instead.
bool HoldsNul(const std::string& path) {
    if (path.find('\0') == std::string::npos) return false;
    errno = EINVAL;
    return true;
}

// A file that is there already: opened only if it is a regular file, never through a link, and
// never blocking on a FIFO without a reader.
int OpenExisting(const std::string& path, WriteMode mode, FileAccess access) {
    const int append = mode == WriteMode::Append ? O_APPEND : 0;
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | append);
    if (fd < 0) {
        if (errno == ENXIO) errno = EINVAL;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) return CloseWithError(fd, errno);
    if (!S_ISREG(st.st_mode)) return CloseWithError(fd, EINVAL);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return CloseWithError(fd, errno);
    if (mode == WriteMode::Replace && ::ftruncate(fd, 0) != 0) return CloseWithError(fd, errno);
    if (access == FileAccess::Private && ::fchmod(fd, S_IRUSR | S_IWUSR) != 0)
        return CloseWithError(fd, errno);
    return fd;
}

}  // namespace

int OpenForWriting(const std::string& path, WriteMode mode, FileAccess access, MissingFolder folder) {
    if (HoldsNul(path)) return -1;
    const int append = mode == WriteMode::Append ? O_APPEND : 0;
    const mode_t create_mode = access == FileAccess::Private ? S_IRUSR | S_IWUSR : 0666;
    bool folder_made = folder == MissingFolder::Fail;
    // A file removed between the two opens is simply created on the next round.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | append, create_mode);
        if (fd >= 0) return fd;
        if (errno == ENOENT && !folder_made) {
            folder_made = true;
            std::error_code ec;
            const std::filesystem::path parent = std::filesystem::path(path).parent_path();
            if (parent.empty()) return -1;
            std::filesystem::create_directories(parent, ec);
            if (ec) {
                errno = ENOENT;
                return -1;
            }
            continue;
        }
        if (errno != EEXIST || mode == WriteMode::CreateNew) return -1;
        const int existing = OpenExisting(path, mode, access);
        if (existing >= 0 || errno != ENOENT) return existing;
    }
    errno = EAGAIN;
    return -1;
}

int OpenRegularFile(const std::string& path, int flags, off_t* size) {
    if (HoldsNul(path)) return -1;
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        if (errno == ENXIO) errno = EINVAL;  // a FIFO nobody reads
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) return CloseWithError(fd, errno);
    if (!S_ISREG(st.st_mode)) return CloseWithError(fd, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    const int now = ::fcntl(fd, F_GETFL);
    if (now < 0 || ::fcntl(fd, F_SETFL, now & ~O_NONBLOCK) != 0) return CloseWithError(fd, errno);
    if (size) *size = st.st_size;
    return fd;
}

std::FILE* OpenUserFile(const std::string& path, const char* mode) {
    const bool read = mode[0] == 'r', append = mode[0] == 'a';
    const int fd = OpenRegularFile(path, read ? O_RDONLY : O_WRONLY | O_CREAT | (append ? O_APPEND : 0));
    if (fd < 0) return nullptr;
    // Emptied only once it is known to be a regular file.
    if (!read && !append && ::ftruncate(fd, 0) != 0) {
        CloseWithError(fd, errno);
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, mode);
    if (!f) CloseWithError(fd, errno);
    return f;
}

std::FILE* OpenStreamForWriting(const std::string& path, WriteMode mode, FileAccess access,
                                MissingFolder folder) {
    const int fd = OpenForWriting(path, mode, access, folder);
    if (fd < 0) return nullptr;
    std::FILE* f = ::fdopen(fd, mode == WriteMode::Append ? "ab" : "wb");
    if (!f) CloseWithError(fd, errno);
    return f;
}

int RefuseSymbolicLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) ? ELOOP : 0;
}

int RefuseReadOnlyFile(const std::string& path, mode_t mode) {
    if (::access(path.c_str(), W_OK) != 0) return errno;
    return (mode & 0222) == 0 ? EACCES : 0;
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
    const int fd = OpenForWriting(path, WriteMode::Replace, FileAccess::Private);
    if (fd < 0) return errno;
    int error = WriteAllBytes(fd, bytes);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) ::unlink(path.c_str());
    return error;
}

std::string FileErrorText(int error) {
    if (error == ELOOP) return "The name is a symbolic link, which is not followed.";
    if (error == EINVAL) return "The name is not a regular file.";
    if (error == EILSEQ) return "The file is UTF-16 text; save it as 8-bit text.";
    char buffer[256];
    return strerror_r(error, buffer, sizeof buffer);
}

std::string FileErrorReason(int error) {
    std::string text = FileErrorText(error);
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

}  // namespace orkan
