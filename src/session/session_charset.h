// The session's way to country.lst: find the file (beside orkan.ini, then in the program data
// folder), read it whole and build the session's tables for its three selections. Also the
// translations at session level, which follow the host text mode Telnet agreed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "charset/country_list.h"
#include "charset/translate.h"
#include "session/session.h"

namespace orkan {

inline constexpr std::string_view kCountryFileName = "country.lst";
// Far beyond any real country list; a bigger file is not one.
inline constexpr size_t kMaxCountryFileSize = 1024 * 1024;

struct CountryFile {
    std::string path;
    std::vector<uint8_t> bytes;
};

// The file's bytes, or nothing after a message to the user: missing in both folders, unreadable,
// or too large.
[[nodiscard]] std::optional<CountryFile> ReadCountryFile(const Folders& folders, Ui& ui);

CountrySelections SessionSelections(const SessionRecord& record);

// One mode for the session's selections: code-page and keyboard modes rebuild session.charset,
// list mode fills `lists`. Refused entries are shown in one warning and the rest still counts.
// False when the file could not be read; the session cannot go on without it.
[[nodiscard]] bool LoadCountryList(Session& session, CountryListMode mode, CountryLists* lists = nullptr);

// Start-up and every change of "SCREEN", "KEYBOARD" or "PCCODEPAGE": code-page mode, then keyboard
// mode, from one reading of the file.
[[nodiscard]] bool RebuildCharset(Session& session);

inline uint8_t HostToDisplay(const Session& session, uint8_t host) {
    return HostToDisplay(session.charset, session.link.ascii_host, host);
}
inline uint8_t DisplayToHost(const Session& session, uint8_t display) {
    return DisplayToHost(session.charset, display);
}

}  // namespace orkan
