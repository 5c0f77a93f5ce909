// What goes back to the host: Read Modified (real and traced copies), Read Buffer in each reply
// mode, the SSCP-LU reply and the AID keys. Screens are 4 x 20, so addresses are one code pair.
#include <gtest/gtest.h>

#include <functional>

#include "ds3270/inbound.h"
#include "support/ds3270_harness.h"
#include "support/hex.h"

namespace orkan {
namespace {

using test::Harness;

// What the keyboard does when the user types: characters into the display plane, the typed map
// and the MDT of the field.
void Type(Session& s, uint32_t address, std::string_view text, int32_t field_attribute_at = -1) {
    for (char c : text) {
        s.ps.planes.display[address] = uint8_t(c);
        s.ps.MarkTyped(address);
        ++address;
    }
    if (field_attribute_at >= 0) s.ps.planes.attribute[uint32_t(field_attribute_at)] |= 0x01;
}

void Press(Harness& h, int action) {
    EXPECT_EQ(SendAidKey(*h.session, action), AidKeyResult::Sent);
}
void Enter(Harness& h) {
    Press(h, 2);
}

struct InboundCase {
    const char* name;
    std::vector<const char*> host;
    std::function<void(Session&)> before;  // settings before the host records, or typing after them
    std::function<void(Harness&)> act;
    std::string sent;
    // The Read Modified copies the data stream traces itself; null: not checked.
    const char* traced = nullptr;
    bool before_host = false;
};

std::function<void(Harness&)> HostSends(const char* record) {
    return [record](Harness& h) { h.Host(record); };
}

std::string Nulls(int n) {
    return std::string(size_t(n) * 2, '0');
}

std::string TracedByDataStream(const Harness& h) {
    std::string out;
    for (const auto& [type, bytes] : h.trace.items) {
        if (type != TraceType::Sent) continue;
        if (!out.empty()) out += " | ";
        out += test::ToHex(bytes);
    }
    return out;
}

// clang-format off
const InboundCase kCases[] = {
    {"NoModifiedFieldSendsAidAndCursorOnly", {"F5C3 1D40 11404A 13"}, nullptr, Enter, "7D404A"},
    {"NullsInsideAModifiedFieldAreLeftOut",
     {"F5C3 1D60 C1 1D40 11404A 1D60"},
     [](Session& s) {
         Type(s, 3, "A", 2);
         Type(s, 5, "B");
     },
     Enter, "7D4040 1140C3 C1C2"},
    {"FieldFromTheLastPositionStartsItsSbaAtZero", {"F5C3 11C14F 1DC1 C1C2 1D60"}, nullptr, Enter, "7D4040 114040 C1C2"},
    {"UnformattedScreenSendsEveryCharacterWithoutSba", {"F5C3 C1 1140C5 C2"}, nullptr, Enter, "7D4040 C1C2"},
    {"NonDisplayFieldReachesTheHostButNotTheTrace",
     {"F5C3 1D4D 1140C5 1D60"},
     [](Session& s) { Type(s, 1, "pwd"); },
     Enter, "7D4040 1140C1 97A684", "7D4040 1140C1 E7E7E7"},
    {"GraphicEscapeCellIsSentWithGe", {"F5C3 1DC1 08AD 1D60"}, nullptr, Enter, "7D4040 1140C1 08AD"},
    {"ReadModifiedAfterPa1SendsAidAndCursor",
     {"F5C3 1DC1 C1"},
     nullptr,
     [](Harness& h) {
         Press(h, 3);
         h.Host("F6");
     },
     "6C | 6C4040"},
    {"ReadModifiedAfterEnterResendsTheFields",
     {"F5C3 1DC1 C1"},
     nullptr,
     [](Harness& h) {
         Enter(h);
         h.Host("F6");
     },
     "7D4040 1140C1 C1 | 7D4040 1140C1 C1", "7D4040 1140C1 C1 | 7D4040 1140C1 C1"},
    {"ReadModifiedAllSendsWithTheCurrentAidAndResetsMdt",
     {"F5C3 1DC1 C1"},
     nullptr,
     [](Harness& h) {
         h.Host("6E");
         EXPECT_EQ(h.session->ps.planes.attribute[0], 0xC0);
     },
     "604040 1140C1 C1", "604040 1140C1 C1"},

    // Screen for Read Buffer: SFE with colour at 0, "ABC" with SA colour and highlight, SF at 4,
    // GE at 5, nulls to the end.
    {"ReadBufferFieldMode",
     {"F5C3 2902C06042F2 C1 2842F4 C2 2841F1 C3 1D40 08AD" },
     nullptr, HostSends("F2"), "604040 1DE0 C1C2C3 1DC0 AD" + Nulls(74)},
    {"ReadBufferExtendedFieldMode",
     {"F5C3 2902C06042F2 C1 2842F4 C2 2841F1 C3 1D40 08AD", "F3 0005 09 00 01" },
     nullptr, HostSends("F2"), "604040 2902C0E042F2 C1C2C3 2902C0C045F1 08AD" + Nulls(74)},
    {"ReadBufferCharacterMode",
     {"F5C3 2902C06042F2 C1 2842F4 C2 2841F1 C3 1D40 08AD", "F3 0005 09 00 02" },
     nullptr, HostSends("F2"), "604040 2902C0E042F2 C1 2842F4C2 2841F1C3 2902C0C045F1 08AD 284200284100 00" + Nulls(73)},
    {"ReadBufferReplyModeAboveCharacterSendsOnlyTheHeader",
     {"F5C3 C1", "F3 0005 09 00 03"}, nullptr, HostSends("F2"), "604040"},
    {"ReadBufferFromTheCommandChainingStart",
     {"F1 40 1140C5"},
     [](Session& s) { s.settings.CmdChaining = 1; },
     HostSends("F2"), "604040" + Nulls(75), "", true},
    {"ReadBufferFromAStartBeyondTheScreenSendsOnlyTheHeader",
     {},
     [](Session& s) { s.ds.read_buffer_start = 80; },
     HostSends("F2"), "604040"},

    {"SscpLuInputComesFromTheTypedMapNotTheChangeMap",
     {"C1C2 15 C3"},
     [](Session& s) { s.link.sscp_lu_mode = true; },
     [](Harness& h) {
         EXPECT_EQ(h.Screen(), "AB\nC\n");
         Type(*h.session, 21, "x");
         h.session->ps.changed.fill(0);  // the renderer painted in between
         Enter(h);
         Enter(h);  // nothing typed since the last send
     },
     "A7 | ", "", true},
    {"ClearErasesAndSendsTheAidAlone",
     {"F5C3 C1"},
     nullptr,
     [](Harness& h) {
         Press(h, 1);
         EXPECT_EQ(h.Screen(), "");
         EXPECT_EQ(h.session->status, SessionStatus::SysLock);
     },
     "6D"},
    {"Pa2SendsTheAidAlone", {}, nullptr, [](Harness& h) { Press(h, 4); }, "6E"},
    {"Pf24SendsReadModified", {}, nullptr, [](Harness& h) { Press(h, 29); }, "4C4040"},
    {"ExtraKeyIsABareRecordWithoutExtendedKeys",
     {},
     [](Session& s) { s.settings.ExtraAids[7] = "5C"; },
     [](Harness& h) { Press(h, 38); },
     "raw:5CFFEF"},
    {"ExtraKeyCarriesAZeroHeaderUnderTn3270e",
     {},
     [](Session& s) {
         s.settings.ExtraAids[0] = "5D";
         s.link.tn3270e_active = true;
     },
     [](Harness& h) { Press(h, 31); },
     "raw:00000000005DFFEF"},
    {"ExtraKeyReadsModifiedWithExtendedKeys",
     {},
     [](Session& s) {
         s.settings.ExtraAids[18] = "5E";
         s.settings.ExtendedKeys = 1;
     },
     [](Harness& h) { Press(h, 49); },
     "5E4040"},
    {"HiddenExtraKeySendsNothing",
     {},
     nullptr,
     [](Harness& h) { EXPECT_EQ(SendAidKey(*h.session, 31), AidKeyResult::NotAnAidKey); },
     ""},
    {"AttentionSendsTheTelnetString",
     {},
     nullptr,
     [](Harness& h) {
         Press(h, 0);
         EXPECT_EQ(h.session->ds.current_aid, 0x60);
     },
     "raw:FFF3"},
    {"AttentionMethodOneSendsBreakAsARecord",
     {},
     [](Session& s) { s.settings.AttentionMethod = 1; },
     [](Harness& h) {
         Press(h, 0);
         EXPECT_EQ(h.session->ds.current_aid, 0x6E);
     },
     "FFF3"},
    {"AttentionUnderTn3270e", {}, [](Session& s) { s.link.tn3270e_active = true; }, [](Harness& h) { Press(h, 0); },
     "raw:FFF4"},
    {"SystemRequest", {}, nullptr, [](Harness& h) { Press(h, 30); }, "raw:FFF5"},
    {"MalformedAttentionSettingIsReportedNotSent",
     {},
     [](Session& s) { s.settings.AttnTN3270 = "FFG3"; },
     [](Harness& h) {
         EXPECT_EQ(SendAidKey(*h.session, 0), AidKeyResult::BadSetting);
         EXPECT_EQ(h.session->status, SessionStatus::Connected);  // nothing sent, so nothing locked
         EXPECT_EQ(h.TakeMessages(), "Orkan TN3270 Settings Error: The setting AttnTN3270 is not hexadecimal: \"FFG3\"");
     },
     ""},
};
// clang-format on

class Inbound : public testing::TestWithParam<InboundCase> {};

TEST_P(Inbound, Reply) {
    const InboundCase& c = GetParam();
    Harness h(4, 20);
    if (c.before && c.before_host) c.before(*h.session);
    for (const char* record : c.host) h.Host(record);
    h.sender.sent.clear();
    h.trace.items.clear();
    if (c.before && !c.before_host) c.before(*h.session);
    if (c.act) c.act(h);
    std::string expected = c.sent;
    std::erase(expected, ' ');
    std::string sent = h.TakeSent();
    std::erase(sent, ' ');
    EXPECT_EQ(sent, expected);
    if (c.traced) {
        std::string traced = TracedByDataStream(h);
        std::erase(traced, ' ');
        std::string expected_trace = c.traced;
        std::erase(expected_trace, ' ');
        EXPECT_EQ(traced, expected_trace);
    }
    EXPECT_EQ(h.TakeMessages(), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, Inbound, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<InboundCase>& info) { return info.param.name; });

TEST(InboundFlags, ReadModifiedGoesToTheHostUntracedAndOthersAreTraced) {
    Harness h(4, 20);
    h.Host("F5C3 1DC1 C1");
    h.sender.sent.clear();
    Enter(h);
    h.Host("F2");
    ASSERT_EQ(h.sender.sent.size(), 2u);
    EXPECT_EQ(h.sender.sent[0].flags, send_flag::Send);
    EXPECT_EQ(h.sender.sent[1].flags, send_flag::Send | send_flag::Trace);
}

TEST(InboundFlags, NothingIsSentOrTracedWithoutASender) {
    Harness h(4, 20);
    h.session->sender = nullptr;
    h.Host("F5C3 1DC1 C1");
    Enter(h);
    EXPECT_TRUE(h.trace.items.empty());
}

}  // namespace
}  // namespace orkan
