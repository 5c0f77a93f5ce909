// The command line comes from shortcuts, scripts and other sessions: every form must give the same
// values, and anything that cannot be used must be named in a message.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "app/command_line.h"
#include "config/session_file.h"
#include "support/golden_file.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

using test::GoldenValue;

// A link arrives as the desktop entry's Exec line has it, with %u replaced by the link as one
// argument (or dropped, when the program is started from the menu).
std::vector<std::string> DesktopArguments(const std::string& link) {
    std::ifstream entry(std::string(ORKAN_SOURCE_DIR) + "/data/orkan3270.desktop");
    std::string line;
    while (std::getline(entry, line) && !line.starts_with("Exec=")) {
    }
    std::istringstream words(line.substr(5));
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
        {"UserScreenWidth", &field::UserScreenWidth}};
    const test::GoldenCase& c = GetParam();
    SCOPED_TRACE(c.where);
    std::optional<std::string> text;
    std::vector<std::string> args;
    std::array<std::string, kCommandLineOptions> values;
    int rc = 0;
    std::string message;
    bool cut = false, unset = false;
    std::optional<bool> applied;
    std::vector<std::pair<std::string, uint32_t>> numbers;
    std::vector<std::string> titles;
    for (const test::GoldenStep& step : c.steps) {
        const auto [first, second] = test::SplitWord(step.rest);
        if (step.verb == "text")
            text = GoldenValue(step.rest);
        else if (step.verb == "arg")
            args.push_back(GoldenValue(step.rest));
        else if (step.verb == "link") {
            args = DesktopArguments(GoldenValue(step.rest));
            args.erase(args.begin());  // the program's name
        } else if (step.verb == "unset")
            unset = true;
        else if (step.verb == "rc")
            rc = std::stoi(step.rest);
        else if (step.verb == "message")
            message = GoldenValue(step.rest);
        else if (step.verb == "cut")
            cut = true;
        else if (step.verb == "applied")
            applied = step.rest == "ok";
        else if (step.verb == "record" && fields.contains(first))
            numbers.emplace_back(first, uint32_t(std::stoul(second)));
        else if (step.verb == "title")
            titles.push_back(step.rest == "command line" ? std::string(kCommandLineErrorTitle) : step.rest);
        else if (const auto* at = std::find(std::begin(names), std::end(names), first);
                 step.verb == "value" && at != std::end(names))
            values[size_t(at - names)] = GoldenValue(second);
        else
            ADD_FAILURE() << "line " << step.line << ": cannot read " << step.verb << " " << step.rest;
    }
    test::RecordingUi ui;
    CommandLine cl;
    std::vector<const char*> argv = {"orkan3270"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    EXPECT_EQ(
        text ? ParseCommandLine(*text, cl, ui) : ParseCommandLine(int(argv.size()), argv.data(), cl, ui), rc);
    if (!message.empty()) {
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].title, "Orkan TN3270 Command Line Option Error");
        EXPECT_EQ(ui.shown[0].text, message);
        if (!unset) return;
        ui.shown.clear();
    }
    EXPECT_TRUE(ui.shown.empty());
    for (size_t i = 0; i < kCommandLineOptions; ++i) EXPECT_EQ(cl.values[i], values[i]) << names[i];
    EXPECT_EQ(!cl.notes.empty(), cut);
    if (!applied) return;
    SessionRecord record = DefaultSessionRecord();
    GivenOnCommandLine given;
    HostSecurity security;
    EXPECT_EQ(ApplyCommandLineToRecord(cl, record, given, security, ui), *applied);
    for (const auto& [name, n] : numbers) EXPECT_EQ(record.Number(*fields.at(name)), n) << name;
    std::vector<std::string> shown;
    for (const MessageBox& box : ui.shown) shown.push_back(box.title);
    EXPECT_EQ(shown, titles);
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLines,
                         testing::ValuesIn(test::ReadGoldenCases("app/data/command_line.txt")),
                         test::GoldenTestName);

TEST(CommandLine, SwitchesOfTheLinuxProgram) {
    test::RecordingUi ui;
    CommandLine cl;
    const char* argv[] = {"orkan3270", "--headless", "--dump", "--version"};
    ASSERT_EQ(ParseCommandLine(4, argv, cl, ui), 0);
    EXPECT_TRUE(cl.headless && cl.dump && cl.version && !cl.help);
}

struct Applied {
    SessionRecord record = DefaultSessionRecord();
    GivenOnCommandLine given;
    HostSecurity security{"ca.pem", "", "", true, true};
    test::RecordingUi ui;
    bool ok = false;
    explicit Applied(const std::string& text) {
        CommandLine cl;
        EXPECT_EQ(ParseCommandLine(text, cl, ui), 0);
        EXPECT_TRUE(record.SetText(field::LuName, "OLDLU"));
        ok = ApplyCommandLineToRecord(cl, record, given, security, ui);
    }
};

