#include "gui/desktop_program.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <cstdio>

#include "app/command_line.h"
#include "app/folders_setup.h"
#include "app/session_runtime.h"
#include "app/startup.h"
#include "config/environment.h"
#include "gui/desktop_session.h"
#include "gui/qt_event_loop.h"
#include "gui/qt_ui.h"

namespace orkan {

namespace {

sigset_t EndSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

// SIGINT, SIGTERM and SIGHUP close the session as a close from another session does: on the loop,
// without a question, the session saved.
class SignalWatch {
public:
    SignalWatch(QtEventLoop& loop, DesktopSession& window) : loop_(loop) {
        const sigset_t set = EndSignals();
        fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
        if (fd_ < 0) return;
        loop_.WatchReadable(fd_, [this, &window] {
            signalfd_siginfo info{};
            bool any = false;
            while (read(fd_, &info, sizeof info) == ssize_t(sizeof info)) any = true;
            if (any) window.CloseWithoutQuestion();
        });
    }
    ~SignalWatch() {
        if (fd_ < 0) return;
        loop_.UnwatchReadable(fd_);
        close(fd_);
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

private:
    QtEventLoop& loop_;
    int fd_ = -1;
};

}  // namespace

int RunDesktop(int argc, char** argv) {
    // Without a display Qt would abort with its own words; say what to do instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("orkan3270: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); run it with --headless.\n",
                   stderr);
        return kStartupFailed;
    }
    // Blocked before Qt starts its threads, so every thread inherits the mask and the signals
    // arrive through the signalfd only.
    const sigset_t blocked = EndSignals();
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);

    QApplication app(argc, argv);
    QApplication::setApplicationName("orkan3270");
    QGuiApplication::setDesktopFileName("orkan3270");
    QApplication::setWindowIcon(QIcon::fromTheme("orkan3270"));

    QtUi ui;
    CommandLine cl;
    // Qt has taken its own options out of argv by now.
    if (ParseCommandLine(argc, argv, cl, ui) != 0) return kStartupFailed;

    QtEventLoop loop;
    DesktopFrame frame;
    SessionRuntime runtime(loop, ui, frame);
    StartupEnvironment env;
    env.env = ProcessEnvironment();
    env.program_data = FindProgramDataFolder(CurrentExecutablePath());
    StartupState state;
    if (const int rc = PrepareSession(cl, env, runtime, state); rc != 0) return rc;

    DesktopSession window(runtime, ui, state);
    frame.Attach(&window);
    window.SetFirstPaintReport(qEnvironmentVariableIsSet("ORKAN_FIRST_PAINT_NS"));
    window.SetScreenshotPath(qEnvironmentVariable("ORKAN_SCREENSHOT"));
    window.SetScreenTextPath(qEnvironmentVariable("ORKAN_SCREEN_TEXT"));
    // The connection starts before the rest of the window is built: name lookup, connect and
    // negotiation run on the connection's thread meanwhile, and what the host sends waits for the
    // event loop, by which time the window is complete.
    window.Start();
    window.LoadKeyFiles();
    window.PlaceFromRecord(state.same_name_sessions);
    window.show();
    SignalWatch watch(loop, window);

    const int rc = QApplication::exec();
    frame.Attach(nullptr);
    runtime.Destroy();
    runtime.SetPeers(nullptr);  // the peers go with the start-up state, before the runtime
    return rc;
}

}  // namespace orkan
