#include "charset/translate.h"

namespace orkan {

uint8_t HostToDisplay(const CharsetTables& tables, AsciiHost mode, uint8_t host) {
    switch (mode) {
        case AsciiHost::Raw: return host;
        case AsciiHost::RawLow: return host < 0x80 ? host : tables.screen[host];
        case AsciiHost::Translate: break;
    }
    return tables.screen[host];
}

uint8_t DisplayToHost(const CharsetTables& tables, uint8_t display) { return tables.display_to_host[display]; }

void ApplyTable(const std::array<uint8_t, 256>& table, std::span<uint8_t> bytes) {
    for (uint8_t& b : bytes) b = table[b];
}

}  // namespace orkan
