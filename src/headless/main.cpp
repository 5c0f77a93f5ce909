// The program's entry. It needs no window library: the headless session runs here, and for a window
// the desktop program (orkan3270-desktop, beside this program or in lib/orkan3270 of the install)
// takes this process over with the same arguments.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/command_line.h"
#include "app/folders_setup.h"
#include "app/startup.h"
#include "headless/headless_program.h"
#include "headless/stderr_text.h"
#include "platform/process.h"

namespace {

std::string FindDesktopProgram() {
    namespace fs = std::filesystem;
    const fs::path exe_dir = fs::path(orkan::CurrentExecutablePath()).parent_path();
    for (const fs::path& candidate :
         {exe_dir / "orkan3270-desktop", exe_dir.parent_path() / "lib" / "orkan3270" / "orkan3270-desktop"}) {
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return {};
}

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    orkan::StderrUi ui;
    orkan::CommandLine cl;
    if (orkan::ParseCommandLine(argc, argv, cl, ui) != 0) return orkan::kStartupFailed;
    if (cl.help) {
        std::fputs(orkan::CommandLineUsage("orkan3270").c_str(), stdout);
        return 0;
    }
    if (cl.version) {
        std::printf("orkan3270 %s\n", ORKAN_VERSION);
        return 0;
    }
    if (!cl.headless) {
        if (!HasDisplay()) {
            std::fputs(
                "orkan3270: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); run it with "
                "--headless.\n",
                stderr);
            return orkan::kStartupFailed;
        }
        const std::string desktop = FindDesktopProgram();
        if (desktop.empty()) {
            std::fputs(
                "orkan3270: the desktop program (orkan3270-desktop) is not installed; run it with "
                "--headless.\n",
                stderr);
            return orkan::kStartupFailed;
        }
        const std::string reason = std::strerror(orkan::ReplaceProcess(desktop, argv));
        orkan::WriteToStderr("orkan3270: " + orkan::TerminalSafeText(desktop) +
                             " cannot be started: " + reason + "\n");
        return orkan::kStartupFailed;
    }

    // Before any thread exists, so every thread inherits the mask and the loop takes these signals.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // A host or reader that went away shows up as a failed write, not as a fatal signal.
    signal(SIGPIPE, SIG_IGN);
    // A file size limit (ulimit -f) shows up as EFBIG from the write, which ends a download with its
    // message and removes the temporary file, not as a fatal signal mid-transfer.
    signal(SIGXFSZ, SIG_IGN);
    return orkan::RunHeadless(cl, ui);
}
