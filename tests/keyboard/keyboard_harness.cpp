#include "keyboard/keyboard_harness.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>

#include "charset/country_list.h"
#include "config/session_record_fields.h"
#include "config/temp_folder.h"
#include "ds3270/addressing.h"
#include "ds3270/write_processor.h"
#include "keyboard/key_files.h"
#include "keyboard/key_tables.h"
#include "keyboard/keyboard.h"

namespace orkan::test {
namespace {

std::string ReadSource(const std::string& name) {
    return ReadText(std::string(ORKAN_SOURCE_DIR) + "/" + name);
}

// The picture characters of field attributes and the attribute each writes.
constexpr std::string_view kMarks = "[{<(|~#";
constexpr uint8_t kMarkAttributes[] = {0x40, 0x41, 0x50, 0x51, 0x60, 0x70, 0x4C};

// Null, blank, DUP and FIELD MARK, and the characters that picture them.
constexpr std::string_view kSpecialPictures = "._*;";
constexpr char kSpecialDisplay[] = {0x00, 0x20, char(0x8E), char(0x8F)};

uint8_t AttributeFor(char c) {
    const size_t i = kMarks.find(c);
    return i == std::string_view::npos ? 0 : kMarkAttributes[i];
}

char Picture(uint8_t attribute) {
    if ((attribute & 0x2C) == 0x0C) return '#';
    if ((attribute & 0x30) == 0x30) return '~';
    for (size_t i = 0; i < 4; ++i)  // unprotected: alphanumeric or numeric, MDT or not
        if ((kMarkAttributes[i] & 0x31) == (attribute & 0x31)) return kMarks[i];
    return '|';
}

// The selection as "top,left-bottom,right", or "none" when none is shown.
std::string SelectionText(const Session& s) {
    if (!s.selection.shown) return "none";
    const Selection& x = s.selection;
    return std::to_string(x.Top()) + "," + std::to_string(x.Left()) + "-" + std::to_string(x.Bottom()) + "," +
           std::to_string(x.Right());
}

}  // namespace

const KeyList& ShippedKeyList() {
    static const KeyList list = [] {
        KeyFunctionTable table;
        std::string error;
        EXPECT_TRUE(ParseKeyFunctionTable(ReadSource("data/key_functions.tsv"), table, error)) << error;
        KeyList parsed;
        EXPECT_EQ(KeyList::Parse(BuildKeyList(table.action, table.edit, table.oper), parsed),
                  KeyList::Status::Ok);
        return parsed;
    }();
    return list;
}

KeyMap StandardKeyMap() {
    KeyMap map;
    std::string error;
    EXPECT_TRUE(ParseKeyMapTable(ReadSource("data/standard_key.tsv"), ShippedKeyList(), map, error)) << error;
    map.path = "standard.key";
    return map;
}

const std::vector<uint8_t>& CountryFile() {
    static const std::vector<uint8_t> bytes = ReadBytes(std::string(ORKAN_SOURCE_DIR) + "/data/country.lst");
    return bytes;
}

KeyboardSession::KeyboardSession(uint32_t rows, uint32_t columns)
    : harness(rows, columns), session(*harness.session) {
    session.view = &view;
    session.link.line_mode = false;
    session.keyboard->key_list = ShippedKeyList();
    session.keyboard->key_map = StandardKeyMap();
    (void)ParseCountryList(CountryFile(), CountryListMode::Keyboard, {"", "United States", ""},
                           session.charset);
    ApplyKeyboardLayout(session);
}

void KeyboardSession::Write(const std::vector<std::string>& rows, uint32_t row, uint32_t column) {
    const PresentationSpace& ps = session.ps;
    std::vector<uint8_t> record = {0xF5, 0xC2};
    bool addressed = false;
    for (uint32_t r = 0; r < rows.size(); ++r) {
        for (uint32_t i = 0, c = 0; i < rows[r].size(); ++i, ++c) {
            const bool literal = rows[r][i] == '\\' && i + 1 < rows[r].size();
            if (literal) ++i;
            const char ch = rows[r][i];
            if (ch == '.' && !literal) {
                addressed = false;
                continue;
            }
            if (!addressed) {
                const EncodedAddress a = EncodeBufferAddress(ps, r * ps.columns + c);
                record.insert(record.end(), {0x11, a.b1, a.b2});
                addressed = true;
            }
            if (const uint8_t attribute = literal ? 0 : AttributeFor(ch)) {
                record.insert(record.end(), {0x1D, attribute});
            } else {
                const size_t special = literal ? std::string_view::npos : kSpecialPictures.find(ch);
                const char display = special == std::string_view::npos ? ch : kSpecialDisplay[special];
                record.push_back(session.charset.display_to_host[uint8_t(display)]);
            }
        }
        addressed = false;
    }
    const EncodedAddress cursor = EncodeBufferAddress(ps, row * ps.columns + column);
    record.insert(record.end(), {0x11, cursor.b1, cursor.b2, 0x13});
    ProcessHostRecord(session, record);
}

uint16_t KeyboardSession::Code(std::string_view name) const {
    const KeyList& list = session.keyboard->key_list;
    const uint16_t code = list.FindKeyFunction(name);
    EXPECT_NE(code, kNoKeyFunction) << name;
    const KeyFunction* f = list.Find(CategoryOf(code), NumberOf(code));
    return uint16_t(code | (f ? f->flags : 0));
}

void KeyboardSession::Type(std::string_view keys) {
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == '{') {
            const size_t end = keys.find('}', i);
            SubmitKey(session, Code(keys.substr(i + 1, end - i - 1)));
            i = end;
        } else {
            SubmitKey(session, MakeKeyCode(KeyCategory::Char, uint8_t(keys[i])));
        }
    }
}

