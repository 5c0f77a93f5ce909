// The clipboard's picture cases (data/paste.txt, copy.txt, select.txt), copy beyond the buffer's
// size, the stack of copy buffers, the paste size limit and the breaking of lines.
#include <gtest/gtest.h>

#include "clipboard/clipboard.h"
#include "clipboard/copying.h"
#include "clipboard/pasting.h"
#include "keyboard/keyboard_harness.h"

namespace orkan {
namespace {

void Select(Session& s, uint32_t top, uint32_t left, uint32_t bottom, uint32_t right) {
    s.selection = {true, top, left, bottom, right};
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
    // Copy Append cuts the clipboard's own text in whole characters, by their display bytes.
    k.session.ui.SetClipboardText("\u65E5" + std::string(1200, 'y'));
    k.Type("{CopyAppend}");
    EXPECT_EQ(k.session.ui.ClipboardText(), "\u65E5" + std::string(998, 'y'));
    EXPECT_EQ(
        k.harness.TakeMessages(),
        "Copy Buffer is Full: Copy Buffer is full (1000 bytes max)\nThe last CopyAppend has been truncated");
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

TEST(CopyBuffersTest, APasteThatPastedNothingOrACursorMovedOtherwiseStartsNoRepeat) {
    test::KeyboardSession k(2, 20);
    k.Write({"[A_BB_CCCC__________", "[..................."}, 1, 1);
    k.session.record.SetNumber(field::NumberOfCopyBuffers, 3);
    Select(k.session, 0, 1, 0, 1);
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
        {"aaa bbb ccc", 7, "aaa bbb\r\nccc"},
        {"aaa bbbb", 3, "aaa\r\nbbb\r\nb"},
        {"a\r\n\r\nb", 5, "a\r\n\r\nb"},
        {"ab  cd", 2, "ab\r\ncd"},
    };
    for (const Case& c : cases) EXPECT_EQ(BreakIntoLines(c.text, c.width), c.lines) << c.text;
}

}  // namespace
}  // namespace orkan
