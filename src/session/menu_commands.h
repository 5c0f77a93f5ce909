// The menu commands that carry no key function. The desktop's menu bar offers them and the core's
// dispatch carries them out, so both name them from here.
#pragma once

#include <cstdint>

namespace orkan::menu_command {

inline constexpr uint16_t Trace = 3001;
inline constexpr uint16_t DumpBuffers = 3002;
inline constexpr uint16_t SaveDebugScreen = 3003;
inline constexpr uint16_t LoadDebugScreen = 3004;
inline constexpr uint16_t About = 3005;
inline constexpr uint16_t Listing = 3009;
inline constexpr uint16_t EditMacro = 3011;

}  // namespace orkan::menu_command
