// Options by name: each option read and changed through its section and keyword, with what the
// change did to the session (repaint, status line, tables, key files, history, window, save) and
// the refusals that leave everything as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <map>

#include "config/atomic_file.h"
#include "keyboard/key_files.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "options/option_effects.h"
#include "options/option_table.h"
#include "options/options_by_name.h"
#include "options/system_variables.h"
#include "scripting/macro_errors.h"
#include "session/session.h"
#include "session/session_charset.h"
#include "support/golden_file.h"
#include "support/loopback.h"
#include "support/running_session.h"

namespace orkan {
namespace {

// Every effect lands in one log, in the order it happened: the window's, the history ring's and
// the program's share.
class Recorder : public View, public SettingsHook, public ScreenHistoryHook {
  public:
    void RepaintAll() override { Note("repaint"); }
    void RefreshStatusLine() override { Note("status"); }
    void FontChanged() override { Note("font"); }
    void CellSizeChanged() override { Note("cell"); }
    void KeyMapChanged() override { Note("keys"); }
    bool SaveSession() override { return Note("save"); }
    void TakeHistorySnapshot() override {}
    void RestoreLiveScreen() override {}
    void SlotCountChanged() override { Note("history"); }
    std::string log;

  private:
    bool Note(const char* what) {
        log += (log.empty() ? "" : " ") + std::string(what);
        return true;
    }
};

class OptionsByName : public ::testing::Test {
  protected:
    OptionsByName() {
        s.record = DefaultSessionRecord();
        s.folders.program_data = std::string(ORKAN_SOURCE_DIR) + "/data";
        s.folders.key_data = folder.path();
        s.view = &recorder;
        s.hooks.settings = &recorder;
        s.hooks.history = &recorder;
        EXPECT_TRUE(RebuildCharset(s));
        EXPECT_TRUE(ui.shown.empty());
    }
    ~OptionsByName() override { s.view = nullptr; }

    int Set(std::string_view section, std::string_view option, const MacroValue& value) {
        recorder.log.clear();
        return SetOptionByName(s, section, option, value);
    }
    MacroValue Get(std::string_view section, std::string_view option) {
        MacroValue v = MacroValue::Text("unread");
        EXPECT_EQ(GetOptionByName(s, section, option, v), 0) << section << " " << option;
        return v;
    }

