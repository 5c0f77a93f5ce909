#include "config/data_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <span>

#include "config/atomic_file.h"
#include "config/profile_file.h"
#include "platform/file_io.h"

namespace orkan {

std::string DataFilePath(std::string_view name, std::string_view folder, std::string_view extension) {
    std::string path;
    if (!name.empty() && name.front() != '/' && !folder.empty()) {
        path = std::string(folder);
        if (path.back() != '/') path += '/';
    }
    path += name;
    if (!extension.empty()) {
        const std::string dotted = "." + std::string(extension);
        const bool has_it =
            path.size() >= dotted.size() &&
            EqualsIgnoreCase(std::string_view(path).substr(path.size() - dotted.size()), dotted);
        const bool event_macro = EqualsIgnoreCase(extension, "mac") && path.size() >= 4 &&
                                 EqualsIgnoreCase(std::string_view(path).substr(path.size() - 4), ".ext");
        if (!has_it && !event_macro) path += dotted;
    }
    return path;
}

DataFile OpenDataFile(std::string_view name, OpenMode mode, std::string_view folder,
                      std::string_view extension) {
    DataFile df;
    if (name.empty()) {
        df.error = ENOENT;
        return df;
    }
    df.path = DataFilePath(name, folder, extension);
    if (mode == OpenMode::Read) {
        df.file.reset(OpenUserFile(df.path, "rb"));
    } else {
        // Save-screen and capture names are fixed: a link planted there is refused, never followed.
        df.file.reset(OpenStreamForWriting(
            df.path, mode == OpenMode::Write ? WriteMode::Replace : WriteMode::Append, FileAccess::Shared));
    }
    if (!df.file) df.error = errno;
    return df;
}

namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

int ReplaceSaved(const std::string& path, const std::function<std::string(bool)>& contents) {
    if (const int link = RefuseSymbolicLink(path)) return link;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return ReplaceFileContents(path, Bytes(contents(true)));
}

}  // namespace

int SaveDataFile(const std::string& path, DataWrite mode, const std::function<std::string(bool)>& contents) {
    if (path.empty()) return ENOENT;
    if (mode == DataWrite::Replace) return ReplaceSaved(path, contents);
    const int fd = OpenForWriting(path, mode == DataWrite::Append ? WriteMode::Append : WriteMode::CreateNew,
                                  FileAccess::Shared);
    if (fd < 0) return errno;
    struct stat st {};
    int error = ::fstat(fd, &st) == 0 ? 0 : errno;
    if (error == 0) {
        error = WriteAllBytes(fd, Bytes(contents(st.st_size == 0)));
        if (error != 0 && mode == DataWrite::Append) (void)::ftruncate(fd, st.st_size);
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0 && mode == DataWrite::CreateNew) ::unlink(path.c_str());
    return error;
}

}  // namespace orkan
