// The buttons of the tool bar and of the keypad window: a grid of buttons that each run one key
// function. The buttons never take the keyboard focus, so typing stays with the terminal.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orkan {

struct PanelButton {
    uint16_t code = 0;
    int column = 0, row = 0, width = 1, height = 1;  // in grid cells
    std::string label;                               // display bytes
    std::string tip;                                 // the function's description, display bytes
    bool enabled = true;                             // false: its function is not in this program
    std::string icon{};                              // a name of button_editor_icons.h, empty for none
};

struct PanelLayout {
    int columns = 0;
    int rows = 0;
    std::vector<PanelButton> buttons;
};

class ButtonPanel : public QWidget {
public:
    ButtonPanel(const PanelLayout& layout, std::function<void(uint16_t)> on_press, bool tooltips,
                QWidget* parent = nullptr);
    int ButtonCount() const { return count_; }

private:
    int count_ = 0;
};

}  // namespace orkan
