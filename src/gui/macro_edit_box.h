// The macro language's EDITBOX as a Qt dialog: a prompt, one line of input (hidden behind the
// macro's echo character when it gives one), OK and Cancel. The text is never cut: the field takes
// at most the macro's length, and a character the screen cannot show is named while the dialog
// stays open.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "interfaces/ui.h"

class QLabel;
class QLineEdit;

namespace orkan {

class MacroEditBox : public QDialog {
  public:
    MacroEditBox(const EditBoxRequest& request, QWidget* parent = nullptr);

    // The text entered, as display bytes; set when OK closed the dialog.
    const std::optional<std::string>& Result() const { return result_; }
    QLineEdit* Field() const { return field_; }

    void accept() override;

  private:
    QLabel* prompt_;
    QLineEdit* field_;
    QLabel* problem_;
    std::optional<std::string> result_;
};

}  // namespace orkan
