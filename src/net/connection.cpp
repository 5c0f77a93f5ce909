#include "net/connection.h"

#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "net/connection_io.h"
#include "net/host_address.h"

namespace orkan {

namespace {

// Errors after which the socket cannot carry anything more: the user is offered a reconnect.
constexpr std::array<int, 7> kSocketGone{ENOTSOCK,   EBADF,        EPIPE,    ENOTCONN,
                                         ECONNRESET, ECONNABORTED, ESHUTDOWN};

bool EndsConnection(const ConnectionEvent& event) {
    switch (event.kind) {
        case ConnectionEventKind::Connected:
            return false;
        case ConnectionEventKind::SendError:
            return event.socket_gone;
        default:
            return true;
    }
}

}  // namespace

ConnectionEvent SendErrorEvent(int error) {
    ConnectionEvent event;
    event.kind = ConnectionEventKind::SendError;
    event.code = error;
    event.socket_gone = std::find(kSocketGone.begin(), kSocketGone.end(), error) != kSocketGone.end();
    event.text = "Error sending data to host, code=" + std::to_string(error) +
                 (event.socket_gone ? "\nPress Ok when you are ready to try to reconnect"
                                    : "\nYou may have to reconnect");
    return event;
}

// Posted tasks hold a share of this, so they can tell whether the connection still exists.
struct Connection::Delivery {
    Connection* owner;
};

Connection::Connection(EventLoop& loop, ConnectionListener& listener)
    : loop_(loop), listener_(listener), delivery_(std::make_shared<Delivery>(Delivery{this})) {}

Connection::~Connection() {
    Close();
    delivery_->owner = nullptr;
}

ConnectionStage Connection::Stage() const {
    return shared_ ? shared_->stage.load() : ConnectionStage::Idle;
}

StartResult Connection::Start(const ConnectRequest& request) {
    Close();
    ++generation_;
    peer_name_.clear();
    local_address_.clear();
    loop_reads_ = request.read_on_loop && request.tls.protocol == 0;

    HostAddressResult parsed = ParseHostAddress(request.host, request.port);
    if (!parsed.ok()) return {parsed.error, std::nullopt};
    auto shared = std::make_shared<ConnectionShared>();
    if (shared->wake_fd < 0) {
        return {"Error connecting to hostname " + parsed.address.host + ", port " +
                    std::to_string(parsed.address.port) + ", rc=" + std::to_string(errno),
                std::nullopt};
    }

    ConnectionCallbacks callbacks;
    EventLoop* loop = &loop_;
    const uint64_t generation = generation_;
    std::shared_ptr<Delivery> delivery = delivery_;
    callbacks.post = [loop, delivery, generation](ConnectionEvent event) {
        loop->Post([delivery, generation, event = std::move(event)] {
            if (delivery->owner != nullptr) delivery->owner->Deliver(generation, event);
        });
    };
    ConnectionShared* raw_shared = shared.get();  // the thread holds a share for as long as it runs
    callbacks.hand_over = [loop, delivery, generation, raw_shared](std::vector<uint8_t> chunk) {
        // A chunk whose delivery is under way when the connection closes counts as delivered.
        return loop->SendAndWait(
                   [delivery, generation, chunk = std::move(chunk)] {
                       if (delivery->owner != nullptr) delivery->owner->DeliverData(generation, chunk);
                   },
                   [raw_shared] { return raw_shared->cancel.load(); }) != SendResult::Abandoned;
    };

    try {
        thread_ = std::thread(RunConnectionThread, request, parsed.address, shared, std::move(callbacks));
    } catch (const std::system_error& error) {
        return {"Error connecting to hostname " + parsed.address.host + ", port " +
                    std::to_string(parsed.address.port) + ", rc=" + std::to_string(error.code().value()),
                std::nullopt};
    }
    shared_ = std::move(shared);
    StartResult result;
    if (parsed.address.port_given) result.port_in_host = parsed.address.port;
    return result;
}

void Connection::Close() {
    if (!thread_.joinable()) return;
    shared_->cancel = true;
    shared_->Wake();
    // An open connection's thread only waits where the wake reaches it, and hands over what is
    // queued before it ends; a thread still connecting or shaking hands is cut off at once.
    if (shared_->stage.load() != ConnectionStage::Open) shared_->ShutDownSocket();
    Finish();
}

void Connection::Finish() {
    if (watching_) loop_.UnwatchReadable(socket_);
    watching_ = false;
    if (thread_.joinable()) thread_.join();
    shared_.reset();  // the last share closes a socket the loop read
    ++generation_;
}

void Connection::Send(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return;
    if (!thread_.joinable()) {
        PostEvent(SendErrorEvent(ENOTSOCK));
        return;
    }
    {
        std::lock_guard lock(shared_->mutex);
        shared_->outbound.insert(shared_->outbound.end(), bytes.begin(), bytes.end());
    }
    shared_->Wake();
}

void Connection::PostEvent(ConnectionEvent event) {
    std::shared_ptr<Delivery> delivery = delivery_;
    const uint64_t generation = generation_;
    loop_.Post([delivery, generation, event = std::move(event)] {
        if (delivery->owner != nullptr) delivery->owner->Deliver(generation, event);
    });
}

void Connection::Deliver(uint64_t generation, const ConnectionEvent& event) {
    if (generation != generation_) return;
    // The thread posts nothing after its last event and is on its way out: joining is brief.
    if (EndsConnection(event)) Finish();
    if (event.kind == ConnectionEventKind::Connected) {
        peer_name_ = event.peer_name;
        local_address_ = event.local_address;
        socket_ = event.socket;
        if (loop_reads_) {
            loop_.WatchReadable(socket_, [this] { ReadOnLoop(); });
            watching_ = true;
        }
    }
    listener_.OnConnectionEvent(event);
}

void Connection::ReadOnLoop() {
    // On the stack: a listener that turns the loop again (a modal box) reads into a buffer of its own.
    std::array<uint8_t, kReceiveChunk> buffer;
    const ssize_t n = recv(socket_, buffer.data(), buffer.size(), 0);
    if (n > 0) {
        listener_.OnConnectionData(std::span(buffer.data(), size_t(n)));
        return;
    }
    ConnectionEvent event;
    if (n == 0) {
        event.kind = ConnectionEventKind::ClosedByHost;
    } else {
        const int error = errno;
        if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR) return;
        event.kind = ConnectionEventKind::ReadFailed;
        event.code = error;
        event.text = std::strerror(error);
    }
    shared_->cancel = true;
    shared_->Wake();
    Finish();
    listener_.OnConnectionEvent(event);
}

void Connection::DeliverData(uint64_t generation, std::span<const uint8_t> chunk) {
    if (generation == generation_) listener_.OnConnectionData(chunk);
}

}  // namespace orkan
