// Ini files are edited by hand and shared between processes: any bytes must parse, read back
// verbatim when nothing changes, and keep every other line when one key changes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/host_list.h"
#include "config/profile_file.h"
#include "config/settings_file.h"
#include "harness.h"
#include "net/telnet_hex_setting.h"

namespace {
// The byte strings kept as hexadecimal text: any text is refused with a message or gives one byte
// per digit pair.
void CheckHexSetting(const std::string& text) {
    const orkan::HexSetting parsed = orkan::ParseHexSetting("KeepAlive", text);
    if (parsed.ok() ? parsed.bytes.size() * 2 != text.size() || parsed.bytes.empty() : !parsed.bytes.empty())
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    orkan::ProfileText ini = orkan::ProfileText::Parse(text);
    if (ini.Serialize() != text) std::abort();

    orkan::ProgramSettings settings;
    (void)orkan::LoadProgramSettings(ini, settings, {});
    for (const std::string* hex : {&settings.KeepAlive, &settings.AttnTN3270, &settings.AttnTN3270E,
                                   &settings.SysreqTN3270, &settings.SysreqTN3270E})
        CheckHexSetting(*hex);
    for (const std::string& aid : settings.ExtraAids) CheckHexSetting(aid);
    orkan::fuzz::QuietUi ui;
    (void)orkan::LoadHostList(ini, ui);
    (void)orkan::ReadLastSession(ini);
    (void)ini.Keys("UserVariables");

    const auto before = ini.Get("Other", "Key");
    if (ini.Set("Orkan", "LastSession", "fuzz.ses")) {
        orkan::ProfileText again = orkan::ProfileText::Parse(ini.Serialize());
        if (!ini.SectionHasIgnoredLines("Orkan") && again.Get("Orkan", "LastSession") != "fuzz.ses")
            std::abort();
        if (again.Get("Other", "Key") != before) std::abort();
    }
    return 0;
}
