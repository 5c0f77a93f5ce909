// Screen sizes: the session's default size and the terminal model table that gives the
// alternate size and the terminal type sent to the host.
#pragma once

#include <cstdint>
#include <string>

namespace orkan {

struct Session;

inline constexpr int kTerminalModelCount = 5;
inline constexpr int kUserModelIndex = 4;
inline constexpr uint32_t kMaxAddressablePositions = 16383;  // 14-bit buffer addresses

struct ScreenSize {
    uint32_t rows = 24;
    uint32_t columns = 80;
    uint32_t Positions() const { return rows * columns; }
};

struct TerminalModel {
    std::string terminal_type;  // at most 20 bytes
    ScreenSize size;
};

// Entry `index` (0..4: models 2, 3, 4, 5 and the user model) of the terminal model table. A user
// model that a damaged session file made unusable falls back to 24 x 80.
TerminalModel TerminalModelEntry(const Session& session, int index);

// The session's model (its terminal model index, out-of-range values read as model 2).
int TerminalModelIndex(const Session& session);

ScreenSize DefaultScreenSize(const Session& session);    // size mode 1
ScreenSize AlternateScreenSize(const Session& session);  // size mode 2

}  // namespace orkan
