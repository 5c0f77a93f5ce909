#include "display/palette.h"

#include <algorithm>
#include <cctype>

#include "config/session_record.h"

namespace orkan {

Palette BuildPalette(const SessionRecord& record) {
    const auto brightness = uint8_t(record.Number(field::Brightness));
    Palette p{};
    p[0] = record.SessionColour(0) & 0xFFFFFF;
    for (int i = 1; i < 16; ++i)
        p[size_t(i)] = AdjustBrightness(record.SessionColour(i) & 0xFFFFFF, brightness);
    for (size_t i = 0; i < kFrameColours.size(); ++i)
        p[16 + i] = AdjustBrightness(kFrameColours[i], brightness);
    return p;
}

uint8_t RoleColour(const SessionRecord& record, int role) {
    return MakeColour(record.RoleForeground(role), record.RoleBackground(role));
}

uint8_t RoleForegroundIndex(const SessionRecord& record, int role) {
    const uint8_t i = record.RoleForeground(role);
    return i < kPaletteSize ? i : 0;
}

uint8_t RoleBackgroundIndex(const SessionRecord& record, int role) {
    const uint8_t i = record.RoleBackground(role);
    return i < kPaletteSize ? i : 0;
}

std::optional<uint8_t> ColourTagIndex(std::string_view name) {
    for (size_t i = 0; i < kColourTagNames.size(); ++i) {
        const std::string_view tag = kColourTagNames[i];
        if (tag.size() == name.size() && std::equal(tag.begin(), tag.end(), name.begin(), [](char t, char n) {
                return t == std::toupper(static_cast<unsigned char>(n));
            }))
            return uint8_t(i);
    }
    return std::nullopt;
}

bool ApplyColourTag(SessionRecord& record, std::string_view name) {
    const std::optional<uint8_t> index = ColourTagIndex(name);
    if (!index) return false;
    record.SetNumber(field::ColourTag, uint32_t(*index | 0x80));
    // Entries 16 and above are the frame's own colours, which no session can change.
    const uint32_t entry = record.Number(field::ColourTagEntry);
    if (entry > 7 && entry < 16) record.SetSessionColour(int(entry), kColourTagColours[*index]);
    return true;
}

}  // namespace orkan
