#include "gui/options_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "display/palette.h"
#include "gui/dialog_fit.h"
#include "gui/print_page_setup.h"
#include "gui/qt_text.h"
#include "options/option_table.h"
#include "options/options_by_name.h"

namespace orkan {

namespace {

namespace P = options_page;

constexpr std::string_view kCursorSizes =
    "1 pixel|2 pixels|3 pixels|1/8 of the cell|1/4 of the cell|1/2 of the cell|Whole cell";

// clang-format off
constexpr OptionRow kRows[] = {
    {P::Connection, &field::ConnectionTimeout, "Connection time-out (seconds, 0: none)", ""},
    {P::Connection, &field::AutoReconnect, "Reconnect when the host closes the session", ""},
    {P::Connection, &field::AskBeforeClosing, "Ask before closing the session", ""},
    {P::Connection, &field::ShowWindowOnUpdate, "Bring the window forward on host updates", ""},
    {P::Connection, &field::Alarm, "Sound the host's alarm", ""},
    {P::Connection, &field::UpdateNotification, "Sound on host updates", ""},
    {P::Display, &field::NormalCursor, "Cursor shape", "Horizontal bar|Vertical bar"},
    {P::Display, &field::NormalCursorSize, "Cursor size", kCursorSizes},
    {P::Display, &field::NormalCursorBlink, "Cursor blink", "Steady|Slow|Fast"},
    {P::Display, &field::InsertCursor, "Insert cursor shape", "Horizontal bar|Vertical bar"},
    {P::Display, &field::InsertCursorSize, "Insert cursor size", kCursorSizes},
    {P::Display, &field::InsertCursorBlink, "Insert cursor blink", "Steady|Slow|Fast"},
    {P::Display, &field::CursorColor, "Cursor colour",
     "Inverted|Colour of the cell|Colour of the field|White behind black text|Black behind white text|Cursor colour role"},
    {P::Display, &field::Ruler, "Rulers", "None|Horizontal|Vertical|Crosshairs"},
    {P::Display, &field::LocateCursor, "Flash a frame when locating the cursor", ""},
    {P::Display, &field::BlinkingText, "Blinking text", "Blinks|Steady|Steady"},
    {P::Display, &field::AllUpperCase, "Show all letters upper-case", ""},
    {P::Display, &field::RowColOnStatusLine, "Position at the right end of the status line", ""},
    {P::Display, &field::ModifyColInIspfEdit, "ISPF data column in the status line", ""},
    {P::Display, &field::ScreenBuffers, "Screens kept in the history", ""},
    {P::Font, &field::BorderSize, "Border (pixels)", ""},
    {P::Font, &field::SizeWindowToFont, "Size the window to the font", ""},
    {P::Font, &field::KeepFontConstantOnModeSwitch, "Keep the font when the screen size changes", ""},
    {P::Font, &field::CellWidth, "Fixed cell width (0: fit the window)", ""},
    {P::Font, &field::CellHeight, "Fixed cell height (0: fit the window)", ""},
    {P::CutPaste, &field::Paste, "Paste", "Overlay|Insert|Insert in insert mode|One line per field"},
    {P::CutPaste, &field::CutDelete, "Cut leaves", "Nulls|Blanks"},
    {P::CutPaste, &field::EnableAutoCutCopy, "Copy when the mouse button is released (Cut with Ctrl)", ""},
    {P::CutPaste, &field::EnableDragAndDrop, "Drag and drop selected text", ""},
    {P::CutPaste, &field::MouseMoveBeforeSelection, "Cells the mouse moves before a selection starts", ""},
    {P::CutPaste, &field::NumberOfCopyBuffers, "Copy buffers", ""},
    {P::CutPaste, &field::MoveCursorToEndOnPaste, "Cursor after the pasted text", ""},
    {P::Transfer, &field::DownProgram, "Receive program", ""},
    {P::Transfer, &field::DownAdditionalParameters, "Receive parameters", ""},
    {P::Transfer, &field::UpProgram, "Send program", ""},
    {P::Transfer, &field::UpAdditionalParameters, "Send parameters", ""},
    {P::Transfer, &field::TransferBlockSize, "DFT block size (256 to 25000 bytes)", ""},
    {P::Transfer, &field::DftMode, "Offer DFT mode to the host", ""},
    {P::Keyboard, &field::KeyboardFile, "Keyboard map file", ""},
    {P::Keyboard, &field::ToolbarFile, "Tool bar file", ""},
    {P::Keyboard, &field::KeypadFile, "Keypad file", ""},
    {P::Keyboard, &field::TypeAhead, "Type ahead while the keyboard is locked", ""},
    {P::Keyboard, &field::KeyClickOnError, "Click on a key error", ""},
    {P::Keyboard, &field::AutoKeyboardUnlock, "Unlock the keyboard after an input error", ""},
    {P::Keyboard, &field::ResetInsertOnActionKey, "Attention keys end insert mode", ""},
    {P::Keyboard, &field::ToggleInsertKey, "Insert key toggles", ""},
    {P::Keyboard, &field::ToggleShiftCaps, "Shift reverses Caps Lock", ""},
    {P::Keyboard, &field::UseAltForMenu, "Alt keys open the menus", ""},
    {P::Keyboard, &field::EnableAutoskip, "Skip to the next field at the end of a field", ""},
    {P::Keyboard, &field::SkipAtEndOfField, "Skip at the end of a field", ""},
    {P::Keyboard, &field::NumericFieldLock, "Numeric field lock", ""},
    {P::Keyboard, &field::PrefixInputWithSpaces, "Prefix input with spaces", ""},
    {P::Keyboard, &field::ConvertNullsToBlanks, "Convert nulls to blanks", ""},
    {P::Keyboard, &field::NotifyUserOnInsertError, "Tell about insert errors", ""},
    {P::Keyboard, &field::NormalCursorBackspace, "Backspace", "Moves left|Deletes|Blanks"},
    {P::Keyboard, &field::InsertCursorBackspace, "Backspace in insert mode", "Moves left|Deletes|Blanks"},
    {P::Window, &field::WindowTitle, "Window title", ""},
    {P::Window, &field::StatusLine, "Status line text", ""},
    {P::Window, &field::BorderText, "Border text", ""},
};
// clang-format on

constexpr std::array<std::string_view, options_page::Count> kPageNames = {
    "Connection", "Display", "Font", "Colors", "Cut/Paste", "Page Setup", "Transfer", "Keyboard", "Window"};

constexpr std::array<std::string_view, 27> kRoleNames = {
    "Host default",     "Host blue",
    "Host red",         "Host pink",
    "Host green",       "Host turquoise",
    "Host yellow",      "Host white",
    "Host black",       "Host deep blue",
    "Host orange",      "Host purple",
    "Host pale green",  "Host pale turquoise",
    "Host grey",        "Host bright white",
    "Unprotected",      "Unprotected intensified",
    "Protected",        "Protected intensified",
    "Default text",     "Status line",
    "Horizontal ruler", "Vertical ruler",
    "Border text",      "Cursor",
    "Find marks",
};

QStringList Split(std::string_view items) {
    return QString::fromUtf8(items.data(), qsizetype(items.size())).split('|');
}

// Decimal digits (blanks around them aside) as a number; nothing for any other text.
std::optional<int64_t> TypedNumber(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty()) return std::nullopt;
    for (const QChar c : digits)
        if (c < '0' || c > '9') return std::nullopt;
    bool fits = false;
    const qlonglong n = digits.toLongLong(&fits);
    if (!fits) return std::nullopt;
    return int64_t(n);
}

QColor ToQColor(Rgb rgb) {
    return QColor(int(rgb >> 16) & 0xFF, int(rgb >> 8) & 0xFF, int(rgb) & 0xFF);
}

void Swatch(QPushButton* button, Rgb rgb) {
    // The button's number in white on a dark colour: black on black could not be read.
    const QColor colour = ToQColor(rgb);
    const bool dark = qGray(colour.rgb()) < 128;
    button->setStyleSheet(
        QString("background-color: %1; color: %2;").arg(colour.name(), dark ? "white" : "black"));
}

}  // namespace

