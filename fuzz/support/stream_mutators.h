// Structure-aware mutators for the byte-oriented fuzz targets. Each one takes the target's own
// input layout apart, changes one record, order, structured field, negotiation or chunk cut, and
// writes the layout back, framed as the target expects; part of the time it leaves the change to
// libFuzzer's byte mutators instead, so nothing random bytes could reach is lost (their crossing
// over of two inputs included). A target uses one through fuzz/mutators/<name>.cpp.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "host_records.h"

namespace orkan::fuzz {

// The records layout (the records and transfer targets): records separated by FF EF; none after a
// final FF EF.
inline std::vector<std::span<const uint8_t>> SplitRecords(std::span<const uint8_t> rest) {
    std::vector<std::span<const uint8_t>> records;
    while (!rest.empty()) {
        size_t end = 0;
        while (end < rest.size() && !(rest[end] == 0xFF && end + 1 < rest.size() && rest[end + 1] == 0xEF))
            ++end;
        records.push_back(rest.first(end));
        rest = rest.subspan(std::min(rest.size(), end + 2));
    }
    return records;
}

// The records target: a flags byte, a choice byte (its screen sizes), then records separated by
// FF EF.
size_t MutateRecordsInput(uint8_t* data, size_t size, size_t max_size, unsigned seed);

// The telnet and host_input layout: a flags byte, a cut count (below 16), that many 16-bit cut
// points (taken modulo the stream's length + 1), then the host's bytes. None when the input is too
// short for its cut points.
struct FramedInput {
    uint8_t flags = 0;
    std::vector<uint16_t> cuts;
    std::span<const uint8_t> stream;
};
inline std::optional<FramedInput> ParseFramed(std::span<const uint8_t> data) {
    const size_t count = data.size() < 2 ? 0 : data[1] % 16;
    if (data.size() < 2 + 2 * count) return std::nullopt;
    FramedInput in{data[0], {}, data.subspan(2 + 2 * count)};
    for (size_t i = 0; i < count; ++i) in.cuts.push_back(uint16_t(data[2 + 2 * i] << 8 | data[3 + 2 * i]));
    return in;
}

// The telnet and host_input targets' mutator. Flags bit 0 offers TN3270E, bit 3 asks for the
// dynamic terminal type and the bit `model4` (0 for none) for model 4.
size_t MutateHostStreamInput(uint8_t* data, size_t size, size_t max_size, unsigned seed, uint8_t model4);

// testhost's session target: a selector byte, then what a client sends to the host.
size_t MutateClientStreamInput(uint8_t* data, size_t size, size_t max_size, unsigned seed);

}  // namespace orkan::fuzz
