#include "ds3270/fields.h"

#include <algorithm>
#include <array>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ds3270/geometry.h"
#include "session/session.h"

namespace orkan {
namespace {

// What a graphic-escape (APL) character looks like in the base set, for text output.
constexpr std::array<uint8_t, 256> kGraphicEscapeLookAlike = {
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,  // 00
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,  // 10
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,  // 20
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,  // 30
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,  // 40
    0x50, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x52, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,  // 50
    0x60, 0x61, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,  // 60
    0x4F, 0x5E, 0x22, 0x4F, 0x49, 0x65, 0x2D, 0x2D, 0x2E, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,  // 70
    0x7E, 0x7C, 0x3D, 0x7C, 0x7C, 0x7C, 0x86, 0x87, 0x88, 0x89, 0x5E, 0x2E, 0x3C, 0x7C, 0x7C, 0x3E,  // 80
    0x4F, 0x4F, 0x4F, 0x4F, 0x4F, 0x4F, 0x96, 0x97, 0x98, 0x99, 0x3E, 0x3C, 0x6F, 0x6F, 0x2B, 0x3C,  // 90
    0x2D, 0x6F, 0x2D, 0x4F, 0x6E, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0x5E, 0x75, 0x2B, 0x5B, 0x3E, 0x6F,  // A0
    0x61, 0x65, 0x6C, 0x70, 0x77, 0xB5, 0x78, 0x5C, 0x2D, 0xB9, 0x2E, 0x5E, 0x2B, 0x5D, 0x3D, 0x7C,  // B0
    0x7B, 0x28, 0x2B, 0x6F, 0x2B, 0x2B, 0x2B, 0x2B, 0x53, 0xC9, 0x5E, 0x2E, 0x4F, 0x6F, 0x4F, 0x6F,  // C0
    0x7D, 0x29, 0x2D, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x70, 0xD9, 0x49, 0x21, 0x2E, 0x5E, 0x4F, 0x5E,  // D0
    0x3D, 0x31, 0x32, 0x33, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0x2F, 0x5C, 0x22, 0x6F, 0x4F, 0x6F,  // E0
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0xFA, 0x2E, 0x5E, 0x4F, 0x6F, 0xFF,  // F0
};

// Every field and colour pair of every write asks this: the record's bytes are read in place.
uint8_t RoleColour(const Session& session, int role) {
    const uint8_t* roles = session.record.Bytes().data() + field::ColourRoles.offset + 2 * role;
    return uint8_t((roles[1] & 0x0F) << 4 | (roles[0] & 0x0F));
}

}  // namespace

int32_t FindFieldAttribute(PresentationSpace& ps, uint32_t address) {
    if (ps.positions == 0 || address >= ps.positions) return -1;
    const Plane& attr = ps.planes.attribute;
    if (attr[address]) return int32_t(address);
    uint32_t i = address;
    for (uint32_t n = 1; n < ps.positions; ++n) {
        i = i == 0 ? ps.positions - 1 : i - 1;
        if (attr[i]) {
            ps.current_field_attribute = attr[i];
            ps.current_field_highlight = ps.planes.highlight[i];
            return int32_t(i);
        }
    }
    ps.current_field_attribute = 0;
    ps.current_field_highlight = 0;
    return -1;
}

uint8_t GoverningAttribute(const PresentationSpace& ps, uint32_t address) {
    if (ps.positions == 0 || address >= ps.positions) return 0;
    const Plane& attr = ps.planes.attribute;
    uint32_t i = address;
    for (uint32_t n = 0; n < ps.positions; ++n) {
        if (attr[i]) return attr[i];
        i = i == 0 ? ps.positions - 1 : i - 1;
    }
    return 0;
}

void EraseScreen(Session& session, uint8_t size_mode, int keep) {
    PresentationSpace& ps = session.ps;
    ps.used_extent = std::clamp(std::max(ps.used_extent, ps.positions), 1u, kMaxPositions);
    if (keep != kKeepPlanes) {
        const size_t n = ps.used_extent;
        // The host bytes go too: RAWDATA of an erased position is 0, not the last screen's byte.
        for (Plane* plane : {&ps.planes.display, &ps.planes.attribute, &ps.planes.colour,
                             &ps.planes.highlight, &ps.planes.charset, &ps.planes.host, &ps.typed_since_send})
            std::fill_n(plane->begin(), n, uint8_t(0));
        ps.buffer_address = 0;
        ps.cursor_address = 0;
        ps.sa_colour = ps.sa_highlight = ps.sa_charset = 0;
        ps.current_field_attribute = 0;
        ps.current_field_highlight = 0;
    }
    if (size_mode != ps.size_mode && (size_mode == 1 || size_mode == 2)) {
        const ScreenSize size = size_mode == 1 ? DefaultScreenSize(session) : AlternateScreenSize(session);
        ps.rows = size.rows;
        ps.columns = size.columns;
        ps.positions = size.Positions();
        ps.size_mode = size_mode;
        ps.used_extent = std::max(ps.used_extent, ps.positions);
        // The planes may hold more than the new screen; nothing may point past it.
        if (ps.cursor_address >= ps.positions) ps.cursor_address = 0;
        if (ps.buffer_address >= ps.positions) ps.buffer_address = 0;
        session.view->ScreenSizeChanged();
    }
    std::fill_n(ps.changed.begin(), ps.used_extent, uint8_t(1));
    session.view->RepaintAll();
}

uint8_t DefaultColourFor(const Session& session, uint8_t attribute) {
    switch (attribute & (fa::Protected | fa::Intensified)) {
        case 0x00:
            return RoleColour(session, 16);
        case fa::Intensified:
            return RoleColour(session, 17);
        case fa::Protected:
            return RoleColour(session, 18);
        default:
            return RoleColour(session, 19);
    }
}

uint8_t HostColour(const Session& session, uint8_t value) {
    return RoleColour(session, value & 0x0F);
}

// Eight cells at a time: this runs after writes and must not cost more than the write.
namespace {
constexpr uint64_t kEachByte(uint8_t b) {
    return 0x0101010101010101ull * b;
}
uint64_t Load8(const uint8_t* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}
}  // namespace

void ResetAllMDT(PresentationSpace& ps) {
    // Non-attribute positions hold 0, so clearing the bit everywhere touches only attributes.
    const uint32_t n = std::clamp(std::max(ps.used_extent, ps.positions), 1u, kMaxPositions);
    uint8_t* a = ps.planes.attribute.data();
    uint32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const uint64_t w = Load8(a + i) & ~kEachByte(fa::Mdt);
        std::memcpy(a + i, &w, 8);
    }
    for (; i < n; ++i) a[i] &= uint8_t(~fa::Mdt);
}

