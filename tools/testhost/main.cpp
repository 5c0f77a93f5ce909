// testhost: the test kit's own TN3270/TN3270E host. See README.md.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "options.h"
#include "script.h"
#include "server.h"

#ifndef TESTHOST_DEMO_APP
#define TESTHOST_DEMO_APP ""
#endif
#ifndef TESTHOST_HOST_FILES
#define TESTHOST_HOST_FILES ""
#endif

namespace {

// A folder names its application by holding exactly one *.app file.
bool ResolveApp(const std::string& path, std::string& file, std::string& error) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = path + ": no such file or folder";
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        file = path;
        return true;
    }
    DIR* dir = opendir(path.c_str());
    if (!dir) {
        error = path + ": cannot read the folder";
        return false;
    }
    std::vector<std::string> found;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() > 4 && name.substr(name.size() - 4) == ".app") found.push_back(name);
    }
    closedir(dir);
    if (found.size() != 1) {
        error = path + ": a folder must hold exactly one *.app file (it holds " +
                std::to_string(found.size()) + ")";
        return false;
    }
    file = path + "/" + found[0];
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace testhost;
    Options options;
    std::string error;
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "testhost: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("testhost 1.0");
        return 0;
    }
    Codec codec;
    if (!codec.Open(options.codepage, error)) {
        std::fprintf(stderr, "testhost: %s\n", error.c_str());
        return 2;
    }
    LuPool pool;
    if (!pool.Parse(options.lu_pool, error)) {
        std::fprintf(stderr, "testhost: --lu-pool: %s\n", error.c_str());
        return 2;
    }
    std::unique_ptr<ft::FileStore> files;
    if (options.transfer) {
        const char* system = ft::PersonalityName(options.transfer_config.personality);
        files = std::make_unique<ft::FileStore>(options.transfer_config.personality, codec);
        const std::string own = options.transfer_files.empty() ? "" : options.transfer_files + "/" + system;
        struct stat st {};
        const bool own_exists = !own.empty() && stat((own + "/catalog.txt").c_str(), &st) == 0;
        // A new folder starts as a copy of the samples; after that it is the host's own.
        const std::string seed = own_exists ? own : std::string(TESTHOST_HOST_FILES) + "/" + system;
        if (!files->Load(seed, error)) {
            std::fprintf(stderr, "testhost: host files: %s\n", error.c_str());
            return 2;
        }
        if (!own.empty()) {
            files->WriteBackTo(own);
            if (!own_exists && !files->SaveAll(error)) {
                std::fprintf(stderr, "testhost: host files: %s\n", error.c_str());
                return 1;
            }
        }
        options.engine.transfer = &options.transfer_config;
        options.engine.files = files.get();
    }
    hostile::ClientLog client_log;
    if (!options.client_log.empty()) {
        if (!client_log.Open(options.client_log, error)) {
            std::fprintf(stderr, "testhost: --client-log %s\n", error.c_str());
            return 1;
        }
        options.engine.client_log = &client_log;
    }
    script::App app;
    const bool need_app = !options.transfer && (options.engine.stream.count == 0 || !options.app.empty());
    if (need_app) {
        std::string path = options.app.empty() ? std::string(TESTHOST_DEMO_APP) : options.app;
        if (path.empty()) {
            std::fprintf(stderr, "testhost: no --app given and no demo application built in\n");
            return 2;
        }
        std::string file;
        if (!ResolveApp(path, file, error) || !script::Load(file, codec, app, error)) {
            std::fprintf(stderr, "testhost: %s\n", error.c_str());
            return 2;
        }
        options.engine.app = &app;
    }
    if (options.check_only && options.transfer) {
        std::printf("%s: %zu host files\n", ft::PersonalityName(options.transfer_config.personality),
                    files->entries().size());
        return 0;
    }
    if (options.check_only) {
        std::printf("%s: %zu screens, start screen '%s'\n",
                    options.app.empty() ? TESTHOST_DEMO_APP : options.app.c_str(), app.screens.size(),
                    app.start.c_str());
        return 0;
    }
    Server server(options, codec, pool);
    if (!server.Listen(error)) {
        std::fprintf(stderr, "testhost: %s\n", error.c_str());
        return 1;
    }
    std::printf("%d\n", server.port());
    std::fflush(stdout);
    std::fprintf(stderr, "testhost: listening on %s port %d%s\n", options.listen.c_str(), server.port(),
                 options.tls_cert.empty() ? "" : " (TLS)");
    return server.Run();
}
