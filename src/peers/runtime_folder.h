// The per-user runtime folder where the sessions of one user meet: the lock files of the shared
// area and one message socket per session. Only its owner may enter it, so nothing in it needs a
// further check of who is talking.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "config/environment.h"

namespace orkan {

struct RuntimeFolder {
    std::string path;  // "$XDG_RUNTIME_DIR/orkan3270", "/run/user/<uid>/orkan3270" or "/tmp/orkan3270-<uid>"
    std::string shm_name;  // the shared area's name: sessions of one folder share one area
};

// "$XDG_RUNTIME_DIR/orkan3270" when XDG_RUNTIME_DIR is an absolute path that is not a folder of
// another user; else, in the login's
// runtime folder "/run/user/<uid>" when it is there (a cron job or `su` shell of a user who is
// logged in meets the desktop's sessions, rather than taking their letters a second time); else
// "/tmp/orkan3270-<uid>". The shared area is "/orkan_tn3270_commonarea.<uid>" for the system's
// usual runtime folder; any other folder (a private XDG_RUNTIME_DIR, the /tmp fallback) adds a hash
// of its path, so sessions that cannot reach each other's sockets never share slots either.
// `is_own_folder` tells whether a path is a folder of this user (tests give their own).
RuntimeFolder RuntimeFolderFor(const Environment& env,
                               const std::function<bool(const std::string&)>& is_own_folder = {});

// Creates the folder (mode 0700) when missing and checks that it is a folder of this user that
// nobody else can enter; a folder of ours with wider rights is narrowed. The message when it
// cannot be used.
[[nodiscard]] std::optional<std::string> PrepareRuntimeFolder(const RuntimeFolder& folder);

}  // namespace orkan
