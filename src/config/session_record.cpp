#include "config/session_record.h"

#include <cassert>
#include <cstring>

namespace orkan {

uint32_t SessionRecord::Number(const FieldDef& f) const {
    const uint8_t* p = bytes_.data() + f.offset;
    switch (f.kind) {
        case FieldKind::U16:
        case FieldKind::I16:
            return uint32_t(p[0]) | uint32_t(p[1]) << 8;
        case FieldKind::U32:
        case FieldKind::Colour:
            return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        default:
            return p[0];
    }
}

int32_t SessionRecord::Signed(const FieldDef& f) const {
    return static_cast<int16_t>(static_cast<uint16_t>(Number(f)));
}

void SessionRecord::SetNumber(const FieldDef& f, uint32_t value) {
    uint8_t* p = bytes_.data() + f.offset;
    switch (f.kind) {
        case FieldKind::U16:
        case FieldKind::I16:
            p[0] = uint8_t(value);
            p[1] = uint8_t(value >> 8);
            break;
        case FieldKind::U32:
        case FieldKind::Colour:
            for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (8 * i));
            break;
        default:
            p[0] = uint8_t(value);
            break;
    }
}

std::string SessionRecord::Text(const FieldDef& f) const {
    assert(f.kind == FieldKind::Text);
    const char* p = reinterpret_cast<const char*>(bytes_.data() + f.offset);
    // A damaged file may lack the terminator: the text never runs past its field.
    return std::string(p, strnlen(p, f.size));
}

bool SessionRecord::SetText(const FieldDef& f, std::string_view text) {
    assert(f.kind == FieldKind::Text);
    if (text.size() + 1 > f.size) return false;
    uint8_t* p = bytes_.data() + f.offset;
    std::memset(p, 0, f.size);
    std::memcpy(p, text.data(), text.size());
    return true;
}

uint32_t SessionRecord::SessionColour(int index) const {
    // Stored blue, green, red, 0.
    const uint8_t* p = bytes_.data() + field::Colours.offset + 4 * index;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

void SessionRecord::SetSessionColour(int index, uint32_t rgb) {
    uint8_t* p = bytes_.data() + field::Colours.offset + 4 * index;
    p[0] = uint8_t(rgb);
    p[1] = uint8_t(rgb >> 8);
    p[2] = uint8_t(rgb >> 16);
    p[3] = 0;
}

uint8_t SessionRecord::RoleForeground(int role) const {
    return bytes_[field::ColourRoles.offset + 2 * role];
}
uint8_t SessionRecord::RoleBackground(int role) const {
    return bytes_[field::ColourRoles.offset + 2 * role + 1];
}
void SessionRecord::SetRole(int role, uint8_t foreground, uint8_t background) {
    bytes_[field::ColourRoles.offset + 2 * role] = foreground;
    bytes_[field::ColourRoles.offset + 2 * role + 1] = background;
}

}  // namespace orkan
