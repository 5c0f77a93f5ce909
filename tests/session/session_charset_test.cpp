// Finding and reading country.lst for a session, and what the user is told when that fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/temp_folder.h"
#include "session/session_charset.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

namespace fs = std::filesystem;

class SessionCharset : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(root_ / "app");
        fs::create_directories(root_ / "program");
        session_.folders.app_data = (root_ / "app").string();
        session_.folders.program_data = (root_ / "program").string();
        ASSERT_TRUE(session_.record.SetText(field::ScreenCodePage, "Germany"));
        ASSERT_TRUE(session_.record.SetText(field::KeyboardCodePage, "Germany"));
        ASSERT_TRUE(session_.record.SetText(field::PcCodePage, "DOS (US 437)"));
    }

    void Write(const char* folder, const std::string& text) {
        std::ofstream(root_ / folder / "country.lst", std::ios::binary) << text;
    }

    test::TempFolder folder_;
    const fs::path root_ = folder_.path();
    test::RecordingUi ui_;
    Session session_{ui_};
};

TEST_F(SessionCharset, TheFolderOfOrkanIniComesFirst) {
    Write("program", "COUNTRY Germany\nCODEPAGE 273\n");
    ASSERT_TRUE(LoadCountryList(session_, CountryListMode::CodePage));
    EXPECT_EQ(session_.charset.code_page, 273);
    Write("app", "COUNTRY Germany\nCODEPAGE 1141 695\nKEYLAYOUT\n10 = 71\n");
    ASSERT_TRUE(RebuildCharset(session_));
    EXPECT_EQ(session_.charset.code_page, 1141);
    EXPECT_EQ(session_.charset.key_layout[0].unshifted, 0x71);
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(SessionCharset, MissingUnreadableOrHugeFilesAreRefusedWithAMessage) {
    EXPECT_FALSE(RebuildCharset(session_));  // in neither folder
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].title, "Orkan TN3270 - file not found");
    EXPECT_EQ(ui_.shown[0].text, "File \"country.lst\" was not found.\nYou may need to re-install Orkan.");
    EXPECT_EQ(ui_.shown[0].icon, Icon::Warning);
    ui_.shown.clear();
    fs::create_directories(root_ / "app" / "country.lst");  // a folder by that name
    EXPECT_FALSE(RebuildCharset(session_));
    fs::remove(root_ / "app" / "country.lst");
    Write("app", "* " + std::string(kMaxCountryFileSize, 'x') + "\nCOUNTRY Germany\nCODEPAGE 273\n");
    EXPECT_FALSE(RebuildCharset(session_));
    ASSERT_EQ(ui_.shown.size(), 2u);
    for (const MessageBox& box : ui_.shown) {
        EXPECT_EQ(box.title, "Orkan TN3270 File Error");
        EXPECT_NE(box.text.find((root_ / "app" / "country.lst").string()), std::string::npos);
    }
    EXPECT_EQ(session_.charset.code_page, 37);  // nothing half-read was used
}

TEST_F(SessionCharset, RefusedEntriesAreShownOnceAndTheRestCounts) {
    std::string file = "COUNTRY Germany\nKEYSCANMODS\n";
    for (int i = 0; i < 266; ++i) file += "10 = 20\n";  // 11 too many
    Write("app", file + "KEYLAYOUT\n10 = 71\n");
    ASSERT_TRUE(LoadCountryList(session_, CountryListMode::Keyboard));
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].icon, Icon::Warning);
    EXPECT_NE(ui_.shown[0].text.find("line 258: more than 255 KEYSCANMODS entries"), std::string::npos);
    EXPECT_NE(ui_.shown[0].text.find("(and 1 more)"), std::string::npos);
    EXPECT_EQ(session_.charset.key_layout[0].key, 0x10);
}

}  // namespace
}  // namespace orkan
