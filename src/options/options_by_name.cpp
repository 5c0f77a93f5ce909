#include "options/options_by_name.h"

#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>

#include "config/host_list.h"
#include "display/screen_layout.h"
#include "keyboard/key_files.h"
#include "options/option_effects.h"
#include "options/option_table.h"
#include "scripting/macro_errors.h"
#include "session/session.h"
#include "session/session_charset.h"

namespace orkan {

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto up = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
        return up(x) == up(y);
    });
}

// "W x H" with any blanks, both decimal; nothing for any other text.
std::optional<CellSize> ParseCellSize(std::string_view text) {
    std::string compact;
    for (char c : text)
        if (c != ' ' && c != '\t') compact += c;
    const size_t x = compact.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x + 1 == compact.size() || compact.size() > 9)
        return std::nullopt;
    auto number = [](std::string_view digits) -> std::optional<int> {
        int n = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
            n = n * 10 + (c - '0');
        }
        return n;
    };
    const std::optional<int> w = number(std::string_view(compact).substr(0, x));
    const std::optional<int> h = number(std::string_view(compact).substr(x + 1));
    if (!w || !h) return std::nullopt;
    return CellSize{*w, *h};
}

// A key file name must lead to a file; only the standard one may be found in the program's
// defaults instead. Loading would otherwise warn and fall back while the macro carried on.
bool KeyFileFound(const Session& session, const FieldDef& f, const std::string& name) {
    const std::string_view extension = &f == &field::KeyboardFile  ? "key"
                                       : &f == &field::ToolbarFile ? "bar"
                                                                   : "pad";
    if (::access(KeyFilePath(name, session.folders.key_data, extension).c_str(), R_OK) == 0) return true;
    return SameIgnoringCase(KeyFilePath(name, "", extension), "standard." + std::string(extension));
}

bool IsKeyFileField(const FieldDef& f) {
    return &f == &field::KeyboardFile || &f == &field::ToolbarFile || &f == &field::KeypadFile;
}

// The spelling country.lst gives a code page selection, or nothing when it does not list the name.
// A misspelt name would otherwise quietly select the base tables.
std::optional<std::string> ListedInCountryLst(Session& session, const FieldDef& f, std::string_view name) {
    CountryLists lists;
    if (!LoadCountryList(session, CountryListMode::List, &lists)) return std::nullopt;
    return ListedCodePage(lists, f, name);
}

bool IsCodePageField(const FieldDef& f) {
    return &f == &field::ScreenCodePage || &f == &field::KeyboardCodePage || &f == &field::PcCodePage;
}

// The host name is also where the next connection goes: a host list entry of that name brings its
// address, port, TN3270E, TLS and LU name as the session dialog would; any other name is the address.
int SetHost(Session& session, SessionRecord& record, const std::string& name) {
    if (!name.empty() && !session.folders.settings_file.empty()) {
        const HostList hosts = LoadHostList(session.folders.settings_file, session.ui);
        if (const std::optional<size_t> i = FindHost(hosts, name)) {
            // A value of the entry that does not fit has been shown.
            return ApplyHostEntry(record, hosts.entries[*i], session.ui) ? macro_error::None
                                                                         : macro_error::InvalidValue;
        }
    }
    if (!record.SetText(field::HostName, name) || !record.SetText(field::IpName, name))
        return macro_error::TextTooLong;
    return macro_error::None;
}

int SetText(Session& session, const OptionEntry& e, SessionRecord& record, const MacroValue& value) {
    const std::string text = value.IsNumber() ? std::to_string(value.number) : value.text;
    if (text.size() > size_t(e.limit)) return macro_error::TextTooLong;
    // The field ends at its first NUL: what follows one would be lost without a word.
    if (text.find('\0') != std::string::npos) return macro_error::InvalidValue;
    const FieldDef& f = *e.field;
    if (&f == &field::HostName) return SetHost(session, record, text);
    std::string stored = text;
    if (IsCodePageField(f)) {
        std::optional<std::string> listed = ListedInCountryLst(session, f, text);
        if (!listed) return macro_error::InvalidValue;
        stored = std::move(*listed);
    }
    if (IsKeyFileField(f) && !KeyFileFound(session, f, text)) return macro_error::InvalidValue;
    return record.SetText(f, stored) ? macro_error::None : macro_error::TextTooLong;
}

