#include "gui/button_panel.h"

#include <QGridLayout>
#include <QPushButton>
#include <algorithm>

#include "gui/button_editor_icons.h"
#include "gui/qt_text.h"

namespace orkan {

ButtonPanel::ButtonPanel(const PanelLayout& layout, std::function<void(uint16_t)> on_press, bool tooltips,
                         QWidget* parent)
    : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(2);
    for (const PanelButton& b : layout.buttons) {
        // A button that lies outside the grid (a damaged file) is still shown, after the others.
        const int row = std::max(0, b.row), column = std::max(0, b.column);
        auto* button = new QPushButton(DisplayToQString(b.label));
        if (!b.icon.empty()) button->setIcon(ButtonIcon(b.icon));
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        button->setEnabled(b.enabled);
        if (tooltips && !b.tip.empty()) button->setToolTip(DisplayToQString(b.tip));
        const uint16_t code = b.code;
        QObject::connect(button, &QPushButton::clicked, this, [on_press, code] { on_press(code); });
        grid->addWidget(button, row, column, std::max(1, b.height), std::max(1, b.width));
        ++count_;
    }
}

}  // namespace orkan
