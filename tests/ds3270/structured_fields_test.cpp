// Write Structured Field records: the Query Reply byte for byte, the field splitter's handling of
// every length, Outbound 3270DS nesting, and host print and macro text.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "ds3270/query_reply.h"
#include "support/ds3270_harness.h"
#include "support/hex.h"

namespace orkan {
namespace {

using test::Harness;

// The reply to a plain Query on a 24 x 80 session with model 2 and code page 037.
// clang-format off
constexpr const char* kQueryReply =
    "88"
    "0017818101000050001801 00D30320 009E0258 070C 0780"
    "001181A600000B0100 0050 0018 0050 0018"
    "0016818600 08 00F4 F1F1 F2F2 F3F3 F4F4 F5F5 F6F6 F7F7"
    "000D81870400F0F1F1F2F2F4F4"
    "00078188000102"
    "000681990000"
    "001B818582 00070C0000000007 00000002B90025 0100F103C30136"
    "003F818F0000 E3C3D7F3F2F7F040 D6D9D2C1D5404040 04010000 25FF02060000C0D59D50000000000000"
    "284E6F7420796574206C6F6767656420696E2129 00"
    "000D818080818586878899A6A8";
// clang-format on

std::string Clean(std::string hex) {
    std::erase(hex, ' ');
    return hex;
}

// The plain reply with the DDM reply after Character Sets, for a block size of 2048.
std::string QueryReplyWithDdm() {
    std::string full = Clean(kQueryReply);
    const std::string character_sets_end = "0100F103C30136";
    full.insert(full.find(character_sets_end) + character_sets_end.size(), "000C81950000081B081B0101");
    return full;
}

TEST(QueryReply, PlainQueryIsAidAnd191BytesByteForByte) {
    Harness h(24, 80);
    h.session->status = SessionStatus::Unlocked;
    h.Host("F3 0005 01 FF 02");
    ASSERT_EQ(h.sender.sent.size(), 1u);
    EXPECT_EQ(h.sender.sent[0].bytes.size(), 1u + 191u);
    EXPECT_EQ(test::ToHex(h.sender.sent[0].bytes), Clean(kQueryReply));
    EXPECT_EQ(h.sender.sent[0].flags, send_flag::Send | send_flag::Trace);
    EXPECT_EQ(h.session->status, SessionStatus::SysLock);
}

struct QueryCase {
    const char* name;
    const char* record;
    std::string reply;  // "" = nothing sent
    std::function<void(Session&)> setup = nullptr;
};

// clang-format off
const QueryCase kQueryCases[] = {
    {"QueryListAllIsTheDefaultList", "F3 0006 01 FF 03 80", Clean(kQueryReply)},
    {"QueryListOfCodesAnswersThoseInOrderAndSkipsUnknownOnes", "F3 0009 01 FF 03 00 99 FF 86",
     "88 000681990000 00168186000800F4F1F1F2F2F3F3F4F4F5F5F6F6F7F7"},
    {"QueryListEquivalentAnswersTheListedCodes", "F3 0007 01 FF 03 40 88", "88 00078188000102"},
    {"QueryListWithNoCodesIsTheAidAlone", "F3 0006 01 FF 03 00", "88"},
    {"QueryListNoneSendsNothing", "F3 0007 01 FF 03 C0 81", ""},
    {"ReadPartitionOfAnotherTypeSendsNothing", "F3 0005 01 FF 06", ""},
    {"UsableAreaCarriesTheAlternateSize", "F3 0007 01 FF 03 00 81",
     "88 0017818101000050002B01 00D30320 009E0258 070C 0780", [](Session& s) {
         s.record.SetNumber(field::TerminalModel, 2);
     }},
    {"UserModelSizeInUsableAreaAndImplicitPartition", "F3 0008 01 FF 03 00 81 A6",
     "88 0017818101000084001B01 00D30320 009E0258 070C 0780 001181A600000B0100 0050 0018 0084 001B",
     [](Session& s) {
         s.record.SetNumber(field::TerminalModel, 4);
         s.record.SetNumber(field::UserScreenWidth, 132);
         s.record.SetNumber(field::UserScreenHeight, 27);
     }},
    {"DamagedUserModelFallsBackTo24By80", "F3 0007 01 FF 03 00 81",
     "88 0017818101000050001801 00D30320 009E0258 070C 0780", [](Session& s) {
         s.record.SetNumber(field::TerminalModel, 4);
         s.record.SetNumber(field::UserScreenWidth, 200);
         s.record.SetNumber(field::UserScreenHeight, 200);
     }},
    {"CharacterSetsCarryTheSessionCodePage", "F3 0007 01 FF 03 00 85",
     "88 001B818582 00070C0000000007 00000004970474 0100F103C30136", [](Session& s) {
         s.charset.character_set = 1175;
         s.charset.code_page = 1140;
     }},
    {"CharacterSetsWithoutReplyCodepageKeepTheFixedNumbers", "F3 0007 01 FF 03 00 85",
     "88 001B818582 00070C0000000007 00000002B90025 0100F103C30136", [](Session& s) {
         s.charset.code_page = 1140;
         s.settings.ReplyCodepage = 0;
     }},
    {"DftTransferAddsDistributedDataManagementAfterCharacterSets", "F3 0005 01 FF 02", QueryReplyWithDdm(),
     [](Session& s) {
         s.status = SessionStatus::TransferReady;
         s.record.SetNumber(field::DftMode, 1);
         s.record.SetNumber(field::TransferBlockSize, 2048);
     }},
};
// clang-format on

class Query : public testing::TestWithParam<QueryCase> {};

TEST_P(Query, Reply) {
    const QueryCase& c = GetParam();
    Harness h(24, 80);
    if (c.setup) c.setup(*h.session);
    h.Host(c.record);
    EXPECT_EQ(h.TakeSent(), Clean(c.reply));
    EXPECT_EQ(h.TakeMessages(), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, Query, testing::ValuesIn(kQueryCases),
                         [](const testing::TestParamInfo<QueryCase>& info) { return info.param.name; });

// The splitter: lengths 0 to 6, past the end, and what each ID needs at least.
struct FieldCase {
    const char* name;
    const char* record;
    const char* screen;
    const char* sent;  // "Q" = the plain Query Reply
    const char* messages;
};

// clang-format off
const FieldCase kFieldCases[] = {
    {"LengthZeroRunsToTheEndOfTheRecord", "F3 0000 01 FF 02", "", "Q", ""},
    {"LengthOneStopsTheRecord", "F3 0001 01 FF 02", "", "",
     "SNA code Error: Structured Field length 1 is invalid, 5 bytes remain in the record.\nThe rest of the record "
     "was ignored."},
    {"LengthTwoStopsTheRecord", "F3 0002 01 FF 02", "", "",
     "SNA code Error: Structured Field length 2 is invalid, 5 bytes remain in the record.\nThe rest of the record "
     "was ignored."},
    {"LengthThreeIsTooShortForReadPartitionAndTheNextFieldStillRuns", "F3 0003 01 0005 01FF02", "", "Q",
     "SNA code Error: Structured Field too short, code=01, length=3\n(at least 5 bytes are needed)."},
    {"LengthFourIsTooShortForReadPartition", "F3 0004 01 FF", "", "",
     "SNA code Error: Structured Field too short, code=01, length=4\n(at least 5 bytes are needed)."},
    {"LengthFiveIsTooShortForQueryList", "F3 0005 01 FF 03", "", "",
     "SNA code Error: Structured Field too short, code=01, length=5\n(at least 6 bytes are needed)."},
    {"LengthSixIsTooShortForHostText", "F3 0006 0F 1F 0000", "", "",
     "SNA code Error: Structured Field too short, code=0F, length=6\n(at least 7 bytes are needed)."},
    {"LengthThreeIsTooShortForEraseReset", "F3 0003 03", "", "",
     "SNA code Error: Structured Field too short, code=03, length=3\n(at least 4 bytes are needed)."},
    {"LengthFourIsTooShortForSetReplyMode", "F3 0004 09 00", "", "",
     "SNA code Error: Structured Field too short, code=09, length=4\n(at least 5 bytes are needed)."},
    {"LengthFourIsTooShortForOutbound3270", "F3 0004 40 00", "", "",
     "SNA code Error: Structured Field too short, code=40, length=4\n(at least 5 bytes are needed)."},
    {"OneTrailingByteIsReported", "F3 0005 01FF02 00", "", "Q",
     "SNA code Error: Structured Field length 1 is invalid, 1 bytes remain in the record.\nThe rest of the record "
     "was ignored."},
    {"LengthPastTheEndIsCutToTheRecord", "F3 00FF 40 00 F5C3 C1C2", "AB\n", "", ""},
    {"Outbound3270RunsTheEnclosedWrite", "F3 0008 40 00 F1C2 C1C2", "AB\n", "", ""},
    {"NestedOutbound3270IsRefused", "F3 000C 40 00 F3 0007 40 00 F1C2C1", "", "",
     "SNA code Error: Outbound 3270DS Structured Field received inside another one; it was ignored."},
    {"UnknownFieldIsReportedAndTheNextOneRuns", "F3 0003 42 0008 40 00 F1C2 C1C2", "AB\n", "",
     "SNA code Error: Unknown Structured Field Received, code=42"},
    {"HostTextWithAnotherQualifierIsUnknown", "F3 0007 0F 2F 0000 00", "", "",
     "SNA code Error: Unknown Structured Field Received, code=0F"},
    {"TransferFieldOutsideATransferIsIgnored", "F3 0005 D0 0000", "", "", ""},
};
// clang-format on

class Fields : public testing::TestWithParam<FieldCase> {};

TEST_P(Fields, Split) {
    const FieldCase& c = GetParam();
    Harness h(24, 80);
    h.Host(c.record);
    EXPECT_EQ(h.Screen(), c.screen);
    EXPECT_EQ(h.TakeSent(), std::string(c.sent) == "Q" ? Clean(kQueryReply) : c.sent);
    EXPECT_EQ(h.TakeMessages(), c.messages);
}

INSTANTIATE_TEST_SUITE_P(Cases, Fields, testing::ValuesIn(kFieldCases),
                         [](const testing::TestParamInfo<FieldCase>& info) { return info.param.name; });

TEST(QueryReply, ARunningTransferKeepsItsStatus) {
    Harness h(24, 80);
    h.session->status = SessionStatus::TransferData;
    h.Host("F3 0005 01 FF 02");
    EXPECT_EQ(h.session->status, SessionStatus::TransferData);
}

TEST(StructuredFields, EraseResetSwitchesSizeAndSetReplyModeKeepsTheAttributeList) {
    Harness h(24, 80, 3);
    h.Host("F3 0004 03 80 0007 09 00 02 41 42");
    EXPECT_EQ(h.session->ps.columns, 132u);
    EXPECT_EQ(h.session->ps.rows, 27u);
    EXPECT_EQ(h.session->ds.reply_mode, 2);
    EXPECT_EQ(h.session->ds.character_mode_attributes, (std::vector<uint8_t>{0x41, 0x42}));
    h.Host("F3 0004 03 00");
    EXPECT_EQ(h.session->ps.columns, 80u);
}

class HostText : public testing::Test {
  protected:
    void SetUp() override {
        folder = std::filesystem::path(testing::TempDir()) / ("orkan-hosttext-" + std::to_string(getpid()));
        std::filesystem::remove_all(folder);
        h.session->folders.app_data = (folder / "appdata").string();
        h.session->folders.temp_macros = (folder / "ork").string();
        h.session->hooks.print = &h.log;
        h.session->hooks.macros = &h.log;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    Harness h{24, 80};
    std::filesystem::path folder;
};

TEST_F(HostText, PrintTextIsCollectedAcknowledgedAndPrintedAtTheNextEraseWrite) {
    h.Host("F3 000C 0F 1F 0000 00 C8C5D3D3D6");
    h.Host("F3 0008 0F 1F 0000 00 40");
    h.Host("F3 000A 0F 1F 0000 00 E6D6");
    EXPECT_EQ(h.TakeSent(), "6B | 6B | 6B");
    EXPECT_TRUE(h.log.calls.empty());
    h.Host("F5C3");
    const std::string path = (folder / "appdata" / "ork$A$prnt.txt").string();
    EXPECT_EQ(Contents(path), "HELLO WO");
    EXPECT_EQ(h.log.calls.front(), "PrintFile:" + path);
}

TEST_F(HostText, MacroTextGoesToTheTemporaryMacroFolderAndStartsAsAMacro) {
    h.session->letter = 'C';
    h.Host("F3 000A 0F 1F 0000 98 C1C2");
    h.Host("7EC3");
    const std::string path = (folder / "ork" / "ork$C$exec.mac").string();
    EXPECT_EQ(h.log.host_macro_text, "AB");
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
