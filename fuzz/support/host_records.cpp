#include "host_records.h"

#include <algorithm>

namespace orkan::fuzz {
namespace {

// The 3270 code of each 6-bit half of a 12-bit address.
constexpr uint8_t kAddressCodes[64] = {
    0x40, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
};

namespace order {
constexpr uint8_t PT = 0x05, GE = 0x08, SBA = 0x11, EUA = 0x12, IC = 0x13, SF = 0x1D, SA = 0x28, SFE = 0x29,
                  MF = 0x2C, RA = 0x3C;
constexpr uint8_t kAll[] = {PT, GE, SBA, EUA, IC, SF, SA, SFE, MF, RA};
}  // namespace order

constexpr uint8_t kWriteCommands[] = {0xF1, 0x01, 0xF5, 0x05, 0x7E, 0x0D};
constexpr uint8_t kOtherCommands[] = {0x6F, 0x0F, 0xF2, 0x02, 0xF6, 0x06, 0x6E, 0x0E, 0xA0, 0x00, 0xFF};
constexpr uint8_t kWccs[] = {0xC3, 0xC2, 0xC1, 0xC7, 0x40, 0x00, 0x01, 0x02, 0x04, 0x08, 0x4A, 0xF3};
// Field attributes: unprotected, protected, numeric, intensified, non-display, with and without MDT.
constexpr uint8_t kAttributes[] = {0x40, 0x60, 0x50, 0xC1, 0xC8, 0xE8, 0x4C,
                                   0x6C, 0xF0, 0xF8, 0x00, 0x7D, 0xFF};
constexpr uint8_t kPairTypes[] = {0x00, 0x41, 0x42, 0x43, 0x45, 0x46, 0xC0, 0xC1, 0xC2};
constexpr uint8_t kHighlights[] = {0x00, 0xF0, 0xF1, 0xF2, 0xF4, 0xF8, 0x0F};
constexpr uint8_t kColours[] = {0x00, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xFF, 0x07};
constexpr uint8_t kCharacterSets[] = {0x00, 0xF1, 0x41, 0x01};
// EBCDIC letters, digits and blanks, a null, and bytes that are no character in code page 037.
constexpr uint8_t kData[] = {0x40, 0xC1, 0xC5, 0xC9, 0xD1, 0xD6, 0xE2, 0xE9, 0xF0, 0xF1, 0xF9,
                             0x4B, 0x6B, 0x7D, 0x00, 0x0C, 0x15, 0x0D, 0xFF, 0x3F, 0xAD, 0x5A};
constexpr uint8_t kQueryCodes[] = {0x80, 0x81, 0x85, 0x86, 0x87, 0x88, 0x8F,
                                   0x95, 0x99, 0xA6, 0xA8, 0x42, 0xFF};
constexpr uint8_t kStructuredFieldIds[] = {0x01, 0x03, 0x09, 0x0F, 0x40, 0xD0, 0x00, 0xD1, 0x02};
constexpr uint8_t kTransferKinds[] = {0x00, 0x41, 0x45, 0x46, 0x47};

uint8_t PairValue(FuzzRandom& rng, uint8_t type) {
    if (rng.OneIn(8)) return rng.Byte();
    if (type == 0x41) return rng.Pick(kHighlights);
    if (type == 0x42 || type == 0x45) return rng.Pick(kColours);  // foreground, background
    if (type == 0x43) return rng.Pick(kCharacterSets);
    return type == 0xC0 ? rng.Pick(kAttributes) : rng.Byte();
}

void AppendPairs(Bytes& out, FuzzRandom& rng, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t type = rng.OneIn(10) ? rng.Byte() : rng.Pick(kPairTypes);
        out.push_back(type);
        out.push_back(PairValue(rng, type));
    }
}

void AppendData(Bytes& out, FuzzRandom& rng) {
    const size_t n = rng.OneIn(8) ? rng.Between(40, 200) : rng.Between(1, 12);
    const uint8_t repeated = rng.Pick(kData);
    for (size_t i = 0; i < n; ++i) out.push_back(rng.OneIn(3) ? repeated : rng.Pick(kData));
}

// The bytes after a structured field's length: its ID and what that ID carries.
Bytes StructuredFieldBody(FuzzRandom& rng, const ScreenShape& shape, int depth) {
    const uint8_t id = rng.OneIn(12) ? rng.Byte() : rng.Pick(kStructuredFieldIds);
    Bytes body = {id};
    switch (id) {
        case 0x01: {  // Read Partition
            body.push_back(rng.OneIn(4) ? rng.Byte() : 0xFF);
            const uint8_t type = rng.OneIn(5) ? rng.Byte() : rng.OneIn(2) ? 0x02 : 0x03;
            body.push_back(type);
            if (type == 0x03) {
                constexpr uint8_t kRequestTypes[] = {0x00, 0x40, 0x80, 0xC0};
                body.push_back(rng.Pick(kRequestTypes));
                for (size_t i = rng.Below(6); i > 0; --i) body.push_back(rng.Pick(kQueryCodes));
            }
            break;
        }
        case 0x03:
            body.push_back(rng.OneIn(2) ? 0x80 : 0x00);
            break;    // Erase/Reset
        case 0x09: {  // Set Reply Mode
            body.push_back(0x00);
            body.push_back(uint8_t(rng.OneIn(6) ? rng.Byte() : rng.Below(3)));
            constexpr uint8_t kTypes[] = {0x41, 0x42, 0x43, 0x45, 0x46};
            for (size_t i = rng.Below(4); i > 0; --i) body.push_back(rng.Pick(kTypes));
            break;
        }
        case 0x0F: {  // host print or macro text
            body.push_back(rng.OneIn(8) ? rng.Byte() : 0x1F);
            body.push_back(0x00);
            body.push_back(0x00);
            body.push_back(rng.OneIn(2) ? 0x98 : rng.Byte());
            AppendData(body, rng);
            break;
        }
        case 0x40: {  // Outbound 3270DS: a record inside the field
            body.push_back(0x00);
            Bytes inner = depth < 2 ? GenerateHostRecord(rng, shape, depth) : Bytes{0xF1, 0xC3};
            body.insert(body.end(), inner.begin(), inner.end());
            break;
        }
        case 0xD0: {  // transfer
            body.push_back(rng.Pick(kTransferKinds));
            for (size_t i = rng.Below(24); i > 0; --i)
                body.push_back(rng.OneIn(3) ? rng.Pick(kData) : rng.Byte());
            break;
        }
        default:
            for (size_t i = rng.Below(6); i > 0; --i) body.push_back(rng.Byte());
            break;
    }
    return body;
}

// Length, then the body: mostly the right length, sometimes 0 (to the end), too short or too long.
void AppendStructuredField(Bytes& out, FuzzRandom& rng, const ScreenShape& shape, int depth) {
    const Bytes body = StructuredFieldBody(rng, shape, depth);
    const size_t right = body.size() + 2;
    const size_t wrong[] = {0, rng.Below(5), right + rng.Between(1, 40), rng.Below(0x10000)};
    const size_t pick = rng.Below(16);
    const size_t length = pick < std::size(wrong) ? wrong[pick] : right;
    out.push_back(uint8_t(length >> 8));
    out.push_back(uint8_t(length));
    out.insert(out.end(), body.begin(), body.end());
}

// The length of the order (or data run) that starts `rest`; never more than rest.size().
size_t OrderLength(std::span<const uint8_t> rest) {
    if (rest.empty()) return 0;
    size_t n = 1;
    switch (rest[0]) {
        case order::PT:
        case order::IC:
            n = 1;
            break;
        case order::GE:
        case order::SF:
            n = 2;
            break;
        case order::SBA:
        case order::EUA:
        case order::SA:
            n = 3;
            break;
        case order::SFE:
        case order::MF:
            n = rest.size() >= 2 ? 2 + 2 * size_t(rest[1]) : 2;
            break;
        case order::RA:
            n = 4;
            if (rest.size() >= 4 && rest[3] == order::GE) n = 5;
            if (rest.size() >= 4 && rest[3] == order::RA) n = 7;
            break;
        default:
            while (n < rest.size() && std::ranges::count(order::kAll, rest[n]) == 0) ++n;
            break;
    }
    return std::min(n, rest.size());
}

// Splits the part after command and WCC into orders (and data runs).
std::vector<Bytes> SplitItems(std::span<const uint8_t> rest, bool structured) {
    std::vector<Bytes> items;
    while (!rest.empty()) {
        size_t n = rest.size();
        if (structured) {
            if (rest.size() >= 2) {
                const size_t length = size_t(rest[0]) << 8 | rest[1];
                if (length >= 3 && length <= rest.size()) n = length;
            }
        } else {
            n = OrderLength(rest);
        }
        items.emplace_back(rest.begin(), rest.begin() + long(n));
        rest = rest.subspan(n);
    }
    return items;
}

}  // namespace

