#include "gui/button_editor.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "ds3270/inbound.h"
#include "gui/button_editor_icons.h"
#include "gui/dialog_fit.h"
#include "gui/editor_accessibility.h"
#include "gui/editor_assignment_picker.h"
#include "gui/key_editor_files.h"
#include "gui/qt_text.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard_state.h"
#include "session/session.h"

namespace orkan {
namespace {

constexpr uint8_t kFirstExtraAction = 31;
constexpr int kMaxGrid = 40;  // cells a keypad's grid offers in each direction

QSpinBox* Spin(const char* name, int minimum, int maximum) {
    auto* spin = new QSpinBox;
    spin->setRange(minimum, maximum);
    spin->setAccessibleName(name);
    return spin;
}

bool SameFolder(const std::string& path, const std::string& folder) {
    namespace fs = std::filesystem;
    return !folder.empty() &&
           fs::path(path).lexically_normal().parent_path() == fs::path(folder).lexically_normal();
}

}  // namespace

ButtonEditor::ButtonEditor(Session& session, KeyFileKind kind, std::function<void(const QString&)> help,
                           QWidget* parent)
    : QDialog(parent),
      session_(session),
      kind_(kind),
      help_(std::move(help)),
      original_(SessionButtonFile(session, kind)) {
    const bool pad = kind == KeyFileKind::Keypad;
    setWindowTitle(pad ? "KeyPad Edit" : "ToolBar Edit");
    setObjectName(pad ? "OrkanKeyPadEditor" : "OrkanToolBarEditor");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    file_ = new QLabel;
    file_->setAccessibleName(KindTitle() + " file");
    layout->addWidget(file_);

    if (pad) {
        grid_ = new QWidget;
        grid_->setAccessibleName("Keypad as it will look");
        grid_layout_ = new QGridLayout(grid_);
        grid_layout_->setSpacing(2);
        grid_layout_->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(grid_);
    }

    auto* middle = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    list_ = new QListWidget;
    list_->setAccessibleName("Buttons");
    left->addWidget(list_, 1);
    auto* moves = new QHBoxLayout;
    auto* add = new QPushButton("Ad&d");
    auto* remove = new QPushButton("&Remove");
    auto* up = new QPushButton(pad ? "&Up in the list" : "Move &Up");
    auto* down = new QPushButton(pad ? "Do&wn in the list" : "Move Do&wn");
    for (QPushButton* b : {add, remove, up, down}) {
        b->setAutoDefault(false);
        b->setAccessibleName(b->text().remove('&'));
        moves->addWidget(b);
    }
    left->addLayout(moves);
    middle->addLayout(left, 2);

    auto* right = new QVBoxLayout;
    auto* form = new QFormLayout;
    label_ = new QLineEdit;
    label_->setMaxLength(int(kButtonLabelSize - 1));
    label_->setAccessibleName("Label");
    auto* label_label = new QLabel("Lab&el:");
    label_label->setBuddy(label_);
    form->addRow(label_label, label_);
    if (pad) {
        column_ = Spin("Column", 0, kMaxGrid - 1);
        row_ = Spin("Row", 0, kMaxGrid - 1);
        width_ = Spin("Width", 1, kMaxGrid);
        height_ = Spin("Height", 1, kMaxGrid);
        auto* place = new QHBoxLayout;
        for (auto [text, spin] :
             {std::pair{"Column", column_}, {"Row", row_}, {"Width", width_}, {"Height", height_}}) {
            place->addWidget(new QLabel(text));
            place->addWidget(spin);
        }
        form->addRow("Place:", place);
        columns_ = Spin("Grid columns", 1, kMaxGrid);
        rows_ = Spin("Grid rows", 1, kMaxGrid);
        auto* grid = new QHBoxLayout;
        grid->addWidget(new QLabel("Columns"));
        grid->addWidget(columns_);
        grid->addWidget(new QLabel("Rows"));
        grid->addWidget(rows_);
        grid->addStretch();
        form->addRow("Grid:", grid);
    } else {
        icon_ = new QComboBox;
        icon_->setAccessibleName("Icon");
        icon_->addItem("(none)", QString());
        for (const ButtonIconChoice& c : ButtonIconChoices())
            icon_->addItem(ButtonIcon(c.name), QString::fromLatin1(c.label.data(), qsizetype(c.label.size())),
                           QString::fromLatin1(c.name.data(), qsizetype(c.name.size())));
        auto* icon_label = new QLabel("&Icon:");
        icon_label->setBuddy(icon_);
        form->addRow(icon_label, icon_);
    }
    right->addLayout(form);
    const Session& s = session_;
    picker_ = new AssignmentPicker(session.keyboard->key_list, [&s](uint16_t code) {
        return CategoryOf(code) != KeyCategory::Action || NumberOf(code) < kFirstExtraAction ||
               AidForAction(s, NumberOf(code)).has_value();
    });
    picker_->on_assign = [this] { AssignChosen(); };
    right->addWidget(picker_, 1);
    middle->addLayout(right, 3);
    layout->addLayout(middle, 1);

    notes_ = new QLabel;
    notes_->setAccessibleName("Notes");
    notes_->setWordWrap(true);
    notes_->setTextFormat(Qt::PlainText);
    notes_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(notes_);

    auto* buttons = new QDialogButtonBox;
    auto* load = buttons->addButton("&Load...", QDialogButtonBox::ActionRole);
    auto* save = buttons->addButton("Sa&ve", QDialogButtonBox::ActionRole);
    auto* save_as = buttons->addButton("Save &As...", QDialogButtonBox::ActionRole);
    auto* reset = buttons->addButton("Reset to S&tandard", QDialogButtonBox::ResetRole);
    buttons->addButton(QDialogButtonBox::Help);
    buttons->addButton(QDialogButtonBox::Close);
    for (QAbstractButton* b : buttons->buttons()) {
        b->setAccessibleName(b->text().remove('&').remove("..."));
        if (auto* push = qobject_cast<QPushButton*>(b)) push->setAutoDefault(false);
    }
    layout->addWidget(buttons);

    QObject::connect(list_, &QListWidget::currentRowChanged, this, [this] { ShowButton(); });
    QObject::connect(list_, &QListWidget::itemActivated, this, [this] { picker_->FocusSearch(); });
    // On the press: a mnemonic's click comes a moment later, and what is typed meanwhile is meant
    // for the new button's search.
    QObject::connect(add, &QPushButton::pressed, this, [this] { AddButton(); });
    QObject::connect(remove, &QPushButton::clicked, this, [this] { RemoveButton(); });
    QObject::connect(up, &QPushButton::clicked, this, [this] { MoveButton(-1); });
    QObject::connect(down, &QPushButton::clicked, this, [this] { MoveButton(1); });
    QObject::connect(label_, &QLineEdit::textEdited, this, [this](const QString& t) { SetLabel(t); });
    if (icon_)
        QObject::connect(icon_, &QComboBox::activated, this, [this](int i) {
            const std::optional<size_t> at = Chosen();
            if (!at) return;
            edit_->SetIcon(*at, icon_->itemData(i).toString().toStdString());
            Use();
            Refresh();
        });
    if (pad) {
        auto placed = [this] {
            const std::optional<size_t> at = Chosen();
            if (!at) return;
            edit_->SetPlace(*at, uint8_t(column_->value()), uint8_t(row_->value()), uint8_t(width_->value()),
                            uint8_t(height_->value()));
            Use();
            Refresh();
        };
        for (QSpinBox* spin : {column_, row_, width_, height_})
            QObject::connect(spin, &QSpinBox::valueChanged, this, placed);
        auto gridded = [this] {
            edit_->SetGrid(uint8_t(columns_->value()), uint8_t(rows_->value()));
            Use();
            Refresh();
        };
        for (QSpinBox* spin : {columns_, rows_})
            QObject::connect(spin, &QSpinBox::valueChanged, this, gridded);
    }
    QObject::connect(load, &QPushButton::clicked, this, [this] { Load(); });
    QObject::connect(save, &QPushButton::clicked, this, [this] { Save(); });
    QObject::connect(save_as, &QPushButton::clicked, this, [this] { AskSaveAs(); });
    QObject::connect(reset, &QPushButton::clicked, this, [this] { ResetToStandard(); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        if (help_) help_("keyboard.md");
    });
    auto* save_key = new QShortcut(QKeySequence::Save, this);
    QObject::connect(save_key, &QShortcut::activated, this, [this] { Save(); });

    StartEditing(original_, false);
    if (!edit_->File().buttons.empty()) SelectButton(0);
    NameUnnamedControls(*this);
    FitDialogToScreen(*this);
}

ButtonEditor::~ButtonEditor() = default;

QString ButtonEditor::KindTitle() const {
    return kind_ == KeyFileKind::Keypad ? "Keypad" : "Tool bar";
}

void ButtonEditor::StartEditing(ButtonFile file, bool changed) {
    edit_ = std::make_unique<ButtonFileEdit>(kind_, std::move(file));
    changed_on_start_ = changed;
    const std::string& path = edit_->File().path;
    file_->setText(KindTitle() + " file: " + Utf8ToQString(path.empty() ? std::string("(none)") : path));
    picker_->SetMacroNames(edit_->File().macros);
    if (changed) Use();
    Refresh();
}

std::optional<size_t> ButtonEditor::Chosen() const {
    const int row = list_->currentRow();
    if (row < 0 || size_t(row) >= edit_->File().buttons.size()) return std::nullopt;
    return size_t(row);
}

void ButtonEditor::SelectButton(size_t index) {
    if (index < edit_->File().buttons.size()) list_->setCurrentRow(int(index));
}

void ButtonEditor::Refresh() {
    const ButtonFile& f = edit_->File();
    const int keep = list_->currentRow();
    {
        const QSignalBlocker block(list_);
        list_->clear();
        for (const Button& b : f.buttons) {
            const QString label = b.label.empty() ? QString("(no label)") : DisplayToQString(b.label);
            auto* item = new QListWidgetItem(
                label + " \u2014 " +
                DisplayToQString(EntryText(b.code, session_.keyboard->key_list, f.macros)));
            if (!b.icon.empty()) item->setIcon(ButtonIcon(b.icon));
            list_->addItem(item);
        }
        if (keep >= 0 && keep < list_->count())
            list_->setCurrentRow(keep);
        else if (list_->count() > 0)
            list_->setCurrentRow(list_->count() - 1);
    }
    if (columns_) {
        const QSignalBlocker c(columns_), r(rows_);
        columns_->setValue(f.columns);
        rows_->setValue(f.rows);
    }
    RebuildGrid();
    ShowButton();
}

void ButtonEditor::RebuildGrid() {
    if (!grid_layout_) return;
    while (QLayoutItem* item = grid_layout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const ButtonFile& f = edit_->File();
    const std::optional<size_t> chosen = Chosen();
    for (size_t i = 0; i < f.buttons.size(); ++i) {
        const Button& b = f.buttons[i];
        auto* button = new QToolButton;
        button->setText(ButtonLabelText(b.label));
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setFocusPolicy(Qt::NoFocus);  // the list is the keyboard's way to the buttons
        button->setCheckable(true);
        button->setChecked(chosen == i);
        QObject::connect(button, &QToolButton::clicked, this, [this, i] { SelectButton(i); });
        grid_layout_->addWidget(button, b.row, b.column, std::max<int>(b.height, 1),
                                std::max<int>(b.width, 1));
    }
}

void ButtonEditor::ShowButton() {
    const std::optional<size_t> at = Chosen();
    const ButtonFile& f = edit_->File();
    for (QWidget* w : std::initializer_list<QWidget*>{label_, icon_, column_, row_, width_, height_, picker_})
        if (w) w->setEnabled(at.has_value());
    QStringList lines;
    if (at) {
        const Button& b = f.buttons[*at];
        label_->setText(DisplayToQString(b.label));
        if (icon_) {
            const QSignalBlocker block(icon_);
            const int i = icon_->findData(QString::fromStdString(b.icon));
            icon_->setCurrentIndex(i >= 0 ? i : 0);
        }
        if (column_) {
            const QSignalBlocker c(column_), r(row_), w(width_), h(height_);
            column_->setValue(b.column);
            row_->setValue(b.row);
            width_->setValue(b.width);
            height_->setValue(b.height);
        }
        picker_->SetAssignment(AssignmentOf(b.code, f.macros));
        for (const std::string& c : edit_->Conflicts(*at)) lines << "Conflict: " + DisplayToQString(c);
    } else {
        label_->clear();
        lines << "There are no buttons: Add makes one.";
    }
    if (grid_layout_)
        for (int i = 0; i < grid_layout_->count(); ++i)
            if (auto* b = qobject_cast<QToolButton*>(grid_layout_->itemAt(i)->widget()))
                b->setChecked(at && size_t(i) == *at);
    if (!said_.isEmpty()) lines << said_;
    notes_->setText(lines.join('\n'));
}

void ButtonEditor::Say(const QString& text, bool error) {
    said_ = text;
    if (error) QApplication::beep();
    ShowButton();
}

QString ButtonEditor::Notes() const {
    return notes_->text();
}

void ButtonEditor::Use() {
    UseButtonFile(session_, kind_, edit_->File());
}

void ButtonEditor::AddButton() {
    const size_t at = edit_->Add(Chosen(), kKeyNoFunction, "");
    Use();
    said_ = "A new button: choose its function, and its label if it is not to be the function's name.";
    Refresh();
    SelectButton(at);
    picker_->FocusSearch();
}

void ButtonEditor::RemoveButton() {
    const std::optional<size_t> at = Chosen();
    if (!at) return;
    edit_->Remove(*at);
    Use();
    said_.clear();
    Refresh();
}

void ButtonEditor::MoveButton(int step) {
    const std::optional<size_t> at = Chosen();
    if (!at) return;
    const size_t to = edit_->Move(*at, step);
    Use();
    Refresh();
    SelectButton(to);
}

bool ButtonEditor::AssignChosen() {
    const std::optional<size_t> at = Chosen();
    const std::optional<Assignment> a = picker_->Current();
    if (!at || !a) {
        Say(at ? "Choose a function, or type the character, text or macro first." : "Choose a button first.",
            true);
        return false;
    }
    std::string error;
    if (!edit_->SetCode(*at, *a, session_.keyboard->key_list, error)) {
        Say(DisplayToQString(error), true);
        return false;
    }
    const Button& b = edit_->File().buttons[*at];
    if (b.label.empty() && a->kind != AssignmentKind::Nothing)
        edit_->SetLabel(*at, EntryText(b.code, session_.keyboard->key_list, edit_->File().macros));
    Use();
    said_.clear();
    picker_->SetMacroNames(edit_->File().macros);
    Refresh();
    return true;
}

void ButtonEditor::SetLabel(const QString& label) {
    const std::optional<size_t> at = Chosen();
    if (!at) return;
    const std::optional<std::string> text = QStringToDisplay(label);
    if (!text) {
        Say("The label holds a character a button cannot show.", true);
        return;
    }
    edit_->SetLabel(*at, *text);
    Use();
    const int pos = label_->cursorPosition();
    Refresh();
    label_->setCursorPosition(pos);
}

bool ButtonEditor::Save() {
    const std::string& path = edit_->File().path;
    if (path.empty() || IsStandardKeyFileName(path, kind_) || !SameFolder(path, session_.folders.key_data))
        return AskSaveAs();
    return SaveAs(path);
}

bool ButtonEditor::AskSaveAs() {
    const std::string extension(KindExtension(kind_));
    FileDialogRequest request;
    request.purpose = FileDialogRequest::Purpose::Save;
    request.title = kind_ == KeyFileKind::Keypad ? "Save Keypad As" : "Save Tool Bar As";
    request.folder = session_.folders.key_data;
    const std::string stem = std::filesystem::path(session_.record.Text(field::SessionFile)).stem().string();
    request.file_name =
        (stem.empty() ? std::string(kind_ == KeyFileKind::Keypad ? "keypad" : "toolbar") : stem) + "." +
        extension;
    request.filters = {
        {kind_ == KeyFileKind::Keypad ? "Keypad files" : "Tool bar files", {"*." + extension}}};
    const std::optional<std::string> chosen = session_.ui.AskFileName(request);
    if (!chosen) return false;
    std::string path = *chosen;
    if (std::filesystem::path(path).extension().empty()) path += "." + extension;
    if (IsStandardKeyFileName(path, kind_)) {
        Say("The standard file stays as it is installed: choose another name.", true);
        return false;
    }
    return SaveAs(path);
}

bool ButtonEditor::SaveAs(std::string path) {
    ButtonFile file = edit_->File();
    file.path = path;
    if (!SaveKeyFileForSession(session_, kind_, path, ButtonFileBytes(kind_, file))) {
        Say("The file was not saved; it stays as it was.", true);
        return false;
    }
    const int row = list_->currentRow();
    original_ = SessionButtonFile(session_, kind_);
    StartEditing(original_, false);
    if (row >= 0) SelectButton(size_t(row));
    Say("Saved as " + Utf8ToQString(path) + ": the session uses it.");
    return true;
}

void ButtonEditor::Load() {
    FileDialogRequest request;
    request.title = kind_ == KeyFileKind::Keypad ? "Load a Keypad" : "Load a Tool Bar";
    request.folder = session_.folders.key_data;
    request.filters = {{kind_ == KeyFileKind::Keypad ? "Keypad files" : "Tool bar files",
                        {"*." + std::string(KindExtension(kind_))}}};
    const std::optional<std::string> chosen = session_.ui.AskFileName(request);
    if (!chosen) return;
    std::optional<ButtonFile> file = ReadButtonFile(session_.ui, kind_, *chosen);
    if (file) StartEditing(std::move(*file), true);
}

void ButtonEditor::ResetToStandard() {
    std::optional<ButtonFile> standard =
        ReadButtonFile(session_.ui, kind_, StandardKeyFilePath(session_.folders, kind_));
    if (!standard) return;
    standard->path = edit_->File().path;
    StartEditing(std::move(*standard), true);
    Say("The standard buttons are shown: Save keeps them in " + Utf8ToQString(edit_->File().path) + ".");
}

void ButtonEditor::reject() {
    if (edit_->Changed() || changed_on_start_) {
        const Answer answer =
            session_.ui.ShowMessage({windowTitle().toStdString(),
                                     "Save the changes to the " + KindTitle().toLower().toStdString() + "?",
                                     Buttons::YesNoCancel, Icon::Question});
        if (answer == Answer::Cancel) return;
        if (answer == Answer::Yes && !Save()) return;
        if (answer == Answer::No) UseButtonFile(session_, kind_, original_);
    }
    QDialog::reject();
}

}  // namespace orkan
