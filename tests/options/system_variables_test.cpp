// The system variables: a session in a known state gives every one of the 46 its value text, a
// bare session gives the values of nothing connected (both in data/system_variables.txt), and the three
// cursor variables move the cursor only inside the screen.
#include <gtest/gtest.h>

#include <unistd.h>

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

    facts.host = "192.0.2.9";
    EXPECT_EQ(v.Text("IPVERSION", state), "IPv4");
}

TEST(SystemVariables, BareSessionShowsNothingConnected) {
    VariableSession v;
    for (const auto& [name, text] : Expected("bare session")) ExpectValue(name, v.Text(name), text);
    EXPECT_EQ(SystemValueText(ReadSystemVariable(v.s, {}, 46)), "");
    EXPECT_EQ(SystemValueText(ReadSystemVariable(v.s, {}, -1)), "");
}

TEST(SystemVariables, StatusNamesAndTransactionTimes) {
    VariableSession v;
    const std::pair<SessionStatus, const char*> statuses[] = {
        {SessionStatus::TransferMessage, "TR_MESSAGE"},
        {SessionStatus::TransferDone, "TR_DONE"},
        {SessionStatus::Rejected, "REJECTED"},
        {SessionStatus::IspfExit, "ISPFEXIT"},
        {SessionStatus::History, "HISTORY"},
    };
    for (const auto& [status, name] : statuses) {
        v.s.status = status;
        EXPECT_EQ(v.Text("STATUS"), name);
    }
    const std::pair<int64_t, const char*> times[] = {
        {0, "0.0"},    {99, "0.0"},     {250, "0.2"},        {999, "0.9"},
        {1000, "1.0"}, {12345, "12.3"}, {3600000, "3600.0"}, {-40, "0.0"},
    };
    for (const auto& [ms, text] : times) {
        v.s.ds.response_time_ms = ms;
        EXPECT_EQ(v.Text("TRANTIME"), text) << ms;
    }
}

// Each row: the assignment, its error, and the cursor after it (row,col from 1). The screen is
// 4 rows of 10; the cursor starts at 2,5.
TEST(SystemVariables, CursorAssignmentStaysOnTheScreen) {
    const struct {
        const char* name;
        MacroValue value;
        int error;
        const char* cursor;
    } cases[] = {
        {"CURSORROW", MacroValue::Number(3), 0, "3,5"},
        {"CURSORROW", MacroValue::Number(4), 0, "4,5"},
        {"CURSORROW", MacroValue::Number(0), macro_error::InvalidValue, "2,5"},
        {"CURSORROW", MacroValue::Number(5), macro_error::InvalidValue, "2,5"},
        {"CURSORROW", MacroValue::Number(257), macro_error::InvalidValue, "2,5"},  // not wrapped to a byte
        {"CURSORROW", MacroValue::Text("3"), macro_error::ParmType, "2,5"},
        {"CURSORCOL", MacroValue::Number(10), 0, "2,10"},
        {"CURSORCOL", MacroValue::Number(11), macro_error::InvalidValue, "2,5"},
        {"CURSORCOL", MacroValue::Number(-1), macro_error::InvalidValue, "2,5"},
        {"CURSORPOS", MacroValue::Text("1,1"), 0, "1,1"},
        {"CURSORPOS", MacroValue::Text(" +4 , 10x"), 0, "4,10"},
        {"CURSORPOS", MacroValue::Text("5,1"), macro_error::InvalidValue, "2,5"},
        {"CURSORPOS", MacroValue::Text("3,-2"), macro_error::InvalidValue, "2,5"},
        {"CURSORPOS", MacroValue::Text("99999999999999999999,1"), macro_error::InvalidValue, "2,5"},
        {"CURSORPOS", MacroValue::Text("a,b"), macro_error::InvalidValue, "2,5"},  // both read as 0
        {"CURSORPOS", MacroValue::Text("34"), 0, "2,5"},                           // no comma: nothing moves
        {"CURSORPOS", MacroValue::Number(34), macro_error::ParmType, "2,5"},
        {"STATUS", MacroValue::Text("UNLOCKED"), macro_error::ReadOnlyVariable, "2,5"},
        {"TERMMODE", MacroValue::Number(2), macro_error::ReadOnlyVariable, "2,5"},
    };
    for (const auto& c : cases) {
        VariableSession v;
        v.s.ps.cursor_address = 14;
        const int moves_before = v.view.cursor_moves;
        EXPECT_EQ(AssignSystemVariable(v.s, FindSystemVariable(c.name).value(), c.value), c.error) << c.name;
        EXPECT_EQ(v.Text("CURSORPOS"), c.cursor) << c.name;
        const bool moved = c.error == 0 && std::string(c.cursor) != "2,5";
        EXPECT_EQ(v.view.cursor_moves - moves_before, moved ? 1 : 0) << c.name;
    }
    VariableSession v;
    EXPECT_EQ(AssignSystemVariable(v.s, 46, MacroValue::Number(1)), macro_error::ReadOnlyVariable);
    EXPECT_EQ(AssignSystemVariable(v.s, -1, MacroValue::Number(1)), macro_error::ReadOnlyVariable);
}

}  // namespace
}  // namespace orkan
