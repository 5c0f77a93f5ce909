#include "gui/editor_assignment_picker.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/qt_text.h"
#include "keyboard/key_functions.h"

namespace orkan {
namespace {

constexpr int kCodeRole = Qt::UserRole;

struct KindChoice {
    AssignmentKind kind;
    const char* text;
};
constexpr KindChoice kKinds[] = {
    {AssignmentKind::Function, "&Function"}, {AssignmentKind::Character, "C&haracter"},
    {AssignmentKind::Text, "Te&xt"},         {AssignmentKind::Macro, "Macr&o"},
    {AssignmentKind::Nothing, "&Nothing"},
};

QLabel* Note(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

}  // namespace

AssignmentPicker::AssignmentPicker(const KeyList& list, std::function<bool(uint16_t)> offered,
                                   QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* kinds_row = new QHBoxLayout;
    kinds_ = new QButtonGroup(this);
    for (const KindChoice& k : kKinds) {
        auto* radio = new QRadioButton(k.text);
        radio->setAccessibleName(QString(k.text).remove('&'));
        kinds_->addButton(radio, int(k.kind));
        kinds_row->addWidget(radio);
    }
    kinds_row->addStretch();
    layout->addLayout(kinds_row);

    // The search stays in view whatever is chosen: typing in it chooses a function.
    search_ = new QLineEdit;
    search_->setPlaceholderText("Type part of a function's name or description");
    search_->setAccessibleName("Search functions");
    search_->setClearButtonEnabled(true);
    auto* search_label = new QLabel("&Search:");
    search_label->setBuddy(search_);
    auto* search_row = new QHBoxLayout;
    search_row->addWidget(search_label);
    search_row->addWidget(search_);
    layout->addLayout(search_row);

    pages_ = new QStackedWidget;
    // Function: the list of key.lst with its descriptions, narrowed by the search.
    auto* function_page = new QWidget;
    auto* fl = new QVBoxLayout(function_page);
    fl->setContentsMargins(0, 0, 0, 0);
    functions_ = new QTreeWidget;
    functions_->setAccessibleName("Key functions");
    functions_->setColumnCount(2);
    functions_->setHeaderLabels({"Function", "Description"});
    functions_->setRootIsDecorated(false);
    functions_->setUniformRowHeights(true);
    functions_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    for (KeyCategory c : {KeyCategory::Action, KeyCategory::Edit, KeyCategory::Oper}) {
        for (const KeyFunction& f : list.Functions(c)) {
            const uint16_t code = MakeKeyCode(c, f.number);
            if (IsFunction(code, KeyCategory::Edit, edit_fn::NoFunction) || (offered && !offered(code)))
                continue;
            auto* item = new QTreeWidgetItem({DisplayToQString(f.name), DisplayToQString(f.description)});
            item->setData(0, kCodeRole, code);
            item->setToolTip(1, DisplayToQString(f.description));
            functions_->addTopLevelItem(item);
        }
    }
    fl->addWidget(functions_, 1);
    pages_->addWidget(function_page);

    // `field` is what the page shows (a line, or a box with a list), `edit` the line typed into.
    auto line_page = [this](QWidget* field, QLineEdit* edit, const QString& label_text, const QString& note) {
        auto* page = new QWidget;
        auto* pl = new QVBoxLayout(page);
        pl->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(label_text);
        label->setBuddy(field);
        field->setAccessibleName(QString(label_text).remove('&').remove(':'));
        pl->addWidget(label);
        pl->addWidget(field);
        pl->addWidget(Note(note));
        pl->addStretch();
        pages_->addWidget(page);
        QObject::connect(edit, &QLineEdit::returnPressed, this, [this] {
            if (on_assign) on_assign();
        });
    };
    character_ = new QLineEdit;
    character_->setMaxLength(1);
    line_page(character_, character_,
              "&Character:", "The key types this character, whatever the country keyboard says.");
    text_ = new QLineEdit;
    line_page(text_, text_, "&Text to type:", "The key types this text, as the macro statement Type does.");
    macro_ = new QComboBox;
    macro_->setEditable(true);
    line_page(macro_, macro_->lineEdit(), "&Macro:",
              "A macro file of the macros folder (\"logon\" runs logon.mac), or a macro statement such as "
              "Key(\"PF3\").");
    auto* nothing_page = new QWidget;
    auto* nl = new QVBoxLayout(nothing_page);
    nl->setContentsMargins(0, 0, 0, 0);
    nl->addWidget(Note("Nothing happens."));
    nl->addStretch();
    pages_->addWidget(nothing_page);
    layout->addWidget(pages_, 1);

    assign_ = new QPushButton("Assi&gn");
    assign_->setAccessibleName("Assign");
    assign_->setAutoDefault(false);
    auto* assign_row = new QHBoxLayout;
    assign_row->addStretch();
    assign_row->addWidget(assign_);
    layout->addLayout(assign_row);

    QObject::connect(kinds_, &QButtonGroup::idClicked, this, [this](int id) { KindChosen(id); });
    QObject::connect(search_, &QLineEdit::textEdited, this, [this](const QString& t) { Search(t); });
    QObject::connect(search_, &QLineEdit::returnPressed, this, [this] {
        // Enter in the search field takes the first function shown, so typing a name and Enter assigns it.
        kinds_->button(int(AssignmentKind::Function))->setChecked(true);
        KindChosen(int(AssignmentKind::Function));
        if (!functions_->currentItem() || functions_->currentItem()->isHidden()) {
            for (int i = 0; i < functions_->topLevelItemCount(); ++i)
                if (!functions_->topLevelItem(i)->isHidden()) {
                    functions_->setCurrentItem(functions_->topLevelItem(i));
                    break;
                }
        }
        if (functions_->currentItem() && !functions_->currentItem()->isHidden() && on_assign) on_assign();
    });
    QObject::connect(functions_, &QTreeWidget::itemActivated, this, [this] {
        if (on_assign) on_assign();
    });
    QObject::connect(assign_, &QPushButton::clicked, this, [this] {
        if (on_assign) on_assign();
    });
    SetAssignment({});
}

void AssignmentPicker::KindChosen(int kind) {
    int page = 0;
    for (const KindChoice& k : kKinds) {
        if (int(k.kind) == kind) break;
        ++page;
    }
    pages_->setCurrentIndex(page);
}

void AssignmentPicker::SetAssignment(const Assignment& a) {
    kinds_->button(int(a.kind))->setChecked(true);
    KindChosen(int(a.kind));
    character_->setText(a.kind == AssignmentKind::Character
                            ? DisplayToQString(std::string(1, char(a.character)))
                            : QString());
    text_->setText(a.kind == AssignmentKind::Text ? DisplayToQString(a.text) : QString());
    macro_->setCurrentText(a.kind == AssignmentKind::Macro ? DisplayToQString(a.text) : QString());
    if (a.kind != AssignmentKind::Function) return;
    for (int i = 0; i < functions_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = functions_->topLevelItem(i);
        if (item->data(0, kCodeRole).toUInt() == a.function) {
            functions_->setCurrentItem(item);
            functions_->scrollToItem(item);
            return;
        }
    }
}

std::optional<Assignment> AssignmentPicker::Current() const {
    Assignment a;
    a.kind = AssignmentKind(kinds_->checkedId());
    switch (a.kind) {
        case AssignmentKind::Nothing:
            return a;
        case AssignmentKind::Function: {
            const QTreeWidgetItem* item = functions_->currentItem();
            if (!item || item->isHidden()) return std::nullopt;
            a.function = uint16_t(item->data(0, kCodeRole).toUInt());
            return a;
        }
        case AssignmentKind::Character: {
            const std::optional<std::string> c = QStringToDisplay(character_->text());
            if (!c || c->size() != 1) return std::nullopt;
            a.character = uint8_t((*c)[0]);
            return a;
        }
        case AssignmentKind::Text:
        case AssignmentKind::Macro: {
            const std::optional<std::string> t =
                QStringToDisplay(a.kind == AssignmentKind::Text ? text_->text() : macro_->currentText());
            if (!t) return std::nullopt;
            a.text = *t;
            return a;
        }
    }
    return std::nullopt;
}

void AssignmentPicker::SetMacroNames(const MacroList& macros) {
    const QString current = macro_->currentText();
    macro_->clear();
    for (size_t i = 0; i < macros.Count(); ++i)
        if (!TypedText(*macros.Name(i))) macro_->addItem(DisplayToQString(*macros.Name(i)));
    macro_->setCurrentText(current);
}

void AssignmentPicker::Search(const QString& text) {
    kinds_->button(int(AssignmentKind::Function))->setChecked(true);
    KindChosen(int(AssignmentKind::Function));
    if (search_->text() != text) search_->setText(text);
    const QString wanted = text.trimmed();
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < functions_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = functions_->topLevelItem(i);
        const bool shown = wanted.isEmpty() || item->text(0).contains(wanted, Qt::CaseInsensitive) ||
                           item->text(1).contains(wanted, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (!shown) continue;
        if (!first) first = item;
        // A name typed whole is the one meant, wherever it stands in the list.
        if (item->text(0).compare(wanted, Qt::CaseInsensitive) == 0) first = item;
    }
    if (first && (!functions_->currentItem() || functions_->currentItem()->isHidden() ||
                  first->text(0).compare(wanted, Qt::CaseInsensitive) == 0))
        functions_->setCurrentItem(first);
}

void AssignmentPicker::FocusSearch() {
    kinds_->button(int(AssignmentKind::Function))->setChecked(true);
    KindChosen(int(AssignmentKind::Function));
    search_->setFocus();
    search_->selectAll();
}

}  // namespace orkan
