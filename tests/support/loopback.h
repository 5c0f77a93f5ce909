// Helpers for the tests that talk over loopback sockets: listeners, a recording listener, waits that
// turn the event loop until a condition holds.
#pragma once

#include <chrono>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "net/connection.h"
#include "platform/poll_event_loop.h"

namespace orkan::test {

inline constexpr std::chrono::milliseconds kPatience{30000};  // reached only when something hangs
// Close() must come back "at once"; this is generous because the machine's cores are shared.
inline constexpr std::chrono::milliseconds kPromptClose{2000};

class Listener {
  public:
    explicit Listener(const std::string& address = "127.0.0.1", uint16_t port = 0, int backlog = 8);
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    bool ok() const { return fd_ >= 0; }
    uint16_t port() const { return port_; }
    std::string address() const;  // as a host string with the port
    bool Pending() const;         // a connection waits to be accepted
    int Accept() const;           // -1 when nobody came

  private:
    std::string host_;
    int fd_ = -1;
    uint16_t port_ = 0;
};

bool SendAll(int fd, std::string_view bytes);
// Reads until `count` bytes, the end, or kPatience.
std::string Receive(int fd, size_t count);

struct Recorder : ConnectionListener {
    void OnConnectionData(std::span<const uint8_t> chunk) override;
    void OnConnectionEvent(const ConnectionEvent& event) override;
    const ConnectionEvent* Find(ConnectionEventKind kind) const;

    std::string data;
    std::vector<size_t> chunk_sizes;
    std::vector<ConnectionEvent> events;
    std::vector<std::string> order;  // "data" or "event", as they came
    std::function<void()> after_data;
};

// Keeps the loop turning (a short timer) so conditions that no event signals are seen too.
bool TurnUntil(PollEventLoop& loop, const std::function<bool()>& done,
               std::chrono::milliseconds timeout = kPatience);

int ThreadCount();
std::span<const uint8_t> Bytes(std::string_view text);

}  // namespace orkan::test
