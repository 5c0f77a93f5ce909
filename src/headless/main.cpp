// The program's entry: the command line decides between the desktop program and the headless
// session. A build without Qt has only the headless program and runs it either way.
#include <signal.h>

#include <cstdio>

#include "app/command_line.h"
#include "app/startup.h"
#include "headless/headless_program.h"

#if defined(ORKAN_WITH_GUI)
#include "gui/desktop_program.h"
#endif

int main(int argc, char** argv) {
    // Before any thread exists, so every thread inherits the mask and the loop takes these signals.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // A host or reader that went away shows up as a failed write, not as a fatal signal.
    signal(SIGPIPE, SIG_IGN);

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
#if defined(ORKAN_WITH_GUI)
        return orkan::RunDesktop(argc, argv);
#endif
    }
    return orkan::RunHeadless(cl, ui);
}