void AppendAddress(Bytes& out, uint32_t address, FuzzRandom& rng) {
    if (address < 4096 && !rng.OneIn(5)) {
        out.push_back(kAddressCodes[(address >> 6) & 0x3F]);
        out.push_back(kAddressCodes[address & 0x3F]);
    } else {
        out.push_back(uint8_t((address >> 8) & 0x3F));
        out.push_back(uint8_t(address));
    }
}

uint32_t PickAddress(FuzzRandom& rng, const ScreenShape& shape) {
    const uint32_t positions = std::max<uint32_t>(shape.positions, 1);
    const uint32_t alternate = std::max<uint32_t>(shape.alternate, 1);
    // The edges of both sizes; one past the end (an Erase/Write is run again at the alternate
    // size); anywhere in the alternate size or in 14 bits; a row start.
    const uint32_t edges[] = {0,
                              positions - 1,
                              positions,
                              alternate - 1,
                              uint32_t(rng.Below(alternate)),
                              uint32_t(rng.Below(0x4000)),
                              uint32_t(rng.Below(positions / 80 + 1) * 80)};
    const size_t pick = rng.Below(12);
    return pick < std::size(edges) ? edges[pick] : uint32_t(rng.Below(positions));
}

void AppendOrder(Bytes& out, FuzzRandom& rng, const ScreenShape& shape) {
    // Data and the field orders come most often, as in real screens.
    constexpr uint8_t kWeights[] = {0, 0, 0, 1, 1, 1, 2, 2, 3, 3, 4, 5, 6, 7, 8, 9, 10, 10};
    const uint8_t kind = rng.Pick(kWeights);
    switch (kind) {
        case 0:
            AppendData(out, rng);
            break;
        case 1:
        case 9:
            out.push_back(kind == 1 ? order::SBA : order::EUA);
            AppendAddress(out, PickAddress(rng, shape), rng);
            break;
        case 2:
            out.push_back(order::SF);
            out.push_back(rng.OneIn(6) ? rng.Byte() : rng.Pick(kAttributes));
            break;
        case 3: {
            out.push_back(order::SFE);
            const size_t count = rng.OneIn(10) ? rng.Below(256) : rng.Below(4);
            out.push_back(uint8_t(count));
            AppendPairs(out, rng, rng.OneIn(10) ? rng.Below(count + 1) : count);
            break;
        }
        case 4:
            out.push_back(order::SA);
            AppendPairs(out, rng, 1);
            break;
        case 5: {
            out.push_back(order::MF);
            const size_t count = rng.Below(4);
            out.push_back(uint8_t(count));
            AppendPairs(out, rng, count);
            break;
        }
        case 6:
        case 7:
            out.push_back(kind == 6 ? order::IC : order::PT);
            break;
        case 8:
            out.push_back(order::GE);
            out.push_back(rng.Byte());
            break;
        default: {
            out.push_back(order::RA);
            AppendAddress(out, PickAddress(rng, shape), rng);
            // The character to repeat, or an order in its place: GE, another RA, SBA and the rest.
            if (rng.OneIn(4))
                AppendOrder(out, rng, shape);
            else
                out.push_back(rng.Pick(kData));
            break;
        }
    }
}

