// Starting another program without a shell: the arguments go to it exactly as given, so no name or
// text can become a command line.
#pragma once

#include <string>
#include <vector>

namespace orkan {

// Starts `path` with `args` (argv[1..]) as a process of its own that outlives this one and is never
// left as a zombie (it is not our child). The signals this program blocks are unblocked for it.
// Returns an empty string, or why it could not be started.
[[nodiscard]] std::string SpawnDetached(const std::string& path, const std::vector<std::string>& args);

}  // namespace orkan
