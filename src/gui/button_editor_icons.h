// The icons a tool bar or keypad button can carry: names of the desktop's icon theme, each with a
// picture Qt's own style draws where the theme has none, so a chosen icon always shows.
#pragma once

#include <QIcon>
#include <span>
#include <string_view>

namespace orkan {

struct ButtonIconChoice {
    std::string_view name;   // as stored in the button file
    std::string_view label;  // as the editor lists it
};
std::span<const ButtonIconChoice> ButtonIconChoices();

// The icon of that name; a null icon for none and for a name this program does not offer.
QIcon ButtonIcon(std::string_view name);

}  // namespace orkan
