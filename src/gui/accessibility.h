// The desktop's bridge to screen readers (Qt's accessibility, AT-SPI on Linux): the terminal area
// as an object of role Terminal with a text interface, the status line as a status bar whose name
// is the session's state in words. Installed once; Qt asks it for every widget.
#pragma once

namespace orkan {

void InstallAccessibility();

}  // namespace orkan
