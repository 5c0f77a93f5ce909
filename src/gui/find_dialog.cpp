#include "gui/find_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "clipboard/clipboard_state.h"
#include "gui/qt_text.h"

namespace orkan {

namespace {

constexpr std::string_view kFindTitle = "Orkan TN3270 Find";

}  // namespace

FindDialog::FindDialog(Ui& ui, const FindDialogRequest& request, QWidget* parent) : QDialog(parent), ui_(ui) {
    setWindowTitle("Find");
    text_ = new QComboBox(this);
    text_->setEditable(true);
    text_->setInsertPolicy(QComboBox::NoInsert);  // the history is the session's to keep
    text_->setMinimumContentsLength(int(kFindTextMax));
    for (const std::string& t : request.history) text_->addItem(DisplayToQString(t));
    // The most recent text stays in the field, all selected: Enter finds it again, typing replaces it.
    if (!request.history.empty()) text_->lineEdit()->selectAll();
    auto* label = new QLabel("Fi&nd what:", this);
    label->setBuddy(text_);

    whole_words_ = new QCheckBox("Match &whole words only", this);
    match_case_ = new QCheckBox("Match &case", this);
    every_screen_ = new QCheckBox("Find &again after every host screen", this);
    whole_words_->setChecked(request.options & find_option::WholeWords);
    match_case_->setChecked(request.options & find_option::MatchCase);
    every_screen_->setChecked(request.options & find_option::EveryScreen);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(text_);
    layout->addWidget(whole_words_);
    layout->addWidget(match_case_);
    layout->addWidget(every_screen_);
    layout->addWidget(buttons);
    text_->setFocus();
}

QCheckBox* FindDialog::OptionBox(uint8_t bit) const {
    switch (bit) {
        case find_option::WholeWords:
            return whole_words_;
        case find_option::MatchCase:
            return match_case_;
        case find_option::EveryScreen:
            return every_screen_;
        default:
            return nullptr;
    }
}

uint8_t FindDialog::Options() const {
    return uint8_t((whole_words_->isChecked() ? find_option::WholeWords : 0) |
                   (match_case_->isChecked() ? find_option::MatchCase : 0) |
                   (every_screen_->isChecked() ? find_option::EveryScreen : 0));
}

void FindDialog::accept() {
    const QString typed = text_->currentText();
    const std::optional<std::string> display = QStringToDisplay(typed);
    if (!display) {
        // Named and counted as the user counts, so they know which one to take out.
        ui_.ShowMessage({std::string(kFindTitle),
                         "The text to find has a character that cannot be on the screen (" +
                             DescribeRefusedCharacter(typed).toStdString() + ").",
                         Buttons::Ok, Icon::Warning});
        return;
    }
    if (display->find_first_of("\r\n\t") != std::string::npos || display->size() > kFindTextMax) {
        ui_.ShowMessage({std::string(kFindTitle),
                         "The text to find may have at most " + std::to_string(kFindTextMax) +
                             " characters, all on one line.",
                         Buttons::Ok, Icon::Warning});
        return;
    }
    result_ = {true, *display, Options()};
    QDialog::accept();
}

void FindDialog::reject() {
    // Cancel keeps a text the history can hold; one it cannot is left out rather than cut.
    const std::optional<std::string> display = QStringToDisplay(text_->currentText());
    std::string text;
    if (display && display->size() <= kFindTextMax && display->find_first_of("\r\n\t") == std::string::npos)
        text = *display;
    result_ = {false, std::move(text), Options()};
    QDialog::reject();
}

std::unique_ptr<QMenu> MakePopupMenu(const std::vector<MenuItem>& items, QWidget* parent) {
    auto menu = std::make_unique<QMenu>(parent);
    for (const MenuItem& item : items) {
        if (item.label.empty()) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(DisplayToQString(item.label));
        action->setData(int(item.code));
        action->setEnabled(item.enabled);
    }
    return menu;
}

}  // namespace orkan
