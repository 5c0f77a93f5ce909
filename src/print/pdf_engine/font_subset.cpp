#include "print/pdf_engine/font_subset.h"

#include <algorithm>
#include <map>

namespace orkan {

namespace {

// Offsets inside the tables that the subset rewrites.
inline constexpr size_t kHeadChecksumAdjustment = 8;
inline constexpr size_t kHeadIndexToLocFormat = 50;
inline constexpr size_t kHeadSize = 54;
inline constexpr size_t kHheaNumberOfHMetrics = 34;
inline constexpr size_t kHheaSize = 36;
inline constexpr size_t kMaxpNumGlyphs = 4;
inline constexpr size_t kMaxpSize = 6;

// Composite glyph component flags.
namespace component {
inline constexpr uint16_t ArgsAreWords = 0x0001;
inline constexpr uint16_t HaveScale = 0x0008;
inline constexpr uint16_t MoreComponents = 0x0020;
inline constexpr uint16_t HaveXYScale = 0x0040;
inline constexpr uint16_t HaveTwoByTwo = 0x0080;
}  // namespace component

inline constexpr uint32_t kChecksumMagic = 0xB1B0AFBA;

uint16_t U16(const std::string& s, size_t at) {
    return uint16_t(uint8_t(s[at]) << 8 | uint8_t(s[at + 1]));
}
uint32_t U32(const std::string& s, size_t at) {
    return uint32_t(U16(s, at)) << 16 | U16(s, at + 2);
}
void Put16(std::string& s, size_t at, uint16_t v) {
    s[at] = char(v >> 8);
    s[at + 1] = char(v);
}
void Put32(std::string& s, size_t at, uint32_t v) {
    Put16(s, at, uint16_t(v >> 16));
    Put16(s, at + 2, uint16_t(v));
}
void Append16(std::string& s, uint16_t v) {
    s += char(v >> 8);
    s += char(v);
}
void Append32(std::string& s, uint32_t v) {
    Append16(s, uint16_t(v >> 16));
    Append16(s, uint16_t(v));
}

uint32_t Checksum(const std::string& data) {
    uint32_t sum = 0;
    for (size_t i = 0; i < data.size(); i += 4) {
        uint32_t word = 0;
        for (size_t k = 0; k < 4; ++k) word = word << 8 | (i + k < data.size() ? uint8_t(data[i + k]) : 0);
        sum += word;
    }
    return sum;
}

// The face's glyph outlines as the loca table places them in glyf.
class GlyphTable {
  public:
    bool Load(const std::string& loca, bool long_offsets, const std::string& glyf, uint16_t count,
              std::string& error) {
        const size_t entry = long_offsets ? 4 : 2;
        if (loca.size() < (size_t(count) + 1) * entry) {
            error = "its glyph index (loca) is shorter than its glyph count";
            return false;
        }
        offsets_.resize(size_t(count) + 1);
        for (size_t i = 0; i <= count; ++i)
            offsets_[i] = long_offsets ? U32(loca, i * 4) : uint32_t(U16(loca, i * 2)) * 2;
        glyf_ = &glyf;
        return true;
    }
    uint16_t count() const { return uint16_t(offsets_.size() - 1); }
    // The glyph's bytes; nothing when its place lies outside glyf.
    std::optional<std::string> Glyph(uint16_t id) const {
        const uint32_t begin = offsets_[id], end = offsets_[size_t(id) + 1];
        if (begin > end || end > glyf_->size()) return std::nullopt;
        return glyf_->substr(begin, end - begin);
    }

