// The user's own screen size (the dynamic terminal model): its limits and the messages the session
// dialog and the command line give for a size outside them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "interfaces/ui.h"

namespace orkan {

inline constexpr int kMinUserColumns = 80, kMaxUserColumns = 200;
inline constexpr int kMinUserRows = 24, kMaxUserRows = 200;
inline constexpr int kMaxUserPositions = 16383;   // 14-bit buffer addresses
inline constexpr uint8_t kDynamicModelIndex = 4;  // the terminal model index of the user's own size

// A typed width or height: the value to keep (clamped into range, or the previous value when the
// screen would have too many positions) and the messages to show, in order.
struct ScreenSizeCheck {
    int value = 0;
    std::vector<MessageBox> messages;
};
ScreenSizeCheck CheckUserColumns(int typed, int rows, int previous);
ScreenSizeCheck CheckUserRows(int typed, int columns, int previous);

}  // namespace orkan
