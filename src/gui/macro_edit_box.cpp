#include "gui/macro_edit_box.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/qt_text.h"

namespace orkan {

namespace {

// A dialog unit across is a quarter of the average character width.
int DialogUnitsToPixels(const QWidget& widget, int units) {
    return std::max(1, units * QFontMetrics(widget.font()).averageCharWidth() / 4);
}

}  // namespace

MacroEditBox::MacroEditBox(const EditBoxRequest& request, QWidget* parent) : QDialog(parent) {
    setWindowTitle(DisplayToQString(request.title));
    auto* layout = new QVBoxLayout(this);
    prompt_ = new QLabel(DisplayToQString(request.prompt), this);
    prompt_->setWordWrap(true);
    layout->addWidget(prompt_);
    field_ = new QLineEdit(this);
    field_->setMaxLength(std::max(1, request.max_length));
    field_->setMinimumWidth(DialogUnitsToPixels(*field_, request.width));
    field_->setText(DisplayToQString(request.initial_text));
    if (request.echo != 0) {
        field_->setEchoMode(QLineEdit::Password);
        const QString echo = DisplayToQString(std::string_view(&request.echo, 1));
        if (!echo.isEmpty())
            field_->setStyleSheet(
                QString("QLineEdit { lineedit-password-character: %1; }").arg(echo.at(0).unicode()));
    }
    layout->addWidget(field_);
    problem_ = new QLabel(this);
    problem_->setWordWrap(true);
    problem_->hide();
    layout->addWidget(problem_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    field_->setFocus();
}

void MacroEditBox::accept() {
    std::optional<std::string> text = QStringToDisplay(field_->text());
    if (!text) {
        problem_->setText("The text holds a character that a macro cannot take; change it or press Cancel.");
        problem_->show();
        return;
    }
    result_ = std::move(text);
    QDialog::accept();
}

}  // namespace orkan
