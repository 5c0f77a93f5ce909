#include "server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>

namespace testhost {

namespace {

double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string TlsError() {
    const unsigned long e = ERR_get_error();
    if (!e) return "unknown TLS error";
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    return buf;
}

std::string PeerName(const sockaddr_storage& ss) {
    char host[INET6_ADDRSTRLEN] = "?";
    int port = 0;
    if (ss.ss_family == AF_INET) {
        const auto* a = reinterpret_cast<const sockaddr_in*>(&ss);
        inet_ntop(AF_INET, &a->sin_addr, host, sizeof host);
        port = ntohs(a->sin_port);
        return std::string(host) + ":" + std::to_string(port);
    }
    const auto* a = reinterpret_cast<const sockaddr_in6*>(&ss);
    inet_ntop(AF_INET6, &a->sin6_addr, host, sizeof host);
    port = ntohs(a->sin6_port);
    return "[" + std::string(host) + "]:" + std::to_string(port);
}

constexpr size_t kPumpWatermark = 256 * 1024;

}  // namespace

struct Server::Connection {
    int fd = -1;
    SSL* ssl = nullptr;
    bool handshake_done = true;
    bool tls_wants_write = false;
    int id = 0;
    double start = 0;
    std::string peer;
    std::unique_ptr<SessionLog> log;
    std::unique_ptr<Engine> engine;
    struct Chunk {
        Bytes data;
        size_t offset = 0;
        double release = 0;
    };
    std::deque<Chunk> out;
    size_t queued = 0;
    size_t sent = 0;
    bool dead = false;
    double closing_since = 0;

    ~Connection() {
        if (ssl) SSL_free(ssl);
        if (fd >= 0) close(fd);
    }
};

Server::Server(const Options& options, const Codec& codec, LuPool& pool)
    : options_(options), codec_(codec), pool_(pool) {}

Server::~Server() {
    connections_.clear();
    if (listen_fd_ >= 0) close(listen_fd_);
    if (signal_fd_ >= 0) close(signal_fd_);
    if (tls_) SSL_CTX_free(tls_);
    if (own_shared_log_ && shared_log_) std::fclose(shared_log_);
}

bool Server::Listen(std::string& error) {
    if (!options_.tls_cert.empty()) {
        tls_ = SSL_CTX_new(TLS_server_method());
        if (!tls_) return error = "TLS: " + TlsError(), false;
        if (SSL_CTX_use_certificate_chain_file(tls_, options_.tls_cert.c_str()) != 1)
            return error = "TLS certificate " + options_.tls_cert + ": " + TlsError(), false;
        if (SSL_CTX_use_PrivateKey_file(tls_, options_.tls_key.c_str(), SSL_FILETYPE_PEM) != 1)
            return error = "TLS key " + options_.tls_key + ": " + TlsError(), false;
        if (SSL_CTX_check_private_key(tls_) != 1)
            return error = "TLS key does not match the certificate", false;
        SSL_CTX_set_mode(tls_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    }
    if (!options_.log.empty() && options_.log.find("%n") == std::string::npos) {
        if (options_.log == "-") {
            shared_log_ = stderr;
        } else {
            shared_log_ = std::fopen(options_.log.c_str(), "w");
            if (!shared_log_) return error = options_.log + ": " + std::strerror(errno), false;
            own_shared_log_ = true;
        }
    }

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* res = nullptr;
    const std::string port = std::to_string(options_.port);
    if (const int rc = getaddrinfo(options_.listen.c_str(), port.c_str(), &hints, &res); rc != 0)
        return error = "--listen " + options_.listen + ": " + gai_strerror(rc), false;
    std::string last;
    for (addrinfo* ai = res; ai; ai = ai->ai_next) {
        const int fd = socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0) {
            last = std::strerror(errno);
            continue;
        }
        const int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (ai->ai_family == AF_INET6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
        if (bind(fd, ai->ai_addr, ai->ai_addrlen) == 0 && listen(fd, 64) == 0) {
            listen_fd_ = fd;
            break;
        }
        last = std::strerror(errno);
        close(fd);
    }
    freeaddrinfo(res);
    if (listen_fd_ < 0)
        return error = "cannot listen on " + options_.listen + " port " + port + ": " + last, false;
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&ss), &len);
    port_ = ntohs(ss.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&ss)->sin_port
                                          : reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port);

    // Signals arrive through a descriptor, so the loop ends cleanly between two polls.
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    signal_fd_ = signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

