#include "gui/menu_bar.h"

#include <QMenu>

#include "gui/qt_text.h"

namespace orkan {

namespace {

constexpr const char* kIdProperty = "orkanMenuId";

using OnCommand = std::function<void(uint16_t)>;

uint16_t IdOf(const QAction* action) {
    return uint16_t(action->property(kIdProperty).toInt());
}

bool IsSessionItem(const MenuNode& node) {
    return !node.separator && node.entry == nullptr;
}

bool IsSessionAction(const QAction* action) {
    const uint16_t id = IdOf(action);
    return id >= menu_id::SessionListFirst && id <= menu_id::SessionListLast;
}

void ApplyNode(QAction& action, const MenuNode& node) {
    action.setText(DisplayToQString(node.text));
    if (QMenu* sub = action.menu()) {
        sub->setEnabled(node.enabled);
        return;
    }
    action.setEnabled(node.enabled);
    // Only a checked item is checkable: an unchecked check box would stand beside every item.
    action.setCheckable(node.checked);
    action.setChecked(node.checked);
}

// The id is read when the item is chosen: a session item keeps its action while its place in the
// list is taken by another session.
QAction* NewItem(QMenu& menu, const MenuNode& node, const OnCommand& on_command, QAction* before) {
    auto* action = new QAction(&menu);
    action->setProperty(kIdProperty, int(node.id));
    menu.insertAction(before, action);
    QObject::connect(action, &QAction::triggered, &menu, [on_command, action] { on_command(IdOf(action)); });
    ApplyNode(*action, node);
    return action;
}

void FillMenu(QMenu& menu, const std::vector<MenuNode>& nodes, const OnCommand& on_command) {
    for (const MenuNode& node : nodes) {
        if (node.separator) {
            menu.addSeparator();
        } else if (!node.children.empty()) {
            QMenu* sub = menu.addMenu(DisplayToQString(node.text));
            FillMenu(*sub, node.children, on_command);
            sub->setEnabled(node.enabled);
        } else {
            NewItem(menu, node, on_command, nullptr);
        }
    }
}

void SyncMenu(QMenu& menu, const std::vector<MenuNode>& nodes, const OnCommand& on_command) {
    const QList<QAction*> actions = menu.actions();
    qsizetype at = 0;
    const auto session_action_at = [&](qsizetype i) {
        return i < actions.size() && IsSessionAction(actions[i]);
    };
    const auto hide_unused_session_actions = [&] {
        while (session_action_at(at)) actions[at++]->setVisible(false);
    };
    for (const MenuNode& node : nodes) {
        if (IsSessionItem(node)) {
            if (session_action_at(at)) {
                QAction* action = actions[at++];
                action->setProperty(kIdProperty, int(node.id));
                action->setVisible(true);
                ApplyNode(*action, node);
            } else {
                NewItem(menu, node, on_command, at < actions.size() ? actions[at] : nullptr);
            }
            continue;
        }
        hide_unused_session_actions();
        if (at >= actions.size()) return;
        QAction* action = actions[at++];
        if (node.separator) continue;
        ApplyNode(*action, node);
        if (QMenu* sub = action->menu()) SyncMenu(*sub, node.children, on_command);
    }
    hide_unused_session_actions();
}

QAction* FindIn(const QList<QAction*>& actions, uint16_t id) {
    for (QAction* a : actions) {
        if (IdOf(a) == id && id != 0 && a->isVisible()) return a;
        if (QMenu* sub = a->menu())
            if (QAction* found = FindIn(sub->actions(), id)) return found;
    }
    return nullptr;
}

}  // namespace

QMenuBar* BuildQtMenuBar(const std::vector<MenuNode>& model, const OnCommand& on_command, QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    for (const MenuNode& title : model) {
        QMenu* menu = bar->addMenu(DisplayToQString(title.text));
        menu->setSeparatorsCollapsible(true);  // the session list may be empty between its separators
        FillMenu(*menu, title.children, on_command);
    }
    return bar;
}

void UpdateQtMenuBar(QMenuBar& bar, const std::vector<MenuNode>& model, const OnCommand& on_command) {
    const QList<QAction*> titles = bar.actions();
    for (qsizetype i = 0; i < titles.size() && i < qsizetype(model.size()); ++i) {
        titles[i]->setText(DisplayToQString(model[size_t(i)].text));
        if (QMenu* menu = titles[i]->menu()) SyncMenu(*menu, model[size_t(i)].children, on_command);
    }
}

QAction* FindMenuAction(QMenuBar& bar, uint16_t id) {
    return FindIn(bar.actions(), id);
}

}  // namespace orkan
