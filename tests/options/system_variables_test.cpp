// The system variables: a session in a known state gives every one of the 46 its value text, a
// bare session gives the values of nothing connected (both in data/system_variables.txt), and the three
// cursor variables move the cursor only inside the screen.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>

#include "config/session_file.h"
#include "keyboard/keyboard.h"
#include "options/system_variables.h"
#include "scripting/macro_errors.h"
#include "session/session.h"
#include "support/golden_file.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

class KnownFacts : public SessionFacts {
  public:
    std::string HostAddress() const override { return host; }
    std::string LocalAddress() const override { return "2001:db8::2"; }
    int Socket() const override { return 7; }
    size_t LastRecordLength() const override { return 1234; }
    std::string SessionLetters() const override { return "AC0"; }
    std::string PrintStatus() const override { return "Printing"; }
    std::string host = "2001:db8::1";
};

class CountingView : public View {
  public:
    void CursorMoved() override { ++cursor_moves; }
    int cursor_moves = 0;
};

struct VariableSession {
    test::RecordingUi ui;
    Session s{ui};
    Keyboard keyboard{s};
    CountingView view;
    VariableSession() {
        s.record = DefaultSessionRecord();
        s.ps.rows = 4;
        s.ps.columns = 10;
        s.ps.positions = 40;
        s.ps.size_mode = 1;
        s.view = &view;
    }
    ~VariableSession() { s.view = nullptr; }
    std::string Text(std::string_view name, const MacroVariableState& state = {}) const {
        return SystemValueText(ReadSystemVariable(s, state, FindSystemVariable(name).value()));
    }
};

std::string Hostname() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

// The values of data/system_variables.txt's case `name`, by variable.
std::map<std::string, std::string> Expected(const std::string& name) {
    std::map<std::string, std::string> values;
    for (const test::GoldenCase& c : test::ReadGoldenCases("options/data/system_variables.txt"))
        if (c.name == name)
            for (const test::GoldenStep& step : c.steps) values[step.verb] = test::GoldenValue(step.rest);
    EXPECT_FALSE(values.empty()) << "no case " << name;
    return values;
}

void ExpectValue(std::string_view name, const std::string& text, const std::string& expected) {
    if (expected == "<this machine>")
        EXPECT_EQ(text, Hostname()) << name;
    else if (expected.starts_with("~"))
        EXPECT_TRUE(std::regex_match(text, std::regex(expected.substr(1)))) << name << ": " << text;
    else
        EXPECT_EQ(text, expected) << name;
}

TEST(SystemVariables, KnownSessionGivesEveryValue) {
    VariableSession v;
    Session& s = v.s;
    s.status = SessionStatus::Locked;
    s.letter = 'C';
    s.ps.rows = 32;
    s.ps.columns = 80;
    s.ps.positions = 32 * 80;
    s.ps.size_mode = 2;
    s.ps.cursor_address = 1 * 80 + 4;  // row 2, column 5
    ASSERT_TRUE(s.record.SetText(field::SessionName, "Payroll"));
    ASSERT_TRUE(s.record.SetText(field::HostName, "mvs.example.com:2323"));
    ASSERT_TRUE(s.record.SetText(field::IpName, "192.0.2.9"));
    ASSERT_TRUE(s.record.SetText(field::LuName, "LU0001"));
    ASSERT_TRUE(s.record.SetText(field::TransferQualifier, "USER"));
    ASSERT_TRUE(s.record.SetText(field::DownloadMemberList, "'USER.DATA'"));
    s.record.SetNumber(field::Port, 992);
    s.record.SetNumber(field::TerminalModel, 2);
    s.record.SetNumber(field::ModeCellWidth2, 9);
    s.record.SetNumber(field::ModeCellHeight2, 18);
    s.settings.KeepAliveTime = 300;
    s.keyboard->last_virtual_key = 0x0D;
    s.keyboard->last_modifier = Modifier::Ctrl;
    s.keyboard->insert_mode = true;
    s.link.tn3270e_active = true;
    s.link.tls_active = true;
    s.link.assigned_lu_name = "TCP00042";
    s.link.bound_plu_name = "TSO";
    s.link.bound_secondary_name = "TCP00042";
    s.ds.response_time_ms = 12345;
    s.ds.session_manager_name = "TPX";
    s.selection.shown = true;
    s.selection.anchor_row = 6, s.selection.anchor_column = 9;  // drawn up and to the left
    s.selection.end_row = 2, s.selection.end_column = 3;

    KnownFacts facts;
    MacroVariableState state;
    state.onscreen_row = 3;
    state.onscreen_col = 41;
    state.passed_key = "PF3";
    state.facts = &facts;

    const std::map<std::string, std::string> expected = Expected("known session");
    for (size_t i = 0; i < kSystemVariables.size(); ++i) {
        const SystemVariableInfo& info = kSystemVariables[i];
        const MacroValue value = ReadSystemVariable(s, state, int(i));
        EXPECT_EQ(value.type, info.type) << info.name;
        const auto it = expected.find(std::string(info.name));
        ASSERT_NE(it, expected.end()) << info.name << " is not in the list";
        ExpectValue(info.name, SystemValueText(value), it->second);
    }
    EXPECT_EQ(expected.size(), kSystemVariables.size()) << "the list names a variable that is not one";
}

