#include "gui/keyboard_editor.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "ds3270/inbound.h"
#include "gui/dialog_fit.h"
#include "gui/editor_accessibility.h"
#include "gui/editor_assignment_picker.h"
#include "gui/key_editor_files.h"
#include "gui/keyboard_editor_keys.h"
#include "gui/qt_text.h"
#include "keyboard/key_functions.h"
#include "keyboard/key_numbers.h"
#include "keyboard/keyboard.h"
#include "keyboard/linux_keymap.h"
#include "session/session.h"

namespace orkan {
namespace {

constexpr uint8_t kFirstExtraAction = 31;  // PA4 on: keys whose AID is a setting

// What the caps of keys without characters say.
constexpr std::pair<std::string_view, const char*> kCapNames[] = {
    {"PrintScreen", "PrtSc"}, {"ScrollLock", "ScrLk"}, {"Backspace", "Back"},    {"Insert", "Ins"},
    {"PageUp", "PgUp"},       {"PageDown", "PgDn"},    {"Delete", "Del"},        {"NumLock", "Num"},
    {"KeypadSlash", "/"},     {"KeypadAsterisk", "*"}, {"KeypadMinus", "-"},     {"KeypadPlus", "+"},
    {"CapsLock", "Caps"},     {"LeftShift", "Shift"},  {"RightShift", "Shift"},  {"LeftCtrl", "Ctrl"},
    {"RightCtrl", "Ctrl"},    {"LeftAlt", "Alt"},      {"RightAlt", "Alt Gr"},   {"LeftWindows", "Win"},
    {"RightWindows", "Win"},  {"Space", ""},           {"Up", "\u2191"},         {"Down", "\u2193"},
    {"Left", "\u2190"},       {"Right", "\u2192"},     {"KeypadEnter", "Enter"}, {"KeypadPeriod", "."},
    {"KeypadNumPeriod", "."}, {"Keypad7", "7"},        {"Keypad8", "8"},         {"Keypad9", "9"},
    {"Keypad4", "4"},         {"Keypad5", "5"},        {"Keypad6", "6"},         {"Keypad1", "1"},
    {"Keypad2", "2"},         {"Keypad3", "3"},        {"Keypad0", "0"},         {"KeypadNum7", "7"},
    {"KeypadNum8", "8"},      {"KeypadNum9", "9"},     {"KeypadNum4", "4"},      {"KeypadNum5", "5"},
    {"KeypadNum6", "6"},      {"KeypadNum1", "1"},     {"KeypadNum2", "2"},      {"KeypadNum3", "3"},
    {"KeypadNum0", "0"},
};

QString KeyName(size_t key) {
    const std::string_view name = KeyNumberName(key);
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

QString CapName(size_t key) {
    const std::string_view name = KeyNumberName(key);
    for (const auto& [n, cap] : kCapNames)
        if (n == name) return QString::fromUtf8(cap);
    return KeyName(key);
}

QString EntryLabel(int modifier, bool on_release) {
    if (on_release) return "Released alone";
    return QString::fromLatin1(kModifierNames[size_t(modifier)].data());
}

bool SameFolder(const std::string& path, const std::string& folder) {
    namespace fs = std::filesystem;
    return !folder.empty() &&
           fs::path(path).lexically_normal().parent_path() == fs::path(folder).lexically_normal();
}

}  // namespace

KeyboardEditor::KeyboardEditor(Session& session, std::function<void(const QString&)> help, QWidget* parent)
    : QDialog(parent), session_(session), help_(std::move(help)), original_(session.keyboard->key_map) {
    setWindowTitle("Keyboard Edit");
    setObjectName("OrkanKeyboardEditor");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    file_ = new QLabel;
    file_->setAccessibleName("Key map file");
    layout->addWidget(file_);

    keys_ = new DrawnKeyboard;
    bool iso = false;
    for (const KeyLayoutRecord& r : session.charset.key_layout) {
        if (r.key == kListEnd) break;
        iso = iso || r.key == KeyNumberNamed("Iso102");
    }
    keys_->SetShape(iso);
    keys_->key_number = [this](QKeyEvent* e) -> std::optional<uint8_t> {
        DesktopKeyEvent d;
        d.keycode = e->nativeScanCode();
        d.keysym = e->nativeVirtualKey();
        const std::optional<KeyEvent> mapped = MapDesktopKey(d, num_lock_->isChecked());
        if (!mapped) return std::nullopt;
        return KeyNumberForEvent(session_, mapped->virtual_key, mapped->key_data);
    };
    keys_->on_selected = [this](uint8_t key) { SelectKey(key); };
    keys_->on_wait_ended = [this] { press_->setText("&Press a key"); };
    keys_->SetLooks([this](uint8_t key) {
        DrawnKeyboard::Look look;
        const auto [plain, shifted] = edit_->LayoutCharacters(key);
        if (plain && shifted && shifted != plain) {
            const bool letter = std::toupper(plain) == shifted && std::isalpha(plain);
            look.cap = letter ? DisplayToQString(std::string(1, char(shifted)))
                              : DisplayToQString(std::string{char(shifted), '\n', char(plain)});
        } else if (plain) {
            look.cap = DisplayToQString(std::string(1, char(plain)));
        } else {
            look.cap = CapName(key);
        }
        const int first = edit_->Modifiers(key).front();
        const uint16_t code = edit_->Map().Code(key, size_t(first));
        if (CategoryOf(code) != KeyCategory::Char && !edit_->Unassigned(key))
            look.function =
                DisplayToQString(EntryText(code, session_.keyboard->key_list, edit_->Map().macros));
        look.unassigned = edit_->Unassigned(key);
        look.conflict = !edit_->Conflicts(key).empty();
        return look;
    });
    layout->addWidget(keys_);
    auto* legend = new QLabel(
        "Grey keys run nothing; a red frame marks a conflict (see the notes). "
        "Arrow keys move between the keys.");
    legend->setWordWrap(true);
    layout->addWidget(legend);

    auto* key_row = new QHBoxLayout;
    key_list_ = new QComboBox;
    key_list_->setAccessibleName("Key");
    auto* key_label = new QLabel("&Key:");
    key_label->setBuddy(key_list_);
    press_ = new QPushButton("&Press a key");
    press_->setAccessibleName("Press a key to choose it");
    press_->setAutoDefault(false);
    num_lock_ = new QCheckBox("N&um Lock on");
    num_lock_->setToolTip("The keypad's keys as they are with Num Lock on");
    on_release_ = new QCheckBox("Runs when &released alone");
    on_release_->setToolTip("The key runs one function when it is released without another key");
    key_row->addWidget(key_label);
    key_row->addWidget(key_list_, 1);
    key_row->addWidget(press_);
    key_row->addWidget(num_lock_);
    key_row->addWidget(on_release_);
    layout->addLayout(key_row);

    auto* middle = new QHBoxLayout;
    entries_ = new QTreeWidget;
    entries_->setAccessibleName("Entries of the key");
    entries_->setColumnCount(2);
    entries_->setHeaderLabels({"With", "Runs"});
    entries_->setRootIsDecorated(false);
    entries_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto* left = new QVBoxLayout;
    left->addWidget(entries_, 1);
    notes_ = new QLabel;
    notes_->setAccessibleName("Notes");
    notes_->setWordWrap(true);
    notes_->setTextFormat(Qt::PlainText);
    notes_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    notes_->setMinimumHeight(notes_->fontMetrics().height() * 4);
    notes_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    left->addWidget(notes_);
    middle->addLayout(left, 2);
    const Session& s = session_;
    picker_ = new AssignmentPicker(session.keyboard->key_list, [&s](uint16_t code) {
        return CategoryOf(code) != KeyCategory::Action || NumberOf(code) < kFirstExtraAction ||
               AidForAction(s, NumberOf(code)).has_value();
    });
    picker_->on_assign = [this] { AssignChosen(); };
    middle->addWidget(picker_, 3);
    layout->addLayout(middle, 1);

    auto* preset_row = new QHBoxLayout;
    presets_ = new QComboBox;
    presets_->setAccessibleName("Preset");
    for (const KeyMapPreset& p : KeyMapPresets())
        presets_->addItem(QString::fromLatin1(p.name.data(), qsizetype(p.name.size())));
    auto* preset_label = new QLabel("Pr&eset:");
    preset_label->setBuddy(presets_);
    auto* apply_preset = new QPushButton("Appl&y preset");
    apply_preset->setAutoDefault(false);
    preset_row->addWidget(preset_label);
    preset_row->addWidget(presets_, 1);
    preset_row->addWidget(apply_preset);
    layout->addLayout(preset_row);

    auto* buttons = new QDialogButtonBox;
    auto* load = buttons->addButton("&Load...", QDialogButtonBox::ActionRole);
    auto* save = buttons->addButton("Sa&ve", QDialogButtonBox::ActionRole);
    auto* save_as = buttons->addButton("Save &As...", QDialogButtonBox::ActionRole);
    auto* reset = buttons->addButton("Reset to Standar&d", QDialogButtonBox::ResetRole);
    buttons->addButton(QDialogButtonBox::Help);
    buttons->addButton(QDialogButtonBox::Close);
    for (QAbstractButton* b : buttons->buttons()) {
        b->setAccessibleName(b->text().remove('&').remove("..."));
        if (auto* push = qobject_cast<QPushButton*>(b)) push->setAutoDefault(false);
    }
    layout->addWidget(buttons);

    QObject::connect(key_list_, &QComboBox::activated, this,
                     [this](int i) { SelectKey(uint8_t(key_list_->itemData(i).toUInt())); });
    // On the press, not the click: a mnemonic's click comes a moment later, and the key pressed
    // meanwhile is the one meant.
    QObject::connect(press_, &QPushButton::pressed, this, [this] {
        press_->setText("Press the key now...");
        keys_->WaitForKey();
    });
    QObject::connect(num_lock_, &QCheckBox::toggled, this, [this](bool on) {
        keys_->SetNumLock(on);
        const auto base_or_alternate = [on](uint8_t key) -> uint8_t {
            for (uint8_t k = 0; k < kOldKeys; ++k)
                if (const auto alt = NumLockAlternate(k)) {
                    if (on && key == k) return *alt;
                    if (!on && key == *alt) return k;
                }
            return key;
        };
        SelectKey(base_or_alternate(key_));
    });
    QObject::connect(on_release_, &QCheckBox::clicked, this, [this](bool on) {
        if (!edit_) return;
        KeyMapEdit& e = *edit_;
        e.SetRunsOnRelease(key_, on);
        modifier_ = on ? 1 : 0;
        Use();
        Refresh();
    });
    QObject::connect(entries_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item) return;
        modifier_ = item->data(0, Qt::UserRole).toInt();
        ShowEntry();
    });
    QObject::connect(entries_, &QTreeWidget::itemActivated, this, [this] { picker_->FocusSearch(); });
    QObject::connect(apply_preset, &QPushButton::clicked, this,
                     [this] { ApplyPreset(size_t(presets_->currentIndex())); });
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

