#include "live_session.h"

#include "app/session_core.h"
#include "app/startup.h"
#include "ds3270/screen_dump.h"

namespace orkan::test {

LiveSession::LiveSession() : runtime(loop, ui, frame) {}

LiveSession::~LiveSession() {
    runtime.Destroy();
}

bool LiveSession::Start(const std::vector<std::string>& host_arguments, std::string& error) {
    if (!host.Start(host_arguments)) {
        error = "testhost did not start (is it built?)";
        return false;
    }
    Session& s = session();
    if (!PrepareDefaultSession(s, ORKAN_BUILD_DATA_DIR)) {
        error = "country.lst";
        return false;
    }
    s.folders.app_data = home.path();
    s.folders.documents = home.path();
    client = &runtime.core().Transfer();
    if (!runtime.StartConnection("127.0.0.1:" + host.port())) {
        error = "no connection";
        return false;
    }
    const bool up = loop.RunUntil(
        [&] {
            return s.status == SessionStatus::Unlocked &&
                   Screen().find("ORKAN TEST HOST") != std::string::npos;
        },
        std::chrono::seconds(30));
    if (!up) error = "no host screen:\n" + Screen();
    return up;
}

TransferOutcome LiveSession::Run(const TransferRequest& request, bool cancel_part_way) {
    bool ended = false;
    TransferOutcome outcome;
    const TransferStart started = client->Start(request, [&](const TransferOutcome& o) {
        outcome = o;
        ended = true;
    });
    if (!started.started) return {false, "not started: " + started.error};
    if (cancel_part_way &&
        loop.RunUntil([&] { return client->state().byte_count > 0; }, std::chrono::seconds(30)))
        client->Cancel();
    if (!loop.RunUntil([&] { return ended; }, std::chrono::seconds(120))) return {false, "no end in 120 s"};
    return outcome;
}

std::string LiveSession::Screen() const {
    return DumpScreenText(runtime.session());
}

}  // namespace orkan::test
