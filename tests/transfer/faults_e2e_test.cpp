// End to end: testhost's transfer faults and the user's cancel part way. Every one ends the
// transfer as failed with the right message, gives the session its status back, and leaves the
// user's existing file as it was. A cancelled download tells the host, which shows its cancel
// message; a cancelled upload can only end the host file early, so the host may say complete, yet
// the transfer fails and a box says the host file is incomplete.
#include <gtest/gtest.h>

#include <sstream>

#include "config/temp_folder.h"
#include "ds3270/messages.h"
#include "live_session.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_request.h"

namespace orkan {
namespace {

using namespace test;
using namespace std::chrono_literals;

struct Fault {
    const char* name;
    const char* host_arguments;  // blank-separated
    TransferDirection direction;
    std::string message;  // the outcome's message
    SessionStatus status_after;
    const char* cancelled = nullptr;  // the user cancels: what the host's READY screen says then
};

TEST(TransferFaults, EachEndsFailedWithTheStatusBackAndTheOldFileKept) {
    constexpr auto Down = TransferDirection::Download;
    constexpr auto Up = TransferDirection::Upload;
    constexpr auto Unlocked = SessionStatus::Unlocked;
    constexpr auto Dropped = SessionStatus::NotConnected;
    const std::string timed_out = "The host did not answer for 1 seconds: the file transfer was stopped.";
    const std::string injected = "TRANS99 - Transfer ended by an injected fault";
    const std::string incomplete =
        FormatMessage(transfer_msg::kUploadIncomplete, "cancelled at user request");
    const Fault faults[] = {
        {"error message instead of data, frames", "--fault ft-error --transfer-mode frames", Down,
         "TRANS99 - Error message instead of data (injected fault)", Unlocked},
        {"connection dropped, DFT download", "--fault ft-drop=2 --transfer-mode dft", Down,
         transfer_msg::kConnectionLost, Dropped},
        {"connection dropped, frames upload", "--fault ft-drop=2 --transfer-mode frames", Up,
         transfer_msg::kConnectionLost, Dropped},
        {"host stops answering, DFT download", "--fault ft-no-answer=2 --transfer-mode dft", Down, timed_out,
         Unlocked},
        {"command never answered", "--fault ft-no-answer", Down,
         FormatMessage(transfer_msg::kCommandUnanswered, 1), Unlocked},
        {"no transfer program", "--fault ft-no-program", Down, transfer_msg::kProgramDidNotStart, Unlocked},
        {"Insert shorter than its header", "--fault ft-short-sf --transfer-mode dft", Down, injected,
         Unlocked},
        {"Insert over the limit", "--fault ft-oversize-sf --transfer-mode dft", Down, injected, Unlocked},
        {"cancelled, DFT download", "--transfer-mode dft", Down, transfer_msg::kDownloadCancelled, Unlocked,
         "TRANS13 - Transfer canceled by the terminal"},
        {"cancelled, frames download", "--transfer-mode frames", Down, transfer_msg::kDownloadCancelled,
         Unlocked, "TRANS13 - Transfer canceled by the terminal (PA1)"},
        {"cancelled, DFT upload", "--transfer-mode dft", Up, incomplete, Unlocked,
         "TRANS03 - File transfer complete"},
        {"cancelled, frames upload", "--transfer-mode frames", Up, incomplete, Unlocked,
         "TRANS03 - File transfer complete"},
    };
    // A host file of many blocks, so that faults after the second block hit the data phase and a
    // cancel comes part way.
    TempFolder host_files;
    std::string big;
    for (int line = 0; line < 2000; ++line) big += std::string(60, char('a' + line % 26)) + "\n";
    WriteText(host_files / "tso/catalog.txt", "ORKUSER.BIG.TEXT VB 255 27998\n");
    WriteText(host_files / "tso/ORKUSER.BIG.TEXT.txt", big);
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.name);
        std::vector<std::string> arguments = {
            "--transfer", "tso", "--reply-timeout", "3", "--transfer-files", host_files.path()};
        std::istringstream words(f.host_arguments);
        for (std::string w; words >> w;) arguments.push_back(w);
        LiveSession live;
        std::string error;
        ASSERT_TRUE(live.Start(arguments, error)) << error;
        live.session().settings.TransferTimeout = 1;
        live.session().record.SetNumber(field::TransferBlockSize, 1000);
        TempFolder folder;
        WriteText(folder / "file", big);

        TransferRequest r;
        r.direction = f.direction;
        r.host_system = HostSystem::Tso;
        r.host_file = f.direction == Down ? "BIG.TEXT" : "NEW.FILE";
        r.pc_file = folder / "file";
        SetTextMode(r, false);
        const TransferOutcome outcome = live.Run(r, f.cancelled);
        EXPECT_FALSE(outcome.success);
        EXPECT_EQ(outcome.message, f.message) << live.Screen();
        EXPECT_EQ(live.session().status, f.status_after);
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
        if (!f.cancelled) continue;
        ASSERT_TRUE(
            live.loop.RunUntil([&] { return live.Screen().find(f.cancelled) != std::string::npos; }, 30s))
            << live.Screen();
        EXPECT_EQ(live.Screen().find("TRANS16"), std::string::npos) << live.Screen();
        // Only the incomplete upload is told in a box.
        if (f.direction == Up) {
            ASSERT_TRUE(live.loop.RunUntil([&] { return !live.ui.shown.empty(); }, 5s));
        }
        EXPECT_EQ(live.ui.shown.empty() ? "" : live.ui.shown.back().text,
                  f.direction == Up ? incomplete : "");
    }
}

}  // namespace
}  // namespace orkan
