// Host text in Write Structured Field records: print text and macro text, through files of their
// own (the records and their replies are in data/structured_fields.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "config/temp_folder.h"
#include "support/ds3270_harness.h"

namespace orkan {
namespace {

using test::Harness;

class HostText : public testing::Test {
  protected:
    void SetUp() override {
        h.session->folders.app_data = (folder / "appdata").string();
        h.session->folders.temp_macros = (folder / "ork").string();
        h.session->hooks.print = &h.log;
        h.session->hooks.macros = &h.log;
    }
    Harness h{24, 80};
    test::TempFolder scratch;
    std::filesystem::path folder = scratch.path();
};

TEST_F(HostText, PrintTextIsCollectedAcknowledgedAndPrintedAtTheNextEraseWrite) {
    h.Host("F3 000C 0F 1F 0000 00 C8C5D3D3D6");
    h.Host("F3 0008 0F 1F 0000 00 40");
    h.Host("F3 0012 0F 1F 0000 00 E6D6 0D25 C1 15 C2 0C C3 05 C4");  // CR LF, NL, FF, HT
    EXPECT_EQ(h.TakeSent(), "6B | 6B | 6B");
    EXPECT_TRUE(h.log.calls.empty());
    h.Host("F5C3");
    const std::string path = (folder / "appdata" / "ork$A$prnt.txt").string();
    EXPECT_EQ(test::ReadText(path), "HELLO WO\r\nA\nB\fC\tD");
    EXPECT_EQ(h.log.calls.front(), "PrintFile:" + path);
}

TEST_F(HostText, MacroTextGoesToTheTemporaryMacroFolderAndStartsAsAMacro) {
    h.session->letter = 'C';
    h.Host("F3 000A 0F 1F 0000 98 C1 15 C2");
    h.Host("7EC3");
    const std::string path = (folder / "ork" / "ork$C$exec.mac").string();
    EXPECT_EQ(h.log.host_macro_text, "A\nB");
    EXPECT_EQ(h.log.calls.front(), "MacroFile:" + path);
    EXPECT_FALSE(std::filesystem::exists(path)) << "nothing else may run the host's text later";
}

TEST_F(HostText, AFileThatCannotBeOpenedIsReportedOnceAndTextDroppedUntilEraseWrite) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "appdata") << "a file where the folder should be";
    h.Host("F3 0009 0F 1F 0000 00 C1");
    h.Host("F3 0009 0F 1F 0000 00 C2");
    EXPECT_EQ(h.TakeMessages(), "File Error: Error opening temp file 'ork$A$prnt.txt' for pcprint action");
    h.Host("F5C3");
    EXPECT_TRUE(std::none_of(h.log.calls.begin(), h.log.calls.end(),
                             [](const std::string& call) { return call.rfind("PrintFile:", 0) == 0; }));
}

}  // namespace
}  // namespace orkan
