// The first start fills the user's folder from the installed defaults; every later start must
// leave what the user changed alone.
#include <gtest/gtest.h>

#include "app/folders_setup.h"
#include "config/temp_folder.h"
#include "support/golden_file.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

using test::ReadText;
using test::TempFolder;
using test::WriteText;

TEST(Folders, ExpandEnvironment) {
    const Environment env =
        test::TableEnvironment({{"USERPROFILE", "/home/ann"}, {"LONG", std::string(2049, 'x')}});
    for (const test::TableRow& r : test::ReadTableRows("app/data/folder_names.tsv"))
        EXPECT_EQ(ExpandEnvironment(r.cells.at(0), env).value_or("(refused)"), r.cells.at(1)) << r.where;
}

TEST(Folders, DefaultsFollowTheLinuxConventions) {
    test::RecordingUi ui;
    Folders f;
    const Environment env = test::TableEnvironment({{"HOME", "/home/ann"}});
    ASSERT_TRUE(ResolveFolders({"/nonexistent/share/orkan3270", "", false, ""}, env, f, ui));
    EXPECT_EQ(f.app_data, "/home/ann/.config/orkan3270");
    EXPECT_EQ(f.key_data, f.app_data);
    EXPECT_EQ(f.documents, "/home/ann");
    EXPECT_EQ(f.macros, "/home/ann/.config/orkan3270/macros");
    EXPECT_EQ(f.temp_macros, f.macros);
    EXPECT_EQ(f.certs, "/home/ann/.config/orkan3270/certs");
    EXPECT_EQ(f.settings_file, "/home/ann/.config/orkan3270/orkan.ini");
    ASSERT_TRUE(ResolveFolders({"/x", "", false, "other.ini"},
                               test::TableEnvironment({{"HOME", "/h"}, {"XDG_CONFIG_HOME", "/cfg/"}}), f,
                               ui));
    EXPECT_EQ(f.app_data, "/cfg/orkan3270");
    EXPECT_EQ(f.settings_file, "/cfg/orkan3270/other.ini");
    EXPECT_TRUE(ui.shown.empty());
}

TEST(Folders, FilesIniKeysAreExpanded) {
    TempFolder dir;
    WriteText(dir / "files.ini",
              "[Orkan]\nAppData=%DATA%/orkan/\nMacros=/srv/macros\nORK=\nScreens=../shots\n");
    test::RecordingUi ui;
    Folders f;
    ASSERT_TRUE(ResolveFolders({dir.path(), "", false, ""},
                               test::TableEnvironment({{"DATA", "/d"}, {"HOME", "/h"}}), f, ui));
    EXPECT_EQ(f.app_data, "/d/orkan");
    EXPECT_EQ(f.macros, "/srv/macros");
    EXPECT_EQ(f.temp_macros, "/srv/macros");
    // A relative folder is taken beside files.ini, whatever the current folder is.
    EXPECT_EQ(f.screens, (std::filesystem::path(dir.path()).parent_path() / "shots").string());

    // A folder file named on the command line must exist; one that cannot be read is an error.
    EXPECT_FALSE(
        ResolveFolders({dir.path(), dir / "missing.ini", false, ""}, test::TableEnvironment({}), f, ui));
    EXPECT_EQ(ui.shown.back().title, "Orkan TN3270 Folder Error");
    std::filesystem::create_directory(dir / "dir.ini");
    EXPECT_FALSE(ResolveFolders({dir.path(), dir / "dir.ini", false, ""}, test::TableEnvironment({}), f, ui));
    EXPECT_EQ(f.app_data, "/d/orkan");  // a failed resolution leaves the folders as they were
}

