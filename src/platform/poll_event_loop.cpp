#include "platform/poll_event_loop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <system_error>
#include <vector>

#include "platform/handover.h"

namespace orkan {

namespace {

// An epoll entry carries its watch: the descriptor and the watch's serial, so an event for a
// watch that was replaced meanwhile is told from one for the watch now in place.
constexpr uint64_t kWakeKey = ~uint64_t{0};
uint64_t WatchKey(int fd, uint64_t serial) {
    return (serial << 32) | uint32_t(fd);
}
constexpr int kEventsPerTurn = 16;  // more ready descriptors wait for the next turn

}  // namespace

PollEventLoop::PollEventLoop() : loop_thread_(std::this_thread::get_id()) {
    wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    epoll_fd_ = epoll_create1(EPOLL_CLOEXEC);
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.u64 = kWakeKey;
    if (epoll_fd_ < 0 || epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, wake_fd_, &wake) != 0) {
        const int error = errno;
        if (epoll_fd_ >= 0) close(epoll_fd_);
        close(wake_fd_);
        throw std::system_error(error, std::generic_category(), "epoll");
    }
}

PollEventLoop::~PollEventLoop() {
    close(epoll_fd_);
    close(wake_fd_);
}

void PollEventLoop::Wake() {
    const uint64_t one = 1;
    // EAGAIN means the counter is already non-zero: the loop wakes anyway.
    [[maybe_unused]] ssize_t n = write(wake_fd_, &one, sizeof one);
}

void PollEventLoop::Post(Task task) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(task));
    }
    // The loop thread looks at the posted tasks before it sleeps: only other threads must wake it.
    if (!IsLoopThread()) Wake();
}

bool PollEventLoop::IsLoopThread() const {
    return loop_thread_.load() == std::this_thread::get_id();
}

SendResult PollEventLoop::SendAndWait(Task task, const std::function<bool()>& cancelled) {
    if (IsLoopThread()) {
        task();
        return SendResult::Ran;
    }
    auto handover = std::make_shared<Handover>();
    handover->task = std::move(task);
    Post([this, handover] { RunHandover(mutex_, send_done_, *handover); });

    std::unique_lock lock(mutex_);
    return AwaitHandover(
        lock, send_done_, *handover,
        [this] { return stop_requested_ || state_ == State::Stopping || state_ == State::Stopped; },
        cancelled);
}

void PollEventLoop::StartTimer(int id, std::chrono::milliseconds period, bool once, Task task) {
    // A periodic timer of 0 ms would spin the loop without ever sleeping.
    if (!once && period < std::chrono::milliseconds(1)) period = std::chrono::milliseconds(1);
    timers_[id] =
        Timer{period, once, std::chrono::steady_clock::now() + period, std::move(task), next_serial_++};
}

void PollEventLoop::StopTimer(int id) {
    timers_.erase(id);
}

void PollEventLoop::WatchReadable(int fd, Task ready) {
    const bool replacing = watches_.count(fd) != 0;
    const uint64_t serial = next_serial_++;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = WatchKey(fd, serial);
    int rc = epoll_ctl(epoll_fd_, replacing ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &event);
    // A descriptor closed while watched has left the epoll set by itself; its number may be back.
    if (rc != 0 && errno == ENOENT) rc = epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, fd, &event);
    if (rc != 0 && errno == EEXIST) rc = epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, fd, &event);
    // epoll refuses regular files (stdin redirected from one): they are readable at every turn,
    // as poll() reports them.
    const bool always_ready = rc != 0 && errno == EPERM;
    if (rc != 0 && !always_ready) {
        watches_.erase(fd);
        return;
    }
    watches_[fd] = Watch{std::move(ready), serial, always_ready};
}

void PollEventLoop::UnwatchReadable(int fd) {
    if (watches_.erase(fd) == 0) return;
    // Fails for a descriptor closed meanwhile, which has left the set by itself.
    [[maybe_unused]] const int rc = epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, fd, nullptr);
}

bool PollEventLoop::StopRequested() {
    std::lock_guard lock(mutex_);
    return stop_requested_;
}

