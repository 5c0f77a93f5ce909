#include "headless/api_program.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "api/api_session.h"
#include "api/api_transport.h"
#include "api/api_ui.h"
#include "app/folders_setup.h"
#include "app/session_runtime.h"
#include "app/startup.h"
#include "headless/headless_program.h"
#include "headless/signal_watch.h"
#include "keyboard/keyboard_state.h"
#include "platform/poll_event_loop.h"

namespace orkan {

namespace {

// The session's end is the program's: a connection that ends is the interface's news, not an exit.
class ApiFrame final : public SessionFrame {
  public:
    explicit ApiFrame(PollEventLoop& loop) : loop_(loop) {}
    void Attach(SessionRuntime* runtime, ApiSession* api) {
        runtime_ = runtime;
        api_ = api;
    }

    void CloseRequested() override { Finish(); }
    void ConnectionEnded(const ConnectionEnd& end) override {
        if (api_) api_->ConnectionEnded(end);
    }
    // The runtime is never destroyed from inside its own callbacks.
    void Finish() {
        if (finishing_) return;
        finishing_ = true;
        loop_.Post([this] {
            if (!runtime_) return loop_.Stop();
            runtime_->Close([this] { loop_.Stop(); });
        });
    }

  private:
    PollEventLoop& loop_;
    SessionRuntime* runtime_ = nullptr;
    ApiSession* api_ = nullptr;
    bool finishing_ = false;
};

int Refuse(const std::string& text) {
    std::fprintf(stderr, "orkan3270: %s\n", text.c_str());
    return kStartupFailed;
}

// The interface's stream is its own: it keeps private copies of stdin and stdout (not inherited by
// children), and descriptors 0 and 1 become /dev/null and stderr. A macro's default streams
// (REXX's linein, lineout, charout) and the programs a macro starts then neither read requests
// nor write into the JSON lines. Done before any thread exists.
bool TakeStdio(int& in_fd, int& out_fd, std::string& error) {
    std::fflush(stdout);
    in_fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    out_fd = in_fd < 0 ? -1 : ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null_in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    bool ok = in_fd >= 0 && out_fd >= 0 && null_in >= 0 && ::dup2(null_in, STDIN_FILENO) == STDIN_FILENO;
    if (ok && ::dup2(STDERR_FILENO, STDOUT_FILENO) != STDOUT_FILENO) {
        // No stderr to stand in for it: what goes to stdout goes nowhere rather than to the client.
        const int null_out = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        ok = null_out >= 0 && ::dup2(null_out, STDOUT_FILENO) == STDOUT_FILENO;
        if (null_out >= 0) ::close(null_out);
    }
    if (null_in >= 0) ::close(null_in);
    if (!ok)
        error = std::string("stdin and stdout cannot be set aside for the interface: ") +
                std::strerror(errno) + ".";
    return ok;
}

}  // namespace

int RunApi(const CommandLine& cl, StderrUi& stderr_ui) {
    if (cl.dump || cl.Given(CmdOption::Macro) || cl.Given(CmdOption::Run))
        return Refuse("--dump, --macro and --run cannot be used with --api or --api-socket.");
    // The client is one or the other: stdin's end must not be ignored for a socket silently.
    if (cl.api && !cl.api_socket.empty()) return Refuse("--api and --api-socket cannot be used together.");
    // Before the loop opens descriptors of its own, which would take 0 or 1 if they were closed.
    int in_fd = -1, out_fd = -1;
    if (cl.api_socket.empty()) {
        std::string error;
        if (!TakeStdio(in_fd, out_fd, error)) return Refuse(error);
    }
    PollEventLoop loop;
    ApiTransport transport(loop);
    if (!cl.api_socket.empty()) {
        std::string error;
        if (!transport.ListenOn(cl.api_socket, error)) return Refuse(error);
    } else {
        transport.UseStdio(in_fd, out_fd);
    }
    ApiUi ui(stderr_ui);
    ApiFrame frame(loop);
    RuntimeOptions options;
    options.read_failure_closes = true;
    // Automation as the headless program does it: nothing waited for that the client does not ask
    // for, and the poll loop reads the socket itself.
    options.automation_timing = true;
    options.read_on_loop = true;
    SessionRuntime runtime(loop, ui, frame, options);
    SignalWatch signals(loop, [&frame] { frame.Finish(); });

    StartupEnvironment env;
    env.env = ProcessEnvironment();
    env.program_data = FindProgramDataFolder(CurrentExecutablePath());
    StartupState state;
    if (int rc = PrepareSession(cl, env, runtime, state); rc != 0) return rc;
    runtime.session().keyboard->key_list = state.key_list;
    std::fprintf(stderr, "orkan3270: session %c, process %d\n", runtime.session().letter, int(getpid()));
    std::fflush(stderr);

    ApiSession api(runtime, ui, transport);
    frame.Attach(&runtime, &api);
    api.SetQuit([&frame] { frame.Finish(); });
    transport.SetSession(&api);
    transport.Start([&api] { api.InputEnded(); });

    runtime.StartTimers();
    // Only a host the command line names is connected to at once; otherwise `connect` says where.
    const bool host_given = (cl.HostValue() && !cl.HostValue()->empty()) || cl.Given(CmdOption::Session);
    if (host_given) loop.Post([&runtime] { runtime.StartSession(StartMode::Interactive); });
    loop.Run();
    runtime.Destroy();
    transport.SetSession(nullptr);
    return kExitClosed;
}

}  // namespace orkan
