#include "peers/runtime_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orkan {

namespace {

std::string Hex64(uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// FNV-1a: stable across builds and machines, which std::hash is not.
uint64_t PathHash(const std::string& path) {
    uint64_t h = 0xcbf29ce484222325ULL;
    for (unsigned char c : path) {
        h ^= c;
        h *= 0x100000001b3ULL;
    }
    return h;
}

bool IsOwnFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

}  // namespace

RuntimeFolder RuntimeFolderFor(const Environment& env,
                               const std::function<bool(const std::string&)>& is_own_folder) {
    const std::string uid = std::to_string(::getuid());
    const std::string login = "/run/user/" + uid;
    RuntimeFolder folder;
    auto own = [&](const std::string& path) {
        return is_own_folder ? is_own_folder(path) : IsOwnFolder(path);
    };
    std::string xdg = env ? env("XDG_RUNTIME_DIR").value_or("") : "";
    while (xdg.size() > 1 && xdg.back() == '/') xdg.pop_back();
    // Another user's folder (an `su` shell keeps the variable of the user it came from) is not
    // ours to fill: a folder made there by root would lock that user's own sessions out. One that
    // is not there is still taken, and reported when it cannot be made: a private folder named
    // for a test must not quietly become the shared one.
    struct stat st {};
    const bool missing = !xdg.empty() && ::stat(xdg.c_str(), &st) != 0 && errno == ENOENT;
    if (!xdg.empty() && xdg.front() == '/' && (missing || own(xdg))) {
        folder.path = xdg + "/orkan3270";
    } else if (own(login)) {
        folder.path = login + "/orkan3270";
    } else {
        folder.path = "/tmp/orkan3270-" + uid;
    }
    folder.shm_name = "/orkan_tn3270_commonarea." + uid;
    if (folder.path != "/run/user/" + uid + "/orkan3270")
        folder.shm_name += "." + Hex64(PathHash(folder.path));
    return folder;
}

std::optional<std::string> PrepareRuntimeFolder(const RuntimeFolder& folder) {
    const std::string& path = folder.path;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return "The runtime folder " + path + " cannot be created (" + std::strerror(errno) + ").";
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return "The runtime folder " + path + " cannot be reached (" + std::strerror(errno) + ").";
    }
    // A folder made by someone else (or a link to one) could let that user see or fake sessions.
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        return "The runtime folder " + path +
               " is not a folder of this user; remove it or set XDG_RUNTIME_DIR.";
    }
    if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) {
        return "The runtime folder " + path +
               " can be entered by other users and its rights cannot be narrowed (" + std::strerror(errno) +
               ").";
    }
    return std::nullopt;
}

}  // namespace orkan