Bytes GenerateHostRecord(FuzzRandom& rng, const ScreenShape& shape, int depth) {
    Bytes record;
    const size_t kind = rng.Below(10);
    if (kind < 6) {
        record.push_back(rng.Pick(kWriteCommands));
        record.push_back(rng.OneIn(6) ? rng.Byte() : rng.Pick(kWccs));
        for (size_t i = rng.Between(1, 12); i > 0; --i) AppendOrder(record, rng, shape);
    } else if (kind < 8) {
        record.push_back(rng.OneIn(2) ? 0xF3 : 0x11);
        for (size_t i = rng.Between(1, 3); i > 0; --i) AppendStructuredField(record, rng, shape, depth + 1);
    } else {
        record.push_back(rng.OneIn(8) ? rng.Byte() : rng.Pick(kOtherCommands));
        if (rng.OneIn(2)) record.push_back(rng.Pick(kWccs));
    }
    return record;
}

Bytes GenerateSscpLuText(FuzzRandom& rng) {
    Bytes text;
    for (size_t i = rng.Between(1, 8); i > 0; --i) {
        AppendData(text, rng);
        constexpr uint8_t kControls[] = {0x15, 0x0D, 0x0C, 0x40};
        text.push_back(rng.Pick(kControls));
    }
    return text;
}