    StartEditing(StoredKeyMap(session.keyboard->key_map), false);
    SelectKey(KeyNumberNamed("Enter"));
    NameUnnamedControls(*this);
    FitDialogToScreen(*this);
}

KeyboardEditor::~KeyboardEditor() = default;

void KeyboardEditor::StartEditing(KeyMap map, bool changed) {
    edit_ = std::make_unique<KeyMapEdit>(session_.keyboard->key_list, std::move(map),
                                         session_.charset.key_layout);
    key_list_->clear();
    for (const KeyPosition& p : kKeyPositions)
        if (p.number < edit_->Map().key_count)
            key_list_->addItem(QString("%1 (%2)").arg(KeyName(p.number)).arg(p.number), p.number);
    picker_->SetMacroNames(edit_->Map().macros);
    const std::string& path = edit_->Map().path;
    file_->setText("Key map file: " + Utf8ToQString(path.empty() ? std::string("(none)") : path));
    // A map loaded or reset is a change of the session's map: Save keeps it, closing asks.
    changed_on_start_ = changed;
    if (changed) Use();
    Refresh();
}

void KeyboardEditor::SelectKey(uint8_t key) {
    key_ = key;
    if (keys_->Selected() != key) keys_->Select(key);
    const std::vector<int> modifiers = edit_->Modifiers(key);
    if (std::find(modifiers.begin(), modifiers.end(), modifier_) == modifiers.end())
        modifier_ = modifiers.front();
    Refresh();
}

