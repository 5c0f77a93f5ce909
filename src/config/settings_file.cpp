#include "config/settings_file.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

#include "config/file_name_text.h"

namespace orkan {

namespace {

enum class NumberRule : uint8_t {
    Free,       // meaning left to its user: taken as written
    Flag,       // on/off: any non-zero value is on, stored as 1
    Clamp,      // held at the ends of its range
    OrDefault,  // a value outside the range means nothing: the default applies
};

struct IntKey {
    std::string_view name;
    int ProgramSettings::*member;
    NumberRule rule;
    int min;
    int max;
};

using P = ProgramSettings;
constexpr int kMin = INT_MIN, kMax = INT_MAX;

// clang-format off
constexpr std::array kIntKeys = {
    IntKey{"AttentionMethod", &P::AttentionMethod, NumberRule::OrDefault, 0, 2},
    IntKey{"AttentionReset", &P::AttentionReset, NumberRule::Flag, 0, 1},
    IntKey{"HostnameFocus", &P::HostnameFocus, NumberRule::Flag, 0, 1},
    IntKey{"NoResetClock", &P::NoResetClock, NumberRule::Flag, 0, 1},
    IntKey{"NoMacroOnReconnect", &P::NoMacroOnReconnect, NumberRule::Flag, 0, 1},
    IntKey{"KeepAliveTimeDisable", &P::KeepAliveTimeDisable, NumberRule::Clamp, 0, 86400},
    IntKey{"CloseOnDisconnect", &P::CloseOnDisconnect, NumberRule::Flag, 0, 1},
    IntKey{"KeyTronicsKeyboard", &P::KeyTronicsKeyboard, NumberRule::Flag, 0, 1},
    IntKey{"TestRulerFix", &P::TestRulerFix, NumberRule::Flag, 0, 1},
    IntKey{"PasteByTyping", &P::PasteByTyping, NumberRule::Flag, 0, 1},
    IntKey{"AutoSkipAllFields", &P::AutoSkipAllFields, NumberRule::Flag, 0, 1},
    IntKey{"AlwaysUpdateTranTime", &P::AlwaysUpdateTranTime, NumberRule::Flag, 0, 1},
    IntKey{"NoAutoSave", &P::NoAutoSave, NumberRule::Flag, 0, 1},
    IntKey{"CmdChaining", &P::CmdChaining, NumberRule::Flag, 0, 1},
    IntKey{"AlwaysShowCrosshairs", &P::AlwaysShowCrosshairs, NumberRule::Flag, 0, 1},
    IntKey{"AllowDefaultSizeChange", &P::AllowDefaultSizeChange, NumberRule::Flag, 0, 1},
    IntKey{"AllUpperCaseInput", &P::AllUpperCaseInput, NumberRule::Flag, 0, 1},
    IntKey{"Wang", &P::Wang, NumberRule::Flag, 0, 1},
    IntKey{"NoSessionSave", &P::NoSessionSave, NumberRule::Flag, 0, 1},
    IntKey{"CopyUnderscores", &P::CopyUnderscores, NumberRule::Flag, 0, 1},
    IntKey{"CopyPasswords", &P::CopyPasswords, NumberRule::Flag, 0, 1},
    IntKey{"WordWrapAlways", &P::WordWrapAlways, NumberRule::Flag, 0, 1},
    IntKey{"WordWrapDefault", &P::WordWrapDefault, NumberRule::Flag, 0, 1},
    IntKey{"CheckForMacroRunning", &P::CheckForMacroRunning, NumberRule::Flag, 0, 1},
    IntKey{"FixInstrFunction", &P::FixInstrFunction, NumberRule::Flag, 0, 1},
    IntKey{"ShowRemotePrinters", &P::ShowRemotePrinters, NumberRule::Flag, 0, 1},
    IntKey{"IspfOffset", &P::IspfOffset, NumberRule::Clamp, -200, 200},
    IntKey{"MoveCursorOnCut", &P::MoveCursorOnCut, NumberRule::Flag, 0, 1},
    IntKey{"RemoveHex1A", &P::RemoveHex1A, NumberRule::Flag, 0, 1},
    IntKey{"ExtendedKeys", &P::ExtendedKeys, NumberRule::Flag, 0, 1},
    IntKey{"ExtraButtons", &P::ExtraButtons, NumberRule::Free, kMin, kMax},
    IntKey{"DisplayByField", &P::DisplayByField, NumberRule::Flag, 0, 1},
    IntKey{"ColorModifyField", &P::ColorModifyField, NumberRule::Flag, 0, 1},
    IntKey{"StatusBarFullPaint", &P::StatusBarFullPaint, NumberRule::Flag, 0, 1},
    IntKey{"BigNumberFormat", &P::BigNumberFormat, NumberRule::OrDefault, 0, 2},
    IntKey{"AdditionalKeys", &P::AdditionalKeys, NumberRule::Flag, 0, 1},
    IntKey{"WCCPrintAccumulate", &P::WCCPrintAccumulate, NumberRule::Flag, 0, 1},
    IntKey{"AllowSendReceiveSwap", &P::AllowSendReceiveSwap, NumberRule::Flag, 0, 1},
    IntKey{"IgnoreInvalidSBA", &P::IgnoreInvalidSBA, NumberRule::Flag, 0, 1},
    IntKey{"IgnoreInvalidWrite", &P::IgnoreInvalidWrite, NumberRule::Flag, 0, 1},
    IntKey{"UploadConvertLFtoCRLF", &P::UploadConvertLFtoCRLF, NumberRule::Flag, 0, 1},
    IntKey{"ShowMenuWindowTitle", &P::ShowMenuWindowTitle, NumberRule::Flag, 0, 1},
    IntKey{"HideSesExtension", &P::HideSesExtension, NumberRule::Flag, 0, 1},
    IntKey{"ShowFileManagerButton", &P::ShowFileManagerButton, NumberRule::Flag, 0, 1},
    IntKey{"FontAlreadyLoaded", &P::FontAlreadyLoaded, NumberRule::Flag, 0, 1},
    IntKey{"AllowHostMacros", &P::AllowHostMacros, NumberRule::Flag, 0, 1},
    IntKey{"AnnounceLastRowsFirst", &P::AnnounceLastRowsFirst, NumberRule::Flag, 0, 1},
    // Sizes and times: a huge value would allocate or wait without end.
    IntKey{"CopyBufferSize", &P::CopyBufferSize, NumberRule::Clamp, 1, 1024},
    IntKey{"RexxMemoryLimit", &P::RexxMemoryLimit, NumberRule::Clamp, 16, 1048576},
    IntKey{"RecordWait", &P::RecordWait, NumberRule::Clamp, 0, 32767},
    IntKey{"PatbltCursor", &P::PatbltCursor, NumberRule::Flag, 0, 1},
    IntKey{"BeepPitchLow", &P::BeepPitchLow, NumberRule::Clamp, 37, 32767},
    IntKey{"BeepDurationLow", &P::BeepDurationLow, NumberRule::Clamp, 0, 10000},
    IntKey{"BeepPitchMedium", &P::BeepPitchMedium, NumberRule::Clamp, 37, 32767},
    IntKey{"BeepDurationMedium", &P::BeepDurationMedium, NumberRule::Clamp, 0, 10000},
    IntKey{"BeepPitchHigh", &P::BeepPitchHigh, NumberRule::Clamp, 37, 32767},
    IntKey{"BeepDurationHigh", &P::BeepDurationHigh, NumberRule::Clamp, 0, 10000},
    IntKey{"KeepAliveTime", &P::KeepAliveTime, NumberRule::Clamp, 0, 86400},
    IntKey{"ReplyCodepage", &P::ReplyCodepage, NumberRule::Flag, 0, 1},
    IntKey{"PrintTimeout", &P::PrintTimeout, NumberRule::Clamp, 0, 3600},
    IntKey{"TransferTimeout", &P::TransferTimeout, NumberRule::Clamp, 1, 3600},
    IntKey{"TimeoutDialog", &P::TimeoutDialog, NumberRule::Free, kMin, kMax},
    IntKey{"WheelDelay", &P::WheelDelay, NumberRule::Clamp, -1, 60000},
    IntKey{"IgnoreKeyUp80", &P::IgnoreKeyUp80, NumberRule::Flag, 0, 1},
    IntKey{"CascadeX", &P::CascadeX, NumberRule::Clamp, -1000, 1000},
    IntKey{"CascadeY", &P::CascadeY, NumberRule::Clamp, -1000, 1000},
    IntKey{"MinFontWidth", &P::MinFontWidth, NumberRule::Clamp, 1, 255},
    IntKey{"MinFontHeight", &P::MinFontHeight, NumberRule::Clamp, 1, 255},
    IntKey{"MaxFontWidth", &P::MaxFontWidth, NumberRule::Clamp, 1, 255},
    IntKey{"MaxFontHeight", &P::MaxFontHeight, NumberRule::Clamp, 1, 255},
    IntKey{"SetSockOpt", &P::SetSockOpt, NumberRule::Clamp, 0, 3},
};
// clang-format on

enum class TextRule : uint8_t {
    Any,
    NotEmpty,  // an empty value cannot work: the default applies
    Upper,     // terminal types: sent upper-cased, never empty
    HexByte,   // exactly two hexadecimal digits
    HexBytes,  // pairs of hexadecimal digits, at least one pair
};

struct TextKey {
    std::string_view name;
    std::string ProgramSettings::*member;
    size_t limit;  // buffer size including the terminator
    TextRule rule;
};

// clang-format off
constexpr std::array kTextKeys = {
    TextKey{"TermType2", &P::TermType2, 20, TextRule::Upper},
    TextKey{"TermType3", &P::TermType3, 20, TextRule::Upper},
    TextKey{"TermType4", &P::TermType4, 20, TextRule::Upper},
    TextKey{"TermType5", &P::TermType5, 20, TextRule::Upper},
    TextKey{"TermTypeUser", &P::TermTypeUser, 20, TextRule::Upper},
    TextKey{"WheelUp", &P::WheelUp, 1000, TextRule::Any},
    TextKey{"WheelDown", &P::WheelDown, 1000, TextRule::Any},
    TextKey{"KeepAlive", &P::KeepAlive, 3, TextRule::HexByte},
    TextKey{"Notepad", &P::Notepad, 259, TextRule::NotEmpty},
    TextKey{"GEFontName", &P::GEFontName, 100, TextRule::NotEmpty},
    TextKey{"AttnTN3270E", &P::AttnTN3270E, 40, TextRule::HexBytes},
    TextKey{"AttnTN3270", &P::AttnTN3270, 40, TextRule::HexBytes},
    TextKey{"SysreqTN3270E", &P::SysreqTN3270E, 40, TextRule::HexBytes},
    TextKey{"SysreqTN3270", &P::SysreqTN3270, 40, TextRule::HexBytes},
    TextKey{"LastSession", &P::LastSession, 260, TextRule::NotEmpty},
    TextKey{"CipherList", &P::CipherList, 1024, TextRule::Any},
    TextKey{"CipherSuites", &P::CipherSuites, 1024, TextRule::Any},
};
// clang-format on

// Index 0..6 are PA4..PA10, 7..18 PF25..PF36, as in ProgramSettings::ExtraAids.
constexpr std::array<std::string_view, 19> kExtraAidKeys = {
    "PA4",  "PA5",  "PA6",  "PA7",  "PA8",  "PA9",  "PA10", "PF25", "PF26", "PF27",
    "PF28", "PF29", "PF30", "PF31", "PF32", "PF33", "PF34", "PF35", "PF36"};

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool AllHex(std::string_view s) {
    for (char c : s)
        if (!IsHexDigit(c)) return false;
    return true;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

// Why a text value cannot be used, or empty when it can.
std::string TextProblem(std::string_view value, size_t limit, TextRule rule) {
    if (value.size() + 1 > limit) return "longer than " + std::to_string(limit - 1) + " characters";
    switch (rule) {
        case TextRule::Any:
            break;
        case TextRule::NotEmpty:
        case TextRule::Upper:
            if (value.empty()) return "empty";
            break;
        case TextRule::HexByte:
            if (value.size() != 2 || !AllHex(value)) return "not two hexadecimal digits";
            break;
        case TextRule::HexBytes:
            if (value.empty() || value.size() % 2 != 0 || !AllHex(value))
                return "not pairs of hexadecimal digits";
            break;
    }
    return {};
}

std::string Shown(std::string_view value) {
    // A runaway value is named by its start only, so the message stays readable.
    if (value.size() <= 40) return std::string(value);
    return std::string(value.substr(0, 40)) + "...";
}

bool StartsWithNumber(std::string_view s) {
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
    return !s.empty() && s.front() >= '0' && s.front() <= '9';
}

bool EndsWithIgnoreCase(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && EqualsIgnoreCase(s.substr(s.size() - tail.size()), tail);
}

}  // namespace

std::vector<std::string> LoadProgramSettings(const ProfileText& ini, ProgramSettings& out,
                                             const Environment& env) {
    std::vector<std::string> problems;
    for (const IntKey& k : kIntKeys) {
        int& target = out.*k.member;
        const auto text = ini.Get(kSettingsSection, k.name);
        if (!text) continue;
        if (!StartsWithNumber(*text)) {
            problems.push_back(std::string(k.name) + "=" + Shown(*text) + " is not a number; " +
                               std::to_string(target) + " is used");
            continue;
        }
        const int value = ini.GetInt(kSettingsSection, k.name, target);
        switch (k.rule) {
            case NumberRule::Free:
                target = value;
                break;
            case NumberRule::Flag:
                target = value != 0 ? 1 : 0;
                break;
            case NumberRule::Clamp:
                if (value < k.min || value > k.max) {
                    const int held = value < k.min ? k.min : k.max;
                    problems.push_back(std::string(k.name) + "=" + std::to_string(value) + " is outside " +
                                       std::to_string(k.min) + " to " + std::to_string(k.max) + "; " +
                                       std::to_string(held) + " is used");
                    target = held;
                } else {
                    target = value;
                }
                break;
            case NumberRule::OrDefault:
                if (value >= k.min && value <= k.max) target = value;
                break;
        }
    }
    if (out.MinFontWidth > out.MaxFontWidth || out.MinFontHeight > out.MaxFontHeight) {
        const ProgramSettings defaults;
        problems.push_back(
            "MinFontWidth/MinFontHeight exceed MaxFontWidth/MaxFontHeight; the defaults are used");
        out.MinFontWidth = defaults.MinFontWidth;
        out.MinFontHeight = defaults.MinFontHeight;
        out.MaxFontWidth = defaults.MaxFontWidth;
        out.MaxFontHeight = defaults.MaxFontHeight;
    }

    auto take_text = [&](std::string_view name, std::string& target, size_t limit, TextRule rule) {
        auto value = ini.Get(kSettingsSection, name);
        if (!value) return;
        if (std::string why = TextProblem(*value, limit, rule); !why.empty()) {
            problems.push_back(std::string(name) + "=" + Shown(*value) + " is " + why + "; \"" + target +
                               "\" is used");
            return;
        }
        target = rule == TextRule::Upper ? Upper(*value) : *value;
    };

    // The editor default follows the user's own choice of editor.
    if (!ini.Get(kSettingsSection, "Notepad")) {
        for (const char* name : {"VISUAL", "EDITOR"}) {
            auto editor = env ? env(name) : std::nullopt;
            if (editor && !editor->empty() && editor->size() < 259) {
                out.Notepad = *editor;
                break;
            }
        }
    }
    for (const TextKey& k : kTextKeys) take_text(k.name, out.*k.member, k.limit, k.rule);
    for (size_t i = 0; i < kExtraAidKeys.size(); ++i)
        take_text(kExtraAidKeys[i], out.ExtraAids[i], 3, TextRule::HexByte);

    if (!EndsWithIgnoreCase(out.LastSession, ".ses")) {
        if (out.LastSession.size() + 4 < 260) {
            out.LastSession += ".ses";
        } else {
            problems.push_back("LastSession=" + Shown(out.LastSession) +
                               " is too long to add \".ses\"; \"standard.ses\" is used");
            out.LastSession = "standard.ses";
        }
    }
    return problems;
}

void ReportSettingsProblems(Ui& ui, const std::string& path, const std::vector<std::string>& problems) {
    if (problems.empty()) return;
    std::string text = "Some settings in " + path + " cannot be used as written:\n";
    for (const std::string& p : problems) text += "\n" + p;
    ui.ShowMessage({"Orkan TN3270 Settings Error", text, Buttons::Ok, Icon::Warning});
}

std::string ReadLastSession(const ProfileText& ini) {
    const ProgramSettings defaults;
    auto value = ini.Get(kSettingsSection, "LastSession");
    if (value && !TextProblem(*value, 260, TextRule::NotEmpty).empty()) value.reset();
    std::string name = value ? *value : defaults.LastSession;
    if (!EndsWithIgnoreCase(name, ".ses")) name += ".ses";
    return name;
}

int WriteLastSession(const std::string& settings_file, std::string_view session_name) {
    if (session_name.empty() || session_name.size() >= 260) return EINVAL;
    return WriteProfileString(settings_file, kSettingsSection, "LastSession", session_name);
}

MessageBox FileSaveError(int error, const std::string& path) {
    return {"File Save Error", "Error " + std::to_string(error) + " while saving " + PathForMessage(path),
            Buttons::Ok, Icon::Warning};
}

namespace {
bool ValidVariableName(std::string_view name) {
    return !name.empty() && name.size() <= 255 &&
           name.find_first_of(std::string_view("=\r\n\0", 4)) == name.npos && name.front() != '[' &&
           name.front() != ';' && name.front() != ' ' && name.back() != ' ' && name.front() != '\t' &&
           name.back() != '\t';
}
}  // namespace

UserVariableResult GetUserVariable(const std::string& settings_file, std::string_view name) {
    UserVariableResult r;
    if (!ValidVariableName(name)) {
        r.error = EINVAL;
        return r;
    }
    ProfileLoad load = LoadProfile(settings_file);
    if (load.result == ReadResult::Error || load.result == ReadResult::TooLarge) {
        r.error = load.error;
        return r;
    }
    r.value = load.text.GetString(kUserVariablesSection, name, "");
    if (r.value.size() > kUserVariableLimit) {
        // Written by hand: refused rather than cut, so a macro never works on half a value.
        r.value.clear();
        r.error = EOVERFLOW;
    }
    return r;
}

int SetUserVariable(const std::string& settings_file, std::string_view name, std::string_view value) {
    if (!ValidVariableName(name) || value.size() > kUserVariableLimit) return EINVAL;
    return WriteProfileString(settings_file, kUserVariablesSection, name, value);
}

}  // namespace orkan