TEST(CommandLine, ValuesGoIntoTheRecordOnlyWhenTheyFit) {
    Applied fresh("tn3270://mvs.example:992/");
    EXPECT_TRUE(fresh.ok);
    EXPECT_EQ(fresh.record.Text(field::HostName), "mvs.example:992");
    EXPECT_EQ(fresh.record.Text(field::LuName), "");  // a fresh host entry
    EXPECT_EQ(fresh.record.Number(field::Tn3270e), 1u);
    EXPECT_EQ(fresh.security, HostSecurity{});
    EXPECT_TRUE(fresh.given.port && fresh.given.lu_name);

    Applied lu("/L " + std::string(40, 'U'));  // 40 characters: the command line takes it, the field not
    EXPECT_FALSE(lu.ok);
    EXPECT_EQ(lu.record.Text(field::LuName), "OLDLU");
    ASSERT_EQ(lu.ui.shown.size(), 1u);
    EXPECT_NE(lu.ui.shown[0].text.find("LU name"), std::string::npos);

    Applied values("/P 2023 /N 4 /V 5 /C red /E");
    EXPECT_TRUE(values.ok);
    EXPECT_EQ(values.record.Number(field::Port), 2023u);
    EXPECT_EQ(values.record.Number(field::TerminalModel), 2u);
    EXPECT_EQ(values.record.Number(field::TlsChoice), tls_choice::Highest);
    EXPECT_EQ(values.record.Number(field::ColourTag), 0x81u);
    EXPECT_TRUE(values.given.port && values.given.tls && values.given.tn3270e && !values.given.lu_name);

    // Refused here rather than when connecting: a blank or control character in the LU name,
    // a port in the host that is no port. An LU given empty leaves the choice to the host.
    for (const char* text : {"/L A B", "/L A\x01", "/H mvs:70000", "/H mvs:0"}) {
        Applied refused(text);
        EXPECT_FALSE(refused.ok) << text;
        EXPECT_EQ(refused.record.Text(field::LuName), "OLDLU") << text;
        ASSERT_EQ(refused.ui.shown.size(), 1u) << text;
    }
    EXPECT_EQ(Applied("/L A\x01").ui.shown[0].text,
              "LU name 'A?' is invalid: use at most 19 printable characters without blanks.");
    EXPECT_EQ(Applied("/H mvs:70000").ui.shown[0].text,
              "Port \"70000\" in host \"mvs:70000\" is not a number from 1 to 65535.");
    Applied empty_lu("/L /P 2023");
    EXPECT_TRUE(empty_lu.ok);
    EXPECT_EQ(empty_lu.record.Text(field::LuName), "");

    Applied bad("/P 70000 /N 7 /C PURPLE");
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.record.Number(field::Port), 23u);
    EXPECT_EQ(bad.record.Number(field::TerminalModel),
              0u);  // an unusable model is reported, the session's stays
    EXPECT_EQ(bad.ui.shown.size(), 3u);
}

TEST(CommandLine, SessionLetterAndName) {
    const std::pair<const char*, std::optional<char>> letters[] = {
        {"/I c", 'C'}, {"/I 7", '7'}, {"/I Z", 'Z'}, {"/I ab", std::nullopt}, {"/I #", std::nullopt}};
    for (auto [text, expected] : letters) {
        test::RecordingUi ui;
        CommandLine cl;
        ASSERT_EQ(ParseCommandLine(text, cl, ui), 0);
        EXPECT_EQ(RequestedSessionLetter(cl, ui), expected) << text;
        EXPECT_EQ(ui.shown.size(), expected ? 0u : 1u) << text;
    }
    test::RecordingUi ui;
    CommandLine cl;
    const char* argv[] = {"orkan3270", "--session", "caf\xC3\xA9"};
    ASSERT_EQ(ParseCommandLine(3, argv, cl, ui), 0);
    SessionRecord r;
    ASSERT_TRUE(SetSessionNameFromCommandLine(cl, r, ui));
    EXPECT_EQ(r.Text(field::SessionFile), "caf\xE9.ses");  // stored in the 8-bit code page
    const char* argv2[] = {"orkan3270", "--session", "\xE2\x98\x83"};
    ASSERT_EQ(ParseCommandLine(3, argv2, cl, ui), 0);
    EXPECT_FALSE(SetSessionNameFromCommandLine(cl, r, ui));
}

}  // namespace
}  // namespace orkan
