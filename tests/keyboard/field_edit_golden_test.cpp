// Field editing, function by function: a screen the host writes, keys typed, then the screen (with
// its MDTs), the cursor and the status. Pictures as in keyboard_harness.h, 6 rows of 24 columns.
#include <gtest/gtest.h>

#include <functional>

#include "keyboard/field_edit.h"
#include "keyboard/keyboard_harness.h"

namespace orkan {
namespace {

using Rows = std::vector<std::string>;
using Options = std::function<void(Session&)>;

struct EditCase {
    const char* name;
    Rows screen;
    uint32_t row, column;  // cursor before the keys
    Options options;
    const char* keys;
    Rows expected;  // rows not given are unchanged
    const char* cursor;
    SessionStatus status = SessionStatus::Unlocked;
    const char* sounds = "";
};

const std::string kBlankRow = "........................";

// A row filled up to the screen width.
std::string Pad(std::string row, char fill = '.') {
    row.resize(24, fill);
    return row;
}

void Check(const EditCase& c) {
    SCOPED_TRACE(c.name);
    test::KeyboardSession k;
    Rows screen = c.screen;
    screen.resize(6, kBlankRow);
    k.Write(screen, c.row, c.column);
    if (c.options) c.options(k.session);
    k.Type(c.keys);
    Rows expected = c.expected;
    for (size_t r = expected.size(); r < screen.size(); ++r) expected.push_back(screen[r]);
    EXPECT_EQ(k.Screen(), expected);
    EXPECT_EQ(k.Cursor(), c.cursor);
    EXPECT_EQ(StatusName(k.session.status), StatusName(c.status));
    EXPECT_EQ(k.view.sounds, c.sounds);
}

void InsertMode(Session& s) {
    s.keyboard.insert_mode = true;
}
Options Flag(const FieldDef& f, uint32_t value = 1) {
    return [&f, value](Session& s) { s.record.SetNumber(f, value); };
}
Options Both(Options a, Options b) {
    return [a, b](Session& s) { a(s), b(s); };
}

TEST(FieldEditGolden, TypingInsertAndOverflow) {
    const EditCase cases[] = {
        {"overtype sets the MDT",
         {"|Name[abc_......|......."},
         0,
         7,
         nullptr,
         "XY",
         {"|Name{aXY_......|......."},
         "0,9"},
        {"insert shifts the field",
         {"|Name[abc_......|......."},
         0,
         6,
         InsertMode,
         "X",
         {"|Name{Xabc_.....|......."},
         "0,7"},
        {"insert loses a blank in the last position",
         {"|Name[abcdefghi_|......."},
         0,
         6,
         InsertMode,
         "X",
         {"|Name{Xabcdefghi|......."},
         "0,7"},
        {"insert into a full field overflows",
         {"|Name[abcdefghij|......."},
         0,
         6,
         Both(InsertMode, Flag(field::KeyClickOnError)),
         "X",
         {"|Name{abcdefghij|......."},
         "0,6",
         SessionStatus::InsertOverflow,
         "E"},
        {"reset ends the overflow and insert mode",
         {"|Name[abcdefghij|......."},
         0,
         6,
         InsertMode,
         "X{Reset}Z",
         {"|Name{Zbcdefghij|......."},
         "0,7"},
        {"a protected field refuses",
         {"|Name[abc_......|......."},
         0,
         2,
         nullptr,
         "X",
         {"|Name[abc_......|......."},
         "0,2",
         SessionStatus::Protected},
        {"keys wait while protected; reset clears them",
         {"|Name[abc_......|......."},
         0,
         2,
         Flag(field::TypeAhead),
         "XY{Reset}",
         {"|Name[abc_......|......."},
         "0,2"},
        {"automatic unlock goes on typing",
         {"|Name[abc_......|......."},
         0,
         5,
         Flag(field::AutoKeyboardUnlock),
         "X{Tab}Y",
         {"|Name{Ybc_......|......."},
         "0,7"},
        {"prefix with spaces blanks the nulls before",
         {"|Name[..........|......."},
         0,
         10,
         Flag(field::PrefixInputWithSpaces),
         "7",
         {"|Name{____7.....|......."},
         "0,11"},
        {"dup is typed and tabs",
         {"[.....[.....[..........."},
         0,
         2,
         nullptr,
         "{Dup}",
         {"{.*...[.....[..........."},
         "0,7"},
        {"field mark is typed",
         {"[.....[.....[..........."},
         0,
         2,
         nullptr,
         "{FieldMark}",
         {"{.;...[.....[..........."},
         "0,3"},
    };
    for (const EditCase& c : cases) Check(c);
}

TEST(FieldEditGolden, NumericLock) {
    const EditCase cases[] = {
        {"digits and signs pass",
         {"|Qty<.....|............."},
         0,
         5,
         Flag(field::NumericFieldLock),
         "5-,.",
         {"|Qty(5-,..|............."},
         "0,9"},
        {"a letter is refused",
         {"|Qty<.....|............."},
         0,
         5,
         Flag(field::NumericFieldLock),
         "5A",
         {"|Qty(5....|............."},
         "0,6",
         SessionStatus::Protected},
        {"without the lock anything goes",
         {"|Qty<.....|............."},
         0,
         5,
         nullptr,
         "5A",
         {"|Qty(5A...|............."},
         "0,7"},
        {"shift held lets a letter through",
         {"|Qty<.....|............."},
         0,
         5,
         Both(Flag(field::NumericFieldLock), [](Session& s) { s.keyboard.shift_down = true; }),
         "A",
         {"|Qty(A....|............."},
         "0,6"},
    };
    for (const EditCase& c : cases) Check(c);
    // The characters a locked numeric field takes, all of them and nothing more.
    std::string accepted;
    for (int ch = 0x20; ch < 0x100; ++ch) {
        test::KeyboardSession k;
        k.Write({"|Qty<.....|............."}, 0, 5);
        k.session.record.SetNumber(field::NumericFieldLock, 1);
        TypeCharacter(k.session, uint8_t(ch));
        if (k.session.status == SessionStatus::Unlocked) accepted += char(ch);
    }
    EXPECT_EQ(accepted, "!#$%&()*+,-.0123456789<>?@^_{|}\x8E");
}

TEST(FieldEditGolden, SkipsAtTheEndOfAField) {
    const EditCase cases[] = {
        {"autoskip tabs to the next input field",
         {"|Id[...~99|Name[........"},
         0,
         6,
         Flag(field::EnableAutoskip),
         "x",
         {"|Id{..x~99|Name[........"},
         "0,16"},
        {"without autoskip the cursor stays on the attribute",
         {"|Id[...~99|Name[........"},
         0,
         6,
         nullptr,
         "x",
         {"|Id{..x~99|Name[........"},
         "0,7"},
        {"skip at end of field enters the next field",
         {"|A[...[....|............"},
         0,
         5,
         Flag(field::SkipAtEndOfField),
         "x",
         {"|A{..x[....|............"},
         "0,7"},
        {"insert mode never skips",
         {"|Id[...~99|Name[........"},
         0,
         5,
         Both(InsertMode, Flag(field::EnableAutoskip)),
         "x",
         {"|Id{.x.~99|Name[........"},
         "0,6"},
    };
    for (const EditCase& c : cases) Check(c);
}

TEST(FieldEditGolden, TabAndBackTab) {
    const Rows two_fields = {"|A[....|B[....|.........", "........................"};
    const EditCase cases[] = {
        {"tab to the next field", two_fields, 0, 4, nullptr, "{Tab}", two_fields, "0,10"},
        {"tab wraps to the first field", two_fields, 0, 12, nullptr, "{Tab}", two_fields, "0,3"},
        {"backtab to the field's start", two_fields, 0, 12, nullptr, "{BackTab}", two_fields, "0,10"},
        {"backtab from a start wraps to the last field", two_fields, 0, 3, nullptr, "{BackTab}", two_fields,
         "0,10"},
        {"tab without input fields goes to 0",
         {"|protected_only........."},
         1,
         4,
         nullptr,
         "{Tab}",
         {"|protected_only........."},
         "0,0"},
        {"home without input fields goes to 0",
         {"|protected_only........."},
         2,
         4,
         nullptr,
         "{Home}",
         {"|protected_only........."},
         "0,0"},
        {"home goes to the first input field", two_fields, 1, 4, nullptr, "{Home}", two_fields, "0,3"},
        {"newline goes to the next row's field",
         {"|A[.....................", "|B[....................."},
         0,
         8,
         nullptr,
         "{NewLine}",
         {"|A[.....................", "|B[....................."},
         "1,3"},
    };
    for (const EditCase& c : cases) Check(c);
}

TEST(FieldEditGolden, EraseAndDelete) {
    const EditCase cases[] = {
        {"erase EOF from the cursor",
         {"|A[abcdef|B[xyz........."},
         0,
         5,
         nullptr,
         "{EraseEOF}",
         {"|A{ab....|B[xyz........."},
         "0,5"},
        {"erase EOF at the last position erases only it",
         {Pad("z")},
         5,
         22,
         nullptr,
         "ab{CursorLeft}{EraseEOF}",
         {Pad("z"), kBlankRow, kBlankRow, kBlankRow, kBlankRow, Pad("......................a")},
         "5,23"},
        {"erase input clears every input field",
         {"{abc|prot[def|.........."},
         0,
         6,
         nullptr,
         "{EraseInput}",
         {"[...|prot[...|.........."},
         "0,1"},
        {"delete shifts the field left",
         {"|A[abcdef|B[xyz........."},
         0,
         4,
         nullptr,
         "{Delete}",
         {"|A{acdef.|B[xyz........."},
         "0,4"},
        {"delete in a protected field does nothing",
         {"|A[abcdef|B[xyz........."},
         0,
         1,
         nullptr,
         "{Delete}",
         {"|A[abcdef|B[xyz........."},
         "0,1"},
        {"delete word takes the word and its blank",
         {"[abc_def_ghi.|.........."},
         0,
         6,
         nullptr,
         "{DeleteWord}",
         {"{abc_ghi.....|.........."},
         "0,5"},
        {"backspace 2 in the first position locks",
         {"|A[abc....|............."},
         0,
         3,
         Flag(field::NormalCursorBackspace, 2),
         "{Backspace}",
         {"|A[abc....|............."},
         "0,3",
         SessionStatus::Protected},
        {"backspace 1 deletes to the left",
         {"|A[abc....|............."},
         0,
         5,
         Flag(field::NormalCursorBackspace, 1),
         "{Backspace}",
         {"|A{ac.....|............."},
         "0,4"},
    };
    for (const EditCase& c : cases) Check(c);
}

TEST(FieldEditGolden, WordWrapReflowsAParagraph) {
    const Rows paragraph = {Pad("[aaa_bbb_ccc_ddd_eee_ff"), Pad("[ggg_hhh"), Pad("["), Pad("[")};
    const Options wrap = [](Session& s) { s.keyboard.word_wrap = true; };
    const EditCase cases[] = {
        {"a word typed into the right column moves down with the cursor",
         paragraph,
         0,
         23,
         wrap,
         "f",
         {Pad("{aaa_bbb_ccc_ddd_eee", '_'), Pad("{fff_ggg_hhh", '_'), Pad("{", '_')},
         "1,4"},
        {"typing goes on in insert mode after the wrapped word",
         paragraph,
         0,
         23,
         wrap,
         "fx",
         {Pad("{aaa_bbb_ccc_ddd_eee", '_'), Pad("{fffx_ggg_hhh", '_'), Pad("{", '_')},
         "1,5"},
        {"deleting pulls words up from the next row",
         {Pad("[aaa_bbb_ccc_ddd_eee", '_'), Pad("[fff_ggg"), Pad("["), Pad("[")},
         0,
         1,
         wrap,
         "{DeleteWord}",
         {Pad("{bbb_ccc_ddd_eee_fff", '_'), Pad("{ggg", '_'), Pad("{", '_')},
         "0,1"},
        {"without word wrap nothing moves",
         paragraph,
         0,
         23,
         nullptr,
         "f",
         {Pad("{aaa_bbb_ccc_ddd_eee_fff"), Pad("[ggg_hhh")},
         "1,0"},
    };
    for (const EditCase& c : cases) Check(c);
}

TEST(FieldEditGolden, UndoToggles) {
    test::KeyboardSession k;
    const Rows host = {"|A[abc....|.............", kBlankRow, kBlankRow, kBlankRow, kBlankRow, kBlankRow};
    k.Write(host, 0, 3);
    k.Type("xy");
    const Rows edited = k.Screen();
    k.Type("{Undo}");
    EXPECT_EQ(k.Screen(), host);
    EXPECT_EQ(k.Cursor(), "0,3");  // where the host left it
    k.Type("{Reset}{Undo}");       // Reset keeps the toggle going
    EXPECT_EQ(k.Screen(), edited);
    EXPECT_EQ(k.Cursor(), "0,5");
    k.Type("z{Undo}");  // a new edit starts a new toggle from the host's screen
    EXPECT_EQ(k.Screen(), host);
    k.Type("{Undo}");
    EXPECT_EQ(k.Screen()[0], "|A{xyz....|.............");
    // A new host screen: edits of the old one never come back.
    k.Write(host, 0, 3);
    k.Type("{Undo}{Undo}");
    EXPECT_EQ(k.Screen(), host);
}

}  // namespace
}  // namespace orkan
