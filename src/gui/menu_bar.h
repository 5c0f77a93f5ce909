// The menu structure of menu_table.h as a QMenuBar. A new bar is built whole each time (the
// keyboard map or the session list changed) and replaces the old one.
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

// The action of a command id in a bar built above (tests, and the trace check mark).
QAction* FindMenuAction(QMenuBar& bar, uint16_t id);

}  // namespace orkan
