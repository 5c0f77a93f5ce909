#include "live_session.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/startup.h"
#include "ds3270/screen_dump.h"
#include "app/session_core.h"

extern char** environ;

namespace orkan::test {

bool TestHostProcess::Start(const std::vector<std::string>& arguments) {
    const std::string program = std::string(ORKAN_BINARY_DIR) + "/tools/testhost/testhost";
    if (access(program.c_str(), X_OK) != 0) return false;
    int out[2];
    if (pipe(out) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args = {program, "--port", "0"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        pid_ = -1;
        return false;
    }
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    port_ = line;
    return !port_.empty();
}

TestHostProcess::~TestHostProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
}

LiveSession::LiveSession() : runtime(loop, ui, frame) {}

LiveSession::~LiveSession() { runtime.Destroy(); }

bool LiveSession::Connect(const std::string& port, std::string& error) {
    Session& s = session();
    if (!PrepareDefaultSession(s, ORKAN_BUILD_DATA_DIR)) {
        error = "country.lst";
        return false;
    }
    s.folders.app_data = home.path();
    s.folders.documents = home.path();
    client = &runtime.core().Transfer();
    if (!runtime.StartConnection("127.0.0.1:" + port)) {
        error = "no connection";
        return false;
    }
    const bool up = loop.RunUntil(
        [&] { return s.status == SessionStatus::Unlocked && Screen().find("ORKAN TEST HOST") != std::string::npos; },
        std::chrono::seconds(30));
    if (!up) error = "no host screen:\n" + Screen();
    return up;
}

TransferOutcome LiveSession::Run(const TransferRequest& request, std::chrono::seconds patience) {
    bool ended = false;
    TransferOutcome outcome;
    const TransferStart started = client->Start(request, [&](const TransferOutcome& o) {
        outcome = o;
        ended = true;
    });
    if (!started.started) return {false, "not started: " + started.error};
    if (!loop.RunUntil([&] { return ended; }, patience)) return {false, "no end within the patience"};
    return outcome;
}

std::string LiveSession::Screen() const { return DumpScreenText(runtime.session()); }

}  // namespace orkan::test
