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
        {"UserScreenWidth", &field::UserScreenWidth},
        {"Port", &field::Port},
        {"Tn3270e", &field::Tn3270e},
        {"TlsChoice", &field::TlsChoice},
        {"ColourTag", &field::ColourTag},
        {"HostName", &field::HostName},
        {"LuName", &field::LuName}};
    const test::GoldenCase& c = GetParam();
    SCOPED_TRACE(c.where);
    std::optional<std::string> text;
    std::vector<std::string> args;
    std::array<std::string, kCommandLineOptions> values;
    int rc = 0;
    std::string message;
    bool cut = false, unset = false, fresh = false;
    std::optional<bool> applied;
    std::vector<std::pair<std::string, std::string>> record_values;
    std::vector<std::string> titles, texts;
    std::string given_names, switches;
    std::optional<std::string> letter, session_name;
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
            record_values.emplace_back(first, GoldenValue(second));
        else if (step.verb == "title")
            titles.push_back(step.rest == "command line" ? std::string(kCommandLineErrorTitle) : step.rest);
        else if (step.verb == "says")
            texts.push_back(GoldenValue(step.rest));
        else if (step.verb == "given")
            given_names = step.rest;
        else if (step.verb == "fresh")
            fresh = true;
        else if (step.verb == "switches")
            switches = step.rest;
        else if (step.verb == "letter")
            letter = step.rest;
        else if (step.verb == "session-name")
            session_name = GoldenValue(step.rest);
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
    const std::string on = std::string(cl.headless ? " headless" : "") + (cl.dump ? " dump" : "") +
                           (cl.version ? " version" : "") + (cl.help ? " help" : "");
    EXPECT_EQ(on, switches.empty() ? "" : " " + switches);
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
    if (!applied) return;
    SessionRecord record = DefaultSessionRecord();
    ASSERT_TRUE(record.SetText(field::LuName, "OLDLU"));
    GivenOnCommandLine given;
    const HostSecurity stored{"ca.pem", "", "", false, false};
    HostSecurity security = stored;
    EXPECT_EQ(ApplyCommandLineToRecord(cl, record, given, security, ui), *applied);
    for (const auto& [name, value] : record_values) {
        const FieldDef& f = *fields.at(name);
        EXPECT_EQ(f.kind == FieldKind::Text ? record.Text(f) : std::to_string(record.Number(f)), value)
            << name;
    }
    EXPECT_EQ(security, fresh ? HostSecurity{} : stored);
    const std::string given_now = std::string(given.port ? " port" : "") + (given.tn3270e ? " tn3270e" : "") +
                                  (given.tls ? " tls" : "") + (given.lu_name ? " lu" : "");
    EXPECT_EQ(given_now, given_names.empty() ? "" : " " + given_names);
    std::vector<std::string> shown, shown_texts;
    for (const MessageBox& box : ui.shown) {
        shown.push_back(box.title);
        shown_texts.push_back(box.text);
    }
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
