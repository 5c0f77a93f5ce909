// Mouse wheel deltas gathered into whole steps, so a smooth-scrolling device does not send a
// wheel function for every pixel it moves.
#pragma once

namespace orkan {

inline constexpr int kWheelStep = 120;  // one notch of a classic wheel

class WheelSteps {
  public:
    // Adds a delta (positive away from the user) and gives the whole steps now complete, signed.
    // Turning the other way drops what was gathered in the first direction.
    int Add(int delta) {
        if ((delta > 0 && gathered_ < 0) || (delta < 0 && gathered_ > 0)) gathered_ = 0;
        gathered_ += delta;
        const int steps = gathered_ / kWheelStep;
        gathered_ -= steps * kWheelStep;
        return steps;
    }
    void Reset() { gathered_ = 0; }

  private:
    int gathered_ = 0;
};

}  // namespace orkan
