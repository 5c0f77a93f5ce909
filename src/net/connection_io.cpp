// The connection's thread. Every wait is a poll() that also watches the wake-up eventfd, and the
// only call that cannot be woken (a name lookup) runs on a helper of its own, so Close() never
// waits for the network.
#include "net/connection_io.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <thread>

#include "net/tls_channel.h"

namespace orkan {

ConnectionShared::ConnectionShared() : wake_fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

ConnectionShared::~ConnectionShared() {
    if (wake_fd >= 0) close(wake_fd);
    if (socket_fd >= 0) close(socket_fd);
}

void ConnectionShared::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wake_fd, &one, sizeof one);  // EAGAIN: already awake
}

void ConnectionShared::ShutDownSocket() {
    std::lock_guard lock(mutex);
    if (socket_fd >= 0) shutdown(socket_fd, SHUT_RDWR);
}

namespace {

struct AddrInfoFree {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoFree>;

// One name lookup on a helper thread. The helper owns a share of it, so when the connection gives
// up waiting, the late answer is freed by whoever lets go last.
struct Lookup {
    Lookup() : done_fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~Lookup() {
        if (result != nullptr) freeaddrinfo(result);
        if (done_fd >= 0) close(done_fd);
    }
    std::string host;
    std::string port;
    int done_fd;
    std::mutex mutex;
    int rc = 0;
    int error = 0;
    addrinfo* result = nullptr;
};

int LookUp(const std::string& host, const std::string& port, int flags, addrinfo** result) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | flags;
    return getaddrinfo(host.c_str(), port.c_str(), &hints, result);
}

void RunLookup(const std::shared_ptr<Lookup>& lookup) {
    addrinfo* result = nullptr;
    const int rc = LookUp(lookup->host, lookup->port, 0, &result);
    const int error = errno;
    {
        std::lock_guard lock(lookup->mutex);
        lookup->rc = rc;
        lookup->error = error;
        lookup->result = rc == 0 ? result : nullptr;
    }
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(lookup->done_fd, &one, sizeof one);
}

std::string NumericAddress(const sockaddr_storage& address, socklen_t length) {
    std::array<char, NI_MAXHOST> text{};
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, text.data(), text.size(), nullptr, 0,
                    NI_NUMERICHOST) != 0) {
        return {};
    }
    return text.data();
}

class ConnectionThread {
  public:
    ConnectionThread(ConnectRequest request, HostAddress address, std::shared_ptr<ConnectionShared> shared,
                     ConnectionCallbacks callbacks)
        : request_(std::move(request)),
          address_(std::move(address)),
          shared_(std::move(shared)),
          callbacks_(std::move(callbacks)),
          loop_reads_(request_.read_on_loop && request_.tls.protocol == 0) {}

    ~ConnectionThread() {
        tls_.reset();
        CloseSocket();
        shared_->stage = ConnectionStage::Ended;
    }

    void Run() {
        AddrInfoList addresses = Resolve();
        if (!addresses || !ConnectAny(addresses.get())) return;
        addresses.reset();
        ConnectionEvent connected;
        connected.kind = ConnectionEventKind::Connected;
        connected.peer_name = peer_name_;
        connected.local_address = local_address_;
        connected.socket = fd_;
        if (request_.tls.protocol != 0) {
            if (!Handshake()) return;
            connected.tls = tls_->Info(peer_name_, address_.port);
        }
        shared_->stage = ConnectionStage::Open;
        socket_with_loop_ = loop_reads_;
        callbacks_.post(std::move(connected));
        Transfer();
    }

  private:
    enum class Wait : uint8_t { Ready, Cancelled };

    struct WriteResult {
        size_t written = 0;
        bool blocked = false;
        bool wants_writable = false;  // else the TLS layer waits for the host's bytes
        int error = 0;
    };

    bool Cancelled() const { return shared_->cancel.load(); }

    // Nothing is reported once this side is closing: the session asked for the end.
    void Report(ConnectionEventKind kind, std::string text, int code = 0) {
        if (Cancelled()) return;
        ConnectionEvent event;
        event.kind = kind;
        event.text = std::move(text);
        event.code = code;
        callbacks_.post(std::move(event));
    }

