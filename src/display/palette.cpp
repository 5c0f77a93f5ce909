#include "display/palette.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

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

std::string ColourWords(Rgb rgb) {
    struct Named {
        Rgb rgb;
        const char* name;
    };
    // The 3270 names for cyan and magenta (turquoise, pink) are the ones hosts' users know.
    static constexpr Named kNames[] = {
        {0x000000, "black"},      {0xFFFFFF, "white"},  {0x808080, "grey"},      {0xC0C0C0, "light grey"},
        {0x404040, "dark grey"},  {0xFF0000, "red"},    {0x800000, "dark red"},  {0x00FF00, "green"},
        {0x008000, "dark green"}, {0x0000FF, "blue"},   {0x000080, "dark blue"}, {0x5B9BFF, "light blue"},
        {0xFFFF00, "yellow"},     {0x808000, "olive"},  {0x00FFFF, "turquoise"}, {0x008080, "teal"},
        {0xFF00FF, "pink"},       {0x800080, "purple"}, {0xFFA500, "orange"},    {0x8B4513, "brown"},
        {0xE7C59E, "beige"},
    };
    const auto distance = [rgb](Rgb other) {
        int sum = 0;
        for (int shift : {16, 8, 0}) {
            const int d = int(rgb >> shift & 0xFF) - int(other >> shift & 0xFF);
            sum += d * d;
        }
        return sum;
    };
    const Named* best = &kNames[0];
    for (const Named& n : kNames)
        if (distance(n.rgb) < distance(best->rgb)) best = &n;
    char number[8];
    std::snprintf(number, sizeof number, "%06X", unsigned(rgb & 0xFFFFFF));
    return std::string(best->name) + " (#" + number + ")";
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