void Server::Accept(double now) {
    for (;;) {
        sockaddr_storage ss{};
        socklen_t len = sizeof ss;
        const int fd =
            accept4(listen_fd_, reinterpret_cast<sockaddr*>(&ss), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        if (options_.max_sessions && accepted_ >= options_.max_sessions) {
            close(fd);
            continue;
        }
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto c = std::make_unique<Connection>();
        c->fd = fd;
        c->id = ++accepted_;
        c->start = now;
        c->peer = PeerName(ss);
        if (!options_.log.empty() && options_.log.find("%n") != std::string::npos) {
            c->log = std::make_unique<SessionLog>();
            std::string error;
            if (!c->log->OpenOwn(options_.log, c->id, error))
                std::fprintf(stderr, "testhost: log: %s\n", error.c_str());
        } else {
            c->log = std::make_unique<SessionLog>(shared_log_, c->id);
        }
        const double start = now;
        c->engine = std::make_unique<Engine>(options_.engine, codec_, pool_, *c->log,
                                             [start] { return Now() - start; });
        c->log->Line("OPEN", "from " + c->peer + (tls_ ? " (TLS)" : ""));
        std::fprintf(stderr, "testhost: session %d from %s\n", c->id, c->peer.c_str());
        if (tls_) {
            c->ssl = SSL_new(tls_);
            SSL_set_fd(c->ssl, fd);
            SSL_set_accept_state(c->ssl);
            c->handshake_done = false;
        } else {
            c->engine->Start();
            Collect(*c, now);
        }
        connections_.push_back(std::move(c));
    }
}

void Server::Collect(Connection& c, double now) {
    Bytes b = c.engine->TakeOutput();
    if (!b.empty()) {
        c.queued += b.size();
        c.out.push_back({std::move(b), 0, now + options_.engine.faults.slow_ms / 1000.0});
    }
    for (const auto& line : c.engine->TakeReport()) {
        std::fprintf(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
    }
}

void Server::Drop(Connection& c, const std::string& reason) {
    if (c.dead) return;
    c.dead = true;
    c.log->Line("CLOSE", reason);
    failed_checks_ += c.engine->failed_checks();
    std::fprintf(stderr, "testhost: session %d closed: %s\n", c.id, reason.c_str());
    if (c.ssl && c.handshake_done) SSL_shutdown(c.ssl);
    shutdown(c.fd, SHUT_RDWR);
}

void Server::Flush(Connection& c) {
    const Faults& f = options_.engine.faults;
    const double now = Now();
    while (!c.out.empty() && !c.dead) {
        auto& chunk = c.out.front();
        if (chunk.release > now) return;
        size_t n = chunk.data.size() - chunk.offset;
        if (f.byte_per_write) n = std::min<size_t>(n, 1);
        if (f.close_after) {
            if (c.sent >= *f.close_after) {
                Drop(c, "fault: closed after " + std::to_string(*f.close_after) + " bytes");
                return;
            }
            n = std::min(n, *f.close_after - c.sent);
        }
        ssize_t w;
        if (c.ssl) {
            w = SSL_write(c.ssl, chunk.data.data() + chunk.offset, static_cast<int>(n));
            if (w <= 0) {
                const int e = SSL_get_error(c.ssl, static_cast<int>(w));
                if (e == SSL_ERROR_WANT_WRITE || e == SSL_ERROR_WANT_READ) return;
                Drop(c, "TLS write failed: " + TlsError());
                return;
            }
        } else {
            w = send(c.fd, chunk.data.data() + chunk.offset, n, MSG_NOSIGNAL);
            if (w < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
                Drop(c, std::string("send failed: ") + std::strerror(errno));
                return;
            }
        }
        chunk.offset += static_cast<size_t>(w);
        c.sent += static_cast<size_t>(w);
        c.queued -= static_cast<size_t>(w);
        if (chunk.offset == chunk.data.size()) c.out.pop_front();
        if (f.close_after && c.sent >= *f.close_after) {
            Drop(c, "fault: closed after " + std::to_string(*f.close_after) + " bytes");
            return;
        }
        if (f.byte_per_write) return;  // one write per turn of the loop
    }
}

void Server::Service(Connection& c, short revents, double now) {
    if (c.ssl && !c.handshake_done) {
        const int rc = SSL_accept(c.ssl);
        if (rc == 1) {
            c.handshake_done = true;
            c.tls_wants_write = false;
            c.log->Line("TLS", std::string("handshake done: ") + SSL_get_version(c.ssl) + " " +
                                   SSL_CIPHER_get_name(SSL_get_current_cipher(c.ssl)));
            c.engine->Start();
            Collect(c, now);
        } else {
            const int e = SSL_get_error(c.ssl, rc);
            if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
                c.tls_wants_write = e == SSL_ERROR_WANT_WRITE;
            } else {
                Drop(c, "TLS handshake failed: " + TlsError());
            }
            return;
        }
    }
    if (revents & (POLLIN | POLLHUP | POLLERR)) {
        uint8_t buf[16384];
        for (int round = 0; round < 8 && !c.dead; ++round) {
            ssize_t n;
            if (c.ssl) {
                n = SSL_read(c.ssl, buf, sizeof buf);
                if (n <= 0) {
                    const int e = SSL_get_error(c.ssl, static_cast<int>(n));
                    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) break;
                    Drop(c, e == SSL_ERROR_ZERO_RETURN ? "client closed the connection"
                                                       : "TLS read failed: " + TlsError());
                    return;
                }
            } else {
                n = recv(c.fd, buf, sizeof buf, 0);
                if (n < 0) {
                    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) break;
                    Drop(c, std::string("receive failed: ") + std::strerror(errno));
                    return;
                }
                if (n == 0) {
                    Drop(c, "client closed the connection");
                    return;
                }
            }
            c.engine->OnBytes(buf, static_cast<size_t>(n));
            Collect(c, now);
        }
    }
    c.engine->OnTick();
    Collect(c, now);
    while (c.engine->WantsPump() && c.queued < kPumpWatermark) {
        c.engine->Pump();
        Collect(c, now);
    }
    Flush(c);
    if (c.engine->closing() && !c.dead) {
        if (c.closing_since == 0) c.closing_since = now;
        if (c.out.empty() || now - c.closing_since > 5) Drop(c, c.engine->close_reason());
    }
}

