// Session files come from disk, damaged or from older versions: any bytes either fail the header
// check or give a record that survives writing and reading again unchanged.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "config/session_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orkan::SessionRecord record;
    size_t length = 0;
    if (!orkan::ParseSessionFile(std::span(data, size), record, length)) return 0;
    if (length < orkan::kSessionHeaderSize || length > orkan::kSessionFileSize) std::abort();
    orkan::SessionRecord again;
    size_t again_length = 0;
    if (!orkan::ParseSessionFile(orkan::SessionFileBytes(record), again, again_length)) std::abort();
    if (!(again == record) || again_length != orkan::kSessionFileSize) std::abort();
    return 0;
}
