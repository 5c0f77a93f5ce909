// Colours as the screen is drawn: the 22-entry palette built from the session colours and the
// brightness, and the colour roles that pick palette indices for each kind of text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orkan {

class SessionRecord;

inline constexpr int kPaletteSize = 22;
using Rgb = uint32_t;  // 0xRRGGBB
using Palette = std::array<Rgb, kPaletteSize>;

// Colour roles: pairs of palette indices in the session settings.
namespace role {
inline constexpr int HostNeutral = 0;  // roles 0-15 are the host colours by their low four bits
inline constexpr int UnprotectedNormal = 16;
inline constexpr int UnprotectedIntensified = 17;
inline constexpr int ProtectedNormal = 18;
inline constexpr int ProtectedIntensified = 19;
inline constexpr int DefaultText = 20;
inline constexpr int StatusLine = 21;
inline constexpr int HorizontalRuler = 22;
inline constexpr int VerticalRuler = 23;
inline constexpr int BorderText = 24;
inline constexpr int Cursor = 25;
inline constexpr int FindMark = 26;
inline constexpr int Count = 32;
}  // namespace role

// The palette entry that replaces every background while an earlier screen is shown.
inline constexpr uint8_t kHistoryBackgroundIndex = 9;

// The window frame's own colours, palette entries 16-21.
inline constexpr std::array<Rgb, 6> kFrameColours = {0xE7C59E, 0xAC8E66, 0xCBB8A3,
                                                     0x8C6F4F, 0x537199, 0x183A61};

// Brightness b: 128 leaves a channel alone, lower values darken towards 0, higher ones lighten
// towards 255.
constexpr uint8_t AdjustChannel(uint8_t v, uint8_t b) {
    if (b <= 128) return uint8_t(unsigned(v) * b / 128);
    return uint8_t(v + (255u - v) * (b - 128u) / 127u);
}

constexpr Rgb AdjustBrightness(Rgb rgb, uint8_t b) {
    return Rgb(AdjustChannel(uint8_t(rgb >> 16), b)) << 16 | Rgb(AdjustChannel(uint8_t(rgb >> 8), b)) << 8 |
           AdjustChannel(uint8_t(rgb), b);
}

// Entry 0 as stored, entries 1-15 and the frame colours through the session brightness.
Palette BuildPalette(const SessionRecord& record);

// A cell colour byte holds the background index in its high four bits.
constexpr uint8_t ForegroundIndex(uint8_t colour) {
    return colour & 0x0F;
}
constexpr uint8_t BackgroundIndex(uint8_t colour) {
    return colour >> 4;
}
constexpr uint8_t MakeColour(uint8_t foreground, uint8_t background) {
    return uint8_t((background & 0x0F) << 4 | (foreground & 0x0F));
}

// A colour in words for a screen reader: the nearest of a few plain names, then the number, as
// "dark red (#800000)".
std::string ColourWords(Rgb rgb);

// A role as a colour byte, background * 16 + foreground.
uint8_t RoleColour(const SessionRecord& record, int role);

// A role's foreground palette index alone, for lines drawn in one colour (rulers, XOR cursor);
// kept within the palette for a damaged session file.
uint8_t RoleForegroundIndex(const SessionRecord& record, int role);
uint8_t RoleBackgroundIndex(const SessionRecord& record, int role);

// The session colour tag handed over at start-up: a name of this list, compared upper-cased.
inline constexpr std::array<std::string_view, 8> kColourTagNames = {"GRAY", "RED",  "YELLOW",  "GREEN",
                                                                    "CYAN", "BLUE", "MAGENTA", "BLACK"};
inline constexpr std::array<Rgb, 8> kColourTagColours = {0x404040, 0x800000, 0x808000, 0x008000,
                                                         0x008080, 0x000080, 0x800080, 0x000000};
std::optional<uint8_t> ColourTagIndex(std::string_view name);

// Stores the tag (index | 0x80) and, when the session names a session colour above 7 to follow
// the tag, gives that colour the tag's colour. False, and nothing changed, for an unknown name.
// The window icon is "orkan%02d" of the index; the caller repaints and saves the session.
[[nodiscard]] bool ApplyColourTag(SessionRecord& record, std::string_view name);

}  // namespace orkan
