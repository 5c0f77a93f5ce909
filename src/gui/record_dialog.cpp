#include "gui/record_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace orkan {

RecordDialog::RecordDialog(const RecordMacroRequest& request, QWidget* parent)
    : QFileDialog(parent, "Record a Macro") {
    // The description and the language sit in the dialog itself: Qt's own dialog, not the desktop's.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setDefaultSuffix("mac");
    // Whether to replace a file is asked about the file the recorder writes, ".mac" added.
    setOption(QFileDialog::DontConfirmOverwrite);
    setNameFilters({"Macro files (*.mac *.MAC)", "All files (*)"});
    if (!request.folder.empty()) setDirectory(QString::fromStdString(request.folder));
    description_ = new QLineEdit(this);
    description_->setObjectName("description");
    rexx_ = new QCheckBox("Record Macros in Re&xx", this);
    rexx_->setObjectName("rexx");
    rexx_->setChecked(request.rexx);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        auto* label = new QLabel("&Description:", this);
        label->setBuddy(description_);
        grid->addWidget(label, row, 0);
        grid->addWidget(description_, row, 1, 1, grid->columnCount() - 1);
        grid->addWidget(rexx_, row + 1, 0, 1, -1);
    }
}

std::optional<RecordMacroAnswer> RecordDialog::Answer() const {
    if (result() != QDialog::Accepted || selectedFiles().isEmpty()) return std::nullopt;
    RecordMacroAnswer answer;
    answer.file = selectedFiles().first().toStdString();
    answer.description = description_->text().toStdString();
    answer.rexx = rexx_->isChecked();
    return answer;
}

}  // namespace orkan
