// Start-up in a scratch HOME: the first start fills the application data folder, key.lst is
// required, the session comes from the command line, LastSession or standard.ses, the command line
// overrides it, and the slot is claimed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "app/startup.h"
#include "support/running_session.h"

namespace orkan {
namespace {

namespace fs = std::filesystem;

// Program data of its own, so a test can take a file away; the slot is claimed as the program does.
class Startup : public ::testing::Test, public test::RunningSession<> {
  protected:
    Startup() {
        fs::copy(std::string(ORKAN_BINARY_DIR) + "/share/orkan3270", program_data,
                 fs::copy_options::recursive);
        env.program_data = program_data;
        env.claim_slot = true;
    }
    int Start(std::vector<const char*> args) { return RunningSession::Start(std::move(args), env); }
    std::string AppData() const { return folder / "home/.config/orkan3270"; }
    void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
    // The first start makes the folder and gives its session slot back for the starts after it.
    void FirstStart() {
        ASSERT_EQ(Start({}), 0);
        runtime.SetPeers(nullptr);
        state.peers.reset();
    }
    // A later start with these arguments in a runtime of its own: PrepareSession's status, -1 when
    // the command line is refused.
    int StartAgain(SessionRuntime& local, StartupState& st, std::vector<const char*> args) {
        args.insert(args.begin(), "orkan3270");
        CommandLine cl;
        if (ParseCommandLine(int(args.size()), args.data(), cl, ui) != 0) return -1;
        return PrepareSession(cl, env, local, st);
    }

    std::string program_data = folder / "share";
    StartupEnvironment env = HeadlessEnvironment();
};

TEST_F(Startup, FirstStartFillsTheApplicationDataFolder) {
    ASSERT_EQ(Start({"--host", "127.0.0.1:2023", "--lu", "TST002"}), 0) << LastMessage();
    EXPECT_TRUE(fs::exists(AppData() + "/standard.ses"));
    const Session& s = runtime.session();
    EXPECT_EQ(s.record.Text(field::HostName), "127.0.0.1:2023");
    EXPECT_EQ(s.record.Text(field::LuName), "TST002");
    EXPECT_EQ(s.record.Text(field::SessionFile), "standard.ses");
    EXPECT_EQ(s.letter, 'A');
    EXPECT_EQ(s.charset.screen[0xC1], 'A') << "the country tables were not built";
    ASSERT_TRUE(state.peers);
    EXPECT_EQ(state.peers->Sessions().size(), 1u);
    EXPECT_TRUE(ui.shown.empty()) << LastMessage();
}

// The other sessions' Window menus name a session by its slot: a session that takes another file
// (Save As, the session dialog) shows them the new name.
TEST_F(Startup, ASessionThatTakesAnotherFileShowsTheOthersItsName) {
    ASSERT_EQ(Start({"--host", "127.0.0.1:2023"}), 0) << LastMessage();
    ASSERT_TRUE(runtime.session().record.SetText(field::SessionFile, "other.ses"));
    runtime.StartTimers();
    ASSERT_TRUE(state.peers);
    EXPECT_EQ(state.peers->Sessions().at(0).name, "other.ses");
}

TEST_F(Startup, DefaultSessionForInProcessUse) {
    Session& s = runtime.session();
    ASSERT_TRUE(PrepareDefaultSession(s, program_data)) << LastMessage();
    EXPECT_EQ(s.charset.screen[0xC1], 'A');
    EXPECT_EQ(s.record.Text(field::SessionFile), "standard.ses");
    fs::remove(program_data + "/country.lst");
    EXPECT_FALSE(PrepareDefaultSession(s, program_data));
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_EQ(ui.shown.back().text, "File \"country.lst\" was not found.\nYou may need to re-install Orkan.");
    ASSERT_EQ(mkfifo((program_data + "/country.lst").c_str(), 0600), 0);  // refused, never waited on
    EXPECT_FALSE(PrepareDefaultSession(s, program_data));
    EXPECT_EQ(ui.shown.back().text,
              "File \"" + program_data + "/country.lst\" could not be read: not a regular file.");
}

TEST_F(Startup, AHostWithItsPortFindsItsHostListEntry) {
    FirstStart();
    WriteFile(AppData() + "/orkan.ini",
              "[Orkan]\nHostnames=prod,\nIPnames=127.0.0.1,\nPortnums=2023,\nCA_Certs=prod-ca.pem,\n");
    for (const std::vector<const char*>& given :
         {std::vector<const char*>{"--host", "prod", "--port", "2023"}, {"--host", "prod:2023"}}) {
        SessionRuntime local(loop, ui, frame);
        StartupState st;
        ASSERT_EQ(StartAgain(local, st, given), 0) << LastMessage();
        EXPECT_EQ(local.file_state().security.ca_file, "prod-ca.pem") << given[1];
    }
}

TEST_F(Startup, ASettingsFileThatIsAFifoIsRefusedAtOnce) {
    FirstStart();
    fs::remove(AppData() + "/orkan.ini");
    ASSERT_EQ(mkfifo((AppData() + "/orkan.ini").c_str(), 0600), 0);
    ui.shown.clear();
    SessionRuntime local(loop, ui, frame);
    StartupState st;
    EXPECT_EQ(StartAgain(local, st, {}), kStartupFailed);
    EXPECT_EQ(ui.shown.back().text, "The settings file " + AppData() +
                                        "/orkan.ini cannot be read (The name is not a regular file).");
}

// The values refused are the command line's own cases; here, that a refusal ends start-up.
TEST_F(Startup, AValueTheCommandLineCannotUseEndsStartUp) {
    for (const auto& args :
         {std::vector<const char*>{"--host", "h", "--port", "99999"}, {"--letter", "AB"}}) {
        ui.shown.clear();
        EXPECT_EQ(Start(args), kStartupFailed) << args[args.size() - 1];
        EXPECT_EQ(ui.shown.size(), 1u) << LastMessage();
    }
}

TEST_F(Startup, WhichSessionIsLoaded) {
    FirstStart();
    fs::copy_file(AppData() + "/standard.ses", AppData() + "/mine.ses");
    WriteFile(AppData() + "/orkan.ini", "[Orkan]\nLastSession=mine\n");
    fs::create_directories(AppData() + "/macros");
    WriteFile(AppData() + "/macros/unlocked.ext", "");
    struct Case {
        std::vector<const char*> args;
        std::string loaded;
        int messages;
        bool window = false;
    };
    // A session named but missing: the desktop's user sees standard.ses stand in for it.
    for (const Case& c : {Case{{}, "mine.ses", 0}, Case{{"named"}, "standard.ses", 1, true},
                          Case{{"--session", "mine.ses"}, "mine.ses", 0}}) {
        ui.shown.clear();
        ui.window = c.window;
        SessionRuntime local(loop, ui, frame);
        StartupState st;
        ASSERT_EQ(StartAgain(local, st, c.args), 0) << LastMessage();
        EXPECT_EQ(local.session().record.Text(field::SessionFile), c.loaded);
        EXPECT_EQ(int(ui.shown.size()), c.messages) << LastMessage();
        EXPECT_TRUE(st.event_macros.Found(EventMacro::Unlocked));
        EXPECT_FALSE(st.event_macros.Found(EventMacro::Protect));
    }
}

}  // namespace
}  // namespace orkan
