#include "display/palette.h"

#include "config/session_record.h"

namespace orkan {

Palette BuildPalette(const SessionRecord& record) {
    const auto brightness = uint8_t(record.Number(field::Brightness));
    Palette p{};
    p[0] = record.SessionColour(0) & 0xFFFFFF;
    for (int i = 1; i < 16; ++i) p[size_t(i)] = AdjustBrightness(record.SessionColour(i) & 0xFFFFFF, brightness);
    for (size_t i = 0; i < kFrameColours.size(); ++i) p[16 + i] = AdjustBrightness(kFrameColours[i], brightness);
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

}  // namespace orkan
