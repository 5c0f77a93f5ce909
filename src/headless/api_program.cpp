#include "headless/api_program.h"

#include <unistd.h>

#include <cstdio>

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

}  // namespace

int RunApi(const CommandLine& cl, StderrUi& stderr_ui) {
    if (cl.dump || cl.Given(CmdOption::Macro) || cl.Given(CmdOption::Run))
        return Refuse("--dump, --macro and --run cannot be used with --api or --api-socket.");
    // The client is one or the other: stdin's end must not be ignored for a socket silently.
    if (cl.api && !cl.api_socket.empty()) return Refuse("--api and --api-socket cannot be used together.");
    PollEventLoop loop;
    ApiTransport transport(loop);
    if (!cl.api_socket.empty()) {
        std::string error;
        if (!transport.ListenOn(cl.api_socket, error)) return Refuse(error);
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
