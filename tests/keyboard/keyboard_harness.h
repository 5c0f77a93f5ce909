// A session with the shipped key functions, standard key map and United States keyboard, whose
// screens are written by host records from a picture of the rows, and whose keys are typed as a
// short text. Screens come back in the same picture form:
//   [ unprotected field attribute   { the same with its MDT set
//   < numeric field                 ( the same with its MDT set
//   | protected                     ~ autoskip (protected numeric)
//   . null   _ blank   * DUP   ; FIELD MARK   anything else: that character
// Keys: characters are typed; {Name} runs the key function of that key.lst name with its flags.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "session/session.h"
#include "support/ds3270_harness.h"

namespace orkan::test {

class RecordingView : public View {
  public:
    void PlaySound(Sound s) override { sounds += s == Sound::Error ? "E" : "A"; }
    void RepaintAll() override { ++repaints; }
    std::string sounds;
    int repaints = 0;
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
    std::string TakeSent() { return harness.TakeSent(); }

    Harness harness;
    Session& session;
    RecordingView view;
};

// The key.lst the build makes, from the source table.
const KeyList& ShippedKeyList();
// The standard key map from its source table, without a country layout.
KeyMap StandardKeyMap();
// data/country.lst as it is installed.
const std::vector<uint8_t>& CountryFile();

}  // namespace orkan::test
