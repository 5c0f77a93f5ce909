// Host records in, screen, cursor, fields, outbound bytes and messages out. Most cases use a
// 4 x 20 default screen (80 positions, so every address is one 12-bit code pair) with terminal
// model 2 (24 x 80) as the alternate size.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "ds3270/addressing.h"
#include "ds3270/screen_dump.h"
#include "support/ds3270_harness.h"

namespace orkan {
namespace {

using test::Harness;

struct WriteCase {
    const char* name;
    std::vector<const char*> records;
    const char* screen;    // Harness::Screen()
    int cursor;            // -1: not checked
    const char* fields;    // DumpFields(), nullptr: not checked
    std::string messages;  // Harness::TakeMessages()
    std::function<void(Session&)> setup = nullptr;
    std::function<void(Harness&)> check = nullptr;
    uint32_t rows = 4, columns = 20;
};

void ExpectCell(const Session& s, uint32_t a, uint8_t display, uint8_t colour, uint8_t highlight,
                uint8_t charset) {
    EXPECT_EQ(s.ps.planes.display[a], display) << "display at " << a;
    EXPECT_EQ(s.ps.planes.colour[a], colour) << "colour at " << a;
    EXPECT_EQ(s.ps.planes.highlight[a], highlight) << "highlight at " << a;
    EXPECT_EQ(s.ps.planes.charset[a], charset) << "charset at " << a;
}

std::string Incomplete(const char* code, int offset) {
    return std::string("SNA code Error: Incomplete order received, code=") + code +
           "\nThe record ends at offset " + std::to_string(offset) + ", before the order's parameters.";
}

const std::string kWriteAt85 =
    "Attempting to write to invalid buffer address: Attempting to write to buffer address 85, row=4 col=5\n"
    "but there are only 80 positions on the current screen.";
void IgnoreInvalidSba(Session& s) {
    s.settings.IgnoreInvalidSBA = 1;
}

// clang-format off
const WriteCase kCases[] = {
    {"StartFieldDataInsertCursor",
     {"F5C2 1D60 C8C5D3D3D6 1D40 13"},
     " HELLO\n", 7, "1,1 E0 prot colour=12 hl=00\n1,7 C0 unprot colour=10 hl=00\n", ""},
    {"BothAddressFormsAndTheZeroCode",
     {"F1C3 11C1C1 C1 11004E C2 11FFEF C3"},
     "C\n\n\n     A            B\n", 0, "", ""},
    {"InvalidAddressInWriteShowsMessageAndKeepsEarlierData",
     {"F1C3 C1 11C1D0 C2"},
     "A\n", 0, "",
     "Invalid buffer address: Invalid buffer address received, code = 11 C1 D0.\nAttempt to address location 80 on "
     "the screen,\nbut there are only 80 positions on the current screen."},
    {"InvalidAddressInEraseWriteRerunsAsEraseWriteAlternate",
     {"F5C3 C1 11C1D0 C2"},
     "A\nB\n", 0, "", "", nullptr,
     [](Harness& h) {
         EXPECT_EQ(h.session->ps.rows, 24u);
         EXPECT_EQ(h.session->ps.size_mode, 2);
     }},
    {"InvalidAddressAfterTheRerunShowsTheMessage",
     {"F5C3 115E40 C1"},
     "", 0, "",
     "Invalid buffer address: Invalid buffer address received, code = 11 5E 40.\nAttempt to address location 1920 on "
     "the screen,\nbut there are only 1920 positions on the current screen.",
     nullptr, nullptr, 24, 80},
    {"ProgramTabAfterDataNullsTheFieldAfterAnOrderItDoesNot",
     {"F5C3 1D40 C1C1C1C1C1C1C1C1 1D60 1D40 C2C2C2C2C2C2C2C2 1D60 1140E8 1D40",
      "F1C3 1140C1 C3 05 C4 11404C 05 E5"},
     " C         DBBBBBBB\n\n V\n", 0,
     "1,1 C0 unprot colour=10 hl=00\n1,10 E0 prot colour=12 hl=00\n1,11 C0 unprot colour=10 hl=00\n"
     "1,20 E0 prot colour=12 hl=00\n3,1 C0 unprot colour=10 hl=00\n",
     ""},
    {"ProgramTabFromAProtectedAttributeSkipsToTheNextInputField",
     {"F5C3 1D60 C1 1D40 C2 114040 05 C3"},
     " A C\n", -1, nullptr, ""},
    {"ProgramTabWithNoInputFieldAheadGoesToAddressZero",
     {"F5C3 1140C5 C1 05 C2"},
     "B    A\n", -1, nullptr, ""},
    {"RepeatToTheCurrentAddressFillsTheWholeBuffer",
     {"F5C3 1140C5 3C40C5 5C C1"},
     "*****A**************\n********************\n********************\n********************\n", 0, "", ""},
    {"RepeatFollowsASecondRepeatOnceAndRepeatsAGraphicEscape",
     {"F5C3 3C40C5 3C404A 08AD C1"},
     "[[[[[[[[[[A\n", 0, "", "", nullptr,
     [](Harness& h) { ExpectCell(*h.session, 9, 0xAD, 0, 0, 0xF1); }},
    {"RepeatOfSbaEndsTheRecord",
     {"F1C3 C1 3C40C5 11C2"},
     "A\n", 0, "", "SNA code Error: Repeat to Address order received with SBA as the character to repeat."},
    {"EraseUnprotectedWrapsAtTheEndAndSkipsProtectedFields",
     {"F5C3 11C14A 1D40 C1C1C1C1C1C1C1C1C1C1 1D60 C2C2", "F1C3 11C14B 1240C7 E7"},
     "      BX\n", 0, "1,6 E0 prot colour=12 hl=00\n4,15 C0 unprot colour=10 hl=00\n", ""},
    {"EraseUnprotectedOnAnUnformattedScreenNullsBetweenTheAddresses",
     {"F5C3 3C40D4C1 1140C3 1240C8"},
     "AAA     AAAAAAAAAAAA\n", 0, "", ""},
    {"StartFieldExtendedWithCountZeroIsUnprotectedWithColourZero",
     {"F5C3 2900 C1"},
     " A\n", 0, "1,1 80 unprot colour=00 hl=00\n", ""},
    {"StartFieldExtendedPairs",
     {"F5C3 2903C0E842F241F2 C8C9 2902 42F4 C060 2901 C0C8"},
     " HI\n", 0,
     "1,1 E8 prot int colour=02 hl=42\n1,4 E0 prot colour=04 hl=40\n1,5 C8 unprot int colour=11 hl=00\n", ""},
    {"SetAttributeRunsAndResetAll",
     {"F5C3 2842F2 C1 2841F4 C2 280000 C3 2843F1 AD"},
     "ABC[\n", 0, "", "", nullptr,
     [](Harness& h) {
         ExpectCell(*h.session, 0, 'A', 0x02, 0, 0);
         ExpectCell(*h.session, 1, 'B', 0x02, 0x04, 0);
         ExpectCell(*h.session, 2, 'C', 0, 0, 0);
         ExpectCell(*h.session, 3, 0xAD, 0, 0, 0xF1);
     }},
    {"SetAttributeWithAnUnknownTypeReadsTheTypeAsData",
     {"F5C3 28C8 C9"},
     "HI\n", 0, "", ""},
    {"GraphicEscapeIsStoredUntranslated",
     {"F5C3 08AD C1"},
     "[A\n", 0, "", "", nullptr,
     [](Harness& h) {
         ExpectCell(*h.session, 0, 0xAD, 0, 0, 0xF1);
         EXPECT_EQ(h.session->ps.planes.host[0], 0xAD);
     }},
    {"ModifyFieldChangesTheAttributeInPlace",
     {"F5C3 1D40 C1C2 114040 2C02 C0E0 42F1 C3"},
     " CB\n", 0, "1,1 E0 prot colour=01 hl=00\n", ""},
    {"ModifyFieldWithColorModifyFieldTakesTheDefaultColour",
     {"F5C3 1D40 C1 114040 2C01 C0E8"},
     " A\n", 0, "1,1 E8 prot int colour=13 hl=00\n", "",
     [](Session& s) { s.settings.ColorModifyField = 1; }},
    {"EraseAllUnprotectedNullsInputFieldsAndPlacesTheCursor",
     {"F5C3 1D60 C1 1DC1 C2C2 1D60 C3", "6F"},
     " A    C\n", 3,
     "1,1 E0 prot colour=12 hl=00\n1,3 C0 unprot colour=10 hl=00\n1,6 E0 prot colour=12 hl=00\n", "", nullptr,
     [](Harness& h) {
         EXPECT_EQ(h.session->ds.unlock_counter, 2u);  // once for the Erase/Write, once for Erase All Unprotected
         EXPECT_EQ(h.session->ds.current_aid, 0x60);
     }},
    {"EraseAllUnprotectedOnAnUnformattedScreenErasesIt",
     {"F5C3 C1C2", "6F"},
     "", 0, "", ""},
    {"InsertCursorOutsideTheScreenIsIgnored",
     {"F1C3 1140C5 13 11C1D0 13"},
     "", 5, "", "", IgnoreInvalidSba},
    {"WriteOnlyCommandAndWccUnlocksTheKeyboard",
     {"F1C2"},
     "", 0, "", "", [](Session& s) { s.status = SessionStatus::SysLock; },
     [](Harness& h) { EXPECT_EQ(h.session->status, SessionStatus::Unlocked); }},
    {"WriteWithoutKeyboardRestoreLeavesTheKeyboardLocked",
     {"F1C0 C1"},
     "A\n", 0, "", "", [](Session& s) { s.status = SessionStatus::SysLock; },
     [](Harness& h) { EXPECT_EQ(h.session->status, SessionStatus::SysLock); }},
    {"WccResetMdtClearsEveryModifiedDataTag",
     {"F5C3 1DC1 C1 1DC5", "F1C1"},
     " A\n", 0, "1,1 C0 unprot colour=10 hl=00\n1,3 C4 unprot sel colour=10 hl=00\n", ""},
    {"FieldWrapsFromTheLastPosition",
     {"F5C3 11C14F 1D40 C1C2 1D60"},
     "AB\n", 0, "1,3 E0 prot colour=12 hl=00\n4,20 C0 unprot colour=10 hl=00\n", ""},
    {"NonDisplayFieldShowsBlanks",
     {"F5C3 1D4C C1C2 1D60 C3"},
     "    C\n", 0, nullptr, ""},
    {"UnknownCommandIsReportedAndDropped",
     {"00C3 C1"},
     "", 0, "", "SNA code Error: Unknown 3270 Command Received, code=00"},

    // Records cut short: each order stops at the end of the record with a message.
    {"SbaAtTheEndOfTheRecord",
     {"F1C3 C1 11C2"},
     "A\n", 0, "",
     Incomplete("11", 5)},
    {"StartFieldWithoutItsAttribute",
     {"F1C3 C1 1D"},
     "A\n", 0, "",
     Incomplete("1D", 4)},
    {"StartFieldExtendedWithACountPastTheEnd",
     {"F1C3 2902 C060 42"},
     "", 0, "",
     Incomplete("29", 7)},
    {"ModifyFieldWithACountPastTheEnd",
     {"F1C3 2C05 C060"},
     "", 0, "",
     Incomplete("2C", 6)},
    {"RepeatWithoutItsCharacter",
     {"F1C3 3C40C5"},
     "", 0, "",
     Incomplete("3C", 5)},
    {"RepeatOfAGraphicEscapeWithoutItsCharacter",
     {"F1C3 3C40C5 08"},
     "", 0, "",
     Incomplete("3C", 6)},
    {"GraphicEscapeAtTheEnd",
     {"F1C3 C1 08"},
     "A\n", 0, "",
     Incomplete("08", 4)},
    {"SetAttributeWithoutItsValue",
     {"F1C3 2842"},
     "", 0, "",
     Incomplete("28", 4)},
    {"EraseUnprotectedWithAStopBeyondTheScreenWritesNothing",
     {"F5C3 C1C1C1", "F1C3 12C1D0 C2"},
     "BAA\n", 0, "", "", IgnoreInvalidSba},
    {"RepeatWithAStopBeyondTheScreenReadsItsCharacterAsData",
     {"F1C3 3CC1D0 C1"},
     "A\n", 0, "", "", IgnoreInvalidSba},
    {"WriteBeyondTheScreenIsRefusedWithAMessage",
     {"F1C3 C1 11C1D5 C2"},
     "A\n", 0, "",
     kWriteAt85,
     IgnoreInvalidSba},
    {"WriteBeyondTheScreenIsRefusedSilentlyWithIgnoreInvalidWrite",
     {"F1C3 C1 11C1D5 C2 C3"},
     "A\n", 0, "", "",
     [](Session& s) {
         s.settings.IgnoreInvalidSBA = 1;
         s.settings.IgnoreInvalidWrite = 1;
     }},
    {"RepeatFromAnAddressBeyondTheScreenIsRefused",
     {"F1C3 11C1D5 3C40C5C1"},
     "", 0, "",
     kWriteAt85,
     IgnoreInvalidSba},
    {"RecordOfAnotherTn3270eDataTypeIsDropped", {"F5C3 C1"}, "", -1, nullptr, "",
     [](Session& s) { s.link.current_data_type = 3; }},
    {"TransferStartWithoutATransferSubsystemIsAnOrdinaryScreen", {"F1C3 115D7F 114040 C38181 94 C1"}, "CaamA\n", -1,
     nullptr, "", [](Session& s) { s.status = SessionStatus::Unlocked; },
     [](Harness& h) { EXPECT_EQ(h.session->status, SessionStatus::Unlocked); }, 24, 80},
};
// clang-format on

class WriteGolden : public testing::TestWithParam<WriteCase> {};

TEST_P(WriteGolden, Record) {
    const WriteCase& c = GetParam();
    Harness h(c.rows, c.columns);
    if (c.setup) c.setup(*h.session);
    for (const char* record : c.records) h.Host(record);
    EXPECT_EQ(h.Screen(), c.screen);
    if (c.cursor >= 0) {
        EXPECT_EQ(h.session->ps.cursor_address, uint32_t(c.cursor));
    }
    if (c.fields) {
        EXPECT_EQ(DumpFields(*h.session), c.fields);
    }
    EXPECT_EQ(h.TakeMessages(), c.messages);
    EXPECT_EQ(h.TakeSent(), "");
    if (c.check) c.check(h);
}

// Runs of every length a word store handles differently, in the middle of the screen and
// wrapping at its end, over a screen filled with another character, colour and highlight: the
// run's cells take the data and the current SA values, no cell beside it changes.
TEST(DataRun, EveryLengthStoresExactlyItsCells) {
    char hex[8];
    for (uint32_t n = 1; n <= 20; ++n) {
        for (const uint32_t start : {3u, 80 - (n + 1) / 2}) {
            Harness h(4, 20);
            h.Host("F5C3 2842F2 2841F1 3C4040 E7");  // X everywhere, colour and blink
            Session& s = *h.session;
            const Planes before = s.ps.planes;
            s.ps.changed.fill(0);
            const EncodedAddress at = EncodeBufferAddress(s.ps, start);
            std::string record = "F1C3 11";
            std::snprintf(hex, sizeof hex, "%02X%02X", at.b1, at.b2);
            record += hex;
            record += " 2841F4 ";
            for (uint32_t i = 0; i < n; ++i) {
                std::snprintf(hex, sizeof hex, "%02X", 0xC1 + i % 9);
                record += hex;
            }
            h.Host(record);
            for (uint32_t a = 0; a < 80; ++a) {
                const uint32_t i = (a + 80 - start) % 80;
                SCOPED_TRACE("length " + std::to_string(n) + " from " + std::to_string(start) + ", cell " +
                             std::to_string(a));
                if (i < n) {
                    EXPECT_EQ(s.ps.planes.host[a], 0xC1 + i % 9);
                    ExpectCell(s, a, uint8_t('A' + i % 9), 0, 0x04, 0);
                    EXPECT_EQ(s.ps.planes.attribute[a], 0);
                    EXPECT_EQ(s.ps.changed[a], 1);
                } else {
                    ExpectCell(s, a, before.display[a], before.colour[a], before.highlight[a],
                               before.charset[a]);
                    EXPECT_EQ(s.ps.planes.host[a], before.host[a]);
                    EXPECT_EQ(s.ps.changed[a], 0);
                }
            }
        }
    }
}

TEST(ScreenDump, PlanesListOnlyRowsThatHoldSomething) {
    Harness h(2, 4);
    h.Host("F5C3 1D60 2842F2 C1 08AD 13");
    EXPECT_EQ(DumpPlanes(*h.session),
              "rows=2 columns=4 positions=8 mode=1 cursor=3 buffer=3\n"
              "display:\n  1: 20 41 AD 00\n"
              "attribute:\n  1: E0 00 00 00\n"
              "colour:\n  1: 12 02 02 00\n"
              "highlight:\n"
              "charset:\n  1: 00 00 F1 00\n"
              "host:\n  1: 00 C1 AD 00\n");
    EXPECT_EQ(DumpScreenText(*h.session, true), " A[ \n    \ncursor 1,4\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteGolden, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

}  // namespace
}  // namespace orkan
