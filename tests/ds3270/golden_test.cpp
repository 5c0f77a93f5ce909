// The data stream's case files (tests/ds3270/data/*.txt): host records in; screen, cursor, fields,
// planes, replies, trace copies and messages out. Verbs, in the order a case runs them:
//   size ROWS COLUMNS [MODEL]    the screen (default 4 x 20, model 0); before anything else
//   set NAME VALUE               a setting or a piece of session state (see Set below)
//   host HEX                     one host record
//   part HEX                     the start of the next host record (with what further parts and
//                                the host line add)
//   type ADDRESS TEXT [FA]       what the keyboard leaves when the user types TEXT at ADDRESS
//                                (and the MDT of the field attribute at FA)
//   repaint                      the renderer painted: the change map is clear
//   forget                       what was sent and traced so far is not checked
//   aid ACTION [RESULT]          an AID key (RESULT, default Sent: NotAnAidKey, BadSetting)
//   hooks, events, macro_running the later subsystems record their calls; event macros are
//                                enabled; a macro runs
//   transfer consume|keep        a file transfer that takes or leaves the records offered to it
//                                (its calls are recorded with the others)
//   clock MS                     the session's clock
//   screen/fields/messages/...   checks (see Check below); "sent", "traced" and "capture" ignore
//                                blanks; file names and "{data}" in calls are in the case's own
//                                application data folder
// A case ends with nothing sent and no message that it did not check.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>

#include "config/session_record_fields.h"
#include "config/temp_folder.h"
#include "ds3270/inbound.h"
#include "ds3270/screen_dump.h"
#include "support/ds3270_harness.h"
#include "support/golden_file.h"
#include "support/hex.h"

