#include "platform/module_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace orkan {

void* LoadModuleEntry(const char* file_name, const char* entry, const char* override_variable,
                      std::string& error) {
    namespace fs = std::filesystem;
    std::vector<fs::path> candidates;
    if (const char* given = std::getenv(override_variable); given && *given) candidates.emplace_back(given);
    std::error_code ec;
    const fs::path exe_dir = fs::read_symlink("/proc/self/exe", ec).parent_path();
    if (!ec) {
        candidates.push_back(exe_dir / file_name);
        candidates.push_back(exe_dir.parent_path() / file_name);
        candidates.push_back(exe_dir.parent_path() / "lib" / "orkan3270" / file_name);
    }
    std::string tried;
    for (const fs::path& path : candidates) {
        if (access(path.c_str(), R_OK) != 0) {
            tried += "\n" + path.string() + ": not there";
            continue;
        }
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            tried += "\n" + path.string() + ": " + (why ? why : "cannot be loaded");
            continue;
        }
        if (void* function = dlsym(handle, entry)) return function;
        tried += "\n" + path.string() + ": not a module of this program";
        dlclose(handle);
    }
    error = std::string("The program's module ") + file_name + " was not found:" + tried;
    return nullptr;
}

}  // namespace orkan
