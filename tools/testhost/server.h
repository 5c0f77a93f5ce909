// The listening socket and the poll() loop that serves several clients at once, with TLS and
// the socket-level faults.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "options.h"

typedef struct ssl_ctx_st SSL_CTX;

namespace testhost {

class Server {
  public:
    Server(const Options& options, const Codec& codec, LuPool& pool);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds and listens; sets up TLS when asked.
    [[nodiscard]] bool Listen(std::string& error);
    int port() const { return port_; }
    // Serves until the session limit is reached or SIGINT/SIGTERM; returns the exit status.
    int Run();

  private:
    struct Connection;
    void Accept(double now);
    void Service(Connection& c, short revents, double now);
    void Collect(Connection& c, double now);
    void Flush(Connection& c);
    void Drop(Connection& c, const std::string& reason);

    const Options& options_;
    const Codec& codec_;
    LuPool& pool_;
    int listen_fd_ = -1;
    int signal_fd_ = -1;
    int port_ = 0;
    SSL_CTX* tls_ = nullptr;
    std::FILE* shared_log_ = nullptr;
    bool own_shared_log_ = false;
    std::vector<std::unique_ptr<Connection>> connections_;
    int accepted_ = 0;
    int failed_checks_ = 0;
};

}  // namespace testhost
