// Our side of bench/transfer_s3270.sh: a session runtime with its transfer client, driven by
// lines on standard input, so that the script times our transfers the way it times s3270's (one
// connection for the whole run, each transfer from its command to the host's next screen).
//
//   connect PORT
//   send LOCAL HOSTFILE binary|text
//   receive LOCAL HOSTFILE binary|text
//   quit
//
// Each command is answered with "ok", or "error TEXT". Transfers use the largest block size.

#include <chrono>
#include <iostream>
#include <sstream>
#include <string>

#include "app/session_core.h"
#include "app/session_runtime.h"
#include "app/startup.h"
#include "ds3270/screen_dump.h"
#include "platform/poll_event_loop.h"
#include "transfer/transfer_client.h"

namespace {

using namespace orkan;
using namespace std::chrono_literals;

class QuietUi final : public Ui {
  public:
    Answer ShowMessage(const MessageBox& box) override {
        last = box.title + ": " + box.text;
        return SafestAnswer(box.buttons);
    }
    std::string last;
};

inline constexpr uint32_t kLargestBlock = 25000;

struct Bench {
    PollEventLoop loop;
    QuietUi ui;
    SessionFrame frame;
    SessionRuntime runtime{loop, ui, frame};

    std::string Connect(const std::string& port) {
        Session& s = runtime.session();
        if (!PrepareDefaultSession(s, ORKAN_BUILD_DATA_DIR)) return "country.lst: " + ui.last;
        s.record.SetNumber(field::TransferBlockSize, kLargestBlock);
        if (!runtime.StartConnection("127.0.0.1:" + port)) return "no connection: " + ui.last;
        const bool up = loop.RunUntil(
            [&] {
                return s.status == SessionStatus::Unlocked &&
                       DumpScreenText(s).find("READY") != std::string::npos;
            },
            30s);
        return up ? std::string() : "no READY screen";
    }

    std::string Transfer(bool upload, const std::string& local, const std::string& host, bool text) {
        TransferRequest r;
        r.direction = upload ? TransferDirection::Upload : TransferDirection::Download;
        r.pc_file = local;
        r.host_file = host;
        r.host_system = HostSystem::Tso;
        SetTextMode(r, text);
        bool ended = false;
        TransferOutcome outcome;
        const TransferStart started = runtime.core().Transfer().Start(r, [&](const TransferOutcome& o) {
            outcome = o;
            ended = true;
        });
        if (!started.started) return "not started: " + started.error;
        if (!loop.RunUntil([&] { return ended; }, 900s)) return "no end";
        return outcome.success ? std::string() : outcome.message;
    }
};

}  // namespace

int main() {
    Bench bench;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command, a, b, mode;
        words >> command >> a >> b >> mode;
        std::string error;
        if (command == "quit") break;
        if (command == "connect")
            error = bench.Connect(a);
        else if (command == "send" || command == "receive")
            error = bench.Transfer(command == "send", a, b, mode == "text");
        else
            error = "unknown command " + command;
        std::cout << (error.empty() ? "ok" : "error " + error) << std::endl;
    }
    bench.runtime.Destroy();
    return 0;
}
