// Screens for the streaming benchmark: full, realistic screens (many fields, colours), each one
// different so nothing can be skipped by a client that compares.
#pragma once

#include "ds.h"

namespace testhost {

// Screen `index` (0-based) of `total`, drawn for rows x cols with `command` (Erase/Write or
// Erase/Write Alternate). Every screen holds its own number, so the final read shows which
// screen the client last processed.
Bytes StreamScreen(int index, int total, int rows, int cols, uint8_t command, bool extended,
                   const Codec& codec);

}  // namespace testhost
