#include "config/host_list.h"

#include <array>
#include <cerrno>

#include "config/record_text.h"
#include "config/settings_file.h"

namespace orkan {

namespace {

// The keys in the order they are read; the n-th element of each belongs to the n-th host.
enum ListKey {
    Hostnames,
    IPnames,
    Portnums,
    TN3270E,
    SSL,
    Lunames,
    KeepAliveTimes,
    CA_Certs,
    Client_Certs,
    Client_Keys,
    Validate_Host_Cert,
    Domain_Must_Match_Host,
    kListKeys
};

constexpr std::array<std::string_view, kListKeys> kListKeyNames = {
    "Hostnames",    "IPnames",     "Portnums",           "TN3270E",
    "SSL",          "Lunames",     "KeepAliveTimes",     "CA_Certs",
    "Client_Certs", "Client_Keys", "Validate_Host_Cert", "Domain_Must_Match_Host"};

constexpr std::string_view kHostListTitle = "Orkan TN3270 Host List Error";

std::vector<std::string> SplitList(std::string_view value) {
    std::vector<std::string> items;
    if (value.empty()) return items;
    size_t pos = 0;
    while (pos < value.size()) {
        size_t comma = value.find(',', pos);
        if (comma == value.npos) comma = value.size();  // the missing final comma is supplied
        items.emplace_back(value.substr(pos, comma - pos));
        pos = comma + 1;
    }
    return items;
}

std::optional<long> ParseNumber(std::string_view s) {
    if (s.empty()) return std::nullopt;
    bool negative = false;
    if (s.front() == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > 9) return std::nullopt;
    long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return negative ? -v : v;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

uint8_t TlsChoiceFromListCode(int code) {
    switch (code) {
        case 0:
            return tls_choice::None;
        case 1:
            return tls_choice::ListCode1;
        case 2:
            return tls_choice::ListCode2;
        case 3:
            return tls_choice::V1_0;
        case 4:
            return tls_choice::V1_1;
        case 5:
            return tls_choice::V1_2;
        default:
            return tls_choice::Highest;
    }
}

int ListCodeFromTlsChoice(uint8_t choice) {
    switch (choice) {
        case tls_choice::None:
            return 0;
        case tls_choice::V1_0:
            return 3;
        case tls_choice::V1_1:
            return 4;
        case tls_choice::V1_2:
            return 5;
        case tls_choice::ListCode1:
            return 1;
        case tls_choice::ListCode2:
            return 2;
        default:
            return 6;
    }
}

HostList LoadHostList(const ProfileText& ini, Ui& ui) {
    HostList list;
    std::array<std::vector<std::string>, kListKeys> lists;
    for (int k = 0; k < kListKeys; ++k)
        lists[k] = SplitList(ini.GetString(kSettingsSection, kListKeyNames[k], ""));
    list.incomplete = ini.SectionHasIgnoredLines(kSettingsSection);

    size_t count = lists[Hostnames].size();
    if (count > kMaxHosts) {
        ui.ShowMessage({"Error loading host names",
                        "Maximum number of hostnames was reached (" + std::to_string(kMaxHosts) + ")",
                        Buttons::Ok, Icon::Warning});
        count = kMaxHosts;
        list.incomplete = true;
    }
    auto element = [&](int key, size_t i) -> const std::string* {
        return i < lists[key].size() ? &lists[key][i] : nullptr;
    };
    auto number = [&](int key, size_t i) -> std::optional<long> {
        const std::string* e = element(key, i);
        return e ? ParseNumber(*e) : std::nullopt;
    };
    list.entries.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        HostEntry e;
        e.name = lists[Hostnames][i];
        e.ip_name = element(IPnames, i) ? *element(IPnames, i) : e.name;
        if (auto port = number(Portnums, i); port && *port >= 1 && *port <= 65535) e.port = uint16_t(*port);
        if (auto v = number(TN3270E, i)) e.tn3270e = *v != 0;
        if (auto v = number(SSL, i)) e.tls = TlsChoiceFromListCode(int(*v));
        if (const std::string* lu = element(Lunames, i)) e.lu_name = *lu;
        if (auto v = number(KeepAliveTimes, i); v && *v >= -32768 && *v <= 32767) e.keep_alive = int16_t(*v);
        if (const std::string* s = element(CA_Certs, i)) e.security.ca_file = *s;
        if (const std::string* s = element(Client_Certs, i)) e.security.client_cert_file = *s;
        if (const std::string* s = element(Client_Keys, i)) e.security.client_key_file = *s;
        // A list written before the checks existed, or without these elements, did not check.
        e.security.validate_host_cert = false;
        e.security.domain_must_match_host = false;
        if (auto v = number(Validate_Host_Cert, i)) e.security.validate_host_cert = *v != 0;
        if (auto v = number(Domain_Must_Match_Host, i)) e.security.domain_must_match_host = *v != 0;
        list.entries.push_back(std::move(e));
    }
    return list;
}

HostList LoadHostList(const std::string& settings_file, Ui& ui) {
    ProfileLoad load = LoadProfile(settings_file);
    if (load.result == ReadResult::Error || load.result == ReadResult::TooLarge) {
        ui.ShowMessage({"Error loading host names",
                        "The host list in " + settings_file + " cannot be read (error " +
                            std::to_string(load.error) + ").",
                        Buttons::Ok, Icon::Warning});
        HostList list;
        list.incomplete = true;
        return list;
    }
    return LoadHostList(load.text, ui);
}

namespace {

// The messages of work done under the settings file's lock, shown once it is released: a message
// box left open would hold up every other session's write.
class HeldMessages final : public Ui {
  public:
    Answer ShowMessage(const MessageBox& box) override {
        boxes_.push_back(box);
        return Answer::Ok;
    }
    bool Empty() const { return boxes_.empty(); }
    void ShowTo(Ui& ui) const {
        for (const MessageBox& box : boxes_) ui.ShowMessage(box);
    }

