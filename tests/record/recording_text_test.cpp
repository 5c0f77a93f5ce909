// The text a recording writes, byte for byte: headers of both languages, waits, typed text, key
// functions with and without positions, macro keys and mouse selections.
#include <gtest/gtest.h>

#include "keyboard/key_functions.h"
#include "record/recording_text.h"

namespace orkan {
namespace {

const std::string kOwnHeader =
    "*********************************************************\r\n"
    "* logon steps\r\n"
    "* Orkan TN3270 macro generated on 2026-12-07 08:15:00\r\n"
    "*********************************************************\r\n"
    "\r\n"
    "Wait(20,Status=\"Unlocked\")\r\n";

const std::string kRexxHeader =
    "/* rexx ***************************************************/\r\n"
    "/* logon steps */\r\n"
    "/* Orkan TN3270 macro generated on 2026-12-07 08:15:00    */\r\n"
    "/**********************************************************/\r\n"
    "\r\n"
    "WaitUnlocked(20)\r\n";

RecordingHeader Header(RecordLanguage language, std::string description = "logon steps") {
    RecordingHeader h;
    h.language = language;
    h.description = std::move(description);
    h.file_name = "logon.mac";
    h.date_time = "2026-12-07 08:15:00";
    h.wait_seconds = 20;
    return h;
}

uint16_t Char(char c) {
    return CharCode(uint8_t(c));
}
uint16_t Action(uint8_t n) {
    return MakeKeyCode(KeyCategory::Action, n);
}
uint16_t Edit(uint8_t n) {
    return MakeKeyCode(KeyCategory::Edit, n);
}
uint16_t Oper(uint8_t n) {
    return MakeKeyCode(KeyCategory::Oper, n);
}

RecordedKey K(uint16_t code, std::string name = "", uint32_t unlocks = 0) {
    RecordedKey k;
    k.code = code;
    k.name = std::move(name);
    k.host_unlocks = unlocks;
    k.cursor_before = {3, 7};
    k.cursor_after = {4, 9};
    return k;
}

void Type(RecordingText& r, std::string_view text) {
    for (char c : text) r.Key(K(Char(c)));
}

TEST(RecordingText, HeadersOfBothLanguages) {
    EXPECT_EQ(RecordingText(Header(RecordLanguage::Own)).text(), kOwnHeader);
    EXPECT_EQ(RecordingText(Header(RecordLanguage::Rexx)).text(), kRexxHeader);
    // Without a description the file name stands in; a REXX comment cannot be ended by the text.
    EXPECT_NE(RecordingText(Header(RecordLanguage::Own, "")).text().find("* logon.mac\r\n"),
              std::string::npos);
    EXPECT_NE(RecordingText(Header(RecordLanguage::Rexx, "a */ b\nc")).text().find("/* a * / b c */\r\n"),
              std::string::npos);
    EXPECT_EQ(RecordingText(Header(RecordLanguage::Rexx)).statements(), 5);
}

TEST(RecordingText, TypedTextKeysAndWaits) {
    struct Case {
        const char* what;
        RecordLanguage language;
        std::function<void(RecordingText&)> steps;
        std::string body;  // after the header
        int statements;
    };
    const std::vector<Case> cases = {
        {"abc, Enter, the host's reply, x", RecordLanguage::Own,
         [](RecordingText& r) {
             Type(r, "abc");
             r.Key(K(Action(action_fn::Enter), "Enter"));
             RecordedKey x = K(Char('x'), "", 1);
             r.Key(x);
             r.Finish(0, {});
         },
         "Type(\"abc\")\r\nKey(\"Enter\")\r\nWait(20,Status=\"Unlocked\")\r\nType(\"x\")\r\n", 9},
        {"a stop after the host answered the last key waits for that answer", RecordLanguage::Own,
         [](RecordingText& r) {
             Type(r, "ab");
             r.Key(K(Action(action_fn::Enter), "Enter"));
             Type(r, "c");
             r.Finish(1, {});
         },
         "Type(\"ab\")\r\nKey(\"Enter\")\r\nType(\"c\")\r\nWait(20,Status=\"Unlocked\")\r\n", 9},
        {"a quote is doubled", RecordLanguage::Own,
         [](RecordingText& r) {
             Type(r, "say \"hi\"");
             r.FlushTypedText();
         },
         "Type(\"say \"\"hi\"\"\")\r\n", 6},
        {"100 characters: 81 and 19", RecordLanguage::Own,
         [](RecordingText& r) {
             Type(r, std::string(100, 'z'));
             r.FlushTypedText();
         },
         "Type(\"" + std::string(81, 'z') + "\")\r\nType(\"" + std::string(19, 'z') + "\")\r\n", 7},
        {"81 characters with quotes count each quote once", RecordLanguage::Own,
         [](RecordingText& r) { Type(r, std::string(80, 'q') + "\""); },
         "Type(\"" + std::string(80, 'q') + "\"\"\")\r\n", 6},
        {"two unlocks check the cursor the key found", RecordLanguage::Own,
         [](RecordingText& r) { r.Key(K(Action(action_fn::PF1 + 2), "PF3", 2)); },
         "Wait(20,Status=\"Unlocked\" & CursorPos = \"3,7\")\r\nKey(\"PF3\")\r\n", 7},
        {"two unlocks in REXX", RecordLanguage::Rexx,
         [](RecordingText& r) { r.Key(K(Action(action_fn::PF1 + 2), "PF3", 3)); },
         "Wait(20,\"getvar('status')='UNLOCKED' & getvar('cursorpos')='3,7'\")\r\nKey(\"PF3\")\r\n", 7},
        {"one unlock in REXX", RecordLanguage::Rexx,
         [](RecordingText& r) { r.Key(K(Action(2), "Enter", 1)); }, "WaitUnlocked(20)\r\nKey(\"Enter\")\r\n",
         7},
        {"a key function flushes the typed text first", RecordLanguage::Rexx,
         [](RecordingText& r) {
             Type(r, "ab");
             r.Key(K(Edit(edit_fn::Tab), "Tab"));
         },
         "Type(\"ab\")\r\nKey(\"Tab\")\r\n", 7},
        {"Select Location is written where the cursor went", RecordLanguage::Own,
         [](RecordingText& r) { r.Key(K(Oper(oper_fn::SelectLocation1), "SelectLocation1")); },
         "Key(\"SelectLocation1\",4,9)\r\n", 6},
        {"a word selected by the mouse is written at the mouse", RecordLanguage::Own,
         [](RecordingText& r) {
             RecordedKey k = K(Edit(edit_fn::SelectWord), "SelectWord");
             k.pointer = RecordedCell{12, 40};
             r.Key(k);
         },
         "Key(\"SelectWord\",12,40)\r\n", 6},
        {"from the keyboard, at the cursor of the playback", RecordLanguage::Own,
         [](RecordingText& r) {
             r.Key(K(Edit(edit_fn::SelectField), "SelectField"));
             r.Key(K(Edit(edit_fn::MarkSelectionStart), "MarkSelectionStart"));
         },
         "Key(\"SelectField\",CursorRow,CursorCol)\r\nKey(\"MarkSelectionStart\",CursorRow,CursorCol)\r\n",
         7},
        {"REXX reads the cursor through getvar", RecordLanguage::Rexx,
         [](RecordingText& r) { r.Key(K(Edit(edit_fn::SelectToMark), "SelectToMark")); },
         "Key(\"SelectToMark\",getvar('cursorrow'),getvar('cursorcol'))\r\n", 6},
        {"record, play, stop and pause are left out", RecordLanguage::Own,
         [](RecordingText& r) {
             Type(r, "k");
             for (uint8_t n = oper_fn::MacroRecord; n <= oper_fn::MacroPause; ++n) r.Key(K(Oper(n), "Macro"));
         },
         "Type(\"k\")\r\n", 6},
        {"a macro key runs its file", RecordLanguage::Own,
         [](RecordingText& r) {
             Type(r, "1");
             r.Key(K(MakeKeyCode(KeyCategory::Macro, 3), "logon\"x"));
         },
         "Type(\"1\")\r\nRUN(\"logon\"\"x\")\r\n", 7},
        {"a macro key in REXX", RecordLanguage::Rexx,
         [](RecordingText& r) { r.Key(K(MakeKeyCode(KeyCategory::Macro, 0), "logon")); },
         "Execute (\"logon\")\r\n", 6},
        {"a control character cannot stand in a text", RecordLanguage::Own,
         [](RecordingText& r) {
             Type(r, "a\tb");
             r.FlushTypedText();
         },
         "Type(\"a\")\r\nType(CHR(9))\r\nType(\"b\")\r\n", 8},
        {"a control character in REXX", RecordLanguage::Rexx, [](RecordingText& r) { Type(r, "\x1A"); },
         "Type(d2c(26))\r\n", 6},
        {"the wheel's statements as they stand, after the host's reply", RecordLanguage::Rexx,
         [](RecordingText& r) {
             Type(r, "x");
             r.Statement(2, {5, 6}, "Key(\"PF8\")\nKey(\"Home\")\n");
         },
         "Type(\"x\")\r\nWait(20,\"getvar('status')='UNLOCKED' & "
         "getvar('cursorpos')='5,6'\")\r\nKey(\"PF8\")\r\n"
         "Key(\"Home\")\r\n",
         9},
        {"a mouse selection after the host's reply; what was typed before it comes first",
         RecordLanguage::Own,
         [](RecordingText& r) {
             Type(r, "ab");
             r.MouseSelection(1, {3, 7}, {2, 5}, {6, 20});
         },
         "Type(\"ab\")\r\nWait(20,Status=\"Unlocked\")\r\nKey(\"SelectLocation1\",2,5)\r\n"
         "Key(\"SelectLocation2\",6,20)\r\n",
         9},
    };
    for (const Case& c : cases) {
        RecordingText r(Header(c.language));
        c.steps(r);
        const std::string& header = c.language == RecordLanguage::Own ? kOwnHeader : kRexxHeader;
        EXPECT_EQ(r.text(), header + c.body) << c.what;
        EXPECT_EQ(r.statements(), c.statements) << c.what;
    }
}

}  // namespace
}  // namespace orkan