  private:
    std::vector<uint32_t> offsets_;
    const std::string* glyf_ = nullptr;
};

// Where each component's glyph number sits in a composite glyph; empty for a simple glyph.
// False when the glyph ends inside a component.
bool ComponentPlaces(const std::string& glyph, std::vector<size_t>& places) {
    places.clear();
    if (glyph.size() < 10 || int16_t(U16(glyph, 0)) >= 0) return true;
    size_t at = 10;
    for (;;) {
        if (at + 4 > glyph.size()) return false;
        const uint16_t flags = U16(glyph, at);
        places.push_back(at + 2);
        at += 4 + ((flags & component::ArgsAreWords) ? 4 : 2);
        if (flags & component::HaveScale)
            at += 2;
        else if (flags & component::HaveXYScale)
            at += 4;
        else if (flags & component::HaveTwoByTwo)
            at += 8;
        if (at > glyph.size()) return false;
        if (!(flags & component::MoreComponents)) return true;
    }
}

// A cmap that maps no character: the document addresses glyphs by number.
std::string EmptyCmap() {
    std::string t;
    Append16(t, 0);   // version
    Append16(t, 1);   // one subtable
    Append16(t, 3);   // Windows
    Append16(t, 1);   // Unicode BMP
    Append32(t, 12);  // its offset
    // Format 4 with the one segment every such table ends with.
    Append16(t, 4);
    Append16(t, 24);      // length
    Append16(t, 0);       // language
    Append16(t, 2);       // 2 x segments
    Append16(t, 2);       // search range
    Append16(t, 0);       // entry selector
    Append16(t, 0);       // range shift
    Append16(t, 0xFFFF);  // end code
    Append16(t, 0);       // reserved pad
    Append16(t, 0xFFFF);  // start code
    Append16(t, 1);       // delta: 0xFFFF maps to glyph 0
    Append16(t, 0);       // range offset
    return t;
}

// Version 3: no glyph names.
std::string NamelessPost(const std::optional<std::string>& original) {
    std::string t(32, '\0');
    Put32(t, 0, 0x00030000);
    if (original && original->size() >= 16)
        t.replace(4, 12, original->substr(4, 12));  // angle, underline, fixed pitch
    return t;
}

std::string Assemble(std::map<uint32_t, std::string>& tables) {
    const uint16_t count = uint16_t(tables.size());
    uint16_t power = 1, selector = 0;
    while (power * 2 <= count) power *= 2, ++selector;
    std::string file;
    Append32(file, 0x00010000);
    Append16(file, count);
    Append16(file, uint16_t(power * 16));
    Append16(file, selector);
    Append16(file, uint16_t(count * 16 - power * 16));
    size_t offset = 12 + size_t(count) * 16;
    size_t head_at = 0;
    std::string bodies;
    for (auto& [tag, data] : tables) {
        Append32(file, tag);
        Append32(file, Checksum(data));
        Append32(file, uint32_t(offset));
        Append32(file, uint32_t(data.size()));
        if (tag == SfntTag('h', 'e', 'a', 'd')) head_at = offset;
        bodies += data;
        bodies.append((4 - data.size() % 4) % 4, '\0');
        offset = 12 + size_t(count) * 16 + bodies.size();
    }
    file += bodies;
    Put32(file, head_at + kHeadChecksumAdjustment, kChecksumMagic - Checksum(file));
    return file;
}

}  // namespace

bool SubsetTrueType(const SfntTables& read, const std::set<unsigned>& glyphs, FontSubset& out,
                    std::string& error) {
    std::map<uint32_t, std::string> tables;
    for (const uint32_t tag :
         {SfntTag('h', 'e', 'a', 'd'), SfntTag('h', 'h', 'e', 'a'), SfntTag('m', 'a', 'x', 'p'),
          SfntTag('l', 'o', 'c', 'a'), SfntTag('g', 'l', 'y', 'f'), SfntTag('h', 'm', 't', 'x')}) {
        std::optional<std::string> t = read(tag);
        if (!t) {
            error = "it lacks a table a TrueType face needs";
            return false;
        }
        tables[tag] = std::move(*t);
    }
    std::string& head = tables[SfntTag('h', 'e', 'a', 'd')];
    std::string& hhea = tables[SfntTag('h', 'h', 'e', 'a')];
    std::string& maxp = tables[SfntTag('m', 'a', 'x', 'p')];
    const std::string& hmtx = tables[SfntTag('h', 'm', 't', 'x')];
    if (head.size() < kHeadSize || hhea.size() < kHheaSize || maxp.size() < kMaxpSize) {
        error = "its head, hhea or maxp table is too short";
        return false;
    }
    const uint16_t count = U16(maxp, kMaxpNumGlyphs);
    const uint16_t metrics = U16(hhea, kHheaNumberOfHMetrics);
    if (count == 0 || metrics == 0 || metrics > count ||
        hmtx.size() < size_t(metrics) * 4 + size_t(count - metrics) * 2) {
        error = "its horizontal metrics do not cover its glyphs";
        return false;
    }
    GlyphTable source;
    if (!source.Load(tables[SfntTag('l', 'o', 'c', 'a')], U16(head, kHeadIndexToLocFormat) != 0,
                     tables[SfntTag('g', 'l', 'y', 'f')], count, error))
        return false;

    // The glyphs asked for, .notdef and every component they are built from.
    std::set<uint16_t> keep;
    std::vector<uint16_t> pending = {0};
    for (unsigned g : glyphs)
        if (g < count) pending.push_back(uint16_t(g));
    std::vector<size_t> places;
    while (!pending.empty()) {
        const uint16_t g = pending.back();
        pending.pop_back();
        if (!keep.insert(g).second) continue;
        const std::optional<std::string> bytes = source.Glyph(g);
        if (!bytes || !ComponentPlaces(*bytes, places)) {
            error = "glyph " + std::to_string(g) + " lies outside its outlines or is cut short";
            return false;
        }
        for (size_t at : places) {
            const uint16_t part = U16(*bytes, at);
            if (part >= count) {
                error = "glyph " + std::to_string(g) + " is built from a glyph it does not have";
                return false;
            }
            if (!keep.contains(part)) pending.push_back(part);
        }
    }

    out.new_glyph.assign(size_t(*keep.rbegin()) + 1, 0);
    uint16_t next = 0;
    for (uint16_t g : keep) out.new_glyph[g] = next++;

    std::string glyf, loca, new_hmtx;
    for (uint16_t g : keep) {
        Append32(loca, uint32_t(glyf.size()));
        std::string bytes = *source.Glyph(g);
        [[maybe_unused]] const bool whole = ComponentPlaces(bytes, places);
        for (size_t at : places) Put16(bytes, at, out.new_glyph[U16(bytes, at)]);
        glyf += bytes;
        glyf.append((4 - bytes.size() % 4) % 4, '\0');
        const size_t m = std::min<size_t>(g, metrics - 1);
        Append16(new_hmtx, U16(hmtx, m * 4));
        Append16(new_hmtx,
                 g < metrics ? U16(hmtx, g * 4 + 2) : U16(hmtx, size_t(metrics) * 4 + (g - metrics) * 2));
    }
    Append32(loca, uint32_t(glyf.size()));

    Put32(head, kHeadChecksumAdjustment, 0);
    Put16(head, kHeadIndexToLocFormat, 1);
    Put16(hhea, kHheaNumberOfHMetrics, next);
    Put16(maxp, kMaxpNumGlyphs, next);
    tables[SfntTag('g', 'l', 'y', 'f')] = std::move(glyf);
    tables[SfntTag('l', 'o', 'c', 'a')] = std::move(loca);
    tables[SfntTag('h', 'm', 't', 'x')] = std::move(new_hmtx);
    // The hinting programs refer to no glyph numbers, so they go along as they are.
    for (const uint32_t tag : {SfntTag('c', 'v', 't', ' '), SfntTag('f', 'p', 'g', 'm'),
                               SfntTag('p', 'r', 'e', 'p'), SfntTag('O', 'S', '/', '2')})
        if (std::optional<std::string> t = read(tag)) tables[tag] = std::move(*t);
    tables[SfntTag('c', 'm', 'a', 'p')] = EmptyCmap();
    tables[SfntTag('p', 'o', 's', 't')] = NamelessPost(read(SfntTag('p', 'o', 's', 't')));
    out.file = Assemble(tables);
    return true;
}

}  // namespace orkan
