#include "config/data_file.h"

#include <cerrno>

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

}  // namespace orkan