    test::TempFolder folder;
    test::RecordingUi ui;
    Session s{ui};
    Keyboard keyboard{s};
    Recorder recorder;
};

MacroValue N(int32_t n) {
    return MacroValue::Number(n);
}
MacroValue T(std::string_view t) {
    return MacroValue::Text(t);
}

// The next word of `in`, or a quoted text (with "x"*N for N x's) as a Text and a number as a Number.
MacroValue NextValue(std::string& in) {
    auto [word, rest] = test::SplitWord(in);
    if (word.empty() || word[0] != '"') {
        in = rest;
        return N(std::stoi(word));
    }
    size_t end = 1;
    while (end < in.size() && in[end] != '"') end += in[end] == '\\' ? 2 : 1;
    std::string text = test::GoldenValue(in.substr(0, end + 1));
    std::tie(word, rest) = test::SplitWord(in.substr(end + 1));
    if (word.starts_with("*")) {
        text = std::string(size_t(std::stoi(word.substr(1))), text[0]);
        in = rest;
    } else {
        in = in.substr(std::min(in.find_first_not_of(' ', end + 1), in.size()));
    }
    return T(text);
}

TEST_F(OptionsByName, ChangesTheirEffectsAndRefusals) {
    static const std::map<std::string, int> results = {{"ok", 0},
                                                       {"UnknownKeyword", macro_error::UnknownKeyword},
                                                       {"InvalidValue", macro_error::InvalidValue},
                                                       {"ParmType", macro_error::ParmType},
                                                       {"TextTooLong", macro_error::TextTooLong}};
    const uint8_t cent_in_037 = s.charset.screen[0x4A];
    for (const test::GoldenCase& c : test::ReadGoldenCases("options/data/option_changes.txt"))
        for (const test::GoldenStep& step : c.steps) {
            SCOPED_TRACE(c.where + " line " + std::to_string(step.line));
            auto [option, rest] = test::SplitWord(step.rest);
            const MacroValue value = NextValue(rest);
            std::string result;
            std::tie(result, rest) = test::SplitWord(rest);
            const int error = results.at(result);
            const MacroValue read_back = NextValue(rest);
            const SessionRecord before = s.record;
            EXPECT_EQ(Set(step.verb, option, value), error);
            EXPECT_EQ(recorder.log, rest == "none" ? "" : rest);
            if (error != 0) {
                EXPECT_TRUE(s.record == before) << "a refused value changed the settings";
            }
            MacroValue read;
            EXPECT_EQ(GetOptionByName(s, step.verb, option, read),
                      error == macro_error::UnknownKeyword ? error : 0);
            if (error != macro_error::UnknownKeyword) {
                EXPECT_EQ(read, read_back);
            }
        }
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(s.record.SessionColour(3), 255u);
    EXPECT_EQ(s.record.Number(field::TransferBlockSize), 256u);
    EXPECT_NE(s.charset.screen[0x4A], cent_in_037) << "host 4A is still the cent sign of code page 037";
}

TEST_F(OptionsByName, ConnectionOptionsAskForAReconnectAndAListedHostBringsItsEntry) {
    const struct {
        const char* section;
        const char* option;
        MacroValue value;
    } cases[] = {
        {"GENERAL", "HOSTNAME", T("mvs.example.com:2323")},
        {"GENERAL", "SESSIONFILE", T("payroll.ses")},
        {"DISPLAY", "TERMINALMODEL", N(3)},
    };
    for (const auto& c : cases) {
        ui.shown.clear();
        EXPECT_EQ(Set(c.section, c.option, c.value), 0) << c.option;
        EXPECT_EQ(recorder.log, "status save") << c.option;
        ASSERT_EQ(ui.shown.size(), 1u) << c.option;
        EXPECT_EQ(ui.shown[0].text, "A Reconnect is necessary to put your changes into effect.");
    }
    EXPECT_EQ(ui.shown[0].title, "Orkan TN3270 Connection/Session Change");
    EXPECT_EQ(ui.shown[0].icon, Icon::Warning);
    // The next connection goes where the new host name says; a name of the host list brings its entry.
    EXPECT_EQ(s.record.Text(field::IpName), "mvs.example.com:2323");
    const std::string ini = folder / "orkan.ini";
    std::ofstream(ini) << "[Orkan]\nHostnames=Test,Prod,\nIPnames=test.example.com,prod.example.com,\n"
                          "Portnums=23,992,\nTN3270E=0,1,\nSSL=0,5,\nLunames=,PRODLU01,\n";
    s.folders.settings_file = ini;
    EXPECT_EQ(Set("GENERAL", "HOSTNAME", T("Prod")), 0);
    EXPECT_EQ(s.record.Text(field::HostName), "Prod");
    EXPECT_EQ(s.record.Text(field::IpName), "prod.example.com");
    EXPECT_EQ(s.record.Number(field::Port), 992u);
    EXPECT_EQ(s.record.Text(field::LuName), "PRODLU01");
}

TEST_F(OptionsByName, KeyFilesAreLoadedAnew) {
    KeyMap map;
    map.key_count = 119;
    map.codes[10][0] = 0x0123;
    ASSERT_EQ(WriteFileAtomically(folder / "mine.key", KeyTableBytes(map)), 0);
    const ButtonFile bar{false, 2, 1, {{0x0101, 0, 0, 1, 1, "Enter"}}, {}, ""};
    ASSERT_EQ(WriteFileAtomically(folder / "mine.bar", ButtonFileBytes(KeyFileKind::Toolbar, bar)), 0);

    EXPECT_EQ(Set("GENERAL", "EDITKEYBOARD", T("mine")), 0);
    EXPECT_EQ(recorder.log, "keys status save");
    EXPECT_EQ(s.keyboard->key_map.path, folder / "mine.key");
    EXPECT_EQ(s.keyboard->key_map.codes[10][0], 0x0123);

    EXPECT_EQ(Set("GENERAL", "EDITTOOLBAR", T("mine.bar")), 0);
    EXPECT_EQ(recorder.log, "keys status save");
    ASSERT_EQ(s.keyboard->toolbar.buttons.size(), 1u);
    EXPECT_EQ(s.keyboard->toolbar.buttons[0].label, "Enter");
    // A name that leads nowhere is refused before anything is loaded or warned about.
    EXPECT_EQ(Set("GENERAL", "EDITKEYPAD", T("missing")), macro_error::InvalidValue);
    EXPECT_EQ(recorder.log, "");
    EXPECT_TRUE(ui.shown.empty());
    // One that cannot be used is reported and not named: the next start would find no key map.
    std::ofstream(folder / "broken.key") << "not a key table";
    const SessionRecord before = s.record;
    EXPECT_EQ(Set("GENERAL", "EDITKEYBOARD", T("broken")), macro_error::InvalidValue);
    EXPECT_EQ(recorder.log, "");
    EXPECT_TRUE(s.record == before);
    EXPECT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(s.keyboard->key_map.codes[10][0], 0x0123);
}

TEST_F(OptionsByName, ADialogsWholeRecordGetsEveryEffectOnce) {
    const SessionRecord before = s.record;
    s.record.SetNumber(field::Brightness, 200);
    s.record.SetNumber(field::ScreenBuffers, 7);
    s.record.SetNumber(field::BorderSize, 4);
    ASSERT_TRUE(s.record.SetText(field::KeyboardCodePage, "United Kingdom"));
    recorder.log.clear();
    ApplyChangedSettings(s, before);
    EXPECT_EQ(recorder.log, "history font keys repaint status save");

    recorder.log.clear();
    ApplyChangedSettings(s, s.record);
    EXPECT_EQ(recorder.log, "");
}

TEST_F(OptionsByName, WithoutAWindowTheCoreEffectsStillHappen) {
    s.hooks.settings = nullptr;
    EXPECT_EQ(Set("FONT", "SIZE", T("9x18")), 0);
    EXPECT_EQ(recorder.log, "repaint status");
    EXPECT_EQ(Get("FONT", "SIZE"), T("9 x 18"));
}

// The table is the macro interface: every section and keyword a macro may write, each reachable.
TEST(OptionTable, EveryKeywordIsFoundAtItsOwnEntry) {
    for (const OptionSection& section : OptionSections())
        for (const OptionEntry& e : section.entries)
            EXPECT_EQ(FindOption(section.name, e.keyword), &e) << section.name << "/" << e.keyword;
}

// Through a running session: the session core carries the window's share and the save, and a
// reconnect (which reads the session file again) goes where the option now says.
class CoreFrame : public SessionFrame {
  public:
    void FontSettingsChanged() override { log += "font "; }
    void CellSizeChanged() override { log += "cell "; }
    void KeyFilesLoaded() override { log += "keys "; }
    std::string log;
};

class OptionsInASession : public ::testing::Test, public test::RunningSession<test::RecordingUi, CoreFrame> {
  protected:
    OptionsInASession() {
        s.record = DefaultSessionRecord();
        s.folders.app_data = folder.path();
        s.folders.settings_file = folder / "orkan.ini";
        s.folders.program_data = std::string(ORKAN_SOURCE_DIR) + "/data";
        EXPECT_TRUE(s.record.SetText(field::SessionFile, "t.ses"));
        runtime.file_state().last_saved = s.record;
    }
    Session& s = session();
};

TEST_F(OptionsInASession, SavedSoTheReconnectGoesToTheNewHost) {
    EXPECT_EQ(SetOptionByName(s, "FONT", "SIZE", T("8x16")), 0);
    EXPECT_EQ(frame.log, "cell ");

    test::Listener first, second;
    ASSERT_TRUE(s.record.SetText(field::HostName, first.address()));
    ASSERT_TRUE(s.record.SetText(field::IpName, first.address()));
    runtime.StartSession(StartMode::Interactive);
    const int host = first.Accept();
    ASSERT_GE(host, 0);
    ASSERT_TRUE(test::SendAll(host, "\xFF\xF1"));  // the host speaks (nothing to answer)
    ASSERT_TRUE(test::TurnUntil(loop, [&] { return s.status == SessionStatus::Connected; }));
    EXPECT_EQ(SetOptionByName(s, "GENERAL", "HOSTNAME", T(second.address())), 0);
    ASSERT_TRUE(s.hooks.oper->RunOper(oper_fn::Reconnect));
    const int again = second.Accept();
    EXPECT_GE(again, 0) << "the reconnect did not go to the new host";
    close(host);
    if (again >= 0) close(again);
}

TEST_F(OptionsInASession, FactsOfTheRunningSession) {
    s.charset = test::Cp037Tables();
    ASSERT_TRUE(Connect({"F5C3 114040 1D60 C8C5D3D3D6 FFEF"}));  // a record of 12 bytes
    const MacroVariableState& state = runtime.core().Macros().Runner().variable_state();
    const auto text = [&](std::string_view name) {
        return SystemValueText(ReadSystemVariable(s, state, *FindSystemVariable(name)));
    };
    EXPECT_EQ(text("INPUTLEN"), "12");
    EXPECT_EQ(text("WINDOWIDLIST"), "A");  // no other sessions known
}

}  // namespace
}  // namespace orkan