namespace orkan {
namespace {

using test::GoldenCase;
using test::GoldenStep;
using test::GoldenValue;
using test::Harness;

std::string Blankless(std::string text) {
    std::erase(text, ' ');
    return text;
}

// "00*74" stands for 74 bytes of 00 in an expected reply.
std::string ExpandRuns(const std::string& hex) {
    std::string out;
    size_t at = 0;
    while (at < hex.size()) {
        const size_t star = hex.find('*', at);
        if (star == std::string::npos || star < 2) {
            out += hex.substr(at);
            break;
        }
        out += hex.substr(at, star - 2 - at);
        size_t end = star + 1;
        while (end < hex.size() && std::isdigit(uint8_t(hex[end]))) ++end;
        for (int i = std::stoi(hex.substr(star + 1, end - star - 1)); i > 0; --i)
            out += hex.substr(star - 2, 2);
        at = end;
    }
    return out;
}

SessionStatus StatusNamed(const std::string& name) {
    for (int i = 0; i <= int(SessionStatus::History); ++i)
        if (StatusName(SessionStatus(i)) == name) return SessionStatus(i);
    if (name == "HISTORY") return SessionStatus::History;
    ADD_FAILURE() << "no status " << name;
    return SessionStatus::NotConnected;
}

void Set(Session& s, const std::string& name, const std::string& value) {
    static const std::map<std::string, int ProgramSettings::*> settings = {
        {"IgnoreInvalidSBA", &ProgramSettings::IgnoreInvalidSBA},
        {"IgnoreInvalidWrite", &ProgramSettings::IgnoreInvalidWrite},
        {"ColorModifyField", &ProgramSettings::ColorModifyField},
        {"CmdChaining", &ProgramSettings::CmdChaining},
        {"AttentionMethod", &ProgramSettings::AttentionMethod},
        {"ExtendedKeys", &ProgramSettings::ExtendedKeys},
        {"ReplyCodepage", &ProgramSettings::ReplyCodepage},
        {"WCCPrintAccumulate", &ProgramSettings::WCCPrintAccumulate}};
    // Record fields a macro cannot name; the others go by their macro option name.
    static const std::map<std::string, const FieldDef*> fields = {
        {"UserScreenWidth", &field::UserScreenWidth},
        {"UserScreenHeight", &field::UserScreenHeight},
        {"DftMode", &field::DftMode},
        {"FindOptions", &field::FindOptions}};
    const auto number = [&] { return uint32_t(std::stoul(value)); };
    if (auto i = settings.find(name); i != settings.end())
        s.settings.*i->second = int(number());
    else if (auto f = fields.find(name); f != fields.end())
        s.record.SetNumber(*f->second, number());
    else if (const FieldDef* option = FindSessionFieldByOption(name))
        s.record.SetNumber(*option, number());
    else if (name == "AttnTN3270")
        s.settings.AttnTN3270 = value;
    else if (name == "SysreqTN3270")
        s.settings.SysreqTN3270 = value;
    else if (name.rfind("ExtraAid.", 0) == 0)
        s.settings.ExtraAids[std::stoul(name.substr(9))] = value;
    else if (name == "status")
        s.status = StatusNamed(value);
    else if (name == "data_type")
        s.link.current_data_type = uint8_t(number());
    else if (name == "sscp_lu_mode")
        s.link.sscp_lu_mode = number() != 0;
    else if (name == "tn3270e")
        s.link.tn3270e_active = number() != 0;
    else if (name == "read_buffer_start")
        s.ds.read_buffer_start = number();
    else if (name == "character_set")
        s.charset.character_set = uint16_t(number());
    else if (name == "code_page")
        s.charset.code_page = uint16_t(number());
    else if (name == "sender" && value == "none")
        s.sender = nullptr;
    else if (name == "letter")
        s.letter = value.at(0);
    else if (name == "app_data")
        s.folders.app_data = value;
    else
        ADD_FAILURE() << "nothing named " << name << " to set";
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

std::string Cell(const Session& s, uint32_t a) {
    char text[16];
    const auto& p = s.ps.planes;
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X", p.display[a], p.colour[a], p.highlight[a],
                  p.charset[a]);
    return text;
}

// One check; false when the verb is none.
bool Check(Harness& h, const std::string& verb, const std::string& rest) {
    Session& s = *h.session;
    const std::string value = GoldenValue(rest);
    const auto [first, second] = test::SplitWord(rest);
    if (verb == "screen")
        EXPECT_EQ(h.Screen(), value);
    else if (verb == "cursor")
        EXPECT_EQ(s.ps.cursor_address, std::stoul(value));
    else if (verb == "fields")
        EXPECT_EQ(DumpFields(s), value);
    else if (verb == "planes")
        EXPECT_EQ(DumpPlanes(s), value);
    else if (verb == "text_and_cursor")
        EXPECT_EQ(DumpScreenText(s, true), value);
    else if (verb == "messages")
        EXPECT_EQ(h.TakeMessages(), value);
    else if (verb == "sent")
        EXPECT_EQ(Blankless(h.TakeSent()), Blankless(ExpandRuns(value)));
    else if (verb == "traced")
        EXPECT_EQ(Blankless(TracedByDataStream(h)), Blankless(ExpandRuns(value)));
    else if (verb == "flags") {  // of each record sent so far, in order
        std::string flags;
        for (const test::Sent& sent : h.sender.sent)
            flags += std::string(flags.empty() ? "" : " ") + (sent.flags & send_flag::Send ? "S" : "") +
                     (sent.flags & send_flag::Trace ? "T" : "");
        EXPECT_EQ(flags, value);
    } else if (verb == "nothing_traced")
        EXPECT_TRUE(h.trace.items.empty());
    else if (verb == "cell")  // display colour highlight charset, in hex
        EXPECT_EQ(Cell(s, std::stoul(first)), second);
    else if (verb == "host_plane")
        EXPECT_EQ(s.ps.planes.host[std::stoul(first)], std::stoul(second, nullptr, 16));
    else if (verb == "status")
        EXPECT_EQ(StatusName(s.status), value);
    else if (verb == "screen_size")  // rows columns size-mode
        EXPECT_EQ(std::to_string(s.ps.rows) + " " + std::to_string(s.ps.columns) + " " +
                      std::to_string(s.ps.size_mode),
                  value);
    else if (verb == "response_time")  // from the AID to the unlock, in ms
        EXPECT_EQ(s.ds.response_time_ms, std::stol(value));
    else if (verb == "snapshot") {  // CELL, then its display byte in the screen kept at the unlock,
        const auto& kept = s.ds.unlock_snapshot;  // that screen's cursor and "swap" when it may be swapped in
        EXPECT_EQ(kept ? test::ToHex(std::array{kept->planes.display[std::stoul(first)]}) + " cursor " +
                             std::to_string(kept->cursor_address) + (s.ds.unlock_swap_enabled ? " swap" : "")
                       : "none",
                  second);
    } else if (verb == "unlock_counter")
        EXPECT_EQ(s.ds.unlock_counter, std::stoul(value));
    else if (verb == "current_aid")
        EXPECT_EQ(s.ds.current_aid, std::stoul(value, nullptr, 16));
    else if (verb == "reply_mode")
        EXPECT_EQ(s.ds.reply_mode, std::stoi(first)) << "and the attributes " << second;
    else if (verb == "calls") {  // the hooks' calls since the last check
        std::string calls;
        for (std::string call : h.log.calls) {
            if (call.find(s.folders.app_data) != std::string::npos)
                call.replace(call.find(s.folders.app_data), s.folders.app_data.size(), "{data}");
            calls += (calls.empty() ? "" : " ") + call;
        }
        EXPECT_EQ(calls, rest);
        h.log.calls.clear();
    } else if (verb == "capture")  // what the capture subsystem gets of the records so far
        EXPECT_EQ(test::ToHex(s.ds.capture), Blankless(value));
    else if (verb == "file")  // NAME TEXT, or NAME absent
        EXPECT_EQ(std::filesystem::exists(s.folders.app_data + "/" + first)
                      ? test::ReadText(s.folders.app_data + "/" + first)
                      : "absent",
                  GoldenValue(second));
    else if (verb == "host_macro_text")  // what a macro runner read of the host's macro file
        EXPECT_EQ(h.log.host_macro_text, value);
    else if (verb == "mode_attributes")
        EXPECT_EQ(test::ToHex(s.ds.character_mode_attributes), value);
    else
        return false;
    return true;
}

class DataStream : public testing::TestWithParam<GoldenCase> {};

TEST_P(DataStream, Case) {
    const GoldenCase& c = GetParam();
    SCOPED_TRACE(c.where);
    std::unique_ptr<Harness> made;
    test::TempFolder folder;
    uint32_t rows = 4, columns = 20;
    int model = 0;
    std::string record;
    const auto harness = [&]() -> Harness& {
        if (made) return *made;
        made = std::make_unique<Harness>(rows, columns, model);
        made->session->folders.app_data = folder.path();
        made->session->folders.temp_macros = folder / "ork";
        return *made;
    };
    for (const GoldenStep& step : c.steps) {
        SCOPED_TRACE("line " + std::to_string(step.line) + ": " + step.verb + " " + step.rest);
        const auto [first, second] = test::SplitWord(step.rest);
        if (step.verb == "size" && !made) {
            std::istringstream(step.rest) >> rows >> columns >> model;
            continue;
        }
        Harness& h = harness();
        Session& s = *h.session;
        if (step.verb == "set")
            Set(s, first, GoldenValue(second));
        else if (step.verb == "part")
            record += step.rest + " ";
        else if (step.verb == "host")
            h.Host(std::exchange(record, "") + step.rest);
        else if (step.verb == "type") {
            std::istringstream words(second);
            std::string text;
            int32_t attribute = -1;
            words >> text >> attribute;
            uint32_t address = uint32_t(std::stoul(first));
            for (char ch : text) {
                s.ps.planes.display[address] = uint8_t(ch);
                s.ps.MarkTyped(address++);
            }
            if (attribute >= 0) s.ps.planes.attribute[uint32_t(attribute)] |= 0x01;
        } else if (step.verb == "repaint")
            s.ps.changed.fill(0);
        else if (step.verb == "hooks") {  // every subsystem after a write records its calls
            s.hooks.capture = &h.log;
            s.hooks.history = &h.log;
            s.hooks.macros = &h.log;
            s.hooks.type_ahead = &h.log;
            s.hooks.find = &h.log;
            s.hooks.print = &h.log;
        } else if (step.verb == "transfer") {
            s.hooks.transfer = &h.log;  // a file transfer that takes (consume) or leaves (keep) records
            h.log.transfer_consumes = step.rest == "consume";
        } else if (step.verb == "events")
            h.log.events_enabled = true;
        else if (step.verb == "macro_running")
            h.log.macro_running = true;
        else if (step.verb == "clock")
            h.clock.now_ms = std::stoll(step.rest);
        else if (step.verb == "forget") {
            h.sender.sent.clear();
            h.trace.items.clear();
            h.log.calls.clear();
        } else if (step.verb == "aid") {
            static const char* results[] = {"Sent", "NotAnAidKey", "BadSetting"};
            EXPECT_EQ(results[int(SendAidKey(s, std::stoi(first)))], second.empty() ? "Sent" : second);
        } else if (!Check(h, step.verb, step.rest))
            ADD_FAILURE() << "unknown verb";
    }
    EXPECT_EQ(harness().TakeSent(), "") << "sent and not checked";
    EXPECT_EQ(harness().TakeMessages(), "") << "shown and not checked";
}

INSTANTIATE_TEST_SUITE_P(Write, DataStream, testing::ValuesIn(test::ReadGoldenCases("ds3270/data/write.txt")),
                         test::GoldenTestName);
INSTANTIATE_TEST_SUITE_P(Inbound, DataStream,
                         testing::ValuesIn(test::ReadGoldenCases("ds3270/data/inbound.txt")),
                         test::GoldenTestName);
INSTANTIATE_TEST_SUITE_P(AfterWrite, DataStream,
                         testing::ValuesIn(test::ReadGoldenCases("ds3270/data/after_write.txt")),
                         test::GoldenTestName);
INSTANTIATE_TEST_SUITE_P(StructuredFields, DataStream,
                         testing::ValuesIn(test::ReadGoldenCases("ds3270/data/structured_fields.txt")),
                         test::GoldenTestName);

}  // namespace
}  // namespace orkan
