#include "charset/country_list.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>
#include <string_view>

#include "charset/fixed_tables.h"

namespace orkan {
namespace {

enum class Keyword : uint8_t {
    Base,
    Screen,
    Transfer,
    KeyScanCodes,
    KeyLayout,
    KeyScanMods,
    KeyEscapes,
    Country,
    Or,
    CodePage,
    End
};

struct KeywordName {
    std::string_view text;
    Keyword keyword;
};

// Compared in this order; a word that is none of them is a value.
constexpr std::array<KeywordName, 11> kKeywords = {{
    {"BASE", Keyword::Base},
    {"SCREEN", Keyword::Screen},
    {"TRANSFER", Keyword::Transfer},
    {"KEYSCANCODES", Keyword::KeyScanCodes},
    {"KEYLAYOUT", Keyword::KeyLayout},
    {"KEYSCANMODS", Keyword::KeyScanMods},
    {"KEYESCAPES", Keyword::KeyEscapes},
    {"COUNTRY", Keyword::Country},
    {"OR", Keyword::Or},
    {"CODEPAGE", Keyword::CodePage},
    {"END", Keyword::End},
}};

enum class Section : uint8_t { None, Screen, Transfer, KeyScanCodes, KeyLayout, KeyScanMods, KeyEscapes };
enum class Block : uint8_t { Outside, Base, Selected };

// What follows the keywords on a line in the selected block: values and separators.
struct Operand {
    enum Kind : uint8_t { Value, NoValue, Equals, Comma } kind;
    uint8_t value = 0;
};

constexpr uint8_t kEndOfFileMark = 0x1A;
constexpr uint16_t kDefaultCharacterSet = 697;
constexpr uint16_t kBaseCodePage = 37;
constexpr size_t kTableSize = 256;

constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool IsWordChar(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

std::string_view SkipBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

// Two characters are a hexadecimal byte, three a decimal number (low 8 bits); nothing else is a value.
std::optional<uint8_t> WordValue(std::string_view word) {
    auto hex = [](char c) -> int {
        if (IsDigit(c)) return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (word.size() == 2 && hex(word[0]) >= 0 && hex(word[1]) >= 0)
        return uint8_t(hex(word[0]) * 16 + hex(word[1]));
    if (word.size() == 3 && std::all_of(word.begin(), word.end(), IsDigit))
        return uint8_t((word[0] - '0') * 100 + (word[1] - '0') * 10 + (word[2] - '0'));
    return std::nullopt;
}

std::optional<Keyword> FindKeyword(std::string_view upper) {
    for (const KeywordName& k : kKeywords)
        if (k.text == upper) return k.keyword;
    return std::nullopt;
}

const char* SectionName(Section s) {
    switch (s) {
        case Section::Screen:
            return "SCREEN";
        case Section::Transfer:
            return "TRANSFER";
        case Section::KeyScanCodes:
            return "KEYSCANCODES";
        case Section::KeyLayout:
            return "KEYLAYOUT";
        case Section::KeyScanMods:
            return "KEYSCANMODS";
        case Section::KeyEscapes:
            return "KEYESCAPES";
        case Section::None:
            break;
    }
    return "";
}

class Parser {
  public:
    Parser(CountryListMode mode, const CountrySelections& selections, CharsetTables& tables,
           CountryLists* lists, CountryListResult& result)
        : mode_(mode), selections_(selections), tables_(tables), lists_(lists), result_(result) {}

    void Run(std::span<const uint8_t> file) {
        std::string_view data(reinterpret_cast<const char*>(file.data()), file.size());
        if (!data.empty() && uint8_t(data.back()) == kEndOfFileMark) data.remove_suffix(1);
        Begin();
        int number = 0;
        while (!data.empty()) {
            ++number;
            size_t end = data.find_first_of("\r\n");
            std::string_view line = data.substr(0, end);
            if (end == std::string_view::npos) {
                data = {};
            } else {
                bool crlf = data[end] == '\r' && end + 1 < data.size() && data[end + 1] == '\n';
                data.remove_prefix(end + (crlf ? 2 : 1));
            }
            line_ = number;
            if (!Line(line)) break;
        }
        Finish();
    }

  private:
    void Begin() {
        switch (mode_) {
            case CountryListMode::CodePage:
                // The base listing is code page 037: a country without CODEPAGE is that.
                tables_.code_page = kBaseCodePage;
                tables_.character_set = kDefaultCharacterSet;
                break;
            case CountryListMode::Keyboard:
                tables_.key_scan_codes.fill(kListEnd);
                tables_.key_layout.fill(KeyLayoutRecord{});
                tables_.scan_mods.fill({kListEnd, 0});
                tables_.key_escapes.fill(KeyEscapeRecord{});
                break;
            case CountryListMode::List:
                if (lists_) {
                    *lists_ = CountryLists{};
                    lists_->keyboard_countries.emplace_back();
                }
                break;
        }
    }

    void Finish() {
        FlushOperands();
        CloseSection();
        if (mode_ == CountryListMode::List) {
            FinishEntry();
            if (lists_) SelectCurrent();
        } else {
            BuildInverses();
        }
    }

    // False when the line says END.
    bool Line(std::string_view line) {
        if (line.empty() || line.front() == '*') return true;
        line = SkipBlanks(line);
        while (!line.empty()) {
            char c = line.front();
            if (IsBlank(c)) {
                line.remove_prefix(1);
            } else if (c == '=' || c == ',') {
                AddOperand({c == '=' ? Operand::Equals : Operand::Comma});
                line.remove_prefix(1);
            } else if (IsWordChar(c)) {
                size_t n = 0;
                std::string word;
                while (n < line.size() && IsWordChar(line[n])) word.push_back(Upper(line[n++]));
                line.remove_prefix(n);
                if (auto keyword = FindKeyword(word)) {
                    FlushOperands();
                    if (*keyword == Keyword::End) return false;
                    if (TakesRestOfLine(*keyword)) {
                        OnKeyword(*keyword, SkipBlanks(line));
                        return true;
                    }
                    OnKeyword(*keyword, {});
                } else if (auto value = WordValue(word)) {
                    OnValue(*value);
                } else {
                    AddOperand({Operand::NoValue});
                }
            } else {
                break;  // any other character ends what is read of the line
            }
        }
        FlushOperands();
        return true;
    }

    static bool TakesRestOfLine(Keyword k) {
        return k == Keyword::Transfer || k == Keyword::Country || k == Keyword::Or || k == Keyword::CodePage;
    }

    void OnKeyword(Keyword keyword, std::string_view rest) {
        const bool codepage = mode_ == CountryListMode::CodePage;
        const bool keyboard = mode_ == CountryListMode::Keyboard;
        switch (keyword) {
            case Keyword::Base:
                block_ = Block::Base;
                break;
            case Keyword::Screen:
                OpenSection(codepage ? Section::Screen : Section::None);
                if (entry_) entry_screen_ = true;
                break;
            case Keyword::Transfer:
                OpenSection(Section::None);
                if (codepage && Selects(rest, selections_.transfer_table) && block_ == Block::Base) {
                    OpenSection(Section::Transfer);
                    result_.transfer_found = true;
                }
                if (mode_ == CountryListMode::List && lists_ && AcceptName(rest))
                    lists_->transfer_tables.emplace_back(rest);
                break;
            case Keyword::KeyScanCodes:
            case Keyword::KeyLayout:
            case Keyword::KeyScanMods:
            case Keyword::KeyEscapes:
                OpenSection(keyboard ? KeyboardSection(keyword) : Section::None);
                if (entry_) entry_keyboard_ = true;
                break;
            case Keyword::Country:
                OpenSection(Section::None);
                block_ = Block::Outside;
                if (Selects(rest, SelectedCountry())) Select();
                if (mode_ == CountryListMode::List) {
                    FinishEntry();
                    StartEntry(rest);
                }
                break;
            case Keyword::Or:
                // An alternative name only means something after a COUNTRY.
                if (block_ == Block::Base || !seen_country_) break;
                if (Selects(rest, SelectedCountry())) Select();
                if (mode_ == CountryListMode::List && entry_ && AcceptName(rest))
                    entry_names_.emplace_back(rest);
                break;
            case Keyword::CodePage:
                OnCodePage(rest);
                break;
            case Keyword::End:
                break;
        }
        if (keyword == Keyword::Country) seen_country_ = true;
    }

    static Section KeyboardSection(Keyword k) {
        switch (k) {
            case Keyword::KeyScanCodes:
                return Section::KeyScanCodes;
            case Keyword::KeyLayout:
                return Section::KeyLayout;
            case Keyword::KeyScanMods:
                return Section::KeyScanMods;
            default:
                return Section::KeyEscapes;
        }
    }

    const std::string& SelectedCountry() const {
        return mode_ == CountryListMode::Keyboard ? selections_.keyboard_country : selections_.screen_country;
    }

    static bool Selects(std::string_view name, const std::string& selected) {
        return !selected.empty() && name == selected;
    }

    void Select() {
        if (mode_ == CountryListMode::List) return;
        block_ = Block::Selected;
        result_.country_found = true;
    }

    // Opens a section; list positions start again at the beginning of their list.
    void OpenSection(Section s) {
        CloseSection();
        section_ = s;
        fill_ = 0;
        fill_in_base_ = block_ == Block::Base;
        overflow_reported_ = false;
        section_line_ = line_;
        switch (s) {
            case Section::KeyLayout:
                layout_count_ = 0;
                break;
            case Section::KeyScanMods:
                mods_count_ = 0;
                break;
            case Section::KeyEscapes:
                escapes_count_ = 0;
                break;
            default:
                break;
        }
    }

    void CloseSection() {
        bool whole_table = section_ == Section::Screen || section_ == Section::Transfer;
        if (whole_table && fill_in_base_ && fill_ < kTableSize)
            Problem(section_line_, std::string("the ") + SectionName(section_) + " table has only " +
                                       std::to_string(fill_) + " of its 256 values");
        section_ = Section::None;
    }

    void OnValue(uint8_t value) {
        if (block_ == Block::Selected) {
            AddOperand({Operand::Value, value});
            return;
        }
        if (block_ != Block::Base) return;
        std::array<uint8_t, 256>* table = nullptr;
        switch (section_) {
            case Section::Screen:
                table = &tables_.screen;
                break;
            case Section::Transfer:
                table = &tables_.upload;
                break;
            case Section::KeyScanCodes:
                table = &tables_.key_scan_codes;
                break;
            default:
                return;
        }
        if (fill_ >= kTableSize) {
            if (!overflow_reported_)
                Problem(line_, std::string("the ") + SectionName(section_) +
                                   " table has more than 256 values; the rest are ignored");
            overflow_reported_ = true;
            return;
        }
        if (section_ == Section::Transfer) upload_stamp_[fill_] = ++stamp_;
        (*table)[fill_++] = value;
    }

    void AddOperand(Operand op) {
        if (block_ == Block::Selected) operands_.push_back(op);
    }

    // Applies what the selected block's line said to the current section.
    void FlushOperands() {
        if (operands_.empty()) return;
        std::vector<Operand> ops;
        ops.swap(operands_);
        if (block_ != Block::Selected) return;
        switch (section_) {
            case Section::Screen:
                ScreenCorrection(ops);
                break;
            case Section::KeyLayout:
                KeyLayoutEntry(ops);
                break;
            case Section::KeyScanMods:
                KeyScanModEntry(ops);
                break;
            case Section::KeyEscapes:
                KeyEscapeEntry(ops);
                break;
            default:
                break;
        }
    }

    // "value = value [, value [, value]]": the values, or nothing when the line has another shape.
    static std::optional<std::vector<uint8_t>> Assignment(const std::vector<Operand>& ops, size_t max_right) {
        if (ops.size() < 3 || ops[0].kind != Operand::Value || ops[1].kind != Operand::Equals)
            return std::nullopt;
        std::vector<uint8_t> values{ops[0].value};
        for (size_t i = 2; i < ops.size(); i += 2) {
            if (ops[i].kind != Operand::Value) return std::nullopt;
            values.push_back(ops[i].value);
            if (i + 1 < ops.size() && ops[i + 1].kind != Operand::Comma) return std::nullopt;
            if (i + 1 == ops.size() - 1) return std::nullopt;  // a trailing comma
        }
        if (values.size() - 1 > max_right) return std::nullopt;
        return values;
    }

    // "xx = yy": host byte xx displays as yy, and the transfer table follows the character.
    void ScreenCorrection(const std::vector<Operand>& ops) {
        auto v = Assignment(ops, 1);
        if (!v) {
            Problem(line_, "SCREEN correction not understood (expected: host byte = display character)");
            return;
        }
        const uint8_t host = (*v)[0], display = (*v)[1];
        tables_.screen[host] = display;
        uint8_t pc = display;
        if (selections_.transfer_table.starts_with("DOS")) {
            pc = kDosConversionTable[display];
            // From 0x80 up, an entry that repeats its character is a placeholder: 437 has another
            // character there (the degree sign where o-slash is repeated, C-cedilla where the euro
            // sign is), which the correction would take over.
            if (display >= 0x80 && pc == display) return;
        } else if (selections_.transfer_table == "ISO 8859-15") {
            // The file holds these characters (the euro sign of a euro code page above all) where
            // ISO 8859-1 has others; their Windows-1252 bytes are controls there.
            for (const Latin9Place& p : kLatin9Places)
                if (p.windows == display) pc = p.pc;
        }
        tables_.upload[pc] = kHostTransferTable[host];
        upload_stamp_[pc] = ++stamp_;
    }

    void KeyLayoutEntry(const std::vector<Operand>& ops) {
        auto v = Assignment(ops, 3);
        if (!v) {
            Problem(line_,
                    "KEYLAYOUT entry not understood (expected: key = character [, shifted [, third]])");
            return;
        }
        if (!DefinableKey((*v)[0])) return;
        if (layout_count_ + 1 >= tables_.key_layout.size()) {
            Problem(line_, "more than " + std::to_string(tables_.key_layout.size() - 1) +
                               " KEYLAYOUT entries: this one is refused");
            return;
        }
        KeyLayoutRecord& r = tables_.key_layout[layout_count_++];
        r = KeyLayoutRecord{};
        r.key = (*v)[0];
        r.unshifted = r.shifted = r.third = (*v)[1];
        if (v->size() > 2) r.shifted = (*v)[2];
        if (v->size() > 3) r.third = (*v)[3];
        tables_.key_layout[layout_count_] = KeyLayoutRecord{};
    }

    void KeyScanModEntry(const std::vector<Operand>& ops) {
        auto v = Assignment(ops, 1);
        if (!v) {
            Problem(line_, "KEYSCANMODS entry not understood (expected: key = replacement key)");
            return;
        }
        if (!DefinableKey((*v)[0])) return;
        if (mods_count_ + 1 >= tables_.scan_mods.size()) {
            Problem(line_, "more than " + std::to_string(tables_.scan_mods.size() - 1) +
                               " KEYSCANMODS entries: this one is refused");
            return;
        }
        tables_.scan_mods[mods_count_++] = {(*v)[0], (*v)[1]};
        tables_.scan_mods[mods_count_] = {kListEnd, 0};
    }

    // "key shift dead base [, base ...] = composed [, composed ...]"
    void KeyEscapeEntry(const std::vector<Operand>& ops) {
        auto equals =
            std::find_if(ops.begin(), ops.end(), [](const Operand& o) { return o.kind == Operand::Equals; });
        std::vector<uint8_t> left, right;
        bool shape_ok = equals != ops.end();
        auto collect = [&](auto from, auto to, std::vector<uint8_t>& out) {
            for (auto it = from; it != to; ++it) {
                if (it->kind == Operand::Value)
                    out.push_back(it->value);
                else if (it->kind != Operand::Comma)
                    shape_ok = false;
            }
        };
        if (shape_ok) {
            collect(ops.begin(), equals, left);
            collect(equals + 1, ops.end(), right);
        }
        if (!shape_ok || left.size() < 4 || right.empty()) {
            Problem(line_,
                    "KEYESCAPES entry not understood (expected: key shift dead base, ... = composed, ...)");
            return;
        }
        const size_t count = left.size() - 3;
        if (count > kMaxEscapeCharacters || right.size() != count) {
            Problem(line_,
                    "KEYESCAPES entry refused: it needs 1 to 8 base characters and one composed "
                    "character for each");
            return;
        }
        if (left[1] > 3) {
            Problem(line_, "KEYESCAPES entry refused: the shift state must be 0 to 3");
            return;
        }
        if (!DefinableKey(left[0])) return;
        if (escapes_count_ + 1 >= tables_.key_escapes.size()) {
            Problem(line_, "more than " + std::to_string(tables_.key_escapes.size() - 1) +
                               " KEYESCAPES entries: this one is refused");
            return;
        }
        KeyEscapeRecord& r = tables_.key_escapes[escapes_count_++];
        r = KeyEscapeRecord{};
        r.key = left[0];
        r.shift_state = left[1];
        r.dead = left[2];
        r.count = uint8_t(count);
        std::copy(left.begin() + 3, left.end(), r.base.begin());
        std::copy(right.begin(), right.end(), r.composed.begin());
        tables_.key_escapes[escapes_count_] = KeyEscapeRecord{};
    }

    // 255 is the end marker of every keyboard list.
    bool DefinableKey(uint8_t key) {
        if (key != kListEnd) return true;
        Problem(line_,
                std::string(SectionName(section_)) + " entry refused: key 255 marks the end of the list");
        return false;
    }

    void OnCodePage(std::string_view rest) {
        bool wanted = (mode_ == CountryListMode::CodePage && block_ == Block::Selected) ||
                      (mode_ == CountryListMode::List && entry_);
        if (!wanted) return;
        std::array<uint32_t, 2> numbers{};
        size_t count = 0;
        rest = SkipBlanks(rest);
        while (count < numbers.size() && !rest.empty() && IsDigit(rest.front())) {
            uint32_t n = 0;
            while (!rest.empty() && IsDigit(rest.front())) {
                n = std::min<uint32_t>(n * 10 + uint32_t(rest.front() - '0'), 0x10000);
                rest.remove_prefix(1);
            }
            numbers[count++] = n;
            rest = SkipBlanks(rest);
        }
        if (count == 0 || numbers[0] == 0 || numbers[0] > 0xFFFF || numbers[1] > 0xFFFF) {
            Problem(line_,
                    "CODEPAGE needs a code page number and may add a character set number, each 1 to 65535");
            return;
        }
        if (mode_ == CountryListMode::List) {
            entry_code_page_ = uint16_t(numbers[0]);
            return;
        }
        tables_.code_page = uint16_t(numbers[0]);
        tables_.character_set = numbers[1] ? uint16_t(numbers[1]) : kDefaultCharacterSet;
    }

    // Names that could not be stored as a selection are refused rather than offered.
    bool AcceptName(std::string_view name) {
        if (name.size() <= kMaxCountryNameLength) return true;
        Problem(line_, "the name \"" + std::string(name) + "\" is longer than " +
                           std::to_string(kMaxCountryNameLength) + " characters and cannot be selected");
        return false;
    }

    void StartEntry(std::string_view name) {
        entry_ = true;
        entry_screen_ = entry_keyboard_ = false;
        entry_code_page_ = kBaseCodePage;
        entry_names_.clear();
        if (AcceptName(name)) entry_names_.emplace_back(name);
    }

    void FinishEntry() {
        if (!entry_ || !lists_) return;
        for (const std::string& name : entry_names_) {
            if (entry_screen_) lists_->countries.push_back({name, entry_code_page_});
            if (entry_keyboard_) lists_->keyboard_countries.push_back(name);
        }
        entry_ = false;
    }

    void SelectCurrent() {
        auto& l = *lists_;
        for (size_t i = 0; i < l.countries.size() && l.current_country < 0; ++i)
            if (l.countries[i].name == selections_.screen_country) l.current_country = int(i);
        for (size_t i = 0; i < l.keyboard_countries.size() && l.current_keyboard < 0; ++i)
            if (l.keyboard_countries[i] == selections_.keyboard_country) l.current_keyboard = int(i);
        for (size_t i = 0; i < l.transfer_tables.size() && l.current_transfer < 0; ++i)
            if (l.transfer_tables[i] == selections_.transfer_table) l.current_transfer = int(i);
    }

    void BuildInverses() {
        if (mode_ != CountryListMode::CodePage) return;
        // Without the selected TRANSFER table the upload table holds nothing a file could use.
        tables_.transfer_table_loaded = result_.transfer_found;
        // Of two host bytes that display alike, the higher one is sent back.
        tables_.display_to_host.fill(0);
        for (size_t host = 0; host < kTableSize; ++host)
            if (tables_.screen[host] != 0) tables_.display_to_host[tables_.screen[host]] = uint8_t(host);
        // Of two PC bytes that upload alike, the one written last wins the download: a correction
        // beats the base listing entry of a character the country no longer has.
        std::array<uint8_t, 256> order;
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](uint8_t a, uint8_t b) { return upload_stamp_[a] < upload_stamp_[b]; });
        std::iota(tables_.download.begin(), tables_.download.end(), 0);
        for (uint8_t pc : order) tables_.download[tables_.upload[pc]] = pc;
    }

    void Problem(int line, std::string text) { result_.problems.push_back({line, std::move(text)}); }

    const CountryListMode mode_;
    const CountrySelections& selections_;
    CharsetTables& tables_;
    CountryLists* lists_;
    CountryListResult& result_;

    int line_ = 0;
    Block block_ = Block::Outside;
    bool seen_country_ = false;
    Section section_ = Section::None;
    size_t fill_ = 0;
    bool fill_in_base_ = false;
    bool overflow_reported_ = false;
    int section_line_ = 0;
    size_t layout_count_ = 0, mods_count_ = 0, escapes_count_ = 0;
    std::vector<Operand> operands_;

    std::array<uint32_t, 256> upload_stamp_{};
    uint32_t stamp_ = 0;

    bool entry_ = false;
    bool entry_screen_ = false, entry_keyboard_ = false;
    uint16_t entry_code_page_ = kBaseCodePage;
    std::vector<std::string> entry_names_;
};

}  // namespace

CountryListResult ParseCountryList(std::span<const uint8_t> file, CountryListMode mode,
                                   const CountrySelections& selections, CharsetTables& tables,
                                   CountryLists* lists) {
    CountryListResult result;
    Parser(mode, selections, tables, lists, result).Run(file);
    return result;
}

}  // namespace orkan
