// Kept apart from the session code: config/data_file.h and the data stream's state header both
// define a FileCloser, so no file may include both.
#include "config/data_file.h"
#include "keyboard/key_files.h"

namespace orkan {

std::string KeyFilePath(std::string_view name, std::string_view folder, std::string_view extension) {
    return DataFilePath(name, folder, extension);
}

}  // namespace orkan
