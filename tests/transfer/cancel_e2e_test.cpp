// End to end: a transfer the user cancels part way, in both directions and both wire forms. A
// download tells the host, which shows its cancel message; an upload can only end the host file
// early, so the host may say complete, yet the transfer fails and a box says the host file is
// incomplete.
#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "ds3270/messages.h"
#include "live_session.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_request.h"

namespace orkan {
namespace {

using namespace test;
using namespace std::chrono_literals;

TEST(TransferCancel, TheHostHearsOfItAndNothingClaimsSuccess) {
    struct Case {
        const char* mode;
        TransferDirection direction;
        const char* host_screen;  // what the host's READY screen says afterwards
    };
    const Case cases[] = {
        {"dft", TransferDirection::Download, "TRANS13 - Transfer canceled by the terminal"},
        {"frames", TransferDirection::Download, "TRANS13 - Transfer canceled by the terminal (PA1)"},
        {"dft", TransferDirection::Upload, "TRANS03 - File transfer complete"},
        {"frames", TransferDirection::Upload, "TRANS03 - File transfer complete"},
    };
    TempFolder host_files;
    std::string big;
    for (int line = 0; line < 2000; ++line) big += std::string(60, char('a' + line % 26)) + "\n";
    WriteText(host_files / "tso/catalog.txt", "ORKUSER.BIG.TEXT VB 255 27998\n");
    WriteText(host_files / "tso/ORKUSER.BIG.TEXT.txt", big);
    for (const Case& c : cases) {
        const bool upload = c.direction == TransferDirection::Upload;
        SCOPED_TRACE(std::string(c.mode) + (upload ? " upload" : " download"));
        LiveSession live;
        std::string error;
        ASSERT_TRUE(live.Start(
            {"--transfer", "tso", "--transfer-mode", c.mode, "--transfer-files", host_files.path()}, error))
            << error;
        live.session().record.SetNumber(field::TransferBlockSize, 1000);
        TempFolder folder;
        WriteText(folder / "file", big);

        TransferRequest r;
        r.direction = c.direction;
        r.host_system = HostSystem::Tso;
        r.host_file = upload ? "NEW.TEXT" : "BIG.TEXT";
        r.pc_file = folder / "file";
        SetTextMode(r, true);
        bool ended = false;
        TransferOutcome outcome;
        ASSERT_TRUE(live.client
                        ->Start(r,
                                [&](const TransferOutcome& o) {
                                    outcome = o;
                                    ended = true;
                                })
                        .started);
        ASSERT_TRUE(live.loop.RunUntil([&] { return live.client->state().byte_count > 0; }, 30s));
        live.client->Cancel();
        ASSERT_TRUE(live.loop.RunUntil([&] { return ended; }, 60s)) << live.Screen();
        ASSERT_TRUE(
            live.loop.RunUntil([&] { return live.Screen().find(c.host_screen) != std::string::npos; }, 30s))
            << live.Screen();
        EXPECT_FALSE(outcome.success);
        EXPECT_EQ(live.session().status, SessionStatus::Unlocked);
        EXPECT_EQ(live.Screen().find("TRANS16"), std::string::npos) << live.Screen();
        EXPECT_TRUE(ReadText(folder / "file") == big) << "a cancelled download changed the file";
        for (const std::string& line : live.client->log().Lines())
            EXPECT_EQ(line.find("File transfer complete - "), std::string::npos) << line;
        const std::string incomplete =
            FormatMessage(transfer_msg::kUploadIncomplete, "cancelled at user request");
        if (upload) {
            EXPECT_EQ(outcome.message, incomplete);
            ASSERT_TRUE(live.loop.RunUntil([&] { return !live.ui.shown.empty(); }, 5s));
            EXPECT_EQ(live.ui.shown.back().text, incomplete);
        } else {
            EXPECT_EQ(outcome.message, transfer_msg::kDownloadCancelled);
            EXPECT_TRUE(live.ui.shown.empty());
        }
    }
}

}  // namespace
}  // namespace orkan
