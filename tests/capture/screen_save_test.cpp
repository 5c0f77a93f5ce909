// Save Screen in text and HTML, the save-file actions, Save Screen Ask, and capture after every
// screen that unlocks the keyboard; a saved HTML screen as a browser shows it.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "capture/screen_save.h"
#include "capture/screen_text.h"
#include "config/temp_folder.h"
#include "dialog_ui.h"
#include "display/display_fixture.h"
#include "display/palette.h"
#include "keyboard/key_functions.h"

#ifdef ORKAN_HAVE_PNG
#include <png.h>
#endif

namespace orkan {

// A 3 x 16 screen with every kind of cell the save formats treat differently.
struct SavedScreen : test::DisplaySession {
    SavedScreen() : DisplaySession(3, 16) {
        Field(0, fa::Protected, MakeColour(7, 0));
        Text(1, "a<b>&c");
        Field(7, 0, MakeColour(4, 0), hl::Underscore);  // an input field of nulls, underlined
        Field(11, fa::Protected);                       // no colour of its own: the default
        Text(12, "R", MakeColour(2, 0), hl::Reverse);
        Text(13, "\xAD", 0, 0, kGraphicEscapeSet);  // code page 310: a left bracket look-alike
        Text(14, "x", 0, hl::Blink);
        Text(15, " ");
        for (int i = 0; i < 16; ++i)
            Text(16 + uint32_t(i), std::string(1, "0123456789ABCDEF"[i]), MakeColour(uint8_t(i), 0));
        Field(32, fa::NonDisplay, 0, hl::Underscore);  // a password field
        Text(33, "secret");
        Field(39, fa::Protected);
        Text(40, "end");
    }
};

namespace {

TEST(ScreenText, RowsThroughCellText) {
    SavedScreen d;
    EXPECT_EQ(ScreenAsText(d.s), " a<b>&c     R[x \n0123456789ABCDEF\n        end     \n\n\n");
    d.s.settings.CopyUnderscores = 1;
    EXPECT_EQ(ScreenAsText(d.s), " a<b>&c ___ R[x \n0123456789ABCDEF\n ______ end     \n\n\n");
}

TEST(ScreenText, AFieldWrappingFromTheEndGovernsTheTopAndCharactersBeyondAsciiAreUtf8) {
    test::DisplaySession d(2, 5);
    d.Text(0, "pass!");
    d.Field(5, fa::Protected);
    d.Text(6, "\xE9\x80\x8E");   // e acute, euro sign, DUP
    d.Field(9, fa::NonDisplay);  // runs on from the last cell into row 0
    EXPECT_EQ(ScreenAsText(d.s), "     \n \xC3\xA9\xE2\x82\xAC*\xCC\x85 \n\n\n");
}

// The screen as the window shows it, as HTML a browser shows the same way.
const std::string kSavedScreenHtml =
    test::ReadText(std::string(ORKAN_SOURCE_DIR) + "/tests/capture/data/saved_screen.html");

TEST(ScreenHtml, RunsInTheWindowsColoursAndOptionsChangeTheLook) {
    SavedScreen d;
    EXPECT_EQ(ScreenAsHtml(d.s, false), kSavedScreenHtml);
    // Attribute positions as dots, upper case, an earlier screen on show.
    d.s.record.SetNumber(field::AllUpperCase, 1);
    d.s.status = SessionStatus::History;
    const std::string html = ScreenAsHtml(d.s, true);
    EXPECT_EQ(html.rfind("<table border=\"0\" bgcolor=\"#101080\">", 0), 0u) << html;
    EXPECT_NE(html.find(">.A&lt;B&gt;&amp;C</font>"), std::string::npos) << html;
    EXPECT_NE(html.find("style=\"background-color:#101080\">R<"), std::string::npos) << html;
    EXPECT_EQ(html.find("SECRET"), std::string::npos);
    // Brightness changes the text colours as the window draws them; the neutral background stays.
    SavedScreen bright;
    bright.s.record.SetNumber(field::Brightness, 64);
    const std::string dim = ScreenAsHtml(bright.s, false);
    EXPECT_NE(dim.find("<font color=\"#3C4878\">1</font>"), std::string::npos) << dim;
    EXPECT_NE(dim.find("bgcolor=\"#000000\""), std::string::npos);
}

// Saving into files: the session's folders in a scratch folder, the clock set by hand.
struct SaveTest : ::testing::Test {
    test::TempFolder folder;
    SavedScreen d;
    ManualWallClock clock;
    std::unique_ptr<ScreenCapture> capture;

