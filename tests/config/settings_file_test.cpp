// Program settings come from a file the user edits by hand: every value is taken, held in range or
// refused with a reason, never used blindly.
#include <gtest/gtest.h>

#include "config/settings_file.h"
#include "config/temp_folder.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

ProgramSettings Load(const std::string& orkan_section, std::vector<std::string>* problems = nullptr,
                     const Environment& env = test::TableEnvironment({})) {
    ProgramSettings s;
    auto found = LoadProgramSettings(ProfileText::Parse("[Orkan]\n" + orkan_section), s, env);
    if (problems) *problems = found;
    return s;
}

TEST(ProgramSettings, ValuesTakenHeldOrRefused) {
    struct Case {
        std::string line;
        std::function<bool(const ProgramSettings&)> check;
        bool problem;
    };
    const Case cases[] = {
        {"CopyBufferSize=10", [](auto& s) { return s.CopyBufferSize == 10; }, false},
        {"CopyBufferSize=5000000", [](auto& s) { return s.CopyBufferSize == 1024; }, true},
        {"TermType3=ibm-3278-3", [](auto& s) { return s.TermType3 == "IBM-3278-3"; }, false},
        {"TermType3=IBM-3278-3-E-TOO-LONG-X", [](auto& s) { return s.TermType3 == "IBM-3278-3-E"; }, true},
        {"TermTypeUser=", [](auto& s) { return s.TermTypeUser == "IBM-DYNAMIC"; }, true},
        {"PF25=00", [](auto& s) { return s.ExtraAids[7] == "00"; }, false},
        {"PA4=6a", [](auto& s) { return s.ExtraAids[0] == "6a"; }, false},
        {"PF36=XYZ", [](auto& s) { return s.ExtraAids[18] == "00"; }, true},
        {"KeepAlive=F", [](auto& s) { return s.KeepAlive == "F1"; }, true},
        {"AttnTN3270=FFF4F", [](auto& s) { return s.AttnTN3270 == "FFF3"; }, true},
        {"Wang=7", [](auto& s) { return s.Wang == 1; }, false},
        {"NoAutoSave=-1", [](auto& s) { return s.NoAutoSave == 1; }, false},
        {"AttentionMethod=9", [](auto& s) { return s.AttentionMethod == 0; }, false},
        {"AttentionMethod=2", [](auto& s) { return s.AttentionMethod == 2; }, false},
        {"WheelDelay=-5", [](auto& s) { return s.WheelDelay == -1; }, true},
        {"KeepAliveTime=abc", [](auto& s) { return s.KeepAliveTime == 240; }, true},
        {"MinFontWidth=50\nMaxFontWidth=10",
         [](auto& s) { return s.MinFontWidth == 4 && s.MaxFontWidth == 40; }, true},
        {"LastSession=prod", [](auto& s) { return s.LastSession == "prod.ses"; }, false},
        {"", [](auto& s) { return s.TransferTimeout == 30; }, false},
        {"TransferTimeout=0", [](auto& s) { return s.TransferTimeout == 1; }, true},
        {"WheelUp=" + std::string(1200, 'k'), [](auto& s) { return s.WheelUp == "Key(\"PF7\")"; }, true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> problems;
        const ProgramSettings s = Load(c.line + "\n", &problems);
        EXPECT_TRUE(c.check(s)) << c.line.substr(0, 60);
        EXPECT_EQ(!problems.empty(), c.problem) << c.line.substr(0, 60);
    }
}

TEST(ProgramSettings, EditorFollowsTheEnvironmentUnlessSet) {
    EXPECT_EQ(Load("", nullptr, test::TableEnvironment({{"EDITOR", "vi"}})).Notepad, "vi");
    EXPECT_EQ(Load("", nullptr, test::TableEnvironment({{"VISUAL", "kate"}, {"EDITOR", "vi"}})).Notepad,
              "kate");
    EXPECT_EQ(Load("Notepad=gedit\n", nullptr, test::TableEnvironment({{"EDITOR", "vi"}})).Notepad, "gedit");
}

TEST(ProgramSettings, ProblemsAreShownInOneMessage) {
    test::RecordingUi ui;
    ReportSettingsProblems(ui, "/x/orkan.ini", {});
    EXPECT_TRUE(ui.shown.empty());
    ReportSettingsProblems(ui, "/x/orkan.ini", {"a", "b"});
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].text.find("/x/orkan.ini"), std::string::npos);
}

TEST(UserVariables, RoundTripAndLimits) {
    test::TempFolder dir;
    const std::string ini = dir / "orkan.ini";
    test::WriteText(ini, "[Orkan]\nLastSession=a.ses\n");
    ASSERT_EQ(SetUserVariable(ini, "Count", "  12 "), 0);
    ASSERT_EQ(SetUserVariable(ini, "Full", std::string(255, 'v')), 0);
    EXPECT_EQ(SetUserVariable(ini, "TooLong", std::string(256, 'v')), EINVAL);
    EXPECT_EQ(SetUserVariable(ini, "Bad=Name", "x"), EINVAL);
    EXPECT_EQ(GetUserVariable(ini, "count").value, "  12 ");
    EXPECT_EQ(GetUserVariable(ini, "Full").value.size(), 255u);
    EXPECT_EQ(GetUserVariable(ini, "Never").value, "");
    EXPECT_EQ(ReadLastSession(LoadProfile(ini).text), "a.ses");

    // A value made too long by hand is refused, not cut.
    test::WriteText(ini, "[UserVariables]\nV=" + std::string(300, 'x') + "\n");
    const UserVariableResult r = GetUserVariable(ini, "V");
    EXPECT_NE(r.error, 0);
    EXPECT_EQ(r.value, "");
}

}  // namespace
}  // namespace orkan
