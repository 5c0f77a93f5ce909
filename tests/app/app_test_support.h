// Helpers for the tests of the session runtime: a frame that records what the session asked of it
// and a sink for the bytes of a connection without a socket.
#pragma once

#include <string>
#include <vector>

#include "app/session_runtime.h"
#include "config/temp_folder.h"
#include "session/session_frame.h"
#include "support/hex.h"
#include "support/loopback.h"

namespace orkan::test {

struct RecordingFrame : SessionFrame {
    void TitleChanged(const std::string& t) override { titles.push_back(t); }
    void CloseRequested() override { ++close_requests; }
    void ConnectionEnded(const ConnectionEnd& end) override { ends.push_back(end); }
    void SessionListChanged() override { ++list_changes; }
    void Arrange(Arrangement a, int64_t) override { arrangements.push_back(a); }
    std::vector<std::string> titles;
    std::vector<ConnectionEnd> ends;
    std::vector<Arrangement> arrangements;
    int close_requests = 0;
    int list_changes = 0;
};

struct BytesSink : HostBytesSink {
    void Outbound(std::span<const uint8_t> bytes) override { sent += ToHex(bytes); }
    std::string Take() {
        std::string out;
        out.swap(sent);
        return out;
    }
    std::string sent;
};

}  // namespace orkan::test
