// Local date and time as people read them (trace time stamps, capture folder names). Separate from
// the monotonic Clock, which measures intervals; tests set this one by hand.
#pragma once

#include <ctime>

namespace orkan {

class WallClock {
  public:
    virtual ~WallClock() = default;
    virtual std::tm LocalNow() = 0;
};

class SystemWallClock final : public WallClock {
  public:
    std::tm LocalNow() override {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return local;
    }
};

class ManualWallClock final : public WallClock {
  public:
    std::tm LocalNow() override { return now; }
    std::tm now{};  // tm_year counts from 1900, tm_mon from 0
};

}  // namespace orkan