void KeyboardEditor::SelectEntry(int modifier) {
    modifier_ = modifier;
    Refresh();
}

void KeyboardEditor::Refresh() {
    const KeyMap& map = edit_->Map();
    const bool release = edit_->RunsOnRelease(key_);
    on_release_->setChecked(release);
    on_release_->setEnabled(key_ < map.key_count && !IsModifierKey(key_));
    const int index = key_list_->findData(key_);
    if (index >= 0) key_list_->setCurrentIndex(index);

    const QSignalBlocker block(entries_);
    entries_->clear();
    QTreeWidgetItem* current = nullptr;
    for (int m : edit_->Modifiers(key_)) {
        auto* item = new QTreeWidgetItem(
            {EntryLabel(m, release), DisplayToQString(EntryText(map.Code(key_, size_t(m)),
                                                                session_.keyboard->key_list, map.macros))});
        item->setData(0, Qt::UserRole, m);
        entries_->addTopLevelItem(item);
        if (m == modifier_) current = item;
    }
    if (!current) {
        current = entries_->topLevelItem(0);
        modifier_ = current->data(0, Qt::UserRole).toInt();
    }
    entries_->setCurrentItem(current);
    keys_->update();
    ShowEntry();
}

void KeyboardEditor::ShowEntry() {
    const KeyMap& map = edit_->Map();
    picker_->SetAssignment(AssignmentOf(map.Code(key_, size_t(modifier_)), map.macros));
    QStringList lines;
    if (key_ >= map.key_count)
        lines << "This key map is of the older format: it has no entries for this key.";
    for (const std::string& c : edit_->Conflicts(key_)) lines << "Conflict: " + DisplayToQString(c);
    const std::vector<std::string> same = edit_->SameFunctionElsewhere(key_, modifier_);
    if (!same.empty()) {
        QStringList names;
        for (const std::string& n : same) names << DisplayToQString(n);
        lines << "Also on: " + names.join(", ");
    }
    // Alt with a letter is the menus' while the option is on; the other Alt keys reach the map.
    const std::string_view name = KeyNumberName(key_);
    const bool letter = name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z';
    if (modifier_ == 3 && session_.record.Flag(field::UseAltForMenu) && letter)
        lines << "With \"Alt keys open the menus\" on, only AltGr (Ctrl+Alt) reaches this entry.";
    if (!said_.isEmpty()) lines << said_;
    notes_->setText(lines.join('\n'));
}

