// Text dumps of the presentation space, for tests and for people reading what a host sent.
#pragma once

#include <string>

namespace orkan {

struct Session;

// One line per row, each cell as CellText shows it, lines ended by "\n". With `mark_cursor` a
// last line "cursor R,C" (counted from 1) follows.
std::string DumpScreenText(const Session& session, bool mark_cursor = false);

// One line per field attribute: position, attribute bits in words, colour and highlight bytes.
std::string DumpFields(const Session& session);

// Geometry, write state and every plane in hexadecimal, one line per row; rows that are zero in
// a plane are left out of it.
std::string DumpPlanes(const Session& session);

}  // namespace orkan
