// The clipboard's picture cases (data/paste.txt, copy.txt, select.txt), then the paste forms' questions
// asked, windows, characters without a host form and the size limit.
#include <gtest/gtest.h>

#include "clipboard/pasting.h"
#include "keyboard/keyboard_harness.h"

namespace orkan {
namespace {

using Rows = std::vector<std::string>;

std::string Nulls(size_t n) {
    return std::string(n, '.');
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

TEST(PasteTest, InsertIntoAShortFieldAsksFirst) {
    struct Case {
        const char* name;
        bool notify;
        Answer answer;
        const char* row;
        size_t questions;
    } cases[] = {
        {"Cancel keeps the screen", true, Answer::Cancel, "[abcdefghij.....|", 1},
        {"OK loses the field's end", true, Answer::Ok, "{0123456789abcde|", 1},
        {"without the option nobody is asked", false, Answer::Cancel, "{0123456789abcde|", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::KeyboardSession k(1, 17);
        k.Write({"[abcdefghij.....|"}, 0, 1);
        k.session.record.SetNumber(field::NotifyUserOnInsertError, c.notify);
        k.harness.ui.answers.push_back(c.answer);
        k.session.ui.SetClipboardText("0123456789");
        k.Type("{PasteInsert}");
        EXPECT_EQ(k.Screen()[0], c.row);
        ASSERT_EQ(k.harness.ui.shown.size(), c.questions);
        if (c.questions) {
            EXPECT_EQ(k.harness.ui.shown[0].title, "PasteInsert Data Loss");
        }
    }
}

TEST(PasteTest, WindowBreaksTextAtBlanksToTheSelectionWidth) {
    const std::string sentence = "The quick brown fox jumps over the lazy dogs.";
    ASSERT_EQ(sentence.size(), 45u);
    struct Case {
        const char* name;
        const char* key;
        std::string clipboard;
        Rows window;
        const char* continuation;  // what Paste Continue writes into the emptied window
    } cases[] = {
        {"Paste Window",
         "PasteWindow",
         sentence,
         {"The_quick_brown_fox_", "jumps_over_the_lazy_", "dogs._______________"},
         nullptr},
        {"Paste Flow joins lines first",
         "PasteFlow",
         "The quick\n  brown   fox jumps over\nthe lazy dogs.",
         {"The_quick_brown_fox_", "jumps_over_the_lazy_", "dogs._______________"},
         nullptr},
        {"a word longer than the width is cut at the width; the rest waits for Paste Continue",
         "PasteWindow",
         "abcdefghijklmnopqrstuvwxyz 12345\nrest of it\nmore",
         {"abcdefghijklmnopqrst", "uvwxyz_12345________", "rest_of_it__________"},
         "more________________"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::KeyboardSession k(5, 40);
        k.Write({"[" + Nulls(39), Nulls(40), Nulls(40), Nulls(40), Nulls(40)}, 0, 1);
        k.session.record.SetNumber(field::CutDelete, 1);  // the cleared window is blanks
        k.session.ui.SetClipboardText(c.clipboard);
        k.session.selection = {true, 1, 10, 3, 29};
        k.Type("{" + std::string(c.key) + "}");
        const Rows screen = k.Screen();
        for (size_t r = 0; r < 3; ++r) EXPECT_EQ(screen[r + 1].substr(10, 20), c.window[r]) << r;
        EXPECT_EQ(k.Cursor(), "1,10");
        if (c.continuation) {
            k.Type("{PasteContinue}");
            EXPECT_EQ(k.Screen()[1].substr(10, 20), c.continuation);
        }
    }
    test::KeyboardSession k(2, 40);
    k.Write({"[" + Nulls(39), Nulls(40)});
    k.session.ui.SetClipboardText("x");
    k.Type("{PasteWindow}");
    EXPECT_EQ(
        k.harness.TakeMessages(),
        "Orkan TN3270 PasteWindow/PasteFlow: You need to draw a window with the mouse to indicate\nthe area "
        "where you want the text to be pasted");
}

TEST(PasteTest, CharactersWithoutAHostFormAreReported) {
    struct Case {
        const char* name;
        const char* clipboard;
        Answer answer;
        const char* row;
        const char* first;
    } cases[] = {
        {"euro sign: Windows-1252 has it, code page 037 not",
         "a\xE2\x82\xAC"
         "b",
         Answer::Ok, "{a?b", "U+20AC on line 1"},
        {"check mark: no 8-bit form at all", "x\ny\xE2\x9C\x93", Answer::Ok, "{x..", "U+2713 on line 2"},
        {"Cancel pastes nothing",
         "a\xE2\x82\xAC"
         "b",
         Answer::Cancel, "[...", "U+20AC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::KeyboardSession k(2, 4);
        k.Write({"[...", "...."}, 0, 1);
        k.harness.ui.answers.push_back(c.answer);
        k.session.ui.SetClipboardText(c.clipboard);
        k.Type("{PasteOverlay}");
        EXPECT_EQ(k.Screen()[0], c.row);
        ASSERT_EQ(k.harness.ui.shown.size(), 1u);
        EXPECT_NE(k.harness.ui.shown[0].text.find(c.first), std::string::npos) << k.harness.ui.shown[0].text;
    }
}

TEST(PasteTest, LargeClipboardIsCutWithRoomForTheTerminator) {
    test::KeyboardSession k(2, 10);
    k.Write({"[.........", ".........."}, 0, 1);
    k.session.settings.CopyBufferSize = 1;
    k.session.ui.SetClipboardText(std::string(1500, 'z'));
    k.Type("{PasteOverlay}");
    EXPECT_EQ(k.harness.TakeMessages(),
              "Large amount of Clipboard data: Warning: PasteContinue will be truncated to 999 characters");
    EXPECT_EQ(k.clipboard.state().buffers[0].size(), 999u);
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
