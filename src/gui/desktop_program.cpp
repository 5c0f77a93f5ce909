#include "gui/desktop_program.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/folders_setup.h"
#include "app/session_runtime.h"
#include "app/startup.h"
#include "config/environment.h"
#include "gui/accessibility.h"
#include "gui/desktop_probe.h"
#include "gui/qt_event_loop.h"
#include "gui/qt_ui.h"
#include "gui/session_controller.h"

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

// SIGINT, SIGTERM and SIGHUP end the program from the moment Qt runs: during start-up (a message
// box may be waiting) the program ends without starting the session; afterwards the session
// closes as a close from another session does, on the loop, without a question, the session
// saved. Open message boxes and dialogs are dismissed with their safest answer either way, so no
// box can hold the end off.
class SignalWatch {
  public:
    explicit SignalWatch(QtUi& ui) : ui_(ui) {
        const sigset_t set = EndSignals();
        fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
        if (fd_ < 0) return;
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                         [this] { OnSignal(); });
    }
    ~SignalWatch() {
        notifier_.reset();
        if (fd_ >= 0) close(fd_);
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    bool Signalled() const { return signalled_; }
    // From now on a signal closes this session's window (null: back to the start-up rule).
    void SetController(SessionController* controller) { controller_ = controller; }

  private:
    void OnSignal() {
        signalfd_siginfo info{};
        bool any = false;
        while (read(fd_, &info, sizeof info) == ssize_t(sizeof info)) any = true;
        if (!any) return;
        signalled_ = true;
        ui_.Dismiss();
        // The session and options dialogs and file choosers wait in loops of their own too.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) dialog->reject();
        if (!controller_) return;
        // After the dismissed box's own loop has unwound.
        SessionController* controller = controller_;
        QTimer::singleShot(0, &controller->Window(), [controller] { controller->CloseWithoutQuestion(); });
    }

    QtUi& ui_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    SessionController* controller_ = nullptr;
    bool signalled_ = false;
};

QtMessageHandler g_qt_messages = nullptr;

// Qt ends a start on a display it cannot reach (a stale DISPLAY in an ssh or cron shell) with a
// fatal message, which aborts the process and leaves a core file. While the application object is
// made, that message ends the program as a missing display does: a word on stderr and status 8.
void StartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        if (g_qt_messages) g_qt_messages(type, context, text);
        return;
    }
    std::string where;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const QByteArray value = qgetenv(name);
        if (!value.isEmpty())
            where += (where.empty() ? "" : ", ") + std::string(name) + "=" + value.toStdString();
    }
    std::fprintf(stderr, "orkan3270: the display cannot be used (%s); run it with --headless.\n",
                 where.c_str());
    std::fflush(stderr);
    std::_Exit(kStartupFailed);
}

}  // namespace

int RunDesktop(int argc, char** argv) {
    // Without a display Qt would abort with its own words; say what to do instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs(
            "orkan3270: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); run it with --headless.\n",
            stderr);
        return kStartupFailed;
    }
    // Blocked before Qt starts its threads, so every thread inherits the mask and the signals
    // arrive through the signalfd only.
    const sigset_t blocked = EndSignals();
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);

    // Qt takes "-session ID" (also written "--session") for X11 session management, which would
    // swallow our --session NAME: that option and its value are kept from Qt and given back after.
    std::vector<char*> qt_args, session_args;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i > 0 && arg.starts_with("--session")) {
            session_args.push_back(argv[i]);
            if (arg == "--session" && i + 1 < argc) session_args.push_back(argv[++i]);
            continue;
        }
        qt_args.push_back(argv[i]);
    }
    int qt_argc = int(qt_args.size());
    qt_args.push_back(nullptr);
    g_qt_messages = qInstallMessageHandler(StartupMessages);
    QApplication app(qt_argc, qt_args.data());
    qInstallMessageHandler(g_qt_messages);
    QApplication::setApplicationName("orkan3270");
    QGuiApplication::setDesktopFileName("orkan3270");
    QApplication::setWindowIcon(QIcon::fromTheme("orkan3270"));
    // The session ends the program when it has closed (after its last save), not the window.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallAccessibility();

    QtUi ui;
    SignalWatch watch(ui);
    CommandLine cl;
    // Qt has taken its own options out of its arguments by now.
    std::vector<char*> args(qt_args.begin(), qt_args.begin() + qt_argc);
    args.insert(args.begin() + 1, session_args.begin(), session_args.end());
    if (ParseCommandLine(int(args.size()), args.data(), cl, ui) != 0 || watch.Signalled())
        return kStartupFailed;

    QtEventLoop loop;
    SessionController controller(ui);
    SessionRuntime runtime(loop, ui, controller);
    StartupEnvironment env;
    env.env = ProcessEnvironment();
    env.program_data = FindProgramDataFolder(CurrentExecutablePath());
    StartupState state;
    if (const int rc = PrepareSession(cl, env, runtime, state); rc != 0) return rc;
    if (watch.Signalled()) {
        runtime.SetPeers(nullptr);
        return kStartupFailed;
    }

    controller.Attach(runtime, state);
    const std::unique_ptr<DesktopProbe> probe =
        DesktopProbe::FromEnvironment(runtime.session(), controller.Window(), controller.Terminal().Frame());
    // The connection starts before the rest of the window is built: name lookup, connect and
    // negotiation run on the connection's thread meanwhile, and what the host sends waits for the
    // event loop, by which time the window is complete.
    controller.Start();
    controller.LoadKeyFiles();
    controller.Window().PlaceFromRecord(state.same_name_sessions);
    controller.Window().show();
    watch.SetController(&controller);

    const int rc = QApplication::exec();
    watch.SetController(nullptr);
    runtime.Destroy();
    runtime.SetPeers(nullptr);  // the peers go with the start-up state, before the runtime
    controller.Detach();
    return rc;
}

}  // namespace orkan
