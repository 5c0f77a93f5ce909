// "Record a Macro": a file dialog for the macro file to write, with the description that goes into
// the macro's header and the choice "Record Macros in Rexx" beside the name.
#pragma once

#include <QFileDialog>
#include <optional>

#include "interfaces/ui.h"

class QCheckBox;
class QLineEdit;

namespace orkan {

class RecordDialog final : public QFileDialog {
  public:
    RecordDialog(const RecordMacroRequest& request, QWidget* parent);

    QLineEdit* Description() { return description_; }
    QCheckBox* Rexx() { return rexx_; }
    // The answer once the dialog was accepted with a file.
    std::optional<RecordMacroAnswer> Answer() const;

  private:
    QLineEdit* description_ = nullptr;
    QCheckBox* rexx_ = nullptr;
};

}  // namespace orkan
