// Admission and dispatch: type-ahead while the host holds the keyboard, the Action keys, line mode,
// the functions of subsystems that are not built yet, keys while a macro runs, and the mouse wheel.
#include <gtest/gtest.h>

#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "keyboard/keyboard_harness.h"

namespace orkan {
namespace {

const std::vector<std::string> kLogon = {"|User[........|.........", "|Pass[........|........."};

// A macro's TYPE and KEY queue in the same order: its characters are not typed into the screen
// the host is about to replace. A full queue sounds.
TEST(TypeAhead, AMacrosKeysQueueInTheirOrderAndAFullQueueSounds) {
    test::KeyboardSession k;
    k.session.record.SetNumber(field::TypeAhead, 1);
    k.Write(kLogon, 0, 6);
    k.Type("{Enter}");
    k.harness.TakeSent();
    for (const char c : std::string("bob")) ExecuteKey(k.session, CharCode(uint8_t(c)), false);
    ExecuteKey(k.session, k.session.keyboard->key_list.FindKeyFunction("Enter"), false);
    k.Write(kLogon, 0, 6);
    EXPECT_EQ(k.harness.TakeSent(), "7D40C91140C6829682");            // "bob" and Enter
    for (size_t i = 0; i < TypeAheadQueue::kSlots; ++i) k.Type("q");  // while the host answers that Enter
    EXPECT_EQ(k.view.sounds, "E");  // the queue holds one key fewer than its slots
}

// A session outlives its keyboard in the runtime's teardown: nothing may reach the keyboard then.
TEST(TypeAhead, AKeyboardThatIsGoneLeavesNothingBehind) {
    test::Harness h;
    Session& s = *h.session;
    { Keyboard keyboard(s); }
    EXPECT_EQ(s.keyboard, nullptr);
    EXPECT_EQ(s.hooks.type_ahead, nullptr);
    h.Host("F5C2");  // a write that restores the keyboard replays no type-ahead
    EXPECT_EQ(s.status, SessionStatus::Unlocked);
}

TEST(LineMode, KeysGoOutAsBytesAndEchoLocally) {
    test::KeyboardSession k;
    k.session.link.line_mode = true;
    k.session.status = SessionStatus::Unlocked;
    k.Type("ls");
    SubmitKey(k.session, MakeKeyCode(KeyCategory::Char, 0xFF));
    k.Type("{Enter}{Backspace}{Tab}");
    EXPECT_EQ(k.harness.TakeSent(), "raw:6C | raw:73 | raw:FFFF | raw:0D0A | raw:08");
    EXPECT_EQ(k.Screen()[0].substr(0, 3), "ls\xFF");
    k.session.link.remote_echo = true;
    k.Type("x");
    EXPECT_EQ(k.Screen()[1], "........................");
}

class Opers : public OperHook {
  public:
    bool RunOper(uint8_t number) override {
        ran.push_back(number);
        return number != 50;
    }
    std::vector<uint8_t> ran;
};

TEST(MissingParts, OneClearMessageAndNothingPretends) {
    test::KeyboardSession k;
    k.Write(kLogon, 0, 6);
    const std::pair<const char*, const char*> cases[] = {
        {"{Find}", "The find dialog needs the desktop program"},
        {"{PrintScreen}", "\"PrintScreen\" needs the session core, which this session does not have."},
    };
    for (auto [keys, message] : cases) {
        k.Type(keys);
        EXPECT_NE(k.harness.TakeMessages().find(message), std::string::npos) << keys;
    }
    ExecuteKey(k.session, MakeKeyCode(KeyCategory::Macro, 0));
    EXPECT_NE(k.harness.TakeMessages().find("has no macro number 0"), std::string::npos);

    Opers opers;
    k.session.hooks.oper = &opers;
    k.Type("{Options}{PrintFile}");
    EXPECT_EQ(opers.ran, (std::vector<uint8_t>{2, 50}));
    EXPECT_NE(
        k.harness.TakeMessages().find("Program operation 50 (PrintFile) is not one that Orkan TN3270 has."),
        std::string::npos);
    k.session.settings.Wang = 1;
    k.session.status = SessionStatus::Connected;
    ExecuteKey(k.session, k.Code("Exit"));  // Wang sessions keep their connection
    EXPECT_EQ(opers.ran.size(), 2u);
    ExecuteKey(k.session, k.Code("AsciiHost"));  // the core does this one itself
    EXPECT_EQ(k.session.link.ascii_host, AsciiHost::Raw);
}

// A macro list entry runs as a file by its name, or as macro text when it is a statement; the wheel
// runs its statements a whole notch at a time.
TEST(MacroKeys, MacroEntriesAndWheelNotchesReachTheMacroRunner) {
    test::KeyboardSession k;
    test::CallLog& macros = k.harness.log;
    k.session.hooks.macros = &macros;
    MacroList& list = k.session.keyboard->key_map.macros;
    ASSERT_EQ(list.Append("logon"), 0);
    ASSERT_EQ(list.Append("Type(\"abc\")"), 1);
    ExecuteKey(k.session, MakeKeyCode(KeyCategory::Macro, 0));
    ExecuteKey(k.session, MakeKeyCode(KeyCategory::Macro, 1));
    EXPECT_EQ(macros.calls, (std::vector<std::string>{"MacroFile:logon", "MacroText:Type(\"abc\")"}));
    macros.calls.clear();
    HandleWheel(k.session, 60);
    HandleWheel(k.session, 60);  // together one notch away from the user
    k.session.settings.WheelDelay = 500;
    k.harness.clock.now_ms = 10000;
    HandleWheel(k.session, -120);
    k.harness.clock.now_ms = 10200;
    HandleWheel(k.session, -120);  // too soon after the last one
    k.session.settings.WheelDelay = -1;
    HandleWheel(k.session, 120 * 50);  // a broken device: ten steps at most
    macros.macro_running = true;
    HandleWheel(k.session, 120);  // one macro at a time: dropped like a key
    std::vector<std::string> expected = {"MacroText:Key(\"PF7\")", "MacroText:Key(\"PF8\")"};
    expected.insert(expected.end(), 10, "MacroText:Key(\"PF7\")");
    EXPECT_EQ(macros.calls, expected);

    k.session.hooks.macros = nullptr;
    HandleWheel(k.session, 120);
    EXPECT_NE(k.harness.TakeMessages().find("needs the macro runner"), std::string::npos);
}

TEST(MacroKeys, KeysTypedWhileAMacroExecutesAreDropped) {
    test::KeyboardSession k;
    k.Write(kLogon, 0, 6);
    test::CallLog& macros = k.harness.log;
    Opers opers;
    k.session.hooks.macros = &macros;
    k.session.hooks.oper = &opers;
    macros.macro_running = true;
    macros.drops_keys = true;
    k.Type("ab{Enter}{MacroStop}{MacroPause}{MacroPlay}");
    EXPECT_EQ(k.harness.TakeSent(), "");
    EXPECT_EQ(opers.ran, (std::vector<uint8_t>{39, 40}));  // the macro's own stop and pause still work

    macros.drops_keys = false;  // waiting for the host: keys are the user's again
    k.Type("c");
    EXPECT_EQ(k.Screen()[0], "|User{c.......|.........");

    k.session.settings.CheckForMacroRunning = 1;
    k.harness.ui.answers = {Answer::Yes};
    SubmitKey(k.session, MakeKeyCode(KeyCategory::Char, 'd'), 'D');
    EXPECT_EQ(opers.ran.back(), 39);  // Yes stops the macro; the key itself is dropped
    EXPECT_EQ(k.Screen()[0], "|User{c.......|.........");
    k.session.hooks.macros = nullptr;
    k.session.hooks.oper = nullptr;
}

TEST(KeyBinding, MenusFindTheKeyOfAFunction) {
    test::KeyboardSession k;
    const std::pair<const char*, const char*> cases[] = {
        {"PF13", "Shift+F1"}, {"Reset", "Esc"},  {"Undo", "Ctrl+Z"},
        {"Enter", "Enter"},   {"PA3", "Alt+F3"}, {"Disconnect", ""},
    };
    for (auto [name, text] : cases) EXPECT_EQ(KeyBindingText(k.session, k.Code(name)), text) << name;
}

}  // namespace
}  // namespace orkan