int SetValue(Session& session, const OptionEntry& e, SessionRecord& record, const MacroValue& value) {
    switch (e.kind) {
        case OptionKind::Text:
            return SetText(session, e, record, value);
        case OptionKind::YesNo:
        case OptionKind::Choice:
        case OptionKind::Number:
        case OptionKind::Colour:
            if (!value.IsNumber()) return macro_error::ParmType;
            if (!InOptionRange(e, value.number)) return macro_error::InvalidValue;
            if (e.kind == OptionKind::Colour)
                record.SetSessionColour(e.palette_index, uint32_t(value.number));
            else
                record.SetNumber(*e.field, uint32_t(value.number));
            return macro_error::None;
        case OptionKind::CellSize: {
            if (!value.IsText()) return macro_error::ParmType;
            const std::optional<CellSize> cell = ParseCellSize(value.text);
            if (!cell || !UsableCell(*cell, FontLimitsFrom(session.settings)))
                return macro_error::InvalidValue;
            record.SetNumber(field::CellWidth, uint32_t(cell->width));
            record.SetNumber(field::CellHeight, uint32_t(cell->height));
            return macro_error::None;
        }
    }
    return macro_error::InvalidValue;
}

}  // namespace

bool InOptionRange(const OptionEntry& e, int64_t value) {
    return value >= e.minimum && value <= e.limit;
}

std::optional<std::string> ListedCodePage(const CountryLists& lists, const FieldDef& f,
                                          std::string_view name) {
    auto find = [&](const std::string& listed) { return SameIgnoringCase(listed, name); };
    if (&f == &field::ScreenCodePage) {
        for (const CountryListEntry& c : lists.countries)
            if (find(c.name)) return c.name;
        return std::nullopt;
    }
    const std::vector<std::string>& names =
        &f == &field::KeyboardCodePage ? lists.keyboard_countries : lists.transfer_tables;
    const auto it = std::find_if(names.begin(), names.end(), find);
    if (it == names.end()) return std::nullopt;
    return *it;
}

// A zero or runaway cell would leave nothing to draw or ask for a face no screen can hold.
CellRange UsableCellRange(const FontLimits& limits) {
    return {std::max(1, limits.min_width), std::min(limits.max_width, field::CellWidth.max),
            std::max(1, limits.min_height), std::min(limits.max_height, field::CellHeight.max)};
}

bool UsableCell(const CellSize& c, const FontLimits& limits) {
    if (c.width == 0 && c.height == 0) return true;
    const CellRange r = UsableCellRange(limits);
    return c.width >= r.min_width && c.width <= r.max_width && c.height >= r.min_height &&
           c.height <= r.max_height;
}

int SetOptionByName(Session& session, std::string_view section, std::string_view option,
                    const MacroValue& value) {
    if (!session.macro_gate.Permit(Capability::Options)) return macro_error::Refused;
    const OptionEntry* e = FindOption(section, option);
    if (!e) return macro_error::UnknownKeyword;
    SessionRecord changed = session.record;
    if (const int error = SetValue(session, *e, changed, value); error != macro_error::None) return error;
    const SessionRecord before = session.record;
    session.record = changed;
    // A key file that cannot be used has been shown and its name not taken.
    return ApplyChangedSettings(session, before) ? macro_error::None : macro_error::InvalidValue;
}

int GetOptionByName(const Session& session, std::string_view section, std::string_view option,
                    MacroValue& out) {
    if (!session.macro_gate.Permit(Capability::Options)) return macro_error::Refused;
    const OptionEntry* e = FindOption(section, option);
    if (!e) return macro_error::UnknownKeyword;
    const SessionRecord& r = session.record;
    switch (e->kind) {
        case OptionKind::Text:
            out = MacroValue::Text(r.Text(*e->field));
            break;
        case OptionKind::Colour:
            out = MacroValue::Number(int32_t(r.SessionColour(e->palette_index)));
            break;
        case OptionKind::CellSize:
            out = MacroValue::Text(std::to_string(r.Number(field::CellWidth)) + " x " +
                                   std::to_string(r.Number(field::CellHeight)));
            break;
        default:
            out = MacroValue::Number(int32_t(r.Number(*e->field)));
            break;
    }
    return macro_error::None;
}

}  // namespace orkan
