#include "support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>

namespace orkan::test {

Listener::Listener(const std::string& address, uint16_t port, int backlog) : host_(address) {
    sockaddr_storage storage{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof *v4;
    } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof *v6;
    } else {
        return;
    }
    fd_ = socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (storage.ss_family == AF_INET6) setsockopt(fd_, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&storage), length) != 0 ||
        listen(fd_, backlog) != 0 || getsockname(fd_, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        return;
    }
    port_ = ntohs(storage.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
}

Listener::~Listener() {
    if (fd_ >= 0) close(fd_);
}

std::string Listener::address() const {
    const bool v6 = host_.find(':') != std::string::npos;
    return (v6 ? "[" + host_ + "]" : host_) + ":" + std::to_string(port_);
}

bool Listener::Pending() const {
    pollfd ready{fd_, POLLIN, 0};
    return poll(&ready, 1, 0) == 1;
}

int Listener::Accept() const {
    pollfd ready{fd_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(kPatience.count())) != 1) return -1;
    return accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string Receive(int fd, size_t count) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) != 1) break;
        char buffer[4096];
        const ssize_t n = recv(fd, buffer, std::min(sizeof buffer, count - got.size()), 0);
        if (n <= 0) break;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

void Recorder::OnConnectionData(std::span<const uint8_t> chunk) {
    data.append(chunk.begin(), chunk.end());
    chunk_sizes.push_back(chunk.size());
    order.push_back("data");
    if (after_data) after_data();
}

void Recorder::OnConnectionEvent(const ConnectionEvent& event) {
    events.push_back(event);
    order.push_back("event");
}

const ConnectionEvent* Recorder::Find(ConnectionEventKind kind) const {
    for (const auto& event : events) {
        if (event.kind == kind) return &event;
    }
    return nullptr;
}

bool TurnUntil(PollEventLoop& loop, const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    constexpr int kTurnTimer = 9901;
    loop.StartTimer(kTurnTimer, std::chrono::milliseconds(2), false, [] {});
    const bool result = loop.RunUntil(done, timeout);
    loop.StopTimer(kTurnTimer);
    return result;
}

int ThreadCount() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    }
    return -1;
}

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace orkan::test
