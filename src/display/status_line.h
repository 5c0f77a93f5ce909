// The status line under the screen: 200 cells of text rebuilt from the session's state, compared
// cell by cell with the previous text so that only changed runs are repainted.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session/session_status.h"
#include "session/status_indicators.h"

namespace orkan {

struct Session;
struct PresentationSpace;
class SessionRecord;

inline constexpr size_t kStatusCells = 200;

// Symbols the status line draws itself (codes 0x80-0x9E).
namespace status_symbol {
inline constexpr uint8_t NotSecure = 0x82;
inline constexpr uint8_t LockLeft = 0x83;  // keyboard locked, two cells
inline constexpr uint8_t LockRight = 0x84;
inline constexpr uint8_t Inhibit = 0x85;
inline constexpr uint8_t ProtectedLeft = 0x86;  // cursor in a protected field, two cells
inline constexpr uint8_t ProtectedRight = 0x87;
inline constexpr uint8_t OverflowLeft = 0x88;  // insert overflow, two cells
inline constexpr uint8_t OverflowRight = 0x89;
inline constexpr uint8_t Shift = 0x8A;
inline constexpr uint8_t Ctrl = 0x8B;
inline constexpr uint8_t Alt = 0x8C;
inline constexpr uint8_t Secure = 0x91;
inline constexpr uint8_t Connected = 0x92;
}  // namespace status_symbol

constexpr bool IsSymbolCode(uint8_t c) {
    return c >= 0x80 && c <= 0x9E;
}

// The cells and which of them are symbols. Only the builder places symbols, so a user text with
// Windows-1252 characters of the same codes (the euro sign, quotes) still shows as text.
struct StatusText {
    std::array<uint8_t, kStatusCells> cells;
    std::bitset<kStatusCells> symbols;

    StatusText() { cells.fill(' '); }
    bool IsSymbol(size_t i) const { return symbols.test(i); }
    bool operator==(const StatusText&) const = default;
};

// The text for a session status (symbols as their codes).
std::string StatusTextFor(SessionStatus status, const SessionRecord& record,
                          const StatusIndicators& indicators, uint32_t history_depth);

// "%dx%d" for a shown selection, "%d/%d" in a recognised ISPF editor or browser, else "%d,%d".
std::string PositionText(const Session& session);

// The ISPF row and data column, when the screen is an editor or browser panel the cursor is in.
std::optional<std::string> IspfPositionText(const PresentationSpace& ps, int ispf_offset);

// The status line of the session as it stands. `macro_indicator_shown`: the blink half in which the
// macro letter shows (the window's blink cycle).
StatusText BuildStatusText(const Session& session, bool macro_indicator_shown = true);

// Cells [first, first + count) to repaint.
struct CellRun {
    uint16_t first = 0;
    uint16_t count = 0;
    bool operator==(const CellRun&) const = default;
};
std::vector<CellRun> ChangedCells(const StatusText& before, const StatusText& after);

// Keeps the text last shown.
class StatusLine {
  public:
    const StatusText& Text() const { return text_; }
    // Takes the new text and gives the runs that differ from the one shown before.
    std::vector<CellRun> Update(const StatusText& next);

  private:
    StatusText text_;
};

}  // namespace orkan
