// Helpers for the tests of the session runtime: a frame that records what the session asked of it,
// loopback listeners, a sink for the bytes of a connection without a socket, a scratch folder.
#pragma once

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/session_frame.h"
#include "app/session_runtime.h"
#include "platform/poll_event_loop.h"
#include "support/hex.h"

namespace orkan::test {

inline constexpr std::chrono::milliseconds kPatience{30000};  // reached only when something hangs
inline constexpr std::chrono::milliseconds kPromptly{2000};   // "at once" on a shared, busy machine

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

// A loopback listener. A backlog of 0 with its queue filled makes a host that never answers.
class Listener {
public:
    explicit Listener(int backlog = 8) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, backlog) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            return;
        }
        port_ = ntohs(a.sin_port);
    }
    ~Listener() {
        if (fd_ >= 0) close(fd_);
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    uint16_t port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    // A connection waits to be accepted.
    bool Pending() const {
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, 0) == 1;
    }
    // A connection that arrived within `timeout`, or -1.
    int Accept(std::chrono::milliseconds timeout = kPatience) const {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, int(timeout.count())) != 1) return -1;
        return accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

inline int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/orkan-app-test-XXXXXX";
        path_ = mkdtemp(pattern) ? pattern : "";
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Turns the loop (with a short timer, so conditions no event signals are seen) until `done`.
inline bool TurnUntil(PollEventLoop& loop, const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = kPatience) {
    loop.StartTimer(99, std::chrono::milliseconds(5), false, [] {});
    const bool ok = loop.RunUntil(done, timeout);
    loop.StopTimer(99);
    return ok;
}

}  // namespace orkan::test
