// The menu structure of menu_table.h as a QMenuBar. The bar is built once; later changes (the
// keyboard map, the session list, the trace's check mark) are made to it in place. A menu item's
// dialog runs its own event loop inside the item's trigger, and a session starting or ending
// elsewhere changes the session list meanwhile: a menu deleted then would be written to by Qt's
// menu code once the dialog returns.
#pragma once

#include <QMenuBar>
#include <functional>
#include <vector>

#include "gui/menu_table.h"

namespace orkan {

// Every item triggers `on_command` with its command id. Texts are display bytes; an accelerator
// after the TAB is shown as the item's key text, never registered as a Qt shortcut (keys go
// through the keyboard map).
QMenuBar* BuildQtMenuBar(const std::vector<MenuNode>& model, const std::function<void(uint16_t)>& on_command,
                         QWidget* parent = nullptr);

// `bar` (built above from a model of the same table) brought to `model`: texts, enabled states and
// check marks set; session items renamed, added, or hidden when sessions have gone. No menu or
// action is deleted.
void UpdateQtMenuBar(QMenuBar& bar, const std::vector<MenuNode>& model,
                     const std::function<void(uint16_t)>& on_command);

// The action of a command id in a bar built above (tests, and the trace check mark).
QAction* FindMenuAction(QMenuBar& bar, uint16_t id);

}  // namespace orkan
