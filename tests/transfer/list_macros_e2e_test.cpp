// End to end: the installed list macros (ork$lstc.mac, ork$lstd.mac, ork$list.mac) read testhost's
// paged list screens of TSO data sets, TSO members and CMS files into the host list, names with
// #, $ and @ included, and leave the host at its prompt.
#include <gtest/gtest.h>

#include <map>

#include "app/session_core.h"
#include "keyboard/key_list.h"
#include "keyboard/keyboard_state.h"
#include "live_session.h"
#include "support/golden_file.h"
#include "transfer_session.h"

namespace orkan {
namespace {

using namespace test;
using namespace std::chrono_literals;

TEST(ListMacros, FillTheHostListFromEveryPage) {
    const std::map<std::string, HostSystem> systems = {{"tso", HostSystem::Tso}, {"cms", HostSystem::Cms}};
    for (const TableRow& row : ReadTableRows("transfer/data/list_macros.tsv")) {
        const std::vector<std::string>& c = row.cells;
        SCOPED_TRACE(row.where);
        LiveSession live;
        std::string error;
        ASSERT_TRUE(live.Start({"--transfer", c[0]}, error)) << error;
        Session& s = live.session();
        s.folders.macros = std::string(ORKAN_BUILD_DATA_DIR) + "/defaults/macros";
        ASSERT_TRUE(LoadKeyList(s.folders, s.keyboard->key_list, live.ui));  // the macros' KEY names
        MacroRunner& runner = live.runtime.core().Macros().Runner();
        ASSERT_TRUE(live.client->RunListMacro(systems.at(c[0]), std::stoi(c[1]), c[2], c[3]));
        ASSERT_TRUE(live.loop.RunUntil([&] { return !runner.IsMacroRunning(); }, 60s)) << live.Screen();
        EXPECT_EQ(runner.LastOutcome().end, MacroOutcome::End::Finished) << live.ui.shown.size();
        for (const MessageBox& m : live.ui.shown) ADD_FAILURE() << m.title << ": " << m.text;
        std::vector<std::string> got = live.client->state().host_list.entries;
        std::sort(got.begin(), got.end());
        std::vector<std::string> want = SplitBars(c[4]);
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
        EXPECT_EQ(live.client->state().host_list.level, std::stoi(c[1]));
        ASSERT_TRUE(live.loop.RunUntil([&] { return s.status == SessionStatus::Unlocked; }, 10s));
        EXPECT_NE(live.Screen().find(c[5]), std::string::npos) << live.Screen();
    }
}

}  // namespace
}  // namespace orkan