std::span<const OptionRow> OptionRows() {
    return kRows;
}

OptionsDialog::OptionsDialog(Ui& ui, const SessionRecord& record, int page, const CountryLists& countries,
                             OptionsPagesAvailable available, const FontLimits& font_limits, QWidget* parent)
    : QDialog(parent), ui_(ui), record_(record), countries_(countries), font_limits_(font_limits) {
    setWindowTitle("Options");
    tabs_ = new QTabWidget;
    tabs_->setAccessibleName("Option pages");
    for (int number = 1; number <= options_page::Count; ++number) {
        QWidget* w = nullptr;
        if (number == P::Colours) {
            w = MakeColourPage();
        } else if (number == P::Font) {
            w = MakeFontPage();
        } else if (number == P::PageSetup && available.page_setup) {
            PageSetupPage setup = MakePageSetupPage(record_, ui_);
            w = setup.page;
            takers_.push_back(std::move(setup.take));
        } else {
            w = MakeTablePage(number);
        }
        if (number == P::Connection || number == P::Keyboard || number == P::Transfer)
            AddCodePageRows(w, number, countries);
        const bool enabled =
            (number != P::PageSetup || available.page_setup) && (number != P::Transfer || available.transfer);
        if (!enabled) {
            // A page built with rows has its layout already; a second one would be refused and lost.
            QLayout* layout = w->layout() ? w->layout() : new QVBoxLayout(w);
            layout->addWidget(new QLabel("Not available in this version of Orkan TN3270."));
        }
        const int index =
            tabs_->addTab(ScrollingPage(w), QString::fromUtf8(kPageNames[size_t(number - 1)].data()));
        tabs_->setTabEnabled(index, enabled);
    }
    if (page >= 1 && page <= options_page::Count && tabs_->isTabEnabled(page - 1))
        tabs_->setCurrentIndex(page - 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    FitDialogToScreen(*this);
}

int OptionsDialog::CurrentPage() const {
    return tabs_->currentIndex() + 1;
}

QWidget* OptionsDialog::MakeTablePage(int page) {
    auto* w = new QWidget;
    bool any = false;
    auto* form = new QFormLayout;
    for (const OptionRow& row : kRows) {
        if (row.page != page) continue;
        any = true;
        const FieldDef& f = *row.field;
        const QString label = QString::fromUtf8(row.label.data(), qsizetype(row.label.size()));
        // A 0/1 choice without item names reads as a check box too.
        if (f.kind == FieldKind::Flag || (f.kind == FieldKind::Choice && row.choices.empty() && f.max == 1)) {
            auto* box = new QCheckBox(label);
            box->setChecked(record_.Number(f) != 0);
            form->addRow(box);
            takers_.push_back([box, &f](SessionRecord& r) {
                r.SetNumber(f, box->isChecked() ? 1 : 0);
                return true;
            });
        } else if (f.kind == FieldKind::Choice && !row.choices.empty()) {
            auto* combo = new QComboBox;
            const QStringList items = Split(row.choices);
            for (int i = f.min; i <= f.max && i - f.min < items.size(); ++i)
                combo->addItem(items[i - f.min], i);
            combo->setCurrentIndex(std::max(0, combo->findData(int(record_.Number(f)))));
            form->addRow(label, combo);
            takers_.push_back([combo, &f](SessionRecord& r) {
                r.SetNumber(f, uint32_t(combo->currentData().toInt()));
                return true;
            });
        } else if (f.kind == FieldKind::Text) {
            // No maximum length: a longer paste would be cut without a word; OK says why instead.
            auto* edit = new QLineEdit(DisplayToQString(record_.Text(f)));
            form->addRow(label, edit);
            takers_.push_back(
                [this, edit, &f, label](SessionRecord& r) { return TakeText(r, f, label, edit->text()); });
        } else {
            // A line edit, not a spin box: a spin box drops a keystroke that leaves its range and
            // keeps a different number; this one keeps what was typed and OK refuses it.
            auto* edit = new QLineEdit(QString::number(record_.Number(f)));
            form->addRow(label, edit);
            takers_.push_back([this, edit, &f, label](SessionRecord& r) {
                const OptionEntry* e = FindOptionFor(f);
                // The cell size has its own check, of width and height together (MakeFontPage).
                const bool by_option = e && e->kind != OptionKind::CellSize;
                const int64_t low = by_option ? e->minimum : f.min, high = by_option ? e->limit : f.max;
                const std::optional<int64_t> value = TypedNumber(edit->text());
                if (!value || (by_option ? !InOptionRange(*e, *value) : *value < low || *value > high)) {
                    RefuseNumber(edit->text(), label, low, high);
                    return false;
                }
                r.SetNumber(f, uint32_t(*value));
                return true;
            });
        }
    }
    if (any)
        w->setLayout(form);
    else
        delete form;
    return w;
}

QWidget* OptionsDialog::MakeFontPage() {
    QWidget* w = MakeTablePage(P::Font);
    auto* form = qobject_cast<QFormLayout*>(w->layout());
    auto* kind = new QComboBox;
    kind->addItem("Orkan Thick Fonts", 0);
    kind->addItem("Orkan Thin Fonts", 1);
    kind->addItem("TrueType font", 2);
    const bool true_type = record_.Number(field::TrueType) != 0;
    const std::string face = record_.Text(field::FontName);
    kind->setCurrentIndex(true_type ? 2 : face == "Orkan Thin Fonts" ? 1 : 0);
    auto* family = new QComboBox;
    family->setEditable(true);
    for (const QString& f : QFontDatabase::families())
        if (QFontDatabase::isFixedPitch(f)) family->addItem(f);
    family->setEditText(DisplayToQString(record_.Text(field::TrueTypeFontName)));
    family->setEnabled(true_type);
    QObject::connect(kind, &QComboBox::currentIndexChanged, family,
                     [family](int i) { family->setEnabled(i == 2); });
    form->insertRow(0, "Font:", kind);
    form->insertRow(1, "TrueType face:", family);
    const int shown_kind = kind->currentIndex();
    takers_.push_back([this, kind, family, shown_kind](SessionRecord& r) {
        const int k = kind->currentData().toInt();
        r.SetNumber(field::TrueType, k == 2 ? 1 : 0);
        // A face name the list does not show (an older file's) stays unless another face was chosen.
        if (kind->currentIndex() != shown_kind && k != 2 &&
            !r.SetText(field::FontName, k == 1 ? "Orkan Thin Fonts" : "Orkan Thick Fonts"))
            return false;
        return TakeText(r, field::TrueTypeFontName, "TrueType face", family->currentText().trimmed());
    });
    // Width and height together, with the limits SETOPTION's FONT SIZE uses: a cell of 1 x 1
    // leaves the screen unreadable, one beyond the font limits is not honoured, and a width with a
    // height of 0 is neither a fixed cell nor fitting.
    takers_.push_back([this](SessionRecord& r) {
        const CellSize cell{int(r.Number(field::CellWidth)), int(r.Number(field::CellHeight))};
        if (UsableCell(cell, font_limits_)) return true;
        const CellRange range = UsableCellRange(font_limits_);
        ui_.ShowMessage({"Options",
                         "The fixed cell size " + std::to_string(cell.width) + " x " +
                             std::to_string(cell.height) + " cannot be used: the width must be " +
                             std::to_string(range.min_width) + " to " + std::to_string(range.max_width) +
                             " and the height " + std::to_string(range.min_height) + " to " +
                             std::to_string(range.max_height) +
                             " pixels, or both 0 to fit the font to the window.",
                         Buttons::Ok, Icon::Warning});
        return false;
    });
    return w;
}

QWidget* OptionsDialog::MakeColourPage() {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    auto* colours = new QGridLayout;
    layout->addWidget(new QLabel("Session colours:"));
    // The buttons show the colours as stored; the brightness applies on the screen. A screen
    // reader hears each colour in words, and each role's palette entries as the colours they are.
    const auto swatches = std::make_shared<std::array<QPushButton*, 16>>();
    const auto describe_roles = std::make_shared<std::vector<std::function<void()>>>();
    const auto entry_words = [swatches](int entry) {
        const Rgb rgb = entry < 16 ? Rgb((*swatches)[size_t(entry)]->property("rgb").toUInt())
                                   : kFrameColours[size_t(entry - 16) % kFrameColours.size()];
        return QString::fromStdString(ColourWords(rgb));
    };
    for (int i = 0; i < 16; ++i) {
        auto* b = new QPushButton(QString::number(i));
        (*swatches)[size_t(i)] = b;
        b->setMinimumWidth(36);
        const auto show = [b, i](Rgb rgb) {
            b->setProperty("rgb", uint(rgb));
            Swatch(b, rgb);
            b->setAccessibleName(
                QString("Session colour %1: %2").arg(i).arg(QString::fromStdString(ColourWords(rgb))));
        };
        show(record_.SessionColour(i));
        QObject::connect(b, &QPushButton::clicked, this, [this, b, show, describe_roles] {
            const QColor c = QColorDialog::getColor(ToQColor(b->property("rgb").toUInt()), this, "Color");
            if (!c.isValid()) return;
            show(Rgb(c.red()) << 16 | Rgb(c.green()) << 8 | Rgb(c.blue()));
            for (const auto& describe : *describe_roles) describe();
        });
        colours->addWidget(b, i / 8, i % 8);
        takers_.push_back([b, i](SessionRecord& r) {
            r.SetSessionColour(i, b->property("rgb").toUInt());
            return true;
        });
    }
    layout->addLayout(colours);

    auto* brightness = new QSlider(Qt::Horizontal);
    brightness->setRange(0, 255);
    brightness->setValue(int(record_.Number(field::Brightness)));
    auto* form = new QFormLayout;
    form->addRow("Brightness:", brightness);
    takers_.push_back([brightness](SessionRecord& r) {
        r.SetNumber(field::Brightness, uint32_t(brightness->value()));
        return true;
    });

    layout->addLayout(form);
    // Each role: a foreground and a background entry of the 22-entry palette, in two columns so
    // the page stays short.
    auto* roles = new QGridLayout;
    const int per_column = (int(kRoleNames.size()) + 1) / 2;
    for (int role = 0; role < int(kRoleNames.size()); ++role) {
        // Line edits that keep what was typed, as the number rows (MakeTablePage); OK checks them.
        auto* fg = new QLineEdit(QString::number(record_.RoleForeground(role)));
        auto* bg = new QLineEdit(QString::number(record_.RoleBackground(role)));
        const QString role_name = QString::fromUtf8(kRoleNames[size_t(role)].data());
        fg->setAccessibleName(role_name + ": text colour");
        bg->setAccessibleName(role_name + ": background colour");
        for (QLineEdit* box : {fg, bg}) {
            box->setMaximumWidth(box->fontMetrics().horizontalAdvance("0000") + 16);
            const auto describe = [box, entry_words] {
                const std::optional<int64_t> entry = TypedNumber(box->text());
                box->setAccessibleDescription(
                    entry && *entry < kPaletteSize
                        ? entry_words(int(*entry))
                        : QString("not a colour entry (0 to %1)").arg(kPaletteSize - 1));
            };
            describe();
            QObject::connect(box, &QLineEdit::textChanged, box, describe);
            describe_roles->push_back(describe);
        }
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel("text"));
        row->addWidget(fg);
        row->addWidget(new QLabel("on"));
        row->addWidget(bg);
        row->addStretch();
        const int grid_row = role % per_column, grid_column = role / per_column * 2;
        roles->addWidget(new QLabel(QString::fromUtf8(kRoleNames[size_t(role)].data()) + ":"), grid_row,
                         grid_column);
        roles->addLayout(row, grid_row, grid_column + 1);
        takers_.push_back([this, fg, bg, role](SessionRecord& r) {
            std::array<uint8_t, 2> entries{};
            for (size_t i = 0; i < 2; ++i) {
                QLineEdit* box = i == 0 ? fg : bg;
                const std::optional<int64_t> entry = TypedNumber(box->text());
                if (!entry || *entry >= kPaletteSize) {
                    RefuseNumber(box->text(), box->accessibleName(), 0, kPaletteSize - 1);
                    return false;
                }
                entries[i] = uint8_t(*entry);
            }
            r.SetRole(role, entries[0], entries[1]);
            return true;
        });
    }
    layout->addLayout(roles);
    layout->addStretch();
    return w;
}

