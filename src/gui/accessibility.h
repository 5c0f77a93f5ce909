// The desktop's bridge to screen readers (Qt's accessibility, AT-SPI on Linux): the terminal area
// as an object of role Terminal with a text interface, the status line as a status bar whose name
// is the session's state in words, and names for the controls of every window as it is shown.
// Installed once; Qt asks it for every widget.
#pragma once

class QWidget;

namespace orkan {

void InstallAccessibility();

// Names the controls below `root` that Qt names from nothing: a control inside the row a form's
// label stands for, the text box of an editable combo box, a list or text box in a titled group.
// Controls named before keep their names. Runs for every window as it is shown.
void NameControls(QWidget& root);

}  // namespace orkan
