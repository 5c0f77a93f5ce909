// The per-user runtime folder where the sessions of one user meet: the lock files of the shared
// area and one message socket per session. Only its owner may enter it, so nothing in it needs a
// further check of who is talking.
#pragma once

#include <optional>
#include <string>

#include "config/environment.h"

namespace orkan {

struct RuntimeFolder {
    std::string path;      // "$XDG_RUNTIME_DIR/orkan3270" or "/tmp/orkan3270-<uid>"
    std::string shm_name;  // the shared area's name: sessions of one folder share one area
};

// "$XDG_RUNTIME_DIR/orkan3270" when XDG_RUNTIME_DIR is an absolute path, else
// "/tmp/orkan3270-<uid>". The shared area is "/orkan_tn3270_commonarea.<uid>" for the system's
// usual runtime folder; any other folder (a private XDG_RUNTIME_DIR, the /tmp fallback) adds a hash
// of its path, so sessions that cannot reach each other's sockets never share slots either.
RuntimeFolder RuntimeFolderFor(const Environment& env);

// Creates the folder (mode 0700) when missing and checks that it is a folder of this user that
// nobody else can enter; a folder of ours with wider rights is narrowed. The message when it
// cannot be used.
[[nodiscard]] std::optional<std::string> PrepareRuntimeFolder(const RuntimeFolder& folder);

}  // namespace orkan