void KeyboardEditor::Say(const QString& text, bool error) {
    said_ = text;
    if (error) QApplication::beep();
    ShowEntry();
}

QString KeyboardEditor::Notes() const {
    return notes_->text();
}

bool KeyboardEditor::AssignChosen() {
    const std::optional<Assignment> a = picker_->Current();
    if (!a) {
        Say("Choose a function, or type the character, text or macro first.", true);
        return false;
    }
    std::string error;
    const std::optional<std::string> told = edit_->Assign(key_, modifier_, *a, error);
    if (!told) {
        Say(DisplayToQString(error), true);
        return false;
    }
    if (edit_->RunsOnRelease(key_)) modifier_ = 1;
    Use();
    said_ = DisplayToQString(*told);
    picker_->SetMacroNames(edit_->Map().macros);
    Refresh();
    return true;
}

bool KeyboardEditor::ApplyPreset(size_t index) {
    const std::span<const KeyMapPreset> presets = KeyMapPresets();
    if (index >= presets.size()) return false;
    std::string error;
    if (!edit_->ApplyPreset(presets[index], error)) {
        Say(DisplayToQString(error), true);
        return false;
    }
    Use();
    said_ =
        "Applied: " + QString::fromLatin1(presets[index].name.data(), qsizetype(presets[index].name.size())) +
        ".";
    Refresh();
    return true;
}

