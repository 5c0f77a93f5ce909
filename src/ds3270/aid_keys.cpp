// The attention keys of the keyboard (Action numbers 0..49).
#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "ds3270/fields.h"
#include "ds3270/inbound.h"
#include "ds3270/messages.h"
#include "net/telnet_hex_setting.h"
#include "session/session.h"

namespace orkan {
namespace {

// AIDs of Action numbers 0..29: Attention (no AID), Clear, Enter, PA1-PA3, PF1-PF24.
constexpr std::array<uint8_t, 30> kFixedAids = [] {
    std::array<uint8_t, 30> aids = {0x00, aid::Clear, aid::Enter, aid::PA1, aid::PA2, aid::PA3};
    for (size_t i = 0; i < aid::Pf.size(); ++i) aids[6 + i] = aid::Pf[i];
    return aids;
}();
inline constexpr int kActionClear = 1;
inline constexpr int kActionPA1 = 3;
inline constexpr int kActionPA3 = 5;
inline constexpr int kFirstExtraKey = 31;  // PA4..PA10, PF25..PF36 take their AIDs from the settings

constexpr std::array<uint8_t, 2> kBreak = {0xFF, 0xF3};
constexpr std::array<uint8_t, 2> kInterruptProcess = {0xFF, 0xF4};

// A setting of hexadecimal digits (at most 40), or nothing when it is not one.
std::optional<std::vector<uint8_t>> SettingBytes(std::string_view text) {
    orkan::HexSetting setting = ParseHexSetting("", text);
    if (!setting.ok()) return std::nullopt;
    return std::move(setting.bytes);
}

// The sender traces what it writes, so nothing is traced here.
void Raw(Session& session, std::span<const uint8_t> bytes) {
    if (session.sender) session.sender->SendRaw(bytes);
}

AidKeyResult BadSetting(Session& session, const char* name, const std::string& value) {
    ReportHostError(session, "Orkan TN3270 Settings Error",
                    FormatMessage("The setting %s is not hexadecimal: \"%s\"", name, value.c_str()));
    return AidKeyResult::BadSetting;
}

struct TelnetSetting {
    const char* name;
    const std::string* value;
};

// The setting whose bytes Attention or System Request sends; none when a fixed command goes out.
std::optional<TelnetSetting> TelnetSettingFor(const Session& session, int action) {
    const ProgramSettings& s = session.settings;
    const bool tn3270e = session.link.tn3270e_active;
    if (action == kActionSystemRequest)
        return tn3270e ? TelnetSetting{"SysreqTN3270E", &s.SysreqTN3270E}
                       : TelnetSetting{"SysreqTN3270", &s.SysreqTN3270};
    if (tn3270e) return TelnetSetting{"AttnTN3270E", &s.AttnTN3270E};
    if (s.AttentionMethod == 1 || s.AttentionMethod == 2) return std::nullopt;
    return TelnetSetting{"AttnTN3270", &s.AttnTN3270};
}

void Attention(Session& session, const std::optional<std::vector<uint8_t>>& configured) {
    const ProgramSettings& s = session.settings;
    if (s.AttentionReset) session.status = SessionStatus::Unlocked;
    session.ds.current_aid = aid::None;
    if (configured) {
        Raw(session, *configured);
    } else if (s.AttentionMethod == 1) {
        session.ds.current_aid = aid::PA2;
        if (session.sender) session.sender->SendRecord(kBreak, send_flag::Send | send_flag::Trace);
        session.ds.last_timed_send_ms = session.clock->NowMs();
    } else {
        Raw(session, kInterruptProcess);
    }
}

// PA4-PA10 and PF25-PF36 without ExtendedKeys: the AID alone, framed here.
void SendBareAid(Session& session, uint8_t aid_byte) {
    std::vector<uint8_t> bytes;
    if (session.link.tn3270e_active) bytes.assign(5, 0x00);
    bytes.push_back(aid_byte);
    if (aid_byte == 0xFF) bytes.push_back(0xFF);
    bytes.insert(bytes.end(), {0xFF, 0xEF});
    Raw(session, bytes);
    session.ds.last_timed_send_ms = session.clock->NowMs();
}

}  // namespace

std::optional<uint8_t> AidForAction(const Session& session, int action) {
    if (action < 0 || action > kActionLast || action == kActionAttention || action == kActionSystemRequest)
        return std::nullopt;
    if (action < kFirstExtraKey) return kFixedAids[size_t(action)];
    const auto bytes = SettingBytes(session.settings.ExtraAids[size_t(action - kFirstExtraKey)]);
    if (!bytes || bytes->size() != 1 || (*bytes)[0] == 0) return std::nullopt;
    return (*bytes)[0];
}

AidKeyResult SendAidKey(Session& session, int action) {
    if (action < 0 || action > kActionLast) return AidKeyResult::NotAnAidKey;
    const bool telnet_key = action == kActionAttention || action == kActionSystemRequest;
    // Settings are checked before anything changes: a key that cannot be sent must not lock the keyboard.
    std::optional<std::vector<uint8_t>> telnet_bytes;
    if (telnet_key) {
        if (const auto setting = TelnetSettingFor(session, action)) {
            telnet_bytes = SettingBytes(*setting->value);
            if (!telnet_bytes) return BadSetting(session, setting->name, *setting->value);
        }
    }
    std::optional<uint8_t> key_aid;
    if (!telnet_key) {
        key_aid = AidForAction(session, action);
        if (!key_aid) {
            const std::string& value = session.settings.ExtraAids[size_t(action - kFirstExtraKey)];
            if (value == "00") return AidKeyResult::NotAnAidKey;  // a hidden key
            return BadSetting(session, action < 38 ? "PA4..PA10" : "PF25..PF36", value);
        }
    }
    if (session.status != SessionStatus::NotConnected) session.status = SessionStatus::SysLock;
    session.view->RefreshStatusLine();
    DataStreamState& ds = session.ds;
    ds.capture.clear();
    ds.capture_first_record = true;
    ds.waiting_for_host = true;

    if (action == kActionAttention) {
        Attention(session, telnet_bytes);
        return AidKeyResult::Sent;
    }
    if (action == kActionSystemRequest) {
        Raw(session, *telnet_bytes);
        return AidKeyResult::Sent;
    }
    const uint8_t aid_byte = *key_aid;
    ds.current_aid = aid_byte;
    if (action == kActionClear) {
        EraseScreen(session, session.ps.size_mode);
        SendShortRead(session, aid_byte);
    } else if (action >= kActionPA1 && action <= kActionPA3) {
        SendShortRead(session, aid_byte);
    } else if (action >= kFirstExtraKey && !session.settings.ExtendedKeys) {
        SendBareAid(session, aid_byte);
    } else {
        SendReadModified(session, aid_byte);
    }
    return AidKeyResult::Sent;
}

}  // namespace orkan
