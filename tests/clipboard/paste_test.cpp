// The clipboard's picture cases (data/paste.txt, copy.txt, select.txt), then the paste size limit
// and the breaking of lines.
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
