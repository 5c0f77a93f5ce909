// The clipboard's picture cases (data/paste.txt, copy.txt, select.txt), then the paste forms'
// questions asked, characters without a host form and the size limit.
#include <gtest/gtest.h>

#include "clipboard/pasting.h"
#include "keyboard/keyboard_harness.h"

namespace orkan {
namespace {

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
