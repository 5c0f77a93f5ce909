#include "transfer/pc_file.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/file_io.h"

namespace orkan {
namespace {

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Failure(const std::string& what, int error) {
    return what + ": " + SystemErrorText(error);
}

bool SameVersion(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

class FileUpload final : public UploadSource {
  public:
    FileUpload(int fd, const struct stat& opened) : fd_(fd), opened_(opened) {}
    ~FileUpload() override { close(fd_); }
    Result Read(std::span<uint8_t> into) override {
        for (;;) {
            const ssize_t n = read(fd_, into.data(), into.size());
            if (n > 0) read_ += uint64_t(n);
            if (n > 0 || (n == 0 && into.empty())) return {size_t(n), 0};
            if (n == 0) return AtEnd();
            if (errno != EINTR) return {0, errno};
        }
    }

  private:
    // A file cut short, or written to, while it was read would reach the host as a file that
    // never was, and the host would call it complete.
    Result AtEnd() {
        struct stat now {};
        if (fstat(fd_, &now) != 0) return {0, errno};
        // Files that do not know their size (/proc) read longer than it, and never change.
        if (read_ < uint64_t(opened_.st_size) || !SameVersion(opened_, now)) return {0, kFileChangedError};
        return {0, 0};
    }

    int fd_;
    struct stat opened_;
    uint64_t read_ = 0;
};

int CopyInto(int from, int to) {
    std::vector<uint8_t> buffer(1 << 16);
    for (;;) {
        const ssize_t n = read(from, buffer.data(), buffer.size());
        if (n == 0) return 0;
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (const int e = WriteAllBytes(to, std::span(buffer.data(), size_t(n)))) return e;
    }
}

class TemporaryDownload final : public DownloadTarget {
  public:
    TemporaryDownload(int fd, std::string temporary, std::string final_path)
        : fd_(fd), temporary_(std::move(temporary)), final_(std::move(final_path)) {}
    ~TemporaryDownload() override {
        if (!committed_) Discard();
    }
    int Write(std::span<const uint8_t> bytes) override {
        if (fd_ < 0) return EBADF;
        return WriteAllBytes(fd_, bytes);
    }
    int Complete() override {
        if (fd_ < 0) return EBADF;
        int error = fdatasync(fd_) == 0 ? 0 : errno;
        if (close(fd_) != 0 && error == 0) error = errno;
        fd_ = -1;
        return error;
    }
    int Commit() override {
        if (fd_ >= 0) {
            if (const int e = Complete()) return e;
        }
        if (rename(temporary_.c_str(), final_.c_str()) != 0) return errno;
        committed_ = true;
        // The new name itself must survive a crash too.
        const int dir = open(Folder(final_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            fsync(dir);
            close(dir);
        }
        return 0;
    }
    void Discard() override {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        if (!committed_ && !temporary_.empty()) unlink(temporary_.c_str());
        temporary_.clear();
    }

  private:
    int fd_;
    std::string temporary_;
    std::string final_;
    bool committed_ = false;
};

// A new file beside `final_path` that no one else has: the umask applies as to any new file.
int CreateTemporary(const std::string& final_path, std::string& name) {
    const std::string prefix = Folder(final_path) + "/." + BaseName(final_path) + ".orkan-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint32_t random = 0;
        if (getrandom(&random, sizeof random, 0) != sizeof random)
            random = uint32_t(getpid()) * 2654435761u + attempt;
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", random);
        name = prefix + suffix;
        const int fd = OpenForWriting(name, WriteMode::CreateNew, FileAccess::Shared, MissingFolder::Fail);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -errno;
    }
    return -EEXIST;
}

}  // namespace

std::string SystemErrorText(int error) {
    if (error == kFileChangedError) return "the file changed while it was read";
    char buffer[256];
    return strerror_r(error, buffer, sizeof buffer);
}

OpenedUpload OpenUploadFile(const std::string& path) {
    OpenedUpload out;
    // Opened without waiting: a FIFO would hold the loop until something wrote to it.
    off_t size = 0;
    const int fd = OpenRegularFile(path, O_RDONLY, &size);
    if (fd < 0) {
        out.error_text =
            errno == EINVAL || errno == EISDIR ? path + ": not a regular file" : Failure(path, errno);
        return out;
    }
    struct stat opened {};
    if (fstat(fd, &opened) != 0) {
        out.error_text = Failure(path, errno);
        close(fd);
        return out;
    }
    out.size = uint64_t(size);
    out.source = std::make_unique<FileUpload>(fd, opened);
    return out;
}

OpenedDownload CreateDownloadFile(const std::string& path, bool append) {
    OpenedDownload out;
    std::string final_path = path;
    struct stat st {};
    bool exists = false;
    if (lstat(path.c_str(), &st) == 0) {
        exists = true;
        // A link is followed: the file it names is replaced, the link stays.
        if (S_ISLNK(st.st_mode)) {
            char resolved[PATH_MAX];
            if (!realpath(path.c_str(), resolved) || stat(resolved, &st) != 0) {
                out.error_text = Failure(path, errno);
                return out;
            }
            final_path = resolved;
        }
        if (!S_ISREG(st.st_mode)) {
            out.error_text = path + ": not a regular file";
            return out;
        }
        if (const int refused = RefuseReadOnlyFile(final_path, st.st_mode)) {
            out.error_text = Failure(path, refused);
            return out;
        }
    } else if (errno != ENOENT) {
        out.error_text = Failure(path, errno);
        return out;
    }

    std::string temporary;
    const int fd = CreateTemporary(final_path, temporary);
    if (fd < 0) {
        out.error_text = Failure("Cannot create a temporary file in " + Folder(final_path), -fd);
        return out;
    }
    auto target = std::make_unique<TemporaryDownload>(fd, temporary, final_path);
    if (exists) {
        if (fchmod(fd, st.st_mode & 07777) != 0) {
            out.error_text = Failure(temporary, errno);
            return out;
        }
        if (append) {
            const int from = OpenRegularFile(final_path, O_RDONLY);
            if (from < 0) {
                out.error_text = Failure(path, errno);
                return out;
            }
            const int error = CopyInto(from, fd);
            close(from);
            if (error) {
                out.error_text = Failure(path, error);
                return out;
            }
        }
    }
    out.target = std::move(target);
    return out;
}

}  // namespace orkan
