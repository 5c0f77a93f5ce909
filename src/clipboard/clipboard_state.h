// What copy, paste and find keep between key functions: the copy buffers, the paste-repeat cycle
// with its screen snapshot, the rest of a paste that Paste Continue writes, the selection mark,
// and the find history with the find that follows new screens.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "screen/presentation_space.h"

namespace orkan {

enum class CopyKind : uint8_t { None, Copy, Cut, Append, AppendNoCr, Fields, Truncate };

// How the last paste wrote its text; Paste Continue writes the rest the same way.
enum class PasteMode : uint8_t { Overlay, Field, Insert, Window };

// Find option bits, stored in the session settings.
namespace find_option {
inline constexpr uint8_t WholeWords = 0x01;
inline constexpr uint8_t MatchCase = 0x02;
inline constexpr uint8_t EveryScreen = 0x04;
}  // namespace find_option

inline constexpr size_t kFindHistorySize = 20;
inline constexpr size_t kFindTextMax = 40;

// A rectangle of cells, corners included.
struct CellRect {
    uint32_t top = 0, left = 0, bottom = 0, right = 0;
    uint32_t Width() const { return right - left + 1; }
    uint32_t Height() const { return bottom - top + 1; }
};

struct ClipboardState {
    // Copy buffers 1..n at index 0..n-1; each text without its terminator.
    std::vector<std::string> buffers;
    CopyKind last_copy = CopyKind::None;

    // Paste-repeat cycle: which buffer the last paste took (0 = a macro's text) and the screen
    // as it was before the cycle's first paste.
    uint32_t paste_counter = 0;
    bool cycle_ended = true;
    std::unique_ptr<ScreenSnapshot> cycle_snapshot;
    uint32_t cycle_cursor = 0;  // where the last paste left the cursor
    bool typing_paste = false;  // keys run by Paste By Typing belong to the paste

    // Paste Continue: the text of the last paste and where its unpasted rest begins.
    std::string paste_text;
    std::optional<size_t> continuation;
    PasteMode last_mode = PasteMode::Overlay;
    CellRect paste_window;          // the window of Paste Window and Paste Flow
    size_t single_line_length = 0;  // 0 when the text has more than one line

    // Mark Selection Start.
    uint32_t mark_row = 0, mark_column = 0;

    // Find: the history (most recent first, empty slots at the end) and the options of the find
    // the dialog last started, 0 when none is active.
    std::array<std::string, kFindHistorySize> find_history;
    uint8_t active_find = 0;
};

}  // namespace orkan