  private:
    std::vector<MessageBox> boxes_;
};

// The twelve lists that store `list`; none after a message when it cannot be stored.
std::optional<std::vector<ProfileChange>> HostListChanges(const std::string& settings_file,
                                                          const HostList& list, Ui& ui) {
    if (list.incomplete) {
        ui.ShowMessage(
            {std::string(kHostListTitle),
             "The host list in " + settings_file +
                 " was not read completely, so it is not written back:\nentries that were not read "
                 "would be lost. Please check the file.",
             Buttons::Ok, Icon::Warning});
        return std::nullopt;
    }
    if (list.entries.size() > kMaxHosts) {
        ui.ShowMessage({"Host name not added",
                        "Maximum number of host names has been reached (" + std::to_string(kMaxHosts) + ")",
                        Buttons::Ok, Icon::Warning});
        return std::nullopt;
    }
    std::array<std::string, kListKeys> values;
    auto add = [&](int key, std::string_view item) -> bool {
        if (item.find_first_of(std::string_view(",\r\n\0", 4)) != item.npos) return false;
        values[key] += item;
        values[key] += ',';
        return true;
    };
    for (const HostEntry& e : list.entries) {
        const bool ok = add(Hostnames, e.name) && add(IPnames, e.ip_name) &&
                        add(Portnums, std::to_string(e.port)) && add(TN3270E, e.tn3270e ? "1" : "0") &&
                        add(SSL, std::to_string(ListCodeFromTlsChoice(e.tls))) && add(Lunames, e.lu_name) &&
                        add(KeepAliveTimes, std::to_string(e.keep_alive)) &&
                        add(CA_Certs, e.security.ca_file) && add(Client_Certs, e.security.client_cert_file) &&
                        add(Client_Keys, e.security.client_key_file) &&
                        add(Validate_Host_Cert, e.security.validate_host_cert ? "1" : "0") &&
                        add(Domain_Must_Match_Host, e.security.domain_must_match_host ? "1" : "0");
        if (!ok) {
            ui.ShowMessage({std::string(kHostListTitle),
                            "The host entry \"" + e.name +
                                "\" holds a comma or a line break and cannot be stored in the host list.",
                            Buttons::Ok, Icon::Warning});
            return std::nullopt;
        }
    }
    std::vector<ProfileChange> changes;
    for (int k = 0; k < kListKeys; ++k)
        changes.push_back({std::string(kSettingsSection), std::string(kListKeyNames[k]), values[k]});
    return changes;
}

}  // namespace

int SaveHostList(const std::string& settings_file, const HostList& list, Ui& ui) {
    const std::optional<std::vector<ProfileChange>> changes = HostListChanges(settings_file, list, ui);
    if (!changes) return EINVAL;
    if (int err = WriteProfileStrings(settings_file, *changes); err != 0) {
        ui.ShowMessage(FileSaveError(err, settings_file));
        return err;
    }
    return 0;
}

std::optional<HostEntry> SaveHostEdit(const std::string& settings_file,
                                      const std::optional<HostEntry>& as_read, const HostEntry& edited,
                                      Ui& ui) {
    HeldMessages held;
    std::optional<HostEntry> saved;
    // Read, merged and written under one lock, so no other session's save falls in between.
    const int err = UpdateProfile(settings_file, [&](ProfileText& text) {
        HostList list = LoadHostList(text, held);
        const size_t at = MergeHostEdit(list, as_read, edited);
        const std::optional<std::vector<ProfileChange>> changes = HostListChanges(settings_file, list, held);
        if (!changes) return EINVAL;
        for (const ProfileChange& c : *changes)
            if (!text.Set(c.section, c.key, c.value)) return EINVAL;
        saved = list.entries[at];
        return 0;
    });
    held.ShowTo(ui);
    if (err != 0) {
        if (held.Empty()) ui.ShowMessage(FileSaveError(err, settings_file));
        return std::nullopt;
    }
    return saved;
}

std::optional<size_t> FindHost(const HostList& list, std::string_view name) {
    for (size_t i = 0; i < list.entries.size(); ++i)
        if (list.entries[i].name == name) return i;
    return std::nullopt;
}

size_t MergeHostEdit(HostList& list, const std::optional<HostEntry>& as_read, const HostEntry& edited) {
    const std::optional<size_t> found = FindHost(list, edited.name);
    if (!as_read || !found) {
        if (found) {
            list.entries[*found] = edited;
            return *found;
        }
        list.entries.push_back(edited);
        return list.entries.size() - 1;
    }
    HostEntry& now = list.entries[*found];
    const auto take = [](auto& into, const auto& read, const auto& wanted) {
        if (wanted != read) into = wanted;
    };
    take(now.ip_name, as_read->ip_name, edited.ip_name);
    take(now.port, as_read->port, edited.port);
    take(now.tn3270e, as_read->tn3270e, edited.tn3270e);
    take(now.tls, as_read->tls, edited.tls);
    take(now.lu_name, as_read->lu_name, edited.lu_name);
    take(now.keep_alive, as_read->keep_alive, edited.keep_alive);
    const HostSecurity& r = as_read->security;
    const HostSecurity& w = edited.security;
    take(now.security.ca_file, r.ca_file, w.ca_file);
    take(now.security.client_cert_file, r.client_cert_file, w.client_cert_file);
    take(now.security.client_key_file, r.client_key_file, w.client_key_file);
    take(now.security.validate_host_cert, r.validate_host_cert, w.validate_host_cert);
    take(now.security.domain_must_match_host, r.domain_must_match_host, w.domain_must_match_host);
    return *found;
}

std::optional<size_t> AddHost(HostList& list, std::string_view name, int keep_alive, Ui& ui) {
    name = Trim(name);
    if (auto found = FindHost(list, name)) return found;
    if (name.empty()) {
        ui.ShowMessage({"No Host Name",
                        "You need to type a host name or IP address before attempting to connect",
                        Buttons::Ok, Icon::Warning});
        return std::nullopt;
    }
    if (list.entries.size() >= kMaxHosts) {
        ui.ShowMessage({"Host name not added",
                        "Maximum number of host names has been reached (" + std::to_string(kMaxHosts) + ")",
                        Buttons::Ok, Icon::Warning});
        return std::nullopt;
    }
    if (name.size() > size_t(field::HostName.max)) {
        ui.ShowMessage(TooLongMessage("host name", name, size_t(field::HostName.max)));
        return std::nullopt;
    }
    if (name.find_first_of(std::string_view(",\r\n\0", 4)) != name.npos) {
        ui.ShowMessage(
            {"Host name not added", "A host name cannot contain a comma.", Buttons::Ok, Icon::Warning});
        return std::nullopt;
    }
    HostEntry e;
    e.name = std::string(name);
    e.ip_name = e.name;
    e.keep_alive = int16_t(keep_alive < -32768 ? -32768 : keep_alive > 32767 ? 32767 : keep_alive);
    list.entries.push_back(std::move(e));
    return list.entries.size() - 1;
}

bool MergeHostEntry(SessionRecord& record, const HostEntry& entry, const GivenOnCommandLine& given, Ui& ui) {
    bool ok = true;
    if (!given.port) record.SetNumber(field::Port, entry.port);
    if (!given.tn3270e) record.SetNumber(field::Tn3270e, entry.tn3270e ? 1 : 0);
    if (!given.tls) record.SetNumber(field::TlsChoice, entry.tls);
    if (!given.lu_name) ok = StoreRecordText(record, field::LuName, entry.lu_name, "LU name", ui) && ok;
    return ok;
}

bool ApplyHostEntry(SessionRecord& record, const HostEntry& entry, Ui& ui) {
    // Check every text first, so a refused entry leaves the record as it was.
    SessionRecord changed = record;
    if (!StoreRecordText(changed, field::HostName, entry.name, "host name", ui)) return false;
    if (!StoreRecordText(changed, field::IpName, entry.ip_name, "IP name", ui)) return false;
    if (!StoreRecordText(changed, field::LuName, entry.lu_name, "LU name", ui)) return false;
    changed.SetNumber(field::Port, entry.port);
    changed.SetNumber(field::Tn3270e, entry.tn3270e ? 1 : 0);
    changed.SetNumber(field::TlsChoice, entry.tls);
    record = changed;
    return true;
}

}  // namespace orkan
