// The one way files named by the user or the session are opened: a relative name is taken inside
// its folder, the usual extension is added when missing, and a missing folder is created when a
// file is written.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace orkan {

enum class OpenMode { Read, Write, Append };

// Where a name leads: inside `folder` unless it begins with "/" or the folder is empty; "." and
// `extension` added when the name does not already end in them (case ignored), except that a
// name ending in ".ext" (an event macro) is not given "mac".
std::string DataFilePath(std::string_view name, std::string_view folder, std::string_view extension);

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

struct DataFile {
    std::unique_ptr<std::FILE, FileCloser> file;  // null on failure
    int error = 0;                                // errno of the failure, kept for the message
    std::string path;
    explicit operator bool() const { return file != nullptr; }
};

// Binary mode; writing truncates. Writing and appending go through OpenForWriting: a missing folder
// is made, and a symbolic link or anything but a regular file at the name is refused.
[[nodiscard]] DataFile OpenDataFile(std::string_view name, OpenMode mode, std::string_view folder,
                                    std::string_view extension);

enum class DataWrite {
    Replace,    // the new file is written beside the old one and renamed over it at the end, so the
                // old file survives a failure; it keeps the old file's permissions
    Append,     // a failure cuts the file back to the length it had
    CreateNew,  // EEXIST when anything is at the name; a failure removes the new file again
};

// Saves a file the user keeps (screens, captures) so that a failed write loses nothing: no old
// content lost, no fragment left. As OpenDataFile, a symbolic link or anything but a regular file
// at `path` is refused and a missing folder is made. `contents` gives the bytes once the file is
// open, told whether they start the file. Returns 0 or an errno value.
[[nodiscard]] int SaveDataFile(const std::string& path, DataWrite mode,
                               const std::function<std::string(bool starts_file)>& contents);

}  // namespace orkan
