// Work posted to the loop may run after the one who posted it has gone: the owner holds an
// AliveToken, the work carries a Watch of it and does nothing once the owner is gone. Owners are
// destroyed on the loop thread, so a Watch that is alive when its work starts stays so to its end.
#pragma once

#include <memory>
#include <utility>

namespace orkan {

class AliveToken {
  public:
    class Watch {
      public:
        bool Alive() const { return !token_.expired(); }

      private:
        friend class AliveToken;
        explicit Watch(std::weak_ptr<const char> token) : token_(std::move(token)) {}
        std::weak_ptr<const char> token_;
    };

    AliveToken() = default;
    AliveToken(const AliveToken&) = delete;
    AliveToken& operator=(const AliveToken&) = delete;

    Watch watch() const { return Watch(token_); }
    // `work` wrapped to run only while the owner lives.
    template <class Work>
    auto Guard(Work work) const {
        return [watch = watch(), work = std::move(work)]() mutable {
            if (watch.Alive()) work();
        };
    }

  private:
    std::shared_ptr<const char> token_ = std::make_shared<const char>(0);
};

}  // namespace orkan
