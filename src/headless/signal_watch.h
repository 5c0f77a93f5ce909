// SIGINT, SIGTERM and SIGHUP arrive as readable data on the loop, never as handlers that could
// interrupt the session half way. The signals must be blocked in every thread (main.cpp does so
// before any thread starts).
#pragma once

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <functional>

#include "headless/stderr_text.h"
#include "platform/event_loop.h"

namespace orkan {

class SignalWatch {
  public:
    SignalWatch(EventLoop& loop, std::function<void()> on_signal) : loop_(loop) {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGHUP);
        fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
        // Output to a reader that stopped reading gives way to these signals.
        SetEndSignalFd(fd_);
        if (fd_ >= 0) {
            loop_.WatchReadable(fd_, [this, on_signal = std::move(on_signal)] {
                signalfd_siginfo info{};
                while (read(fd_, &info, sizeof info) == ssize_t(sizeof info)) on_signal();
            });
        }
    }
    ~SignalWatch() {
        SetEndSignalFd(-1);
        if (fd_ >= 0) {
            loop_.UnwatchReadable(fd_);
            close(fd_);
        }
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;
    bool ok() const { return fd_ >= 0; }

  private:
    EventLoop& loop_;
    int fd_ = -1;
};

}  // namespace orkan
