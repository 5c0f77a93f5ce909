// The host list of orkan.ini: twelve parallel comma-separated keys of section "Orkan", the n-th
// element of each belonging to the n-th host. Elements are kept whole in memory; the limits of
// the session record apply only when an entry is copied into it, and are checked there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/profile_file.h"
#include "config/session_record.h"
#include "interfaces/ui.h"

namespace orkan {

inline constexpr size_t kMaxHosts = 1000;

// TLS choice as the session record and the connection hold it.
namespace tls_choice {
inline constexpr uint8_t None = 0, Highest = 1, V1_0 = 2, V1_1 = 3, V1_2 = 4;
inline constexpr uint8_t ListCode1 = 11, ListCode2 = 12;  // codes 1 and 2 of the list, kept as they were
}  // namespace tls_choice

// The "SSL" list codes: 0 none, 3 TLS 1.0, 4 TLS 1.1, 5 TLS 1.2, 6 highest; 1 and 2 are kept as
// 11 and 12. An unknown code is taken as "highest", so a damaged list never turns TLS off.
uint8_t TlsChoiceFromListCode(int code);
int ListCodeFromTlsChoice(uint8_t choice);

// What a host entry adds to the connection beyond the session record. A new host (a new entry, a
// session whose host has no entry) checks the host's certificate: self-signed and unknown-CA
// certificates are refused, and so is a certificate that does not name the host, until the user
// turns the check off for that host. Stored entries keep what they hold.
struct HostSecurity {
    std::string ca_file;
    std::string client_cert_file;
    std::string client_key_file;
    bool validate_host_cert = true;
    bool domain_must_match_host = true;
    bool operator==(const HostSecurity&) const = default;
};

struct HostEntry {
    std::string name;     // as shown in the connect dialog
    std::string ip_name;  // address or DNS name to connect to
    uint16_t port = 23;
    bool tn3270e = true;
    uint8_t tls = tls_choice::None;
    std::string lu_name;
    int16_t keep_alive = -1;  // seconds; negative: the KeepAliveTime setting applies
    HostSecurity security;
    bool operator==(const HostEntry&) const = default;
};

struct HostList {
    std::vector<HostEntry> entries;
    // Set when the stored list could not be read whole (too many entries, unreadable lines):
    // such a list is never written back, or the entries not read would be lost.
    bool incomplete = false;
};

// Reads the twelve lists. More than kMaxHosts entries: the message "Maximum number of hostnames
// was reached (%d)" and the rest is ignored.
HostList LoadHostList(const ProfileText& ini, Ui& ui);
HostList LoadHostList(const std::string& settings_file, Ui& ui);

// Writes the lists back (all in one replacement of the file). Refuses, with a message, a list that
// was not read whole or whose elements cannot be stored in a comma-separated list. Returns 0 or
// an errno value.
[[nodiscard]] int SaveHostList(const std::string& settings_file, const HostList& list, Ui& ui);

// One entry as the connect dialog edited it, put onto the list read again just before it is saved,
// so that what another session saved meanwhile stays: each value of `edited` that differs from
// `as_read` (the entry as the dialog read it) replaces the one of the list's entry of that name, the
// others keep what the list holds now. An entry the dialog added (`as_read` none), or one that is no
// longer in the list, is added whole. Returns the entry's index.
size_t MergeHostEdit(HostList& list, const std::optional<HostEntry>& as_read, const HostEntry& edited);

// MergeHostEdit onto the list as it is stored, read and written back under the settings file's
// lock, so a list another session saves at the same moment is not lost. The entry as saved, or
// none after a message.
[[nodiscard]] std::optional<HostEntry> SaveHostEdit(const std::string& settings_file,
                                                    const std::optional<HostEntry>& as_read,
                                                    const HostEntry& edited, Ui& ui);

// The entry whose name equals `name` exactly, or none.
std::optional<size_t> FindHost(const HostList& list, std::string_view name);

// Adds a host by name (trimmed) with the default settings and `keep_alive` seconds, or finds the
// existing one. None, after a message, when the list is full or the name cannot be stored.
[[nodiscard]] std::optional<size_t> AddHost(HostList& list, std::string_view name, int keep_alive, Ui& ui);

// Which connection values the command line gave; those are not replaced by the host list.
struct GivenOnCommandLine {
    bool port = false;
    bool tn3270e = false;
    bool tls = false;
    bool lu_name = false;
};

// Loading a session: the entry's port, TN3270E flag, TLS choice and LU name replace the record's,
// each unless given on the command line. False after a message when a value does not fit its field
// (that value is left as it was).
[[nodiscard]] bool MergeHostEntry(SessionRecord& record, const HostEntry& entry,
                                  const GivenOnCommandLine& given, Ui& ui);
// The connect dialog: name, IP name, port, TN3270E flag, TLS choice and LU name into the record.
[[nodiscard]] bool ApplyHostEntry(SessionRecord& record, const HostEntry& entry, Ui& ui);

}  // namespace orkan
