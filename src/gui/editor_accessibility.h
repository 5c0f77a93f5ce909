// Names for screen readers: every control of an editor window gets one, from its own text or from
// the label that stands for it, where the code that made it gave none.
#pragma once

class QWidget;

namespace orkan {

void NameUnnamedControls(QWidget& root);

}  // namespace orkan