void RefreshFieldCount(Session& session) {
    PresentationSpace& ps = session.ps;
    const uint32_t n = std::min(ps.positions, kMaxPositions);
    const Planes& p = ps.planes;
    const bool wang = session.settings.Wang != 0;
    // Text usually starts near the top: the search ends at the first visible character.
    bool has_visible = false;
    uint32_t i = 0;
#if defined(__SSE2__)
    const __m128i blank = _mm_set1_epi8(0x40);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        // Above 0x40 exactly where the saturating subtraction leaves something.
        const __m128i above =
            _mm_subs_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&p.display[i])), blank);
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(above, zero)) != 0xFFFF) break;
    }
#endif
    for (; i < n && !has_visible; ++i) has_visible = p.display[i] >= 0x41;

    uint32_t inputs = 0;
    bool any = false;
    i = 0;
#if defined(__SSE2__)
    // Sixteen attributes at a time. Every attribute byte has its top bit set; an input field's
    // survives masking with its protected bit (0x20) shifted up to the top, or with Wang is set
    // again by the intensify highlight (0x08) shifted up likewise.
    const __m128i ones = _mm_set1_epi8(1);
    __m128i sums = zero;
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&p.attribute[i]));
        if (_mm_movemask_epi8(a) == 0) continue;
        any = true;
        __m128i open = _mm_andnot_si128(_mm_slli_epi16(a, 2), a);
        if (wang) {
            const __m128i h = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&p.highlight[i]));
            open = _mm_or_si128(open, _mm_and_si128(_mm_slli_epi16(h, 4), a));
        }
        // Each top bit down to a 0 or 1 byte, summed across the sixteen.
        sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_and_si128(_mm_srli_epi16(open, 7), ones), zero));
    }
    inputs = uint32_t(_mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
#endif
    for (; i < n; ++i) {
        const uint8_t a = p.attribute[i];
        any |= a != 0;
        if (a && (!(a & fa::Protected) || (wang && (p.highlight[i] & hl::Intensify)))) ++inputs;
    }
    ps.input_fields = inputs;
    ps.formatted = any;
    ps.has_visible_text = has_visible;
}

uint8_t CellText(uint8_t character, uint8_t field_attribute, uint8_t character_set) {
    uint8_t c = character;
    if (c == 0 || (field_attribute & fa::DisplayMask) == fa::NonDisplay) c = 0x20;
    if (character_set == kGraphicEscapeSet) c = kGraphicEscapeLookAlike[c];
    return c;
}

}  // namespace orkan
