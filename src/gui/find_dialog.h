// The find dialog and the editing context menu of the desktop program. The dialog never cuts a
// text the user typed or pasted: a text too long for the history, or one with a character the
// screen cannot show, is named in a message and the dialog stays open.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <vector>

#include "interfaces/ui.h"

class QCheckBox;
class QComboBox;
class QMenu;

namespace orkan {

class FindDialog : public QDialog {
  public:
    FindDialog(Ui& ui, const FindDialogRequest& request, QWidget* parent = nullptr);

    // What OK or Cancel chose; set once the dialog closed.
    const FindDialogAnswer& Result() const { return result_; }

    QComboBox* TextBox() const { return text_; }
    QCheckBox* OptionBox(uint8_t bit) const;

    void accept() override;
    void reject() override;

  private:
    uint8_t Options() const;

    Ui& ui_;
    QComboBox* text_;
    QCheckBox* whole_words_;
    QCheckBox* match_case_;
    QCheckBox* every_screen_;
    FindDialogAnswer result_;
};

// The popup menu for `items`; each action carries its item's code.
std::unique_ptr<QMenu> MakePopupMenu(const std::vector<MenuItem>& items, QWidget* parent);

}  // namespace orkan
