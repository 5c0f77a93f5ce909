// Start-up in a scratch HOME: the command line in every form, the first start filling the
// application data folder, the session from the command line, LastSession or standard.ses with the
// command line over it, the slot claimed; and the folders, from the environment and files.ini.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "app/command_line.h"
#include "app/folders_setup.h"
#include "app/startup.h"
#include "config/session_file.h"
#include "config/temp_folder.h"
#include "support/golden_file.h"
#include "support/recording_ui.h"
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
    // The other sessions' Window menus name a session by its slot: a session that takes another
    // file (Save As, the session dialog) shows them the new name.
    ASSERT_TRUE(runtime.session().record.SetText(field::SessionFile, "other.ses"));
    runtime.StartTimers();
    EXPECT_EQ(state.peers->Sessions().at(0).name, "other.ses");
}

TEST_F(Startup, DefaultSessionForInProcessUseNeedsARegularCountryList) {
    Session& s = runtime.session();  // the transfer tests' live sessions are prepared this way
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
    test::WriteText(AppData() + "/orkan.ini",
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
    test::WriteText(AppData() + "/orkan.ini", "[Orkan]\nLastSession=mine\n");
    test::WriteText(AppData() + "/macros/unlocked.ext", "");
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

// The first start fills the user's folder from the installed defaults; every later start must
// leave what the user changed alone.
using test::ReadText;
using test::TempFolder;
using test::WriteText;

TEST(Folders, ExpandEnvironment) {
    const Environment env =
        test::TableEnvironment({{"USERPROFILE", "/home/ann"}, {"LONG", std::string(2049, 'x')}});
    for (const test::TableRow& r : test::ReadTableRows("app/data/folder_names.tsv"))
        EXPECT_EQ(ExpandEnvironment(r.cells.at(0), env).value_or("(refused)"), r.cells.at(1)) << r.where;
}

// Without files.ini the Linux conventions; a files.ini's keys are expanded.
TEST(Folders, DefaultsFollowTheLinuxConventionsUnlessFilesIniSaysOtherwise) {
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

    TempFolder dir;
    WriteText(dir / "files.ini",
              "[Orkan]\nAppData=%DATA%/orkan/\nMacros=/srv/macros\nORK=\nScreens=../shots\n");
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

// A program in the build tree reads the build's data; one found nowhere else, the installed data.
TEST(Folders, ProgramDataOfTheBuildTreeElseTheInstalledData) {
    const std::string build_data = ORKAN_BUILD_DATA_DIR;
    const std::string build_tree = std::filesystem::path(build_data).parent_path().parent_path().string();
    EXPECT_EQ(FindProgramDataFolder(build_tree + "/orkan3270"), build_data);
    EXPECT_EQ(FindProgramDataFolder("/nonexistent/bin/orkan3270"), ORKAN_INSTALL_DATA_DIR);
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

// The command line comes from shortcuts, scripts and other sessions: every form must give the same
// values, and anything that cannot be used must be named in a message.
using test::GoldenValue;

// A link arrives as the desktop entry's Exec line has it, with %u replaced by the link as one
// argument (or dropped, when the program is started from the menu).
std::vector<std::string> DesktopArguments(const std::string& link) {
    const std::string entry = test::ReadText(std::string(ORKAN_SOURCE_DIR) + "/data/orkan3270.desktop");
    const size_t exec = entry.find("\nExec=") + 6;
    std::istringstream words(entry.substr(exec, entry.find('\n', exec) - exec));
    std::vector<std::string> argv;
    for (std::string word; words >> word;) {
        if (word != "%u")
            argv.push_back(word);
        else if (!link.empty())
            argv.push_back(link);
    }
    return argv;
}

class CommandLines : public testing::TestWithParam<test::GoldenCase> {};

TEST_P(CommandLines, Case) {
    static const char* const names[kCommandLineOptions] = {
        "Session", "Macro",    "Scheme", "Host", "LuName", "Port",   "Tn3270e",  "Model",
        "Trace",   "FilesIni", "Tls",    "Run",  "Letter", "Colour", "Settings", "AppData"};
    static const std::map<std::string, const FieldDef*> fields = {
        {"TerminalModel", &field::TerminalModel},
        {"UserScreenHeight", &field::UserScreenHeight},
        {"UserScreenWidth", &field::UserScreenWidth},
        {"Port", &field::Port},
        {"Tn3270e", &field::Tn3270e},
        {"TlsChoice", &field::TlsChoice},
        {"ColourTag", &field::ColourTag},
        {"HostName", &field::HostName},
        {"LuName", &field::LuName}};
    const test::GoldenCase& c = GetParam();
    SCOPED_TRACE(c.where);
    static const std::set<std::string> verbs = {
        "text",  "arg",  "link",  "unset", "rc",       "message", "cut",   "applied",     "record",
        "title", "says", "given", "fresh", "switches", "letter",  "value", "session-name"};
    std::multimap<std::string, std::string> steps;  // a verb's steps keep their order
    for (const test::GoldenStep& step : c.steps) {
        EXPECT_TRUE(verbs.contains(step.verb)) << "line " << step.line << ": cannot read " << step.verb;
        steps.emplace(step.verb, step.rest);
    }
    const auto all = [&](const std::string& verb) {
        std::vector<std::string> out;
        for (auto [at, end] = steps.equal_range(verb); at != end; ++at) out.push_back(at->second);
        return out;
    };
    const auto one = [&](const std::string& verb) {
        const auto found = steps.find(verb);
        return found == steps.end() ? std::nullopt : std::optional(found->second);
    };
    const auto value = [&](const std::string& verb) {
        const std::optional<std::string> v = one(verb);
        return v ? std::optional(GoldenValue(*v)) : std::nullopt;
    };
    const std::optional<std::string> text = value("text"), message = value("message");
    const std::optional<std::string> letter = one("letter"), session_name = value("session-name");
    std::vector<std::string> args;
    for (const std::string& a : all("arg")) args.push_back(GoldenValue(a));
    if (const auto link = value("link")) {
        args = DesktopArguments(*link);
        args.erase(args.begin());  // the program's name
    }
    std::array<std::string, kCommandLineOptions> values;
    for (const std::string& v : all("value")) {
        const auto [name, quoted] = test::SplitWord(v);
        const auto* at = std::find(std::begin(names), std::end(names), name);
        ASSERT_NE(at, std::end(names)) << v;
        values[size_t(at - names)] = GoldenValue(quoted);
    }
    test::RecordingUi ui;
    CommandLine cl;
    std::vector<const char*> argv = {"orkan3270"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    EXPECT_EQ(
        text ? ParseCommandLine(*text, cl, ui) : ParseCommandLine(int(argv.size()), argv.data(), cl, ui),
        std::stoi(one("rc").value_or("0")));
    if (message) {
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].title, "Orkan TN3270 Command Line Option Error");
        EXPECT_EQ(ui.shown[0].text, *message);
        if (!steps.contains("unset")) return;
        ui.shown.clear();
    }
    EXPECT_TRUE(ui.shown.empty());
    for (size_t i = 0; i < kCommandLineOptions; ++i) EXPECT_EQ(cl.values[i], values[i]) << names[i];
    EXPECT_EQ(!cl.notes.empty(), steps.contains("cut"));
    const std::string on = std::string(cl.headless ? " headless" : "") + (cl.dump ? " dump" : "") +
                           (cl.version ? " version" : "") + (cl.help ? " help" : "");
    EXPECT_EQ(on, one("switches") ? " " + *one("switches") : "");
    if (letter) {
        const std::optional<char> l = RequestedSessionLetter(cl, ui);
        EXPECT_EQ(l ? std::string(1, *l) : "none", *letter);
        EXPECT_EQ(ui.shown.size(), l ? 0u : 1u);
    }
    if (session_name) {
        SessionRecord r;
        EXPECT_EQ(SetSessionNameFromCommandLine(cl, r, ui) ? r.Text(field::SessionFile) : "refused",
                  *session_name);
    }
    if (!one("applied")) return;
    SessionRecord record = DefaultSessionRecord();
    ASSERT_TRUE(record.SetText(field::LuName, "OLDLU"));
    GivenOnCommandLine given;
    const HostSecurity stored{"ca.pem", "", "", false, false};
    HostSecurity security = stored;
    EXPECT_EQ(ApplyCommandLineToRecord(cl, record, given, security, ui), one("applied") == "ok");
    for (const std::string& r : all("record")) {
        const auto [name, expected] = test::SplitWord(r);
        ASSERT_TRUE(fields.contains(name)) << r;
        const FieldDef& f = *fields.at(name);
        EXPECT_EQ(f.kind == FieldKind::Text ? record.Text(f) : std::to_string(record.Number(f)),
                  GoldenValue(expected))
            << name;
    }
    EXPECT_EQ(security, steps.contains("fresh") ? HostSecurity{} : stored);
    const std::string given_now = std::string(given.port ? " port" : "") + (given.tn3270e ? " tn3270e" : "") +
                                  (given.tls ? " tls" : "") + (given.lu_name ? " lu" : "");
    EXPECT_EQ(given_now, one("given") ? " " + *one("given") : "");
    std::vector<std::string> shown, shown_texts;
    for (const MessageBox& box : ui.shown) {
        shown.push_back(box.title);
        shown_texts.push_back(box.text);
    }
    std::vector<std::string> titles, texts;
    for (const std::string& t : all("title"))
        titles.push_back(t == "command line" ? std::string(kCommandLineErrorTitle) : t);
    for (const std::string& t : all("says")) texts.push_back(GoldenValue(t));
    EXPECT_EQ(shown, titles);
    if (!texts.empty()) {
        EXPECT_EQ(shown_texts, texts);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLines,
                         testing::ValuesIn(test::ReadGoldenCases("app/data/command_line.txt")),
                         test::GoldenTestName);

}  // namespace
}  // namespace orkan
