// The options dialog: the session's settings on numbered pages (1 connection, 2 display, 3 font,
// 4 colours, 5 cut and paste, 6 page setup, 7 transfer, 8 keyboard, 9 window), most of them made
// from one table of record fields. It edits a copy of the session record; the caller applies it.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "charset/country_list.h"
#include "config/session_record.h"
#include "display/screen_layout.h"
#include "interfaces/ui.h"

class QTabWidget;

namespace orkan {

namespace options_page {
inline constexpr int Connection = 1;
inline constexpr int Display = 2;
inline constexpr int Font = 3;
inline constexpr int Colours = 4;
inline constexpr int CutPaste = 5;
inline constexpr int PageSetup = 6;
inline constexpr int Transfer = 7;
inline constexpr int Keyboard = 8;
inline constexpr int Window = 9;
inline constexpr int Count = 9;
}  // namespace options_page

// One setting on a page: a record field and how it is shown.
struct OptionRow {
    int page;
    const FieldDef* field;
    std::string_view label;
    std::string_view choices;  // Choice fields: the items, separated by "|"
};
std::span<const OptionRow> OptionRows();

struct OptionsPagesAvailable {
    bool page_setup = false;  // printing
    bool transfer = false;
};

class OptionsDialog : public QDialog {
  public:
    // `page` 1-9 opens that page; anything else the first. `countries` fills the code-page choices
    // and is what a code page typed in is checked against (empty lists: the code pages stay as the
    // record names them); `font_limits` bound the fixed cell size.
    OptionsDialog(Ui& ui, const SessionRecord& record, int page, const CountryLists& countries,
                  OptionsPagesAvailable available, const FontLimits& font_limits = {},
                  QWidget* parent = nullptr);

    // The edited record, after OK.
    const SessionRecord& Record() const { return record_; }
    int CurrentPage() const;
    QTabWidget* Pages() const { return tabs_; }

    // Takes every page into the record; false (the dialog stays) after a message.
    [[nodiscard]] bool TakeFields();
    void accept() override;

  private:
    QWidget* MakeTablePage(int page);
    QWidget* MakeColourPage();
    QWidget* MakeFontPage();
    void AddCodePageRows(QWidget* page, int number, const CountryLists& countries);
    // `typed` into text field `f`; false after a message naming `label` and the reason (a character
    // without a Windows-1252 form, a NUL, more characters than the option takes).
    bool TakeText(SessionRecord& r, const FieldDef& f, const QString& label, const QString& typed);
    // The message for a number box that does not hold a number from `low` to `high`.
    void RefuseNumber(const QString& typed, const QString& label, int64_t low, int64_t high);

    Ui& ui_;
    SessionRecord record_;
    CountryLists countries_;
    FontLimits font_limits_;
    QTabWidget* tabs_ = nullptr;
    // How each control gives its value back to the record.
    std::vector<std::function<bool(SessionRecord&)>> takers_;
};

}  // namespace orkan
