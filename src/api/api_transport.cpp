#include "api/api_transport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "api/protocol.h"

namespace orkan {

namespace {

constexpr size_t kReadChunk = 64 * 1024;

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

// Whether a program answers on the socket at `path`. Never waits: a program whose queue of
// connections is full (stopped, or busy) still holds the path.
bool SomeoneListens(const sockaddr_un& address) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const bool answered = rc == 0 || errno == EAGAIN || errno == EINPROGRESS;
    ::close(fd);
    return answered;
}

// Answers waiting for a reader that takes none; past this the reader counts as gone.
constexpr size_t kMaxWaitingOutput = size_t(64) << 20;
constexpr int kRetryTimer = 0;
constexpr std::chrono::milliseconds kRetryAfter{20};
// How long the last answers (to quit, at the end) may wait for the reader.
constexpr int kLastWriteMs = 2000;
// poll() promises room for a page when it says writable: a write of that much never waits.
constexpr size_t kSafeWrite = 4096;

// Writes what the reader takes now, without waiting: the count written, or -1 when it is gone.
ssize_t WriteAvailable(int fd, std::string_view bytes, bool socket) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n;
        if (socket) {
            // A socket whose client went away must not raise SIGPIPE.
            n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        } else {
            pollfd p{fd, POLLOUT, 0};
            const int ready = ::poll(&p, 1, 0);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) break;
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return -1;
            n = ::write(fd, bytes.data() + done, std::min(bytes.size() - done, kSafeWrite));
        }
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && errno == EAGAIN) {
            break;
        } else if (n == 0 || errno != EINTR) {
            return -1;
        }
    }
    return ssize_t(done);
}

// Writes everything, waiting at most `limit_ms` in all. False when the reader is gone or slow.
bool WriteAllWithin(int fd, std::string_view bytes, bool socket, int limit_ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (!bytes.empty()) {
        const ssize_t n = WriteAvailable(fd, bytes, socket);
        if (n < 0) return false;
        bytes.remove_prefix(size_t(n));
        if (bytes.empty()) break;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, int(left.count()));
    }
    return true;
}

}  // namespace

ApiTransport::ApiTransport(EventLoop& loop) : loop_(loop) {}

ApiTransport::~ApiTransport() {
    // What the last turns of the loop said (the answer to quit, the end of the connection), given
    // a little time: a reader that takes nothing does not keep the program from ending.
    if (!out_.empty() && out_fd_ >= 0 && !broken_) [[maybe_unused]]
        const bool written = WriteAllWithin(out_fd_, out_, listen_fd_ >= 0, kLastWriteMs);
    out_.clear();
    if (in_fd_ >= 0) loop_.UnwatchReadable(in_fd_);
    if (listen_fd_ >= 0) {
        loop_.UnwatchReadable(listen_fd_);
        DropClient();
        ::close(listen_fd_);
        // Removed only while it is still the socket this program made.
        struct stat st {};
        if (::lstat(socket_path_.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_dev == socket_dev_ &&
            st.st_ino == socket_ino_)
            ::unlink(socket_path_.c_str());
    }
}

bool ApiTransport::ListenOn(const std::string& path, std::string& error) {
    sockaddr_un address;
    if (!FillAddress(path, address)) {
        error = "The socket path " + path + " is empty or longer than " +
                std::to_string(sizeof address.sun_path - 1) + " bytes.";
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            error = "The socket path " + path + " is a symbolic link; it is not followed.";
            return false;
        }
        if (!S_ISSOCK(st.st_mode) || st.st_uid != ::getuid()) {
            error = "The socket path " + path + " is taken by a file that is not a socket of this user.";
            return false;
        }
        if (SomeoneListens(address)) {
            error = "Another program listens on the socket " + path + ".";
            return false;
        }
        ::unlink(path.c_str());  // left behind by an earlier run
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("No socket can be made: ") + std::strerror(errno) + ".";
        return false;
    }
    // bind() never follows a link and fails on anything already at the path; the mask makes the
    // socket the user's alone from its first moment.
    const mode_t mask = ::umask(0177);
    const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int bind_error = errno;
    ::umask(mask);
    if (bound != 0 || ::listen(fd, 4) != 0) {
        error =
            "The socket " + path + " cannot be made: " + std::strerror(bound != 0 ? bind_error : errno) + ".";
        ::close(fd);
        return false;
    }
    if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || (st.st_mode & 0777) != 0600) {
        error = "The socket " + path + " did not come out as a socket for this user alone.";
        ::close(fd);
        return false;
    }
    listen_fd_ = fd;
    socket_path_ = path;
    socket_dev_ = st.st_dev;
    socket_ino_ = st.st_ino;
    return true;
}

