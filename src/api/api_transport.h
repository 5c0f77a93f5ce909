// How the automation interface's lines travel: stdin and stdout (--api), or a Unix socket that one
// client at a time holds (--api-socket PATH), on the session's loop. Lines in go to the session as
// they complete; lines out are gathered and written at the next turn of the loop, as much as the
// reader takes then: the loop never waits for a reader, so a client that reads nothing holds up
// nothing else (signals, the host, other sessions). Its answers wait, up to a limit; past it the
// client is treated as gone.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "api/api_session.h"
#include "api/line_reader.h"
#include "platform/alive_token.h"
#include "platform/event_loop.h"
#include "platform/scoped_timers.h"

namespace orkan {

class ApiTransport final : public ApiOutput {
  public:
    explicit ApiTransport(EventLoop& loop);
    ~ApiTransport() override;
    ApiTransport(const ApiTransport&) = delete;
    ApiTransport& operator=(const ApiTransport&) = delete;

    void SetSession(ApiSession* session) { session_ = session; }

    // The socket is made before the session starts, so a path that cannot be used ends the program
    // at once. False with `error` saying why: a symbolic link or another file at the path, a socket
    // another program listens on, a path too long for a socket.
    [[nodiscard]] bool ListenOn(const std::string& path, std::string& error);

    // The descriptors that stand for stdin and stdout: the program's private copies of them, so that
    // nothing else in the process (a macro's default streams) or its children can reach the stream.
    void UseStdio(int in_fd, int out_fd) {
        stdin_fd_ = in_fd;
        stdout_fd_ = out_fd;
    }

    // Starts reading: stdin when no socket was made (`ended` runs when stdin ends, or stdout's
    // reader went away), else clients of the socket, each greeted with the session's hello.
    void Start(std::function<void()> ended);

    void SendLine(const std::string& line) override;

  private:
    struct Client;
    void Accept();
    void Readable();
    void DropClient();
    void Flush();
    void ReaderGone();

    EventLoop& loop_;
    ApiSession* session_ = nullptr;
    std::function<void()> ended_;
    int listen_fd_ = -1;
    std::string socket_path_;
    dev_t socket_dev_ = 0;
    ino_t socket_ino_ = 0;
    int stdin_fd_ = 0;
    int stdout_fd_ = 1;
    int in_fd_ = -1;   // stdin, or the client's socket
    int out_fd_ = -1;  // stdout, or the client's socket
    bool broken_ = false;
    std::string out_;  // lines not written yet
    bool flush_posted_ = false;
    std::unique_ptr<LineReader> reader_;
    ScopedTimers timers_{loop_};  // the retry while the reader takes nothing
    AliveToken alive_;
};

}  // namespace orkan
