// Host strings from the command line and the session dialog.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/host_address.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const orkan::HostAddressResult result = orkan::ParseHostAddress(text, 23);
    if (result.ok() && (result.address.host.empty() || result.address.port == 0)) __builtin_trap();
    return 0;
}
