#include "gui/qt_event_loop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>

#include "platform/handover.h"

namespace orkan {

namespace {

const QEvent::Type kTaskEvent = QEvent::Type(QEvent::registerEventType());

class TaskEvent final : public QEvent {
  public:
    explicit TaskEvent(EventLoop::Task task) : QEvent(kTaskEvent), task(std::move(task)) {}
    EventLoop::Task task;
};

}  // namespace

QtEventLoop::QtEventLoop() : loop_thread_(std::this_thread::get_id()) {
    if (auto* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, this, [this] { Stop(); });
}

QtEventLoop::~QtEventLoop() {
    Stop();
    // Tasks still queued for this object are dropped by Qt with it; their senders have given up.
    for (auto& [id, t] : timers_) t.timer->stop();
    for (auto& [fd, w] : watches_) w.notifier->setEnabled(false);
}

bool QtEventLoop::IsLoopThread() const {
    return std::this_thread::get_id() == loop_thread_;
}

void QtEventLoop::Post(Task task) {
    // postEvent is safe from any thread and keeps the order of one poster's events.
    QCoreApplication::postEvent(this, new TaskEvent(std::move(task)));
}

bool QtEventLoop::event(QEvent* event) {
    if (event->type() != kTaskEvent) return QObject::event(event);
    Task task = std::move(static_cast<TaskEvent*>(event)->task);
    if (task) task();
    return true;
}

SendResult QtEventLoop::SendAndWait(Task task, const std::function<bool()>& cancelled) {
    if (IsLoopThread()) {
        task();
        return SendResult::Ran;
    }
    auto handover = std::make_shared<Handover>();
    handover->task = std::move(task);
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return SendResult::Abandoned;
    }
    Post([this, handover] { RunHandover(mutex_, send_done_, *handover); });

    std::unique_lock lock(mutex_);
    return AwaitHandover(
        lock, send_done_, *handover, [this] { return stopped_; }, cancelled);
}

void QtEventLoop::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    send_done_.notify_all();
}

template <class T>
void QtEventLoop::Retire(std::unique_ptr<T>& object) {
    if (!object) return;
    object->disconnect();
    object.release()->deleteLater();
}

void QtEventLoop::StartTimer(int id, std::chrono::milliseconds period, bool once, Task task) {
    // A periodic timer of 0 ms would spin the loop without ever sleeping.
    if (!once && period < std::chrono::milliseconds(1)) period = std::chrono::milliseconds(1);
    Timer& t = timers_[id];
    Retire(t.timer);
    t.timer = std::make_unique<QTimer>();
    t.task = std::move(task);
    t.serial = next_serial_++;
    t.timer->setSingleShot(once);
    // Under 20 ms a coarse timer's 5 % slack is not the issue; its rounding to whole ms is fine too.
    t.timer->setTimerType(period < std::chrono::milliseconds(20) ? Qt::PreciseTimer : Qt::CoarseTimer);
    const uint64_t serial = t.serial;
    QObject::connect(t.timer.get(), &QTimer::timeout, this, [this, id, serial] { OnTimer(id, serial); });
    t.timer->start(period);
}

void QtEventLoop::OnTimer(int id, uint64_t serial) {
    auto it = timers_.find(id);
    if (it == timers_.end() || it->second.serial != serial) return;  // stopped or restarted meanwhile
    Task task = it->second.task;  // the task may stop or restart its own timer
    if (it->second.timer->isSingleShot()) {
        Retire(it->second.timer);
        timers_.erase(it);
    }
    task();
}

void QtEventLoop::StopTimer(int id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    Retire(it->second.timer);
    timers_.erase(it);
}

void QtEventLoop::WatchReadable(int fd, Task ready) {
    Watch& w = watches_[fd];
    Retire(w.notifier);
    w.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    w.ready = std::move(ready);
    w.serial = next_serial_++;
    const uint64_t serial = w.serial;
    QObject::connect(w.notifier.get(), &QSocketNotifier::activated, this,
                     [this, fd, serial] { OnReadable(fd, serial); });
}

void QtEventLoop::OnReadable(int fd, uint64_t serial) {
    auto it = watches_.find(fd);
    if (it == watches_.end() || it->second.serial != serial) return;
    Task ready = it->second.ready;  // the task may unwatch (and so destroy) itself
    ready();
}

void QtEventLoop::UnwatchReadable(int fd) {
    auto it = watches_.find(fd);
    if (it == watches_.end()) return;
    it->second.notifier->setEnabled(false);
    Retire(it->second.notifier);
    watches_.erase(it);
}

bool QtEventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    if (done()) return true;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= timeout.count()) loop.quit();
    });
    check.start();
    loop.exec();
    return done();
}

}  // namespace orkan
