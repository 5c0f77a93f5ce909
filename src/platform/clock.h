// Time as the session sees it. The protocol core asks this, never the system clock, so tests can
// step time by hand.
#pragma once

#include <chrono>
#include <cstdint>

namespace orkan {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual int64_t NowMs() = 0;  // monotonic milliseconds
};

class SteadyClock final : public Clock {
  public:
    int64_t NowMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

class ManualClock final : public Clock {
  public:
    int64_t NowMs() override { return now_ms; }
    int64_t now_ms = 0;
};

}  // namespace orkan