int Server::Run() {
    bool stop = false;
    while (!stop) {
        const bool accepting = !options_.max_sessions || accepted_ < options_.max_sessions;
        if (!accepting && connections_.empty()) break;
        std::vector<pollfd> fds;
        fds.push_back({signal_fd_, POLLIN, 0});
        fds.push_back({listen_fd_, static_cast<short>(accepting ? POLLIN : 0), 0});
        const double now = Now();
        double wake = now + 0.1;
        for (const auto& c : connections_) {
            short ev = POLLIN;
            if (!c->out.empty()) {
                if (c->out.front().release <= now)
                    ev |= POLLOUT;
                else
                    wake = std::min(wake, c->out.front().release);
            }
            if (c->tls_wants_write) ev |= POLLOUT;
            if (c->engine->WantsPump()) ev |= POLLOUT;
            fds.push_back({c->fd, ev, 0});
        }
        const int timeout = std::max(0, static_cast<int>((wake - now) * 1000) + 1);
        if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            std::perror("testhost: poll");
            return 1;
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info;
            while (read(signal_fd_, &info, sizeof info) > 0) {
            }
            std::fprintf(stderr, "testhost: stopping on signal\n");
            stop = true;
        }
        const double t = Now();
        if (fds[1].revents & POLLIN) Accept(t);
        for (size_t i = 0; i < connections_.size(); ++i) {
            Connection& c = *connections_[i];
            const short rev = i + 2 < fds.size() && fds[i + 2].fd == c.fd ? fds[i + 2].revents : 0;
            if (!c.dead) Service(c, rev, t);
        }
        connections_.erase(std::remove_if(connections_.begin(), connections_.end(),
                                          [](const std::unique_ptr<Connection>& c) { return c->dead; }),
                           connections_.end());
    }
    for (auto& c : connections_) Drop(*c, "host stopped");
    connections_.clear();
    return failed_checks_ ? 3 : 0;
}

}  // namespace testhost
