// A session runtime with its transfer client connected to testhost's transfer program, for the
// end-to-end transfer tests and the benchmark.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/session_runtime.h"
#include "config/temp_folder.h"
#include "platform/poll_event_loop.h"
#include "support/recording_ui.h"
#include "support/testhost_process.h"
#include "transfer/transfer_client.h"

namespace orkan::test {

struct LiveSession {
    LiveSession();
    ~LiveSession();
    Session& session() { return runtime.session(); }

    // Starts testhost with these arguments, connects to it and waits for its first screen; false
    // with `error` set.
    bool Start(const std::vector<std::string>& host_arguments, std::string& error);
    // Runs one transfer to its end (and the host's next screen), cancelled once data moved if
    // asked to. The outcome's message says why a transfer that could not start did not.
    TransferOutcome Run(const TransferRequest& request, bool cancel_part_way = false);
    std::string Screen() const;

    TestHostProcess host;  // declared first: it outlives the connection
    TempFolder home;       // application data (the transfer log) and documents
    PollEventLoop loop;
    RecordingUi ui;
    SessionFrame frame;
    SessionRuntime runtime;
    TransferClient* client = nullptr;  // the session core's
};

}  // namespace orkan::test
