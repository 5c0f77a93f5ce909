// The buttons of the tool bar and of the keypad window: a grid of buttons that each run one key
// function. The buttons never take the keyboard focus, so typing stays with the terminal.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QGridLayout;
class QPushButton;

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
    explicit ButtonPanel(std::function<void(uint16_t)> on_press, QWidget* parent = nullptr);
    // The buttons of a new layout. Buttons are reused and the ones left over hidden, never deleted:
    // the click that loaded the new file may still be on its way out of one of them.
    void SetLayout(const PanelLayout& layout, bool tooltips);
    int ButtonCount() const { return count_; }

  private:
    std::function<void(uint16_t)> on_press_;
    QGridLayout* grid_ = nullptr;
    std::vector<QPushButton*> buttons_;
    int count_ = 0;
};

}  // namespace orkan
