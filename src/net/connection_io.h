// Inside a connection: what the loop side and the connection's thread share, and the thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "net/connection.h"
#include "net/host_address.h"

namespace orkan {

struct ConnectionShared {
    ConnectionShared();
    ~ConnectionShared();
    ConnectionShared(const ConnectionShared&) = delete;
    ConnectionShared& operator=(const ConnectionShared&) = delete;

    // Wakes the thread from any wait: to end (cancel set) or to write queued bytes.
    void Wake();
    // Breaks off the socket's traffic from the loop thread; the thread still closes it.
    void ShutDownSocket();

    std::atomic<bool> cancel{false};  // this side is closing: the thread ends quietly
    std::atomic<ConnectionStage> stage{ConnectionStage::Resolving};
    int wake_fd = -1;  // eventfd, -1 when none could be made

    std::mutex mutex;  // guards socket_fd (closed by the thread, shut down by Close) and outbound
    int socket_fd = -1;
    std::vector<uint8_t> outbound;
};

struct ConnectionCallbacks {
    std::function<void(ConnectionEvent)> post;  // to the loop thread, in order
    // Synchronous hand-over of one chunk; false when it was given up (closing, loop stopped).
    std::function<bool(std::vector<uint8_t>)> hand_over;
};

void RunConnectionThread(ConnectRequest request, HostAddress address,
                         std::shared_ptr<ConnectionShared> shared, ConnectionCallbacks callbacks);

}  // namespace orkan
