// Limits both macro languages keep alike.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orkan {

// A macro file is read whole up to this size: far beyond any macro; a bound for odd files.
inline constexpr size_t kMaxMacroFileBytes = 16 * 1024 * 1024;
// Macros asked for while others run wait for them, in order; beyond this many a request is refused.
inline constexpr size_t kMaxWaitingMacros = 16;
// The longest wait a macro may ask for: what every event loop's timers can hold.
inline constexpr int64_t kMaxMacroWaitMs = 2'147'483'000;

}  // namespace orkan