void KeyboardEditor::Use() {
    UseKeyMap(session_, edit_->Map());
    keys_->update();
}

bool KeyboardEditor::Save() {
    const std::string& path = edit_->Map().path;
    // The standard map stays as installed, and files elsewhere (another user's, the installation's)
    // are copied rather than written.
    if (path.empty() || IsStandardKeyFileName(path, KeyFileKind::Keytable) ||
        !SameFolder(path, session_.folders.key_data))
        return AskSaveAs();
    return SaveAs(path);
}

bool KeyboardEditor::AskSaveAs() {
    FileDialogRequest request;
    request.purpose = FileDialogRequest::Purpose::Save;
    request.title = "Save Key Map As";
    request.folder = session_.folders.key_data;
    std::string proposal = std::filesystem::path(session_.record.Text(field::SessionFile)).stem().string();
    request.file_name = (proposal.empty() ? std::string("keyboard") : proposal) + ".key";
    request.filters = {{"Key map files", {"*.key"}}};
    const std::optional<std::string> chosen = session_.ui.AskFileName(request);
    if (!chosen) return false;
    std::string path = *chosen;
    if (std::filesystem::path(path).extension().empty()) path += ".key";
    if (IsStandardKeyFileName(path, KeyFileKind::Keytable)) {
        Say("The standard key map stays as it is installed: choose another name.", true);
        return false;
    }
    return SaveAs(path);
}

bool KeyboardEditor::SaveAs(std::string path) {
    KeyMap map = edit_->Map();
    map.path = path;
    if (!SaveKeyFileForSession(session_, KeyFileKind::Keytable, path, KeyTableBytes(map))) {
        Say("The key map was not saved; the file stays as it was.", true);
        return false;
    }
    original_ = session_.keyboard->key_map;
    StartEditing(StoredKeyMap(original_), false);
    said_ = "Saved as " + Utf8ToQString(path) + ": the session uses it.";
    Refresh();
    return true;
}

void KeyboardEditor::Load() {
    FileDialogRequest request;
    request.title = "Load a Key Map";
    request.folder = session_.folders.key_data;
    request.filters = {{"Key map files", {"*.key"}}};
    const std::optional<std::string> chosen = session_.ui.AskFileName(request);
    if (!chosen) return;
    std::optional<KeyMap> map = ReadKeyMapFile(session_.ui, *chosen, session_.settings.AdditionalKeys != 0);
    if (!map) return;
    StartEditing(std::move(*map), true);
}

void KeyboardEditor::ResetToStandard() {
    std::optional<KeyMap> standard =
        ReadKeyMapFile(session_.ui, StandardKeyFilePath(session_.folders, KeyFileKind::Keytable),
                       session_.settings.AdditionalKeys != 0);
    if (!standard) return;
    // The standard entries, kept in the file being edited.
    standard->path = edit_->Map().path;
    StartEditing(std::move(*standard), true);
    said_ = "The standard key map is shown: Save keeps it in " + Utf8ToQString(edit_->Map().path) + ".";
    Refresh();
}

void KeyboardEditor::reject() {
    if (keys_->WaitingForKey()) return;
    if (edit_->Changed() || changed_on_start_) {
        const Answer answer = session_.ui.ShowMessage(
            {"Keyboard Edit", "Save the changes to the key map?", Buttons::YesNoCancel, Icon::Question});
        if (answer == Answer::Cancel) return;
        if (answer == Answer::Yes && !Save()) return;
        if (answer == Answer::No) UseKeyMap(session_, StoredKeyMap(original_));
    }
    QDialog::reject();
}

}  // namespace orkan