void OptionsDialog::AddCodePageRows(QWidget* page, int number, const CountryLists& countries) {
    auto* form = qobject_cast<QFormLayout*>(page->layout());
    if (!form) return;
    const FieldDef& f = number == P::Connection ? field::ScreenCodePage
                        : number == P::Transfer ? field::PcCodePage
                                                : field::KeyboardCodePage;
    auto* combo = new QComboBox;
    combo->setEditable(true);
    if (number == P::Connection) {
        for (const CountryListEntry& c : countries.countries)
            combo->addItem(QString("%1 (Code Page %2)").arg(DisplayToQString(c.name)).arg(c.code_page),
                           DisplayToQString(c.name));
    } else if (number == P::Transfer) {
        for (const std::string& t : countries.transfer_tables)
            combo->addItem(DisplayToQString(t), DisplayToQString(t));
    } else {
        for (const std::string& k : countries.keyboard_countries)
            combo->addItem(DisplayToQString(k), DisplayToQString(k));
    }
    const QString current = DisplayToQString(record_.Text(f));
    const int at = combo->findData(current);
    if (at >= 0)
        combo->setCurrentIndex(at);
    else
        combo->setEditText(current);
    form->addRow(number == P::Connection ? "Host code page:"
                 : number == P::Transfer ? "PC code page for text transfers:"
                                         : "Keyboard country:",
                 combo);
    takers_.push_back([this, combo, &f, number](SessionRecord& r) {
        const QString chosen =
            combo->currentIndex() >= 0 && combo->currentText() == combo->itemText(combo->currentIndex())
                ? combo->currentData().toString()
                : combo->currentText();
        const QString label = number == P::Connection ? "Host code page"
                              : number == P::Transfer ? "PC code page for text transfers"
                                                      : "Keyboard country";
        // Without country.lst (its message has been shown) the stored name stays as it is.
        const bool no_list = countries_.countries.empty() && countries_.keyboard_countries.empty() &&
                             countries_.transfer_tables.empty();
        if (no_list && chosen == DisplayToQString(record_.Text(f))) return true;
        const std::optional<std::string> text = QStringToDisplay(chosen);
        // The same check as SETOPTION's: a misspelt name would quietly select the base tables.
        const std::optional<std::string> listed = text ? ListedCodePage(countries_, f, *text) : std::nullopt;
        if (!listed) {
            ui_.ShowMessage({"Options",
                             "\"" + QStringForMessage(chosen) + "\" cannot be used for \"" +
                                 label.toStdString() + "\": country.lst does not list it.",
                             Buttons::Ok, Icon::Warning});
            return false;
        }
        return TakeText(r, f, label, DisplayToQString(*listed));
    });
}

