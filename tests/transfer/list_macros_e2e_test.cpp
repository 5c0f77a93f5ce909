// End to end: the installed list macros (ork$lstc.mac, ork$lstd.mac, ork$list.mac) read testhost's
// paged list screens of TSO data sets, TSO members and CMS files into the host list, names with
// #, $ and @ included, and leave the host at its prompt.
#include <gtest/gtest.h>

#include "app/session_core.h"
#include "keyboard/key_list.h"
#include "keyboard/keyboard_state.h"
#include "live_session.h"

namespace orkan {
namespace {

using namespace test;
using namespace std::chrono_literals;

std::vector<std::string> Numbered(const std::string& before, const std::string& after, int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) {
        char number[12];  // any int fits
        std::snprintf(number, sizeof number, "%02d", i);
        names.push_back(before + number + after);
    }
    return names;
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(ListMacros, FillTheHostListFromEveryPage) {
    struct Case {
        const char* name;
        const char* system;
        HostSystem host_system;
        int level;
        std::string qualifier;
        std::string data_set;
        std::vector<std::string> entries;
        const char* prompt;
    };
    const Case cases[] = {
        {"TSO data sets of the user", "tso", HostSystem::Tso, 1, "", "",
         Joined(
             {"'ORKUSER.HELLO.TEXT'", "'ORKUSER.NOTES.TEXT'", "'ORKUSER.SOURCE.CNTL'", "'ORKUSER.$DATA.SET'",
              "'ORKUSER.#WORK.FILE'", "'ORKUSER.@TEMP.LIST'", "'ORKUSER.EMPTY.PDS'"},
             Numbered("'ORKUSER.LIST", ".DATA'", 20)),
         "READY"},
        {"TSO data sets of a qualifier",
         "tso",
         HostSystem::Tso,
         1,
         "ORKUSER.LIST01",
         "",
         {"'ORKUSER.LIST01.DATA'"},
         "READY"},
        {"TSO members", "tso", HostSystem::Tso, 2, "", "'ORKUSER.SOURCE.CNTL'",
         Joined({"#JOB1", "$README", "@PROC"}, Numbered("MEMBER", "", 22)), "READY"},
        {"CMS files", "cms", HostSystem::Cms, 1, "", "",
         Joined({"PROFILE EXEC A1", "HELLO TEXT A1", "$ORKAN DATA A1", "#NOTES SCRIPT A1", "@LIST FILE A1",
                 "SYSTEM NETLOG A0"},
                Numbered("LIST", " DATA A1", 20)),
         "Ready;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveSession live;
        std::string error;
        ASSERT_TRUE(live.Start({"--transfer", c.system}, error)) << error;
        Session& s = live.session();
        s.folders.macros = std::string(ORKAN_BUILD_DATA_DIR) + "/defaults/macros";
        ASSERT_TRUE(LoadKeyList(s.folders, s.keyboard->key_list, live.ui));  // the macros' KEY names
        MacroRunner& runner = live.runtime.core().Macros().Runner();
        ASSERT_TRUE(live.client->RunListMacro(c.host_system, c.level, c.qualifier, c.data_set));
        ASSERT_TRUE(live.loop.RunUntil([&] { return !runner.IsMacroRunning(); }, 60s)) << live.Screen();
        EXPECT_EQ(runner.LastOutcome().end, MacroOutcome::End::Finished) << live.ui.shown.size();
        for (const MessageBox& m : live.ui.shown) ADD_FAILURE() << m.title << ": " << m.text;
        std::vector<std::string> got = live.client->state().host_list.entries, want = c.entries;
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
        EXPECT_EQ(live.client->state().host_list.level, c.level);
        ASSERT_TRUE(live.loop.RunUntil([&] { return s.status == SessionStatus::Unlocked; }, 10s));
        EXPECT_NE(live.Screen().find(c.prompt), std::string::npos) << live.Screen();
    }
}

}  // namespace
}  // namespace orkan
