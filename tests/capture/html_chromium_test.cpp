// A saved HTML screen as a browser shows it: headless Chromium takes a screenshot, and the cells
// drawn in reverse video must be filled with the colours the window uses, in their places.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "capture/screen_save.h"
#include "config/temp_folder.h"
#include "display/display_fixture.h"
#include "display/palette.h"
#include "keyboard/key_functions.h"

#ifdef ORKAN_HAVE_PNG
#include <png.h>
#endif

namespace orkan {
namespace {

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool found() const { return right >= 0; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

TEST(HtmlInChromium, ReverseCellsShowTheirColoursInPlace) {
#ifndef ORKAN_HAVE_PNG
    GTEST_SKIP() << "built without libpng";
#else
    if (std::system("command -v chromium > /dev/null") != 0) GTEST_SKIP() << "chromium is not installed";

    test::TempFolder folder;
    test::DisplaySession d(2, 16);
    // Row 0: a blank cell, then host colours 1-6 as reverse-video pairs of blanks; row 1 the same
    // for colours 9-14. Black and white would not stand out from the table and the page.
    for (int i = 0; i < 6; ++i) {
        d.Text(1 + 2 * uint32_t(i), "  ", MakeColour(uint8_t(1 + i), 0), hl::Reverse);
        d.Text(17 + 2 * uint32_t(i), "  ", MakeColour(uint8_t(9 + i), 0), hl::Reverse);
    }
    d.s.folders.screens = folder.path();
    ASSERT_TRUE(d.s.record.SetText(field::SaveScreenFile, "colours"));
    d.s.record.SetNumber(field::FormatAsHtml, 1);
    ScreenCapture capture(d.s);
    ASSERT_TRUE(capture.SaveScreen(oper_fn::SaveScreen));

    const std::string png = folder / "shot.png";
    const std::string command =
        "timeout -k 5 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync --user-data-dir='" +
        folder / "profile" + "' --window-size=600,200 --screenshot='" + png + "' 'file://" +
        folder / "colours.html" + "' > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    if (status != 0 || !std::filesystem::exists(png))
        GTEST_SKIP() << "chromium could not start (status " << status << ")";

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, png.c_str())) << image.message;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
    auto rgb_at = [&](int x, int y) {
        const size_t i = (size_t(y) * image.width + size_t(x)) * 3;
        return Rgb(pixels[i]) << 16 | Rgb(pixels[i + 1]) << 8 | pixels[i + 2];
    };
    auto box_of = [&](Rgb colour) {
        Box b;
        for (int y = 0; y < int(image.height); ++y)
            for (int x = 0; x < int(image.width); ++x)
                if (rgb_at(x, y) == colour) {
                    b.left = std::min(b.left, x);
                    b.right = std::max(b.right, x);
                    b.top = std::min(b.top, y);
                    b.bottom = std::max(b.bottom, y);
                }
        return b;
    };

    const Palette palette = BuildPalette(d.s.record);
    Box row0[6], row1[6];
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        for (Box* row : {row0, row1}) {
            row[i] = box_of(palette[size_t((row == row0 ? 1 : 9) + i)]);
            ASSERT_TRUE(row[i].found());
            // Two cells each, side by side, one row high.
            EXPECT_NEAR(row[i].width(), row[0].width(), 1);
            EXPECT_EQ(row[i].height(), row[0].height());
            EXPECT_EQ(row[i].top, row[0].top);
            EXPECT_NEAR(row[i].left, i > 0 ? row[i - 1].right + 1 : row[i].left, 1);
        }
    }
    EXPECT_GE(row1[0].top, row0[0].bottom);
    EXPECT_NEAR(row1[0].left, row0[0].left, 1);
    // The blank cell before the blocks shows the table's background, the screen's own.
    const int cell = row0[0].width() / 2;
    EXPECT_EQ(rgb_at(row0[0].left - cell / 2, (row0[0].top + row0[0].bottom) / 2), palette[0]);
#endif
}

}  // namespace
}  // namespace orkan
