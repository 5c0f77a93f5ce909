#include "config/screen_size.h"

#include <algorithm>
#include <string>

namespace orkan {

namespace {

constexpr std::string_view kWidthMessage = "Screen size must be 80 to 200 characters wide";
constexpr std::string_view kHeightMessage = "Screen size must be 24 to 200 lines high";
constexpr std::string_view kPositionsMessage =
    "Width x Height cannot be more than 16383\n(3270 protocol is limited to 14 bit addressing)";

ScreenSizeCheck CheckSize(int typed, int other, int previous, int low, int high, std::string_view range_text,
                          std::string_view range_title) {
    ScreenSizeCheck r;
    r.value = std::clamp(typed, low, high);
    if (r.value != typed)
        r.messages.push_back({std::string(range_title), std::string(range_text), Buttons::Ok, Icon::Warning});
    if (int64_t(r.value) * other > kMaxUserPositions) {
        r.messages.push_back(
            {"Screen Size Error", std::string(kPositionsMessage), Buttons::Ok, Icon::Warning});
        r.value = previous;
    }
    return r;
}

}  // namespace

ScreenSizeCheck CheckUserColumns(int typed, int rows, int previous) {
    return CheckSize(typed, rows, previous, kMinUserColumns, kMaxUserColumns, kWidthMessage,
                     "Screen Width Error");
}

ScreenSizeCheck CheckUserRows(int typed, int columns, int previous) {
    return CheckSize(typed, columns, previous, kMinUserRows, kMaxUserRows, kHeightMessage,
                     "Screen Height Error");
}

}  // namespace orkan
