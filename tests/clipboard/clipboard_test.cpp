// The clipboard's picture cases (data/paste.txt, copy.txt, select.txt), copy beyond the buffer's
// size, the stack of copy buffers, the paste size limit and the breaking of lines; Find: matches
// marked in the highlight plane, whole words and case, the history, the dialog's OK and Cancel, and
// the find that follows each new host screen.
#include <gtest/gtest.h>

#include "clipboard/clipboard.h"
#include "clipboard/clipboard_state.h"
#include "clipboard/copying.h"
#include "clipboard/find.h"
#include "clipboard/pasting.h"
#include "keyboard/keyboard_harness.h"
#include "keyboard/keyboard_state.h"

namespace orkan {
namespace {

TEST(CopyTest, FullBufferStopsTheCopyAndSaysSo) {
    test::KeyboardSession k(24, 80);
    k.Write({"[" + std::string(79, 'x')});
    k.session.settings.CopyBufferSize = 1;  // 1000 bytes with the terminator
    k.session.selection = {true, 0, 0, 23, 79};
    k.Type("{Copy}");
    // 999 bytes inside: twelve whole rows with their CR LF (LF outside) and 15 cells of the next.
    EXPECT_EQ(k.session.ui.ClipboardText().size(), 999u - 12u);
    const std::string full =
        "Copy Buffer is Full: Copy Buffer is full (1000 bytes max)\nThe last CopyAppend has been truncated";
    EXPECT_EQ(k.harness.TakeMessages(), full);
    // Copy Append cuts the clipboard's own text in whole characters, by their display bytes.
    k.session.ui.SetClipboardText("\u65E5" + std::string(1200, 'y'));
    k.Type("{CopyAppend}");
    EXPECT_EQ(k.session.ui.ClipboardText(), "\u65E5" + std::string(998, 'y'));
    EXPECT_EQ(k.harness.TakeMessages(), full);
}

TEST(CopyBuffersTest, RepeatedPasteCyclesThroughThreeBuffers) {
    test::KeyboardSession k(2, 20);
    k.Write({"[A_BB_CCCC__________", "[..................."}, 1, 1);
    k.session.record.SetNumber(field::NumberOfCopyBuffers, 3);
    for (auto [left, right] : {std::pair{1u, 1u}, {3u, 4u}, {6u, 9u}}) {
        k.session.selection = {true, 0, left, 0, right};
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

TEST(CopyBuffersTest, APasteThatPastedNothingOrACursorMovedOtherwiseStartsNoRepeat) {
    test::KeyboardSession k(2, 20);
    k.Write({"[A_BB_CCCC__________", "[..................."}, 1, 1);
    k.session.record.SetNumber(field::NumberOfCopyBuffers, 3);
    k.session.selection = {true, 0, 1, 0, 1};
    k.Type("{Copy}");
    k.session.selection.shown = false;
    // Cancelled at the question about a character the host lacks: nothing pasted, no cycle, so
    // the next paste takes the clipboard again.
    k.session.ui.SetClipboardText("x\u0100y");
    k.harness.ui.answers.push_back(Answer::Cancel);
    k.Type("{Paste}");
    EXPECT_EQ(k.clipboard.PasteRepeatBuffer(), -1);
    EXPECT_EQ(k.Screen()[1], "[...................");
    k.session.ui.SetClipboardText("NEW");
    k.Type("{Paste}");
    EXPECT_EQ(k.Screen()[1], "{NEW................");
    // The cursor moved by a macro or the API, not by a key: the next paste goes there, and the
    // first one stays.
    k.session.ps.cursor_address = 20 + 10;
    k.Type("{Paste}");
    EXPECT_EQ(k.Screen()[1], "{NEW......NEW.......");
    EXPECT_EQ(k.clipboard.PasteRepeatBuffer(), 1);
    k.harness.TakeMessages();
}

class PictureCases : public testing::TestWithParam<test::GoldenCase> {};

TEST_P(PictureCases, Case) {
    test::RunPictureCase(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Paste, PictureCases,
                         testing::ValuesIn(test::ReadGoldenCases("clipboard/data/paste.txt")),
                         test::GoldenTestName);
INSTANTIATE_TEST_SUITE_P(CopyCut, PictureCases,
                         testing::ValuesIn(test::ReadGoldenCases("clipboard/data/copy.txt")),
                         test::GoldenTestName);
INSTANTIATE_TEST_SUITE_P(Select, PictureCases,
                         testing::ValuesIn(test::ReadGoldenCases("clipboard/data/select.txt")),
                         test::GoldenTestName);

TEST(PasteTest, LargeClipboardIsCutWithRoomForTheTerminator) {
    test::KeyboardSession k(2, 10);
    k.Write({"[.........", ".........."}, 0, 1);
    k.session.settings.CopyBufferSize = 1;
    // Counted in display bytes ("é" is one); the euro sign past the cut is not asked about.
    k.session.ui.SetClipboardText(std::string(998, 'z') + "\u00E9" + std::string(500, 'z') + "\u20AC");
    k.Type("{PasteOverlay}");
    EXPECT_EQ(k.harness.TakeMessages(),
              "Large amount of Clipboard data: Warning: PasteContinue will be truncated to 999 characters");
    EXPECT_EQ(k.clipboard.state().buffers[0], std::string(998, 'z') + "\xE9");
}

TEST(PasteTest, BreakIntoLinesKeepsWithinTheWidth) {
    struct Case {
        std::string text;
        uint32_t width;
        std::string lines;
    } cases[] = {
        {"a\r\n\r\nb", 5, "a\r\n\r\nb"},
        {"ab  cd", 2, "ab\r\ncd"},
    };
    for (const Case& c : cases) EXPECT_EQ(BreakIntoLines(c.text, c.width), c.lines) << c.text;
}

// "^" under each marked cell of row 0.
std::string Marks(const Session& s) {
    std::string m;
    for (uint32_t c = 0; c < s.ps.columns; ++c) m += (s.ps.planes.highlight[c] & hl::FindMark) ? '^' : ' ';
    m.erase(m.find_last_not_of(' ') + 1);
    return m;
}

struct FindCase {
    const char* name;
    const char* row;  // 12 columns, unformatted
    const char* text;
    uint8_t options;
    bool ran;
    const char* marks;
};

TEST(FindTest, MarksEveryMatchWithoutOverlap) {
    using namespace find_option;
    const FindCase cases[] = {
        {"two matches side by side", "abab", "ab", 0, true, "^^^^"},
        {"matches never overlap", "aaa", "aa", 0, true, "^^"},
        {"case ignored", "Hello hELLO", "hello", 0, true, "^^^^^ ^^^^^"},
        {"match case", "Hello hello", "hello", MatchCase, true, "      ^^^^^"},
        {"whole word: a digit follows", "PF3=END", "PF", WholeWords, true, ""},
        {"whole word: a blank follows", "PF =END", "PF", WholeWords, true, "^^"},
        {"whole word at the row's end", "key PF", "PF", WholeWords, true, "    ^^"},
        {"without whole words inside a word", "PF3=END", "PF", 0, true, "^^"},
        {"a text as long as the row finds nothing", "abcdefghijkl", "abcdefghijkl", 0, false, ""},
        {"an empty text finds nothing", "abc", "", 0, false, ""},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::KeyboardSession k(2, 12);
        k.Write({c.row});
        k.session.ps.planes.highlight[11] |= hl::FindMark;  // an earlier mark that must go
        EXPECT_EQ(FindAndMark(k.session, c.text, c.options), c.ran);
        EXPECT_EQ(Marks(k.session), c.marks);
    }
}

TEST(FindTest, MatchesStayInOneRowAndHiddenTextIsNotFound) {
    test::KeyboardSession k(2, 12);
    k.Write({"|xx[secret.ab", "c..........."});
    k.session.ps.planes.attribute[3] |= fa::NonDisplay;
    EXPECT_TRUE(FindAndMark(k.session, "secret", 0));
    EXPECT_EQ(Marks(k.session), "");
    EXPECT_TRUE(FindAndMark(k.session, "abc", 0));
    EXPECT_EQ(Marks(k.session), "");
}

TEST(FindTest, HistoryKeepsTwentyTextsMostRecentFirst) {
    test::KeyboardSession k;
    ClipboardState& clip = k.clipboard.state();
    for (int i = 0; i < 21; ++i) ASSERT_TRUE(RecordFindText(clip, "t" + std::to_string(i)));
    EXPECT_EQ(clip.find_history.front(), "t20");
    EXPECT_EQ(clip.find_history.back(), "t1");
    // A text already there changes places with the first entry.
    ASSERT_TRUE(RecordFindText(clip, "t5"));
    EXPECT_EQ(clip.find_history[0], "t5");
    EXPECT_EQ(clip.find_history[15], "t20");
    EXPECT_FALSE(RecordFindText(clip, std::string(41, 'x')));
    EXPECT_FALSE(RecordFindText(clip, ""));
}

TEST(FindTest, DialogOkFindsCancelStopsButRemembers) {
    test::KeyboardSession k(2, 12);
    k.Write({"abc abc"});
    Session& s = k.session;
    ClipboardState& clip = k.clipboard.state();
    FinishFindDialog(s, clip, {true, "abc", find_option::EveryScreen});
    EXPECT_EQ(Marks(s), "^^^ ^^^");
    EXPECT_EQ(clip.active_find, find_option::EveryScreen);
    EXPECT_EQ(s.record.Number(field::FindOptions), find_option::EveryScreen);
    FinishFindDialog(s, clip, {false, "bc", find_option::EveryScreen});
    EXPECT_EQ(Marks(s), "");
    EXPECT_EQ(clip.active_find, 0);
    EXPECT_EQ(clip.find_history.front(), "bc");
    // Without an active find a new screen gets no marks.
    k.Write({"bc"});
    EXPECT_EQ(Marks(s), "");
    // Find Repeat takes the latest text.
    k.Type("{FindRepeat}");
    EXPECT_EQ(Marks(s), "^^");
    k.Type("{FindClear}");
    EXPECT_EQ(Marks(s), "");
    // Cancel with a text too long for the history stops finding again as well.
    FinishFindDialog(s, clip, {true, "abc", find_option::EveryScreen});
    FinishFindDialog(s, clip, {false, std::string(41, 'a'), find_option::EveryScreen});
    EXPECT_EQ(clip.active_find, 0);
}

TEST(FindTest, FindingAgainAfterAHostScreenKeepsTheTypeAheadQueue) {
    test::KeyboardSession k(2, 12);
    Session& s = k.session;
    ClipboardState& clip = k.clipboard.state();
    s.record.SetNumber(field::TypeAhead, 1);
    k.Write({"[..........."}, 0, 1);
    FinishFindDialog(s, clip, {true, "ok", find_option::EveryScreen});
    k.Type("{Enter}ok");  // typed while the host has the keyboard locked
    ASSERT_EQ(s.keyboard->type_ahead.Size(), 2u);
    // The find runs before the replay: had it gone through key admission, the queue would be empty.
    k.Write({"[..........."}, 0, 1);
    EXPECT_EQ(k.Screen()[0], "{ok.........");
    k.Write({"|ok........."}, 0, 0);
    EXPECT_EQ(Marks(s), " ^^");
}

}  // namespace
}  // namespace orkan