void ApiTransport::Start(std::function<void()> ended) {
    ended_ = std::move(ended);
    if (listen_fd_ >= 0) {
        loop_.WatchReadable(listen_fd_, [this] { Accept(); });
        return;
    }
    in_fd_ = stdin_fd_;
    out_fd_ = stdout_fd_;
    reader_ = std::make_unique<LineReader>(kMaxApiLine);
    if (session_) session_->Hello();
    loop_.WatchReadable(in_fd_, [this] { Readable(); });
}

void ApiTransport::Accept() {
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    if (in_fd_ >= 0) {
        const std::string busy =
            ErrorLine(nullptr, nullptr, {ErrorCode::Busy, "Another client holds this session's socket."}) +
            "\n";
        [[maybe_unused]] const bool sent = WriteAllWithin(fd, busy, true, 0);
        ::close(fd);
        return;
    }
    in_fd_ = out_fd_ = fd;
    broken_ = false;
    reader_ = std::make_unique<LineReader>(kMaxApiLine);
    if (session_) session_->Hello();
    loop_.WatchReadable(in_fd_, [this] { Readable(); });
}

void ApiTransport::Readable() {
    char buffer[kReadChunk];
    const ssize_t n = ::read(in_fd_, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    const AliveToken::Watch alive = alive_.watch();
    const int fd = in_fd_;
    if (n > 0) {
        // A line may end the program or the client: whatever follows is left unread.
        reader_->Feed(
            std::string_view(buffer, size_t(n)),
            [&](std::string_view line) {
                if (alive.Alive() && in_fd_ == fd && session_) session_->Line(line);
            },
            [&] {
                if (alive.Alive() && in_fd_ == fd && session_) session_->LineTooLong();
            });
        return;
    }
    // The end of the input: a last line without its LF still counts.
    reader_->Finish([&](std::string_view line) {
        if (session_) session_->Line(line);
    });
    if (!alive.Alive() || in_fd_ != fd) return;
    if (listen_fd_ >= 0) {
        DropClient();
    } else {
        loop_.UnwatchReadable(in_fd_);
        in_fd_ = -1;
        if (ended_) ended_();
    }
}

void ApiTransport::DropClient() {
    if (in_fd_ < 0 || listen_fd_ < 0) return;
    loop_.UnwatchReadable(in_fd_);
    ::close(in_fd_);
    in_fd_ = out_fd_ = -1;
    out_.clear();  // never for the next client
    timers_.Stop(kRetryTimer);
    if (session_) session_->ClientGone();
}

void ApiTransport::SendLine(const std::string& line) {
    if (out_fd_ < 0 || broken_) return;
    // Lines of one turn of the loop (an answer and the events before it) go out in one write: every
    // write wakes the client, and on a loaded machine each wake-up costs more than the line.
    out_ += line;
    out_ += '\n';
    if (flush_posted_) return;
    flush_posted_ = true;
    loop_.Post(alive_.Guard([this] { Flush(); }));
}

void ApiTransport::Flush() {
    flush_posted_ = false;
    if (out_.empty()) return;
    if (out_fd_ < 0 || broken_) {
        out_.clear();
        return;
    }
    const ssize_t n = WriteAvailable(out_fd_, out_, listen_fd_ >= 0);
    if (n < 0) {
        // The program ends without its client: stderr says why.
        if (listen_fd_ < 0)
            std::fputs("orkan3270: stdout cannot be written any more; the program ends.\n", stderr);
        return ReaderGone();
    }
    out_.erase(0, size_t(n));
    if (out_.empty()) return;
    if (out_.size() > kMaxWaitingOutput) {
        std::fprintf(stderr,
                     "orkan3270: the API client leaves %zu MB of answers unread; it counts as gone.\n",
                     out_.size() >> 20);
        return ReaderGone();
    }
    timers_.Start(kRetryTimer, kRetryAfter, true, alive_.Guard([this] { Flush(); }));
}

void ApiTransport::ReaderGone() {
    out_.clear();
    broken_ = true;
    timers_.Stop(kRetryTimer);
    // Not from inside whatever is writing: the reader's end is handled on the loop.
    loop_.Post(alive_.Guard([this] {
        if (listen_fd_ >= 0) {
            DropClient();
            return;
        }
        // Nobody reads the answers any more: nothing is left to carry out.
        if (session_) session_->ClientGone();
        if (ended_) ended_();
    }));
}

}  // namespace orkan
