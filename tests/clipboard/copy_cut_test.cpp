// Copy and Cut: what reaches the clipboard (UTF-8, LF line ends) from a screen the host wrote,
// under the copy options; what Cut leaves behind; the stack of copy buffers.
#include <gtest/gtest.h>

#include <functional>

#include "clipboard/clipboard.h"
#include "clipboard/copying.h"
#include "clipboard/pasting.h"
#include "keyboard/keyboard_harness.h"

namespace orkan {
namespace {

using Rows = std::vector<std::string>;

void Select(Session& s, uint32_t top, uint32_t left, uint32_t bottom, uint32_t right) {
    s.selection = {true, top, left, bottom, right};
}

// Row 0: protected "User", an input field whose text the host hides; row 1: two fields.
const Rows kLogon = {"|User_[pass_word____", "[abc_def___|xyz_____"};

struct CopyCase {
    const char* name;
    const char* key;
    bool copy_passwords;
    uint32_t top, left, bottom, right;
    const char* clipboard;
};

TEST(CopyTest, TextOfTheSelectionReachesTheClipboard) {
    const CopyCase cases[] = {
        {"password field copied as blanks", "Copy", false, 0, 0, 0, 19, " User               "},
        {"password shown with CopyPasswords", "Copy", true, 0, 0, 0, 19, " User  pass word    "},
        {"truncate drops trailing blanks per row", "CopyTruncate", true, 0, 0, 1, 19,
         " User  pass word\n abc def    xyz"},
        {"rows end in LF outside", "Copy", false, 0, 1, 1, 4, "User\nabc "},
        {"fields: TAB after inner attribute positions", "CopyFields", true, 0, 0, 0, 9, " User  \tpas"},
        {"selection drawn upwards and leftwards", "Copy", false, 1, 4, 0, 1, "User\nabc "},
    };
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::KeyboardSession k(2, 20);
        k.Write(kLogon);
        k.session.ps.planes.attribute[6] |= fa::NonDisplay;
        k.session.settings.CopyPasswords = c.copy_passwords;
        Select(k.session, c.top, c.left, c.bottom, c.right);
        k.Type("{" + std::string(c.key) + "}");
        EXPECT_EQ(k.session.ui.ClipboardText(), c.clipboard);
        EXPECT_TRUE(k.session.selection.shown);
    }
}

TEST(CopyTest, AppendsJoinTheClipboardText) {
    struct Case {
        const char* name;
        const char* before;
        const char* key;
        const char* clipboard;
    } cases[] = {
        {"Copy Append starts a new line", "first", "CopyAppend", "first\nUser"},
        {"no second line end after LF", "first\n", "CopyAppend", "first\nUser"},
        {"Copy Append No CR runs on", "first", "CopyAppendNoCR", "firstUser"},
        {"empty clipboard: no empty first line", "", "CopyAppend", "User"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::KeyboardSession k(2, 20);
        k.Write(kLogon);
        k.session.ui.SetClipboardText(c.before);
        Select(k.session, 0, 1, 0, 4);
        k.Type("{" + std::string(c.key) + "}");
        EXPECT_EQ(k.session.ui.ClipboardText(), c.clipboard);
    }
}

TEST(CopyTest, FullBufferStopsTheCopyAndSaysSo) {
    test::KeyboardSession k(24, 80);
    k.Write({"[" + std::string(79, 'x')});
    k.session.settings.CopyBufferSize = 1;  // 1000 bytes with the terminator
    Select(k.session, 0, 0, 23, 79);
    k.Type("{Copy}");
    // 999 bytes inside: twelve whole rows with their CR LF (LF outside) and 15 cells of the next.
    EXPECT_EQ(k.session.ui.ClipboardText().size(), 999u - 12u);
    EXPECT_EQ(
        k.harness.TakeMessages(),
        "Copy Buffer is Full: Copy Buffer is full (1000 bytes max)\nThe last CopyAppend has been truncated");
}

struct CutCase {
    const char* name;
    uint8_t cut_delete;
    Rows expected;
};

TEST(CutTest, ClearsInputCellsOnlyAndMarksTheirFields) {
    const CutCase cases[] = {
        {"nulls with CUT/DELETE 0", 0, {"{a...|def{...h", "{a...........m", "[abc_def_ghijk"}},
        {"blanks with CUT/DELETE 1", 1, {"{a___|def{___h", "{a___________m", "[abc_def_ghijk"}},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::KeyboardSession k(3, 14);
        k.Write({"[abcd|def[efgh", "[abcdefghijklm", "[abc_def_ghijk"});
        k.session.record.SetNumber(field::CutDelete, c.cut_delete);
        Select(k.session, 1, 2, 0, 12);
        k.Type("{Cut}");
        EXPECT_EQ(k.Screen(), c.expected);
        EXPECT_EQ(k.session.ui.ClipboardText(), "bcd def efg\nbcdefghijkl");
        EXPECT_FALSE(k.session.selection.shown);
    }
}

TEST(CopyBuffersTest, RepeatedPasteCyclesThroughThreeBuffers) {
    test::KeyboardSession k(2, 20);
    k.Write({"[A_BB_CCCC__________", "[..................."}, 1, 1);
    k.session.record.SetNumber(field::NumberOfCopyBuffers, 3);
    for (auto [left, right] : {std::pair{1u, 1u}, {3u, 4u}, {6u, 9u}}) {
        Select(k.session, 0, left, 0, right);
        k.Type("{Copy}");
    }
    k.session.selection.shown = false;
    const char* after[] = {"[CCCC...............", "[BB.................", "[A..................",
                           "[CCCC..............."};
    const int buffer[] = {1, 2, 3, 1};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        k.Type("{Paste}");
        std::string row = k.Screen()[1];
        row[0] = '[';  // the MDT
        EXPECT_EQ(row, after[i]);
        EXPECT_EQ(k.clipboard.PasteRepeatBuffer(), buffer[i]);
    }
    // Another key function ends the cycle: the next paste starts again at the clipboard.
    k.Type("{CursorRight}{Paste}");
    EXPECT_EQ(k.clipboard.PasteRepeatBuffer(), 1);
    // A host write ends it as well.
    k.Write({"[A_BB_CCCC__________", "[..................."}, 1, 1);
    EXPECT_EQ(k.clipboard.PasteRepeatBuffer(), -1);
}

TEST(CopyBuffersTest, ClearCopyBuffersEmptiesEverything) {
    test::KeyboardSession k(2, 20);
    k.Write(kLogon, 1, 1);
    Select(k.session, 0, 1, 0, 4);
    k.Type("{Copy}");
    k.session.selection.shown = false;
    k.Type("{ClearCopyBuffers}{Paste}");
    EXPECT_EQ(k.session.ui.ClipboardText(), "");
    EXPECT_EQ(k.Screen()[1], "[abc_def___|xyz_____");
}

}  // namespace
}  // namespace orkan