TEST(SystemVariables, BareSessionShowsNothingConnected) {
    VariableSession v;
    for (const auto& [name, text] : Expected("bare session")) ExpectValue(name, v.Text(name), text);
    EXPECT_EQ(SystemValueText(ReadSystemVariable(v.s, {}, 46)), "");
    EXPECT_EQ(SystemValueText(ReadSystemVariable(v.s, {}, -1)), "");
}

TEST(SystemVariables, TransactionTimes) {
    VariableSession v;
    // Tenths are cut, not rounded; 12345 and 0 are the known and the bare session's.
    const std::pair<int64_t, const char*> times[] = {{999, "0.9"}, {3600000, "3600.0"}, {-40, "0.0"}};
    for (const auto& [ms, text] : times) {
        v.s.ds.response_time_ms = ms;
        EXPECT_EQ(v.Text("TRANTIME"), text) << ms;
    }
}

// The cases are data/system_variables.txt's "cursor assignments".
TEST(SystemVariables, CursorAssignmentStaysOnTheScreen) {
    const std::map<std::string, int> errors = {{"ok", 0},
                                               {"InvalidValue", macro_error::InvalidValue},
                                               {"ParmType", macro_error::ParmType},
                                               {"ReadOnlyVariable", macro_error::ReadOnlyVariable}};
    const std::vector<test::GoldenCase> cases = test::ReadGoldenCases("options/data/system_variables.txt");
    const auto c =
        std::find_if(cases.begin(), cases.end(), [](auto& g) { return g.name == "cursor assignments"; });
    ASSERT_NE(c, cases.end());
    for (const test::GoldenStep& step : c->steps) {
        SCOPED_TRACE(c->where + " line " + std::to_string(step.line) + ": " + step.verb + " " + step.rest);
        const size_t last = step.rest.rfind(' '), before = step.rest.rfind(' ', last - 1);
        const std::string value = step.rest.substr(0, before);
        const std::string error = step.rest.substr(before + 1, last - before - 1);
        const std::string cursor = step.rest.substr(last + 1);
        VariableSession v;
        v.s.ps.cursor_address = 14;
        const int moves_before = v.view.cursor_moves;
        EXPECT_EQ(AssignSystemVariable(v.s, FindSystemVariable(step.verb).value(),
                                       value.starts_with('"') ? MacroValue::Text(test::GoldenValue(value))
                                                              : MacroValue::Number(std::stoi(value))),
                  errors.at(error));
        EXPECT_EQ(v.Text("CURSORPOS"), cursor);
        EXPECT_EQ(v.view.cursor_moves - moves_before, error == "ok" && cursor != "2,5" ? 1 : 0);
    }
    VariableSession v;
    EXPECT_EQ(AssignSystemVariable(v.s, 46, MacroValue::Number(1)), macro_error::ReadOnlyVariable);
    EXPECT_EQ(AssignSystemVariable(v.s, -1, MacroValue::Number(1)), macro_error::ReadOnlyVariable);
}

}  // namespace
}  // namespace orkan