void PollEventLoop::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_requested_ = true;
        if (state_ == State::Running) state_ = State::Stopping;
    }
    send_done_.notify_all();
    Wake();
}

void PollEventLoop::Run() {
    loop_thread_ = std::this_thread::get_id();
    bool stop_first = false;
    {
        std::lock_guard lock(mutex_);
        stop_first = stop_requested_;
        if (!stop_first) state_ = State::Running;
    }
    if (!stop_first) {
        while (!StopRequested()) Turn(TimePoint::max());
    }
    {
        std::lock_guard lock(mutex_);
        stop_requested_ = false;
        state_ = State::Stopped;
    }
    send_done_.notify_all();
}

bool PollEventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    loop_thread_ = std::this_thread::get_id();
    const TimePoint deadline = std::chrono::steady_clock::now() + timeout;
    {
        std::lock_guard lock(mutex_);
        if (!stop_requested_) state_ = State::Running;
    }
    while (!done() && !StopRequested() && std::chrono::steady_clock::now() < deadline) Turn(deadline);
    {
        std::lock_guard lock(mutex_);
        if (stop_requested_) {
            stop_requested_ = false;
            state_ = State::Stopped;
        } else {
            state_ = State::Idle;
        }
    }
    send_done_.notify_all();
    return done();
}

void PollEventLoop::Turn(TimePoint deadline) {
    const TimePoint now = std::chrono::steady_clock::now();
    TimePoint wake_at = deadline;
    for (const auto& [id, timer] : timers_) wake_at = std::min(wake_at, timer.due);
    int timeout_ms = -1;
    if (wake_at != TimePoint::max()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(wake_at - now).count();
        timeout_ms = static_cast<int>(std::clamp<int64_t>(left, 0, INT_MAX));
    }
    {
        std::lock_guard lock(mutex_);
        if (!posted_.empty() || stop_requested_) timeout_ms = 0;
    }
    std::vector<uint64_t> watch_keys;
    for (const auto& [fd, watch] : watches_) {
        if (watch.always_ready) watch_keys.push_back(WatchKey(fd, watch.serial));
    }
    if (!watch_keys.empty()) timeout_ms = 0;

    std::array<epoll_event, kEventsPerTurn> events;
    const int ready = epoll_wait(epoll_fd_, events.data(), kEventsPerTurn, timeout_ms);
    if (ready < 0 && errno != EINTR) {
        // Only EBADF/EFAULT/EINVAL remain; none can be waited out, so do not spin on them either.
        throw std::system_error(errno, std::generic_category(), "epoll_wait");
    }
    for (int i = 0; i < ready; ++i) {
        if (events[size_t(i)].data.u64 == kWakeKey) {
            uint64_t count = 0;
            [[maybe_unused]] ssize_t n = read(wake_fd_, &count, sizeof count);
        } else {
            watch_keys.push_back(events[size_t(i)].data.u64);
        }
    }

    std::deque<Task> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(posted_);
    }
    for (Task& task : batch) task();

    RunDueTimers();

    for (const uint64_t key : watch_keys) {
        const int fd = int(uint32_t(key));
        auto it = watches_.find(fd);
        // Unwatched or watched anew meanwhile: the event was for a watch that has gone.
        if (it == watches_.end() || WatchKey(fd, it->second.serial) != key) continue;
        Task ready_task = it->second.ready;  // the task may unwatch (and so destroy) itself
        ready_task();
    }
}

void PollEventLoop::RunDueTimers() {
    const TimePoint now = std::chrono::steady_clock::now();
    std::vector<std::pair<int, uint64_t>> due;
    for (const auto& [id, timer] : timers_) {
        if (timer.due <= now) due.emplace_back(id, timer.serial);
    }
    for (const auto& [id, serial] : due) {
        auto it = timers_.find(id);
        if (it == timers_.end() || it->second.serial != serial)
            continue;  // stopped or restarted by an earlier one
        Task task = it->second.task;
        if (it->second.once) {
            timers_.erase(it);
        } else {
            it->second.due += it->second.period;
            if (it->second.due <= now) it->second.due = now + it->second.period;
        }
        task();
    }
}

}  // namespace orkan
