// Host byte <-> display character for the data stream, in the link's ASCII-host mode. Sending
// honours the mode the same way showing does, so an ASCII host gets back the bytes it sent.
#pragma once

#include <cstdint>

#include "charset/translate.h"

namespace orkan {

inline uint8_t DisplayToHostByte(const CharsetTables& tables, AsciiHost mode, uint8_t display) {
    switch (mode) {
        case AsciiHost::Raw:
            return display;
        case AsciiHost::RawLow:
            if (display < 0x80) return display;
            break;
        case AsciiHost::Translate:
            break;
    }
    return DisplayToHost(tables, display);
}

}  // namespace orkan