    void DrainWake() {
        uint64_t count = 0;
        [[maybe_unused]] ssize_t n = read(shared_->wake_fd, &count, sizeof count);
    }

    Wait WaitFor(int fd, short events) {
        for (;;) {
            if (Cancelled()) return Wait::Cancelled;
            std::array<pollfd, 2> fds{{{fd, events, 0}, {shared_->wake_fd, POLLIN, 0}}};
            if (poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) continue;
                return Wait::Ready;  // the call that follows meets the failure and reports it
            }
            if (fds[1].revents != 0) DrainWake();
            if (Cancelled()) return Wait::Cancelled;
            if (fds[0].revents != 0) return Wait::Ready;
        }
    }

    void PublishSocket(int fd) {
        std::lock_guard lock(shared_->mutex);
        shared_->socket_fd = fd;
    }

    void CloseSocket() {
        // The loop may be watching it: the loop side closes it once its watch has ended.
        if (socket_with_loop_) return;
        std::lock_guard lock(shared_->mutex);
        if (shared_->socket_fd < 0) return;
        shutdown(shared_->socket_fd, SHUT_RD);
        close(shared_->socket_fd);
        shared_->socket_fd = -1;
        fd_ = -1;
    }

    // Numeric hosts are read at once; names go to a helper, since getaddrinfo cannot be woken.
    AddrInfoList Resolve() {
        const std::string port = std::to_string(address_.port);
        addrinfo* list = nullptr;
        int rc = LookUp(address_.host, port, AI_NUMERICHOST, &list);
        int error = errno;
        if (rc == EAI_NONAME) {
            auto lookup = std::make_shared<Lookup>();
            lookup->host = address_.host;
            lookup->port = port;
            bool on_helper = lookup->done_fd >= 0;
            if (on_helper) {
                try {
                    std::thread(RunLookup, lookup).detach();
                } catch (const std::system_error&) {
                    on_helper = false;
                }
            }
            if (!on_helper) {
                RunLookup(lookup);
            } else if (WaitFor(lookup->done_fd, POLLIN) == Wait::Cancelled) {
                return nullptr;
            }
            std::lock_guard lock(lookup->mutex);
            rc = lookup->rc;
            error = lookup->error;
            list = lookup->result;
            lookup->result = nullptr;
        }
        if (rc != 0) {
            // getaddrinfo's own code (negative in glibc), or errno when it says EAI_SYSTEM.
            const int code = rc == EAI_SYSTEM ? error : rc;
            // The number for those who look it up, the reason in words for everyone else.
            const std::string reason = rc == EAI_SYSTEM ? std::strerror(error) : gai_strerror(rc);
            Report(ConnectionEventKind::ConnectError,
                   "Error getting address info for " + address_.host + ", rc=" + std::to_string(code) + " (" +
                       reason + ")",
                   code);
            return nullptr;
        }
        return AddrInfoList(list);
    }

    void SetOptions(int fd) const {
        const int on = 1;
        // A refused option leaves a working socket, so it is not worth failing the connect for.
        if (request_.set_sock_opt & 1) setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
        if (request_.set_sock_opt & 2) setsockopt(fd, SOL_SOCKET, SO_OOBINLINE, &on, sizeof on);
    }

    bool ConnectAny(const addrinfo* list) {
        shared_->stage = ConnectionStage::Connecting;
        int last_error = ECONNREFUSED;
        for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
            const int fd = socket(entry->ai_family, entry->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                  entry->ai_protocol);
            if (fd < 0) {
                last_error = errno;
                continue;
            }
            SetOptions(fd);
            PublishSocket(fd);
            fd_ = fd;
            int error = 0;
            if (connect(fd, entry->ai_addr, entry->ai_addrlen) != 0) {
                error = errno;
                if (error == EINPROGRESS) {
                    if (WaitFor(fd, POLLOUT) == Wait::Cancelled) return false;
                    socklen_t length = sizeof error;
                    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
                }
            }
            if (error == 0) {
                KeepAddresses(fd);
                return true;
            }
            last_error = error;
            CloseSocket();
            if (Cancelled()) return false;
        }
        Report(ConnectionEventKind::ConnectError,
               "Error connecting to hostname " + address_.host + ", port " + std::to_string(address_.port) +
                   ", rc=" + std::to_string(last_error) + " (" + std::strerror(last_error) + ")",
               last_error);
        return false;
    }

    void KeepAddresses(int fd) {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            peer_name_ = NumericAddress(address, length);
        }
        length = sizeof address;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            local_address_ = NumericAddress(address, length);
        }
    }

    bool Handshake() {
        shared_->stage = ConnectionStage::Handshaking;
        std::string error;
        const TlsEngine* engine = LoadTlsEngine(error);
        if (engine) tls_ = engine->open(request_.tls, fd_, address_.host, error);
        if (!tls_) {
            Report(ConnectionEventKind::TlsError, error);
            return false;
        }
        for (;;) {
            std::string failure;
            const TlsChannel::Step step = tls_->Handshake(failure);
            if (step == TlsChannel::Step::Done) break;
            if (step == TlsChannel::Step::Failed) {
                Report(ConnectionEventKind::TlsError, failure);
                return false;
            }
            if (WaitFor(fd_, step == TlsChannel::Step::WantRead ? POLLIN : POLLOUT) == Wait::Cancelled)
                return false;
        }
        const std::string refusal = tls_->CheckPeer(address_.host);
        if (!refusal.empty()) {
            Report(ConnectionEventKind::TlsError, refusal);
            return false;
        }
        return true;
    }

    WriteResult Write(const uint8_t* data, size_t length) {
        WriteResult result;
        length = std::min<size_t>(length, INT_MAX);
        if (!tls_) {
            for (;;) {
                const ssize_t n = send(fd_, data, length, MSG_NOSIGNAL);
                if (n >= 0) {
                    result.written = static_cast<size_t>(n);
                } else if (errno == EINTR) {
                    continue;
                } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    result.blocked = result.wants_writable = true;
                } else {
                    result.error = errno;
                }
                return result;
            }
        }
        const TlsChannel::Io io = tls_->Write(data, length);
        result.written = io.bytes;
        result.blocked = io.want_read || io.want_write;
        result.wants_writable = io.want_write;
        result.error = io.error;
        return result;
    }

    // Writes what it can of `pending` from `sent` on. False when the connection has ended.
    bool Flush(std::vector<uint8_t>& pending, size_t& sent, bool& wants_writable) {
        wants_writable = false;
        while (sent < pending.size()) {
            const WriteResult result = Write(pending.data() + sent, pending.size() - sent);
            if (result.written > 0) {
                sent += result.written;
                continue;
            }
            if (result.blocked) {
                wants_writable = result.wants_writable;
                return true;
            }
            // The bytes that failed are dropped, as a failed send loses them; the user is told.
            pending.clear();
            sent = 0;
            ConnectionEvent event = SendErrorEvent(result.error);
            const bool gone = event.socket_gone;
            if (!Cancelled()) callbacks_.post(std::move(event));
            if (gone) CloseSocket();
            return !gone;
        }
        return true;
    }

    void Ended(ConnectionEventKind kind, int code, std::string text) {
        CloseSocket();
        Report(kind, std::move(text), code);
    }

    // Reads one chunk. False when the connection has ended.
    bool ReadChunk(std::array<uint8_t, kReceiveChunk>& buffer, bool& read_wants_writable) {
        read_wants_writable = false;
        int length = 0;
        if (!tls_) {
            const ssize_t n = recv(fd_, buffer.data(), buffer.size(), 0);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return true;
                const int error = errno;
                Ended(ConnectionEventKind::ReadFailed, error, std::strerror(error));
                return false;
            }
            if (n == 0) {
                Ended(ConnectionEventKind::ClosedByHost, 0, {});
                return false;
            }
            length = static_cast<int>(n);
        } else {
            const TlsChannel::Io io = tls_->Read(buffer.data(), buffer.size());
            if (io.bytes == 0) {
                if (io.want_read) return true;
                if (io.want_write) {
                    read_wants_writable = true;
                    return true;
                }
                if (io.closed) {
                    Ended(ConnectionEventKind::ClosedByHost, 0, {});
                    return false;
                }
                Ended(ConnectionEventKind::ReadFailed, io.error, io.reason);
                return false;
            }
            length = static_cast<int>(io.bytes);
        }
        return callbacks_.hand_over(std::vector<uint8_t>(buffer.begin(), buffer.begin() + length));
    }

    // Closing: what the session queued last (a macro's final key, say) is handed to the socket as
    // far as it takes it now. No waiting for a host that reads nothing; the kernel sends what it
    // took before the end of the connection.
    void HandOverQueued(std::vector<uint8_t>& pending, size_t sent) {
        {
            std::lock_guard lock(shared_->mutex);
            pending.insert(pending.end(), shared_->outbound.begin(), shared_->outbound.end());
            shared_->outbound.clear();
        }
        while (sent < pending.size()) {
            const WriteResult result = Write(pending.data() + sent, pending.size() - sent);
            if (result.written == 0) return;
            sent += result.written;
        }
    }

    void Transfer() {
        std::array<uint8_t, kReceiveChunk> buffer;
        std::vector<uint8_t> pending;  // handed to the socket or TLS, retried unchanged until out
        size_t sent = 0;
        bool read_wants_writable = false;
        for (;;) {
            if (Cancelled()) return HandOverQueued(pending, sent);
            if (sent == pending.size()) {
                pending.clear();
                sent = 0;
                std::lock_guard lock(shared_->mutex);
                pending.swap(shared_->outbound);
                shared_->thread_writes = !pending.empty();
            }
            bool write_wants_writable = false;
            if (!Flush(pending, sent, write_wants_writable)) return;
            // All out: the loop may write again itself, after whatever was queued meanwhile.
            if (!pending.empty() && sent == pending.size()) continue;

            // Bytes TLS has already decrypted do not show up as a readable socket.
            const bool buffered = tls_ && tls_->Pending();
            short events = loop_reads_ ? 0 : POLLIN;
            if (write_wants_writable || read_wants_writable) events |= POLLOUT;
            // Without events the socket stays out of the poll, whose hang-up would otherwise wake it.
            std::array<pollfd, 2> fds{{{events ? fd_ : -1, events, 0}, {shared_->wake_fd, POLLIN, 0}}};
            if (poll(fds.data(), fds.size(), buffered ? 0 : -1) < 0 && errno != EINTR) {
                const int error = errno;
                Ended(ConnectionEventKind::ReadFailed, error, std::strerror(error));
                return;
            }
            if (fds[1].revents != 0) DrainWake();
            if (Cancelled()) return HandOverQueued(pending, sent);
            const bool readable = (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0 ||
                                  (read_wants_writable && (fds[0].revents & POLLOUT) != 0);
            if (!loop_reads_ && (readable || buffered) && !ReadChunk(buffer, read_wants_writable)) return;
        }
    }

    ConnectRequest request_;
    HostAddress address_;
    std::shared_ptr<ConnectionShared> shared_;
    ConnectionCallbacks callbacks_;
    const bool loop_reads_;          // the loop thread reads the socket once connected
    bool socket_with_loop_ = false;  // it has been told of the socket
    int fd_ = -1;
    std::unique_ptr<TlsChannel> tls_;
    std::string peer_name_;
    std::string local_address_;
};

}  // namespace

void RunConnectionThread(ConnectRequest request, HostAddress address,
                         std::shared_ptr<ConnectionShared> shared, ConnectionCallbacks callbacks) {
    // TLS writes with write(): a host that has gone must give EPIPE here, not end the process.
    sigset_t pipe_signal;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);

    ConnectionThread thread(std::move(request), std::move(address), std::move(shared), std::move(callbacks));
    thread.Run();
}

}  // namespace orkan
