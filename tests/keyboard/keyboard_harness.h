// A session with the shipped key functions, standard key map and United States keyboard, whose
// screens are written by host records from a picture of the rows, and whose keys are typed as a
// short text. Screens come back in the same picture form:
//   [ unprotected field attribute   { the same with its MDT set
//   # unprotected and not shown (its MDT not pictured)
//   < numeric field                 ( the same with its MDT set
//   | protected                     ~ autoskip (protected numeric)
//   . null   _ blank   * DUP   ; FIELD MARK   anything else: that character
//   \ before any of these: that character itself (written only; it comes back unmarked)
// Keys: characters are typed; {Name} runs the key function of that key.lst name with its flags.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "clipboard/clipboard.h"
#include "keyboard/keyboard.h"
#include "session/session.h"
#include "support/ds3270_harness.h"
#include "support/golden_file.h"

namespace orkan::test {

class RecordingView : public View {
  public:
    void PlaySound(Sound s) override { sounds += s == Sound::Error ? "E" : "A"; }
    std::string sounds;
};

class KeyboardSession {
  public:
    explicit KeyboardSession(uint32_t rows = 6, uint32_t columns = 24);

    // Erase/Write with keyboard restore of the rows as pictured, the cursor inserted at `row`,
    // `column` (counted from 0).
    void Write(const std::vector<std::string>& rows, uint32_t row = 0, uint32_t column = 0);
    // Keys through the keyboard's admission, as pressed.
    void Type(std::string_view keys);
    uint16_t Code(std::string_view name) const;  // a key.lst name with its flags

    std::vector<std::string> Screen() const;
    std::string Cursor() const;  // "row,column" from 0

    Harness harness;
    Session& session;
    Keyboard keyboard{session};
    RecordingView view;
    Clipboard clipboard{session};
};

// Runs one case of a picture file (keyboard/data/*.txt, clipboard/data/*.txt), whose verbs are:
//   size ROWS COLUMNS  the screen (default 6 x 24); before anything else
//   screen ROW         the next row the host writes (rows not given are nulls)
//   at ROW,COLUMN      the host writes the screen with the cursor there (counted from 0)
//   option NAME [N]    insert, wordwrap, shift (held down), CopyPasswords, or the session option of
//                      that macro option name (TYPEAHEAD, CUT/DELETE...) set to N
//   clipboard TEXT     what the clipboard holds (UTF-8, LF line ends)
//   answer Ok|Cancel   the answer to the next question asked
//   select R,C R,C     the selection from one corner to the other, as the mouse draws it; or none
//   keys KEYS          typed as KeyboardSession::Type takes them
//   sent HEX           what was sent since the last check, as Harness::TakeSent gives it, or nothing
//   copied TEXT        what the clipboard holds at the end
//   selected R,C-R,C   the selection at the end, top left to bottom right, or "none"
//   expect ROW TEXT    the row after the keys (rows not given are as written)
//   cursor ROW,COLUMN  where the cursor ends (not checked when not given)
//   status NAME        the status at the end (default UNLOCKED)
//   sounds SOUNDS      E for each error sound, A for each alarm (default none)
//   message TEXT       the messages shown, each "title: text", joined by " | " (default none)
void RunPictureCase(const GoldenCase& c);

// The key.lst the build makes, from the source table.
const KeyList& ShippedKeyList();
// The standard key map from its source table, without a country layout.
KeyMap StandardKeyMap();
// data/country.lst as it is installed.
const std::vector<uint8_t>& CountryFile();

}  // namespace orkan::test
