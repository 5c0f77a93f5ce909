#include "charset/translate.h"

#include <cstring>

namespace orkan {

uint8_t HostToDisplay(const CharsetTables& tables, AsciiHost mode, uint8_t host) {
    switch (mode) {
        case AsciiHost::Raw:
            return host;
        case AsciiHost::RawLow:
            return host < 0x80 ? host : tables.screen[host];
        case AsciiHost::Translate:
            break;
    }
    return tables.screen[host];
}

void HostToDisplay(const CharsetTables& tables, AsciiHost mode, std::span<uint8_t> bytes) {
    for (uint8_t& b : bytes) b = HostToDisplay(tables, mode, b);
}

size_t HostToDisplay(const CharsetTables& tables, AsciiHost mode, char* text) {
    const size_t length = std::strlen(text);
    HostToDisplay(tables, mode, std::span(reinterpret_cast<uint8_t*>(text), length));
    return length;
}

uint8_t DisplayToHost(const CharsetTables& tables, uint8_t display) {
    return tables.display_to_host[display];
}

void DisplayToHost(const CharsetTables& tables, std::span<uint8_t> bytes) {
    for (uint8_t& b : bytes) b = tables.display_to_host[b];
}

void ApplyTable(const std::array<uint8_t, 256>& table, std::span<uint8_t> bytes) {
    for (uint8_t& b : bytes) b = table[b];
}

}  // namespace orkan