void MutateHostRecord(Bytes& record, FuzzRandom& rng, const ScreenShape& shape, size_t max_size) {
    const bool write = record.size() >= 2 && std::ranges::count(kWriteCommands, record[0]) > 0;
    const bool structured = !record.empty() && (record[0] == 0xF3 || record[0] == 0x11);
    if ((!write && !structured) || rng.OneIn(16)) {
        if (!record.empty() && rng.OneIn(3)) {
            record[0] = rng.OneIn(2) ? rng.Pick(kWriteCommands) : rng.Pick(kOtherCommands);
        } else {
            record = GenerateHostRecord(rng, shape);
        }
        return;
    }
    const size_t head = structured ? 1 : 2;
    std::vector<Bytes> items = SplitItems(std::span(record).subspan(head), structured);
    const size_t change = rng.Below(8);
    if (change < 2) {  // a new order or field between two
        Bytes item;
        if (structured)
            AppendStructuredField(item, rng, shape, 1);
        else
            for (size_t i = rng.Between(1, 3); i > 0; --i) AppendOrder(item, rng, shape);
        items.insert(items.begin() + long(rng.Below(items.size() + 1)), item);
    } else if (change < 5) {
        Reorder(items, rng);
    } else if (change == 5 && !items.empty()) {
        // libFuzzer's byte mutators inside one order or field; a field's length mostly kept right.
        Bytes& item = items[rng.Below(items.size())];
        MutateWithLibFuzzer(item, std::min<size_t>(max_size, item.size() + 16));
        if (structured && item.size() >= 2 && !rng.OneIn(6)) {
            item[0] = uint8_t(item.size() >> 8);
            item[1] = uint8_t(item.size());
        }
    } else if (change == 6) {
        if (structured)
            record[0] = record[0] == 0xF3 ? 0x11 : 0xF3;
        else if (rng.OneIn(2))
            record[1] = rng.Pick(kWccs);
        else
            record[0] = rng.Pick(kWriteCommands);
    } else if (change == 7 && !items.empty() && items.back().size() > 1) {
        // A record cut inside its last item: the order's parameters are missing.
        items.back().resize(rng.Below(items.back().size()));
    }
    record.resize(head);
    for (const Bytes& item : items) record.insert(record.end(), item.begin(), item.end());
}

}  // namespace orkan::fuzz
