// Reading a session trace file back: the header text and the items in order, a payload split
// over continuation items joined again. Bytes in, items out; a damaged or cut file gives every
// item before the damage and says where it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orkan {

struct TraceItem {
    size_t offset = 0;  // of the item's first byte in the file
    uint8_t type = 0;
    std::string time;  // as written, 8 characters
    std::vector<uint8_t> payload;
    uint32_t pieces = 1;  // items it was stored in (continuations joined)
};

struct TraceContents {
    std::string header;  // version and build date of the program that wrote the file
    std::vector<TraceItem> items;
    std::string error;  // empty when the whole file was read
};

[[nodiscard]] TraceContents ReadTrace(std::span<const uint8_t> bytes);

}  // namespace orkan
