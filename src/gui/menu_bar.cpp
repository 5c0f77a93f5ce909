#include "gui/menu_bar.h"

#include <QMenu>

#include "gui/qt_text.h"

namespace orkan {

namespace {

constexpr const char* kIdProperty = "orkanMenuId";

void FillMenu(QMenu& menu, const std::vector<MenuNode>& nodes, const std::function<void(uint16_t)>& on_command) {
    for (const MenuNode& node : nodes) {
        if (node.separator) {
            menu.addSeparator();
            continue;
        }
        if (!node.children.empty()) {
            QMenu* sub = menu.addMenu(DisplayToQString(node.text));
            FillMenu(*sub, node.children, on_command);
            sub->setEnabled(node.enabled);
            continue;
        }
        QAction* action = menu.addAction(DisplayToQString(node.text));
        action->setProperty(kIdProperty, int(node.id));
        action->setEnabled(node.enabled);
        if (node.checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        const uint16_t id = node.id;
        QObject::connect(action, &QAction::triggered, &menu, [on_command, id] { on_command(id); });
    }
}

QAction* FindIn(const QList<QAction*>& actions, uint16_t id) {
    for (QAction* a : actions) {
        if (a->property(kIdProperty).toInt() == int(id) && id != 0) return a;
        if (QMenu* sub = a->menu())
            if (QAction* found = FindIn(sub->actions(), id)) return found;
    }
    return nullptr;
}

}  // namespace

QMenuBar* BuildQtMenuBar(const std::vector<MenuNode>& model, const std::function<void(uint16_t)>& on_command,
                         QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    for (const MenuNode& title : model) {
        QMenu* menu = bar->addMenu(DisplayToQString(title.text));
        menu->setSeparatorsCollapsible(true);  // the session list may be empty between its separators
        FillMenu(*menu, title.children, on_command);
    }
    return bar;
}

QAction* FindMenuAction(QMenuBar& bar, uint16_t id) { return FindIn(bar.actions(), id); }

}  // namespace orkan
