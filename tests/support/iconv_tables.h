// Screen translation tables for tests, built from glibc's iconv until country.lst is available:
// host code page 037 to Windows-1252, with DUP and FIELD MARK on their display codes.
#pragma once

#include "charset/charset_tables.h"

namespace orkan::test {

// Host 0x00 stays 0x00, DUP 0x1C shows as 0x8E, FIELD MARK 0x1E as 0x8F; a host byte that has no
// Windows-1252 form shows as a null. display_to_host is the inverse, the higher host byte winning.
CharsetTables Cp037Tables();

}  // namespace orkan::test
