#include "platform/loop_mailbox.h"

#include <mutex>

namespace orkan {

bool LoopMailbox::Post(EventLoop::Task task) {
    std::shared_lock lock(mutex_);
    if (!loop_) return false;
    loop_->Post(std::move(task));
    return true;
}

SendResult LoopMailbox::SendAndWait(EventLoop::Task task, const std::function<bool()>& cancelled) {
    std::shared_lock lock(mutex_);
    if (!loop_) return SendResult::Abandoned;
    return loop_->SendAndWait(std::move(task), cancelled);
}

void LoopMailbox::Close() {
    std::unique_lock lock(mutex_);
    loop_ = nullptr;
}

}  // namespace orkan
