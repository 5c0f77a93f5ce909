// A session with its window over a connection without a socket, on files of its own: the build's
// program data, the session's folders and key files in a scratch folder; StartOn() attaches the window,
// loads the key files and shows the host's first screen after a plain TN3270 negotiation.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>

#include "app/session_runtime.h"
#include "app/startup.h"
#include "config/session_file.h"
#include "config/temp_folder.h"
#include "gui/qt_ui.h"
#include "gui/session_controller.h"
#include "platform/poll_event_loop.h"
#include "session/session_charset.h"
#include "support/running_session.h"

namespace orkan::test {

class WindowedSession : public ::testing::Test {
  protected:
    void StartOn(std::string_view first_screen) {
        const std::string data = std::string(ORKAN_BINARY_DIR) + "/share/orkan3270";
        Session& s = runtime.session();
        s.record = DefaultSessionRecord();
        s.folders.app_data = folder.path();
        s.folders.settings_file = folder / "orkan.ini";
        s.folders.program_data = data;
        s.folders.key_data = folder.path();
        s.folders.help = data + "/help/orkan3270.html";
        ASSERT_TRUE(RebuildCharset(s));
        ASSERT_TRUE(LoadKeyList(s.folders, startup.key_list, ui));
        ASSERT_TRUE(s.record.SetText(field::SessionFile, "t.ses"));
        runtime.file_state().last_saved = s.record;
        controller.Attach(runtime, startup);
        controller.LoadKeyFiles();
        ASSERT_TRUE(runtime.StartDetachedConnection(sink));
        Feed(kPlainNegotiation);
        Feed(first_screen);
        sink.Take();
    }
    void TearDown() override {
        runtime.Destroy();
        controller.Detach();
    }
    void Feed(std::string_view hex) {
        runtime.FeedHostData(FromHex(hex));
        (void)loop.RunUntil([] { return false; }, std::chrono::milliseconds(10));
    }

    TempFolder folder;
    PollEventLoop loop;
    QtUi ui;
    SessionController controller{ui};
    SessionRuntime runtime{loop, ui, controller};
    StartupState startup;
    BytesSink sink;
};

}  // namespace orkan::test
