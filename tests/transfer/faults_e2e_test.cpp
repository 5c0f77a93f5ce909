// End to end: testhost's transfer faults and the user's cancel part way. Every one ends the
// transfer as failed with the right message, gives the session its status back, and leaves the
// user's existing file as it was.
#include <gtest/gtest.h>

#include <sstream>

#include "config/temp_folder.h"
#include "live_session.h"
#include "support/golden_file.h"
#include "transfer/transfer_request.h"

namespace orkan {
namespace {

using namespace test;
using namespace std::chrono_literals;

// The rows of data/faults.tsv.
TEST(TransferFaults, EachEndsFailedWithTheStatusBackAndTheOldFileKept) {
    // A host file of many blocks, so that faults after the second block hit the data phase and a
    // cancel comes part way.
    TempFolder host_files;
    std::string big;
    for (int line = 0; line < 2000; ++line) big += std::string(60, char('a' + line % 26)) + "\n";
    WriteText(host_files / "tso/catalog.txt", "ORKUSER.BIG.TEXT VB 255 27998\n");
    WriteText(host_files / "tso/ORKUSER.BIG.TEXT.txt", big);
    for (const TableRow& row : ReadTableRows("transfer/data/faults.tsv")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string>& c = row.cells;
        const bool up = c[2] == "up", cancelled = c.size() > 5;
        std::vector<std::string> arguments = {
            "--transfer", "tso", "--reply-timeout", "3", "--transfer-files", host_files.path()};
        std::istringstream words(c[1]);
        for (std::string w; words >> w;) arguments.push_back(w);
        LiveSession live;
        std::string error;
        ASSERT_TRUE(live.Start(arguments, error)) << error;
        live.session().settings.TransferTimeout = 1;
        live.session().record.SetNumber(field::TransferBlockSize, 1000);
        TempFolder folder;
        WriteText(folder / "file", big);

        TransferRequest r;
        r.direction = up ? TransferDirection::Upload : TransferDirection::Download;
        r.host_system = HostSystem::Tso;
        r.host_file = up ? "NEW.FILE" : "BIG.TEXT";
        r.pc_file = folder / "file";
        SetTextMode(r, false);
        const TransferOutcome outcome = live.Run(r, cancelled);
        EXPECT_FALSE(outcome.success);
        EXPECT_EQ(outcome.message, c[3]) << live.Screen();
        EXPECT_EQ(StatusName(live.session().status), c[4]);
        EXPECT_FALSE(live.client->state().active);
        EXPECT_TRUE(ReadText(folder / "file") == big) << "the old file was changed";
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1)
            << "a temporary file was left";
        // The last log line of the transfer is its end; none claims success.
        const std::vector<std::string> lines = live.client->log().Lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.back(), "");
        for (const std::string& line : lines)
            EXPECT_EQ(line.find("File transfer complete - "), std::string::npos) << line;
        if (!cancelled) continue;
        ASSERT_TRUE(live.loop.RunUntil([&] { return live.Screen().find(c[5]) != std::string::npos; }, 30s))
            << live.Screen();
        EXPECT_EQ(live.Screen().find("TRANS16"), std::string::npos) << live.Screen();
        // Only the incomplete upload is told in a box.
        if (up) {
            ASSERT_TRUE(live.loop.RunUntil([&] { return !live.ui.shown.empty(); }, 5s));
        }
        EXPECT_EQ(live.ui.shown.empty() ? "" : live.ui.shown.back().text, up ? c[3] : "");
    }
}

}  // namespace
}  // namespace orkan