TEST(Folders, FirstStartCopiesDefaultsAndLaterStartsAddOnlyTheProgramsOwnMacros) {
    TempFolder install, home;
    WriteText(install / "defaults/standard.ses", "session");
    WriteText(install / "defaults/standard.key", "keys");
    WriteText(install / "defaults/macros/logon.mac", "macro");
    WriteText(install / "defaults/macros/ork$list.mac", "list");
    WriteText(install / "defaults/certs/ca.pem", "cert");
    // An installation may be read-only; the user's copies are not.
    std::filesystem::permissions(install / "defaults/standard.ses", std::filesystem::perms::owner_read);
    test::RecordingUi ui;
    Folders f;
    ASSERT_TRUE(ResolveFolders({install.path(), "", false, ""},
                               test::TableEnvironment({{"HOME", home.path()}}), f, ui));

    ASSERT_TRUE(PrepareAppData(f, ui));
    EXPECT_EQ(ReadText(f.app_data + "/standard.ses"), "session");
    EXPECT_NE(std::filesystem::status(f.app_data + "/standard.ses").permissions() &
                  std::filesystem::perms::owner_write,
              std::filesystem::perms::none);
    EXPECT_EQ(ReadText(f.app_data + "/macros/logon.mac"), "macro");
    EXPECT_EQ(ReadText(f.app_data + "/certs/ca.pem"), "cert");

    WriteText(f.app_data + "/standard.key", "edited by the user");
    std::filesystem::remove(f.app_data + "/macros/logon.mac");
    ASSERT_TRUE(PrepareAppData(f, ui));
    EXPECT_EQ(ReadText(f.app_data + "/standard.key"), "edited by the user");
    EXPECT_FALSE(std::filesystem::exists(f.app_data + "/macros/logon.mac"));
    EXPECT_TRUE(ui.shown.empty());

    // The program's own macros come back, or arrive with a newer version; the user's edits stay.
    std::filesystem::remove(f.app_data + "/macros/ork$list.mac");
    WriteText(install / "defaults/macros/ork$lstc.mac", "new in this version");
    WriteText(f.app_data + "/macros/ork$lstd.mac", "the user's");
    WriteText(install / "defaults/macros/ork$lstd.mac", "shipped");
    ASSERT_TRUE(PrepareAppData(f, ui));
    EXPECT_EQ(ReadText(f.app_data + "/macros/ork$list.mac"), "list");
    EXPECT_EQ(ReadText(f.app_data + "/macros/ork$lstc.mac"), "new in this version");
    EXPECT_EQ(ReadText(f.app_data + "/macros/ork$lstd.mac"), "the user's");
    EXPECT_FALSE(std::filesystem::exists(f.app_data + "/macros/logon.mac"));
    // Nothing of the staging folder is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home / ".config"), {}), 1);

    // A folder made beforehand for a settings file has no standard.ses to start from: it gets the
    // defaults it lacks and keeps what it has.
    Folders made = f;
    made.app_data = home / "made";
    WriteText(made.app_data + "/orkan.ini", "[Orkan]");
    ASSERT_TRUE(PrepareAppData(made, ui));
    EXPECT_EQ(ReadText(made.app_data + "/standard.ses"), "session");
    EXPECT_EQ(ReadText(made.app_data + "/macros/logon.mac"), "macro");
    EXPECT_EQ(ReadText(made.app_data + "/orkan.ini"), "[Orkan]");
}

TEST(Folders, UnusableApplicationDataFolderIsReported) {
    TempFolder install, home;
    test::RecordingUi ui;
    Folders f;
    f.program_data = install.path();
    f.app_data = home / "orkan3270";

    // No defaults installed: reported, and nothing is created, so a later start tries again.
    EXPECT_FALSE(PrepareAppData(f, ui));
    EXPECT_FALSE(std::filesystem::exists(f.app_data));
    EXPECT_NE(ui.shown.back().text.find("re-install"), std::string::npos);

    WriteText(f.app_data, "a file, not a folder");
    EXPECT_FALSE(PrepareAppData(f, ui));
    EXPECT_NE(ui.shown.back().text.find("is not a folder"), std::string::npos);
    EXPECT_EQ(ReadText(f.app_data), "a file, not a folder");

    f.app_data = home / "orkan3270/below";  // its parent is a file
    std::filesystem::create_directories(install / "defaults");
    EXPECT_FALSE(PrepareAppData(f, ui));
}

}  // namespace
}  // namespace orkan
