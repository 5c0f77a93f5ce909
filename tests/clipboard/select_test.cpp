// The Select functions and Paste JCL on one row of JCL and fields: the rectangle each makes from a
// cursor position, and what Paste JCL leaves in the field.
#include <gtest/gtest.h>

#include "clipboard/selecting.h"
#include "keyboard/keyboard_harness.h"

namespace orkan {
namespace {

// Row 0 is one input field of JCL; row 1 a protected label and a field that runs on into row 2.
// The pictures use "(" and "." for fields and nulls: "q", "w" and "p" stand for "(", ")" and ".".
const std::vector<std::string> kScreen = {
    "[//STEP1_EXEC_PGM=IEFBR14,PARM='A_B'____",
    "|Name:[DSN=MYpDATA,DISP=qNEW,CATLGw_____",
    "________|key_PF3=END____________________",
};

void WriteJcl(test::KeyboardSession& k, uint32_t row, uint32_t column) {
    k.Write(kScreen, row, column);
    for (uint8_t& c : k.session.ps.planes.display) {
        if (c == 'q') c = '(';
        if (c == 'w') c = ')';
        if (c == 'p') c = '.';
    }
}

std::string Rect(const Session& s) {
    if (!s.selection.shown) return "none";
    const Selection& x = s.selection;
    return std::to_string(x.Top()) + "," + std::to_string(x.Left()) + "-" + std::to_string(x.Bottom()) + "," +
           std::to_string(x.Right());
}

struct SelectCase {
    const char* name;
    uint32_t row, column;
    const char* keys;
    const char* rect;
};

TEST(SelectTest, RectangleFromTheCursor) {
    const SelectCase cases[] = {
        {"word", 0, 9, "{SelectWord}", "0,9-0,12"},
        {"word on a blank is the cell alone", 0, 8, "{SelectWord}", "0,8-0,8"},
        {"line", 1, 3, "{SelectLine}", "1,0-1,39"},
        {"all", 1, 3, "{SelectAll}", "0,0-2,39"},
        {"field on its row", 1, 12, "{SelectField}", "1,7-1,39"},
        {"field begun on an earlier row starts at the row", 2, 3, "{SelectField}", "2,0-2,7"},
        {"text shrinks to the characters", 1, 12, "{SelectText}", "1,7-1,34"},
        {"JCL: a value from the equals sign up to the comma", 1, 12, "{SelectJCL}", "1,11-1,17"},
        {"JCL: a keyword takes its whole value", 1, 8, "{SelectJCL}", "1,7-1,17"},
        {"JCL: inside a list, up to its comma", 1, 26, "{SelectJCL}", "1,25-1,27"},
        {"JCL: a parenthesised list", 1, 24, "{SelectJCL}", "1,24-1,34"},
        {"JCL: a quoted string", 0, 31, "{SelectJCL}", "0,31-0,35"},
        {"JCL: a lone delimiter selects the word", 0, 25, "{SelectJCL}", "0,14-0,32"},
        {"JCL: // opens a statement, selected as text", 0, 1, "{SelectJCL}", "0,1-0,35"},
        {"JCL: a digit run between delimiters", 2, 15, "{SelectJCL}", "2,13-2,15"},
        {"mark to cursor", 2, 5, "{MarkSelectionStart}{CursorUp}{CursorUp}{CursorLeft}{SelectToMark}",
         "0,4-2,5"},
        {"extend from the end corner, stopping at the edge", 0, 38,
         "{ExtendSelectionRight}{ExtendSelectionRight}{ExtendSelectionRight}{ExtendSelectionDown}",
         "0,38-1,39"},
    };
    for (const SelectCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::KeyboardSession k(3, 40);
        WriteJcl(k, c.row, c.column);
        k.Type(c.keys);
        EXPECT_EQ(Rect(k.session), c.rect);
    }
}

TEST(PasteJclTest, ReplacesTheValueAndMovesTheRestOfTheField) {
    struct Case {
        const char* name;
        uint32_t row, column;
        const char* clipboard;
        const char* row_after;
    } cases[] = {
        {"shorter: the rest closes up, nulls at the field end", 1, 12, "X.Y\nsecond line",
         "|Name:{DSN=X.Y,DISP=(NEW,CATLG)_____...."},
        {"longer: the rest moves right within the field", 1, 26, "MOD,KEEP,X",
         "|Name:{DSN=MY.DATA,DISP=(MOD,KEEP,X,CATL"},
        {"a protected field is left alone", 1, 2, "zzz", "|Name:[DSN=MY.DATA,DISP=(NEW,CATLG)_____"},
        {"no JCL under the cursor: a normal paste", 0, 36, "zz", "{//STEP1_EXEC_PGM=IEFBR14,PARM='A_B'zz__"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::KeyboardSession k(3, 40);
        WriteJcl(k, c.row, c.column);
        k.session.ui.SetClipboardText(c.clipboard);
        k.Type("{PasteJCL}");
        EXPECT_EQ(k.Screen()[c.row], c.row_after);
    }
}

}  // namespace
}  // namespace orkan
