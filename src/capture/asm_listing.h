// The data-stream listing: the host records since the last attention key as assembler constant
// statements in "orkan.asm" (application data folder), opened in the user's editor.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orkan {

struct Session;

// "STRING   DS    0F", then one DC statement of at most 16 bytes per line; LF line ends.
std::string AsmStatements(std::span<const uint8_t> data);

// Writes the listing of the session's capture buffer (for the owner only) and opens it in the
// editor; where there is no desktop to open it on, a message says where it is. False after an
// error message.
[[nodiscard]] bool MakeAsmStatements(Session& session);

}  // namespace orkan
