// End to end: the connection dropped under a macro's transfer. SENDFILE or RECEIVEFILE gives 1,
// the reason is shown, the session is not connected, the user's file is as it was and the macro
// goes on with its next statement. (The other faults end a transfer by the same way as a host's
// error, which tests/transfer/macro_transfer_test.cpp meets; faults_e2e_test.cpp has each fault.)
#include <gtest/gtest.h>

#include "app/session_core.h"
#include "config/temp_folder.h"
#include "live_session.h"
#include "transfer/transfer_messages.h"

namespace orkan {
namespace {

using namespace test;
using namespace std::chrono_literals;

TEST(MacroTransferFaults, TheMacroGetsOneAndGoesOn) {
    struct Fault {
        const char* name;
        std::vector<std::string> host_arguments;
        bool upload;
        std::string reason;  // the end of the message shown
        SessionStatus status_after;
    };
    const Fault faults[] = {
        {"connection dropped during a download",
         {"--fault", "ft-drop=2", "--transfer-mode", "dft"},
         false,
         transfer_msg::kConnectionLost,
         SessionStatus::NotConnected},
        {"connection dropped during an upload",
         {"--fault", "ft-drop=2", "--transfer-mode", "frames"},
         true,
         transfer_msg::kConnectionLost,
         SessionStatus::NotConnected},
    };
    TempFolder host_files;
    std::string big;
    for (int line = 0; line < 500; ++line) big += std::string(100, char('a' + line % 26)) + "\n";
    WriteText(host_files / "tso/catalog.txt", "ORKUSER.BIG.TEXT VB 255 27998\n");
    WriteText(host_files / "tso/ORKUSER.BIG.TEXT.txt", big);
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.name);
        TestHostProcess host;
        std::vector<std::string> arguments = {
            "--transfer", "tso", "--reply-timeout", "3", "--transfer-files", host_files.path()};
        arguments.insert(arguments.end(), f.host_arguments.begin(), f.host_arguments.end());
        ASSERT_TRUE(host.Start(arguments)) << "testhost did not start (is it built?)";
        LiveSession live;
        std::string error;
        ASSERT_TRUE(live.Connect(host.port(), error)) << error;
        live.session().settings.TransferTimeout = 1;
        live.session().record.SetNumber(field::TransferBlockSize, 1000);
        TempFolder folder;
        const std::string precious(20000, 'p');
        WriteText(folder / "file", precious);

        const std::string call = f.upload
                                     ? "SENDFILE(\"" + folder / "file" + "\", \"NEW.FILE\", \"BINARY\")"
                                     : "RECEIVEFILE(\"BIG.TEXT\", \"" + folder / "file" + "\", \"BINARY\")";
        MacroRunner& runner = live.runtime.core().Macros().Runner();
        ASSERT_TRUE(runner.StartText("RC = " + call + "\nAFTER = RC + 1"));
        ASSERT_TRUE(live.loop.RunUntil([&] { return !runner.IsMacroRunning(); }, 60s)) << live.Screen();
        EXPECT_EQ(runner.LastOutcome().end, MacroOutcome::End::Finished);
        const int rc = runner.variables().Find("AFTER");
        ASSERT_GE(rc, 0);
        EXPECT_EQ(runner.variables().at(rc).value.number, 2);
        ASSERT_FALSE(live.ui.shown.empty());
        const MessageBox& shown = live.ui.shown.back();
        EXPECT_EQ(shown.title, transfer_msg::kTransferErrorTitle);
        EXPECT_EQ(shown.text.substr(shown.text.find('\n') + 1), f.reason) << shown.text;
        EXPECT_EQ(live.session().status, f.status_after);
        EXPECT_FALSE(live.client->state().active);
        EXPECT_TRUE(ReadText(folder / "file") == precious) << "the old file was changed";
    }
}

}  // namespace
}  // namespace orkan
