#include "gui/button_panel.h"

#include <QGridLayout>
#include <QPushButton>
#include <QVariant>
#include <algorithm>

#include "gui/button_editor_icons.h"
#include "gui/qt_text.h"

namespace orkan {

namespace {

constexpr const char* kCodeProperty = "orkanKeyCode";

}  // namespace

ButtonPanel::ButtonPanel(std::function<void(uint16_t)> on_press, QWidget* parent)
    : QWidget(parent), on_press_(std::move(on_press)), grid_(new QGridLayout(this)) {
    grid_->setContentsMargins(2, 2, 2, 2);
    grid_->setSpacing(2);
}

void ButtonPanel::SetLayout(const PanelLayout& layout, bool tooltips) {
    for (QPushButton* b : buttons_) {
        grid_->removeWidget(b);
        b->hide();
    }
    count_ = 0;
    for (const PanelButton& b : layout.buttons) {
        if (size_t(count_) == buttons_.size()) {
            auto* made = new QPushButton(this);
            made->setFocusPolicy(Qt::NoFocus);
            made->setAutoDefault(false);
            QObject::connect(made, &QPushButton::clicked, this,
                             [this, made] { on_press_(uint16_t(made->property(kCodeProperty).toUInt())); });
            buttons_.push_back(made);
        }
        QPushButton* button = buttons_[size_t(count_++)];
        button->setText(ButtonLabelText(b.label));
        button->setIcon(b.icon.empty() ? QIcon() : ButtonIcon(b.icon));
        button->setProperty(kCodeProperty, uint(b.code));
        button->setEnabled(b.enabled);
        button->setToolTip(tooltips && !b.tip.empty() ? DisplayToQString(b.tip) : QString());
        // A button that lies outside the grid (a damaged file) is still shown, after the others.
        grid_->addWidget(button, std::max(0, b.row), std::max(0, b.column), std::max(1, b.height),
                         std::max(1, b.width));
        button->show();
    }
}

}  // namespace orkan