    SaveTest() {
        strptime("2026-02-22 14:05:09", "%F %T", &clock.now);
        d.s.wall_clock = &clock;
        // Made before the folders are set, as the session core is made before start-up resolves them.
        capture = std::make_unique<ScreenCapture>(d.s);
        d.s.folders.screens = folder / "screens";
    }
    void Settings(std::string_view file, SaveFileAction action, bool html) {
        ASSERT_TRUE(d.s.record.SetText(field::SaveScreenFile, file));
        d.s.record.SetNumber(field::SaveFileAction, uint32_t(action));
        d.s.record.SetNumber(field::FormatAsHtml, html ? 1 : 0);
    }
    std::string Read(const std::string& relative) { return test::ReadText(folder / relative); }
    std::vector<std::string> Files(const std::string& relative) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder / relative))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(SaveTest, ReplaceAppendAndTheAppendingFunction) {
    const std::string screen = ScreenAsText(d.s);
    Settings("shot", SaveFileAction::Replace, false);
    ASSERT_TRUE(capture->SaveScreen(oper_fn::SaveScreen));
    ASSERT_TRUE(capture->SaveScreen(oper_fn::SaveScreen));
    EXPECT_EQ(Read("screens/shot.txt"), screen);
    ASSERT_TRUE(capture->SaveScreen(oper_fn::SaveScreenAppend));  // appends whatever the setting
    EXPECT_EQ(Read("screens/shot.txt"), screen + screen);
    Settings("shot.TXT", SaveFileAction::Append, false);  // the extension is there already
    ASSERT_TRUE(capture->SaveScreen(oper_fn::SaveScreen));
    EXPECT_EQ(Read("screens/shot.TXT"), screen);
    EXPECT_EQ(capture->LastPath(), folder / "screens/shot.TXT");
}

TEST_F(SaveTest, HtmlDeclaresItsCharsetOnceAndAppendsTables) {
    Settings("page", SaveFileAction::Append, true);
    ASSERT_TRUE(capture->SaveScreen(oper_fn::SaveScreen));
    ASSERT_TRUE(capture->SaveScreen(oper_fn::SaveScreen));
    EXPECT_EQ(Read("screens/page.html"), std::string(kHtmlCharsetLine) + kSavedScreenHtml + kSavedScreenHtml);
    Settings("page", SaveFileAction::Replace, true);
    ASSERT_TRUE(capture->SaveScreen(oper_fn::SaveScreen));
    EXPECT_EQ(Read("screens/page.html"), std::string(kHtmlCharsetLine) + kSavedScreenHtml);
}

TEST_F(SaveTest, NumberedFilesGoIntoTheCaptureFolderAndNeverReplaceAnotherSessionsFile) {
    Settings("ignored", SaveFileAction::Numbered, false);
    // Another session started in the same second saved into the same folder too.
    const std::string numbered = "screens/capture-20260222-140509";
    test::WriteText(folder / (numbered + "/screen-0002.txt"), "theirs");
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(capture->SaveScreen(oper_fn::SaveScreen));
    EXPECT_EQ(capture->CaptureFolder(), folder / numbered);
    EXPECT_EQ(Files(numbered), (std::vector<std::string>{"screen-0001.txt", "screen-0002.txt",
                                                         "screen-0003.txt", "screen-0004.txt"}));
    EXPECT_EQ(Read(numbered + "/screen-0002.txt"), "theirs");
    EXPECT_EQ(capture->LastPath(), folder / (numbered + "/screen-0004.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder / "screens/ignored.txt"));
}

TEST_F(SaveTest, CaptureRunsNumberFromOneInAFolderOfTheirOwn) {
    Settings("", SaveFileAction::Numbered, false);
    capture->ToggleCapture();  // on: the screen at once
    EXPECT_TRUE(d.s.indicators.capture_active);
    d.Text(1, "second");
    capture->AfterUnlockCapture();
    d.Text(1, "third!");
    capture->AfterUnlockCapture();
    capture->ToggleCapture();  // off
    EXPECT_FALSE(d.s.indicators.capture_active);
    capture->AfterUnlockCapture();  // nothing while off
    const std::string first = "screens/capture-20260222-140509";
    EXPECT_EQ(Files(first),
              (std::vector<std::string>{"screen-0001.txt", "screen-0002.txt", "screen-0003.txt"}));
    EXPECT_EQ(Read(first + "/screen-0003.txt").substr(0, 8), " third! ");

    capture->ToggleCapture();  // on again within the same second: a new folder all the same
    const std::string second = first + "-2";
    EXPECT_EQ(capture->CaptureFolder(), folder / second);
    EXPECT_EQ(Files(second), (std::vector<std::string>{"screen-0001.txt"}));
    EXPECT_EQ(Read(second + "/screen-0001.txt").substr(0, 8), " third! ");
    EXPECT_EQ(Files(first).size(), 3u);
    clock.now.tm_sec = 30;
    capture->ToggleCapture();
    capture->ToggleCapture();
    EXPECT_EQ(capture->CaptureFolder(), folder / "screens/capture-20260222-140530");
    EXPECT_TRUE(d.ui.shown.empty());
}

TEST_F(SaveTest, FailuresAreShownAndStopCapture) {
    Settings("shot", SaveFileAction::Replace, false);
    EXPECT_FALSE(capture->SaveScreen(oper_fn::SaveScreenAsk));  // no dialogs here
    ASSERT_EQ(d.ui.shown.size(), 1u);
    EXPECT_NE(d.ui.shown[0].text.find("session option \"FILE\""), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "screens"));
    d.ui.shown.clear();

    Settings("", SaveFileAction::Replace, false);
    EXPECT_FALSE(capture->SaveScreen(oper_fn::SaveScreen));
    ASSERT_EQ(d.ui.shown.size(), 1u);
    EXPECT_NE(d.ui.shown[0].text.find("No file name is set"), std::string::npos);

    test::WriteText(folder / "screens", "a file where the folder should be");
    Settings("shot", SaveFileAction::Append, false);
    capture->ToggleCapture();
    EXPECT_FALSE(d.s.indicators.capture_active);
    ASSERT_EQ(d.ui.shown.size(), 2u);
    EXPECT_EQ(
        d.ui.shown[1].text.rfind(
            "Screen capture has stopped: the screen could not be saved to " + folder / "screens/shot.txt", 0),
        0u)
        << d.ui.shown[1].text;

    // A capture folder that cannot be made is named, with the real reason.
    Settings("", SaveFileAction::Numbered, false);
    EXPECT_FALSE(capture->SaveScreen(oper_fn::SaveScreen));
    ASSERT_EQ(d.ui.shown.size(), 3u);
    EXPECT_EQ(d.ui.shown[2].text, "The screen could not be saved: the folder " +
                                      folder / "screens/capture-20260222-140509" +
                                      " could not be made: Not a directory")
        << d.ui.shown[2].text;
}

TEST_F(SaveTest, AFailedWriteLeavesTheFileAsItWas) {
    // A file size limit fails the write partway, as a full disk would: below the new screen's size
    // for a new file, between the old and the new size for an appended one.
    const std::string old_text(100, 'o');
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto old_handler = signal(SIGXFSZ, SIG_IGN);
    for (const SaveFileAction action : {SaveFileAction::Replace, SaveFileAction::Append}) {
        SCOPED_TRACE(int(action));
        test::WriteText(folder / "screens/kept.txt", old_text);
        ASSERT_EQ(chmod((folder / "screens/kept.txt").c_str(), 0640), 0);
        Settings("kept", action, false);
        rlimit small = old;
        small.rlim_cur = action == SaveFileAction::Append ? 120 : 40;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool saved = capture->SaveScreen(oper_fn::SaveScreen);
        setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_FALSE(saved);
        EXPECT_EQ(capture->LastError(), EFBIG);
        EXPECT_EQ(Read("screens/kept.txt"), old_text);
        EXPECT_EQ(Files("screens"), std::vector<std::string>{"kept.txt"});  // no temporary left
        ASSERT_TRUE(capture->SaveScreen(oper_fn::SaveScreen));
        EXPECT_EQ(Read("screens/kept.txt"),
                  action == SaveFileAction::Append ? old_text + ScreenAsText(d.s) : ScreenAsText(d.s));
        EXPECT_EQ(test::ModeOf(folder / "screens/kept.txt"), 0640u);  // the user's permissions kept
    }
    signal(SIGXFSZ, old_handler);
}

TEST_F(SaveTest, AskingStoresTheChoiceBack) {
    test::DialogUi ui;
    Session s(ui);
    s.record = d.s.record;
    s.ps = d.s.ps;
    s.folders.screens = folder / "screens";
    ScreenCapture asking(s);
    ASSERT_TRUE(s.record.SetText(field::SaveScreenFile, "old"));
    s.record.SetNumber(field::SaveFileAction, 1);

    ui.answer = folder / "chosen.txt";
    ui.append_answer = false;
    ASSERT_TRUE(asking.SaveScreen(oper_fn::SaveScreenAsk));
    ASSERT_EQ(ui.requests.size(), 1u);
    EXPECT_EQ(ui.requests[0].purpose, FileDialogRequest::Purpose::Save);
    ASSERT_EQ(ui.requests[0].filters.size(), 1u);
    EXPECT_EQ(ui.requests[0].filters[0].patterns, std::vector<std::string>{"*.txt"});
    EXPECT_EQ(ui.requests[0].file_name, "old");
    EXPECT_EQ(ui.append_offered, true);
    EXPECT_EQ(s.record.Text(field::SaveScreenFile), folder / "chosen.txt");
    EXPECT_EQ(s.record.Number(field::SaveFileAction), 0u);
    EXPECT_EQ(test::ReadText(folder / "chosen.txt"), ScreenAsText(s));

    ui.answer = folder / "chosen";
    ui.append_answer = true;  // appending is kept as the setting, and the extension is added
    ASSERT_TRUE(asking.SaveScreen(oper_fn::SaveScreenAsk));
    EXPECT_EQ(s.record.Number(field::SaveFileAction), 1u);
    EXPECT_EQ(test::ReadText(folder / "chosen.txt"), ScreenAsText(s) + ScreenAsText(s));

    ui.answer.reset();  // Cancel: nothing written, nothing changed
    EXPECT_FALSE(asking.SaveScreen(oper_fn::SaveScreenAsk));
    EXPECT_EQ(s.record.Text(field::SaveScreenFile), folder / "chosen");
    EXPECT_TRUE(ui.shown.empty());
}

// A saved HTML screen as a browser shows it: headless Chromium takes a screenshot, and the cells
// drawn in reverse video must be filled with the colours the window uses, in their places.
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
