#include "peers/session_messages.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace orkan {

namespace {

constexpr uint32_t kTag = 0x314B524F;  // "ORK1"

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

std::vector<uint8_t> Encode(const PeerMessage& m) {
    std::vector<uint8_t> bytes(kPeerMessageSize + m.text.size());
    std::memcpy(bytes.data(), &kTag, 4);
    std::memcpy(bytes.data() + 4, &m.message, 4);
    std::memcpy(bytes.data() + 8, &m.wparam, 8);
    std::memcpy(bytes.data() + 16, &m.lparam, 8);
    std::memcpy(bytes.data() + kPeerMessageSize, m.text.data(), m.text.size());
    return bytes;
}

}  // namespace

std::string MessageSocketPath(const std::string& folder, char letter) {
    return folder + "/session-" + std::string(1, letter) + ".sock";
}

std::unique_ptr<MessageSocket> MessageSocket::Open(const std::string& folder, char letter,
                                                   std::string& error) {
    std::unique_ptr<MessageSocket> socket(new MessageSocket);
    const std::string path = MessageSocketPath(folder, letter);
    sockaddr_un address;
    if (!MakeAddress(path, address)) {
        error = "The runtime folder " + folder + " is too long to hold the session's message socket.";
        return nullptr;
    }
    socket->fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket->fd_ < 0) {
        error = std::string("The session's message socket cannot be made (") + std::strerror(errno) + ").";
        return nullptr;
    }
    ::unlink(path.c_str());
    if (::bind(socket->fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = "The session's message socket " + path + " cannot be made (" + std::strerror(errno) + ").";
        return nullptr;
    }
    socket->path_ = path;
    return socket;
}

MessageSocket::~MessageSocket() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
}

std::optional<PeerMessage> MessageSocket::Receive() {
    for (;;) {
        std::array<uint8_t, kPeerMessageSize + kPeerTextMax + 1> bytes{};
        const ssize_t n = ::recv(fd_, bytes.data(), bytes.size(), 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        uint32_t tag = 0;
        if (size_t(n) >= kPeerMessageSize && size_t(n) <= kPeerMessageSize + kPeerTextMax)
            std::memcpy(&tag, bytes.data(), 4);
        if (tag != kTag) continue;  // not one of ours: dropped
        PeerMessage m;
        std::memcpy(&m.message, bytes.data() + 4, 4);
        std::memcpy(&m.wparam, bytes.data() + 8, 8);
        std::memcpy(&m.lparam, bytes.data() + 16, 8);
        m.text.assign(reinterpret_cast<const char*>(bytes.data()) + kPeerMessageSize,
                      size_t(n) - kPeerMessageSize);
        return m;
    }
}

PeerSend SendPeerMessage(const std::string& folder, char letter, const PeerMessage& message, int wait_ms) {
    sockaddr_un address;
    if (message.text.size() > kPeerTextMax || !MakeAddress(MessageSocketPath(folder, letter), address))
        return PeerSend::Gone;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return PeerSend::Gone;
    // Connected, so that poll() tells when the session's queue has room again.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return PeerSend::Gone;
    }
    const auto bytes = Encode(message);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    ssize_t n;
    for (;;) {
        n = ::send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0 || errno == EINTR) {
            if (n >= 0) break;
            continue;
        }
        if (errno != EAGAIN) break;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, int(left.count()));
    }
    const int error = errno;
    ::close(fd);
    if (n == ssize_t(bytes.size())) return PeerSend::Sent;
    return n < 0 && error == EAGAIN ? PeerSend::Busy : PeerSend::Gone;
}

}  // namespace orkan
