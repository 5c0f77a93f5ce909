// Write Structured Field records: Read Partition (Query, Query List), Erase/Reset, Set Reply
// Mode, host print and remote macro text, Outbound 3270DS and the file-transfer family.
#pragma once

#include <cstdint>
#include <span>

namespace orkan {

struct Session;

// `record` is the whole record, command byte first.
void ProcessStructuredFields(Session& session, std::span<const uint8_t> record);

}  // namespace orkan