void OptionsDialog::RefuseNumber(const QString& typed, const QString& label, int64_t low, int64_t high) {
    ui_.ShowMessage({"Options",
                     "\"" + QStringForMessage(typed) + "\" cannot be used for \"" + label.toStdString() +
                         "\": it must be a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ".",
                     Buttons::Ok, Icon::Warning});
}

bool OptionsDialog::TakeText(SessionRecord& r, const FieldDef& f, const QString& label,
                             const QString& typed) {
    const std::string name = "\"" + label.toStdString() + "\"";
    const std::optional<std::string> text = QStringToDisplay(typed);
    if (!text) {
        ui_.ShowMessage({"Options",
                         "The text for " + name +
                             " cannot be stored: the session keeps only Windows-1252 characters, and " +
                             DescribeRefusedCharacter(typed).toStdString() + " is not one.",
                         Buttons::Ok, Icon::Warning});
        return false;
    }
    // The field ends at its first NUL: what follows would be lost.
    if (const size_t nul = text->find('\0'); nul != std::string::npos) {
        ui_.ShowMessage({"Options",
                         "The text for " + name +
                             " cannot be stored: it holds a NUL character at character " +
                             std::to_string(nul + 1) + ".",
                         Buttons::Ok, Icon::Warning});
        return false;
    }
    const OptionEntry* e = FindOptionFor(f);
    const size_t limit = size_t(e && e->kind == OptionKind::Text ? e->limit : f.max);
    if (text->size() > limit || !r.SetText(f, *text)) {
        ui_.ShowMessage({"Options",
                         "The text for " + name + " has " + std::to_string(text->size()) +
                             " characters; at most " + std::to_string(limit) + " can be stored.",
                         Buttons::Ok, Icon::Warning});
        return false;
    }
    return true;
}

bool OptionsDialog::TakeFields() {
    SessionRecord r = record_;
    for (const auto& take : takers_)
        if (!take(r)) return false;
    record_ = r;
    return true;
}

void OptionsDialog::accept() {
    if (TakeFields()) QDialog::accept();
}

}  // namespace orkan