std::vector<std::string> KeyboardSession::Screen() const {
    const PresentationSpace& ps = session.ps;
    std::vector<std::string> rows(ps.rows);
    for (uint32_t a = 0; a < ps.positions; ++a) {
        const uint8_t attribute = ps.planes.attribute[a];
        const uint8_t c = ps.planes.display[a];
        const size_t special = std::string_view(kSpecialDisplay, 4).find(char(c));
        rows[a / ps.columns] += attribute                           ? Picture(attribute)
                                : special != std::string_view::npos ? kSpecialPictures[special]
                                                                    : char(c);
    }
    return rows;
}

std::string KeyboardSession::Cursor() const {
    const PresentationSpace& ps = session.ps;
    return std::to_string(ps.cursor_address / ps.columns) + "," +
           std::to_string(ps.cursor_address % ps.columns);
}

void RunPictureCase(const GoldenCase& c) {
    static const std::map<std::string, Answer> answers = {{"Ok", Answer::Ok}, {"Cancel", Answer::Cancel}};
    SCOPED_TRACE(c.where);
    uint32_t rows = 6, columns = 24;
    std::unique_ptr<KeyboardSession> made;
    std::vector<std::string> screen, expected;
    std::string status = "UNLOCKED", sounds, message;
    std::optional<std::string> cursor, copied, selected;
    for (const GoldenStep& step : c.steps) {
        SCOPED_TRACE("line " + std::to_string(step.line));
        const auto [first, second] = SplitWord(step.rest);
        if (step.verb == "size" && !made) {
            rows = uint32_t(std::stoul(first));
            columns = uint32_t(std::stoul(second));
            continue;
        }
        if (!made) made = std::make_unique<KeyboardSession>(rows, columns);
        KeyboardSession& k = *made;
        Session& s = k.session;
        if (step.verb == "screen")
            screen.push_back(step.rest);
        else if (step.verb == "at") {
            screen.resize(rows, std::string(columns, '.'));
            expected = screen;
            for (std::string& row : expected) std::erase(row, '\\');  // shown as any other character
            const size_t comma = step.rest.find(',');
            k.Write(screen, uint32_t(std::stoul(step.rest)),
                    uint32_t(std::stoul(step.rest.substr(comma + 1))));
        } else if (step.verb == "option" && first == "insert")
            s.keyboard->insert_mode = true;
        else if (step.verb == "option" && first == "wordwrap")
            s.keyboard->word_wrap = true;
        else if (step.verb == "option" && first == "shift")
            s.keyboard->shift_down = true;
        else if (step.verb == "option" && first == "CopyPasswords")
            s.settings.CopyPasswords = std::stoi(second);
        else if (const FieldDef* f = FindSessionFieldByOption(first); step.verb == "option" && f)
            s.record.SetNumber(*f, uint32_t(std::stoul(second)));
        else if (const auto a = answers.find(step.rest); step.verb == "answer" && a != answers.end())
            k.harness.ui.answers.push_back(a->second);
        else if (step.verb == "clipboard")
            s.ui.SetClipboardText(GoldenValue(step.rest));
        else if (step.verb == "keys")
            k.Type(step.rest);
        else if (step.verb == "sent")
            EXPECT_EQ(k.harness.TakeSent(), step.rest == "nothing" ? "" : step.rest);
        else if (step.verb == "select" && step.rest == "none")
            s.selection.shown = false;
        else if (step.verb == "select") {
            const auto corner = [](const std::string& at) {
                return std::pair{uint32_t(std::stoul(at)), uint32_t(std::stoul(at.substr(at.find(',') + 1)))};
            };
            const auto [top, left] = corner(first);
            const auto [bottom, right] = corner(second);
            s.selection = {true, top, left, bottom, right};
        } else if (step.verb == "copied")
            copied = GoldenValue(step.rest);
        else if (step.verb == "selected")
            selected = step.rest;
        else if (step.verb == "expect")
            expected.at(std::stoul(first)) = second;
        else if (step.verb == "cursor")
            cursor = step.rest;
        else if (step.verb == "status")
            status = step.rest;
        else if (step.verb == "sounds")
            sounds = step.rest;
        else if (step.verb == "message")
            message = GoldenValue(step.rest);
        else
            ADD_FAILURE() << "cannot read " << step.verb << " " << step.rest;
    }
    ASSERT_TRUE(made) << "an empty case";
    EXPECT_EQ(made->Screen(), expected);
    if (cursor) {
        EXPECT_EQ(made->Cursor(), *cursor);
    }
    EXPECT_EQ(StatusName(made->session.status), status);
    EXPECT_EQ(made->view.sounds, sounds);
    EXPECT_EQ(made->harness.TakeMessages(), message);
    if (copied) {
        EXPECT_EQ(made->session.ui.ClipboardText(), *copied);
    }
    if (selected) {
        EXPECT_EQ(SelectionText(made->session), *selected);
    }
}

}  // namespace orkan::test
