// The screen image as the host sees it: six parallel byte planes indexed by buffer address,
// the changed-position map, the geometry and the write state beside them.
#pragma once

#include <array>
#include <cstdint>

namespace orkan {

inline constexpr uint32_t kMaxPositions = 20000;
inline constexpr uint8_t kGraphicEscapeSet = 0xF1;

// Field attribute bits as stored in the attribute plane (the stored byte has 0x80 set).
namespace fa {
inline constexpr uint8_t Present = 0x80;
inline constexpr uint8_t Protected = 0x20;
inline constexpr uint8_t Numeric = 0x10;
inline constexpr uint8_t Autoskip = 0x30;
inline constexpr uint8_t DisplayMask = 0x0C;
inline constexpr uint8_t NonDisplay = 0x0C;
inline constexpr uint8_t Intensified = 0x08;
inline constexpr uint8_t Mdt = 0x01;
}  // namespace fa

// Highlight plane bits.
namespace hl {
inline constexpr uint8_t Blink = 0x01;
inline constexpr uint8_t Reverse = 0x02;
inline constexpr uint8_t Underscore = 0x04;
inline constexpr uint8_t Intensify = 0x08;    // only with the Wang setting
inline constexpr uint8_t FieldColour = 0x40;  // an extended attribute gave the field its colour
inline constexpr uint8_t FindMark = 0x80;
}  // namespace hl

using Plane = std::array<uint8_t, kMaxPositions>;

// The six planes, copied whole by the unlock snapshot, Undo and the screen history.
struct Planes {
    Plane display{};    // display character (Windows-1252), 0 = null, attribute positions hold 0x20
    Plane attribute{};  // 0, or the field attribute OR 0x80
    Plane colour{};     // background * 16 + foreground palette index, 0 = none
    Plane highlight{};  // hl:: bits
    Plane charset{};    // 0 base set, 0xF1 graphic escape
    Plane host{};       // the byte exactly as the host sent it
};

struct PresentationSpace {
    Planes planes;
    Plane changed{};  // 1 = repaint this cell; the renderer clears it
    // What each attribute position said about its field (attribute, colour, highlight; 0 for a
    // character) when the renderer last took the changed map: a field given another look, started
    // or ended there changes every cell up to the next attribute, not the attribute's cell alone.
    std::array<uint32_t, kMaxPositions> drawn_field{};
    // 1 = typed by the user since the last inbound record. SSCP-LU input is read from here, not
    // from the changed map, because every repaint clears that one.
    Plane typed_since_send{};

    uint32_t rows = 24;
    uint32_t columns = 80;
    uint32_t positions = 24 * 80;
    uint8_t size_mode = 255;  // 1 default, 2 alternate, 255 before the first erase
    // The largest screen this session has had: no plane holds anything beyond it, so erasing and
    // MDT resets need not touch all 20000 positions.
    uint32_t used_extent = 24 * 80;

    // Write state.
    uint32_t buffer_address = 0;
    uint32_t cursor_address = 0;
    uint8_t sa_colour = 0;
    uint8_t sa_highlight = 0;
    uint8_t sa_charset = 0;
    uint8_t current_field_attribute = 0;
    uint8_t current_field_highlight = 0;
    bool last_item_was_order = false;

    // Results of the field count run after each write.
    uint32_t input_fields = 0;
    bool formatted = false;
    bool has_visible_text = false;  // any display character of 0x41 or above

    void MarkChanged(uint32_t address) { changed[address] = 1; }
    void MarkAllChanged() { changed.fill(1); }
    // The keyboard calls this for every position it stores a typed character into.
    void MarkTyped(uint32_t address) {
        if (address < kMaxPositions) typed_since_send[address] = 1;
    }
    void ClearTyped() { typed_since_send.fill(0); }
};

// A copy of the screen that can be put back later (the unlock snapshot that Edit function 36
// swaps with the screen). Only the first `positions` cells of each plane are meaningful.
struct ScreenSnapshot {
    Planes planes;
    uint32_t positions = 0;
    uint32_t cursor_address = 0;
};

}  // namespace orkan
