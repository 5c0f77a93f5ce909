#include "gui/editor_accessibility.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace orkan {

void NameUnnamedControls(QWidget& root) {
    // A label's buddy is named by the label.
    for (QLabel* label : root.findChildren<QLabel*>())
        if (QWidget* buddy = label->buddy(); buddy && buddy->accessibleName().isEmpty())
            buddy->setAccessibleName(label->text().remove('&').remove(':').trimmed());
    for (QAbstractButton* b : root.findChildren<QAbstractButton*>())
        if (b->accessibleName().isEmpty() && !b->text().isEmpty())
            b->setAccessibleName(b->text().remove('&').remove("...").trimmed());
}

}  // namespace orkan
