// Files that may hold confidential host data (trace, debug screens, the data-stream listing):
// created for the owner alone (mode 0600, also when an older file had a wider mode), a missing
// folder made first, every byte written or an error number returned.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orkan {

// Creates or empties `path` for writing. The descriptor, or -1 with errno set.
[[nodiscard]] int CreatePrivateFile(const std::string& path);

// Writes all of `bytes` (retrying short writes and interruptions). 0, or the errno of the failure.
[[nodiscard]] int WriteAllBytes(int fd, std::span<const uint8_t> bytes);

// The whole file in one go: 0, or the errno of the failure (a file cut short is removed again).
[[nodiscard]] int WritePrivateFile(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace orkan
