#include "transfer/multiple_transfer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <map>

#include "config/file_name_text.h"
#include "ds3270/messages.h"
#include "platform/file_io.h"
#include "session/session.h"
#include "transfer/pc_file.h"
#include "transfer/transfer_messages.h"

namespace orkan {
namespace {

inline constexpr uint8_t kHostDollar = 0x5B;
inline constexpr size_t kMaxMacroText = 255;  // the longest text a macro value holds

// Name segments end at these; in a host name the blank parts a CMS name ("FN FT FM"), while a PC
// name keeps its blanks, so "my file.txt" is not sent as "file".
bool Delimiter(char c, bool host_name) {
    return c == '.' || c == '\'' || c == '/' || (host_name && c == ' ');
}

bool SameCharacter(char a, char b, bool ignore_case) {
    if (!ignore_case) return a == b;
    return std::toupper(uint8_t(a)) == std::toupper(uint8_t(b));
}

// A character a host name may hold as it is.
bool HostNameCharacter(const Session& session, uint8_t c) {
    if (c == '.' || c == '#' || c == '@' || c == '%' || c >= 0xC0) return true;
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    return session.charset.display_to_host[c] == kHostDollar;
}

std::string HostNameSafe(const Session& session, std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (!HostNameCharacter(session, uint8_t(c))) c = '#';
    return out;
}

std::string SegmentAt(std::string_view entry, size_t position, bool host_name) {
    if (entry.empty()) return {};
    if (position >= entry.size()) position = entry.size() - 1;
    if (Delimiter(entry[position], host_name) && position > 0) --position;
    size_t first = position;
    while (first > 0 && !Delimiter(entry[first - 1], host_name)) --first;
    size_t last = position;
    while (last < entry.size() && !Delimiter(entry[last], host_name)) ++last;
    return std::string(entry.substr(first, last - first));
}

bool Contains(const std::string& s, char c) {
    return s.find(c) != std::string::npos;
}

std::string DirectoryWithSlash(std::string directory) {
    if (!directory.empty() && directory.back() != '/') directory += '/';
    return directory;
}

}  // namespace

WildcardMatch MatchWildcard(const Session& session, std::string_view pattern, std::string_view entry,
                            bool host_name) {
    const bool ignore_case = host_name;
    const size_t np = pattern.size(), ne = entry.size();
    // can[p][e]: pattern from p matches entry from e.
    std::vector<std::vector<uint8_t>> can(np + 1, std::vector<uint8_t>(ne + 1, 0));
    can[np][ne] = 1;
    for (size_t p = np; p-- > 0;) {
        for (size_t e = ne + 1; e-- > 0;) {
            const char pc = pattern[p];
            if (pc == '*')
                can[p][e] = can[p + 1][e] || (e < ne && can[p][e + 1]);
            else if (pc == '?')
                can[p][e] = e < ne && entry[e] != '.' && entry[e] != '\'' && can[p + 1][e + 1];
            else
                can[p][e] = e < ne && SameCharacter(pc, entry[e], ignore_case) && can[p + 1][e + 1];
        }
    }
    WildcardMatch m;
    if (!can[0][0]) return m;
    m.matched = true;
    // Walk the match with every '*' taking as little as it can; note the last wildcard position.
    size_t e = 0;
    size_t last = std::string_view::npos;
    for (size_t p = 0; p < np; ++p) {
        if (pattern[p] == '*') {
            size_t k = e;
            while (!can[p + 1][k]) ++k;
            last = k > e ? k - 1 : e;
            e = k;
        } else {
            if (pattern[p] == '?') last = e;
            ++e;
        }
    }
    if (last != std::string_view::npos) m.variable = HostNameSafe(session, SegmentAt(entry, last, host_name));
    return m;
}

std::optional<std::string> MacroString(std::string_view text) {
    if (text.size() > kMaxMacroText) return std::nullopt;
    std::string out = "\"";
    for (char c : text) {
        if (uint8_t(c) < 0x0E) return std::nullopt;
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

std::vector<std::string> ListPcFolder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return names;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        const std::string path = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string MemberHostName(std::string_view data_set, std::string_view member, bool qualified) {
    const bool quoted = !data_set.empty() && data_set.front() == '\'';
    std::string name;
    for (char c : data_set)
        if (c != '\'') name += c;
    name += "(" + std::string(member) + ")";
    return quoted || qualified ? "'" + name + "'" : name;
}

Expansion ExpandMultipleTransfer(const Session& session, const TransferRequest& request,
                                 const TransferList& list) {
    using namespace transfer_msg;
    const bool download = request.direction == TransferDirection::Download;
    Expansion x;
    auto refuse = [&](const char* title, const std::string& text) {
        x.kind = Expansion::Kind::Refused;
        x.refusal = {title, text, Buttons::Ok, Icon::Warning};
        return x;
    };
    // The PC side works in Windows-1252 here, as the host side does; the macro is written in UTF-8.
    const auto pc_file = PathToStoredName(request.pc_file);
    const auto pc_directory = PathToStoredName(
        DirectoryWithSlash(request.pc_directory.empty() ? session.folders.documents : request.pc_directory));
    if (!pc_file || !pc_directory)
        return refuse(kTransferErrorTitle, FormatMessage(kNameNotStorable, request.pc_file.c_str(),
                                                         "it holds a character that Windows-1252 lacks"));
    std::string source = download ? request.host_file : *pc_file;
    std::string target = download ? *pc_file : request.host_file;
    std::string directory = *pc_directory;
    // A path in the PC pattern is the folder the files are taken from (sending) or written to
    // (receiving); a relative one lies in the PC folder.
    std::string& pc_pattern = download ? target : source;
    if (const size_t slash = pc_pattern.rfind('/'); slash != std::string::npos) {
        const std::string folder = pc_pattern.substr(0, slash + 1);
        const bool absolute = folder.front() == '/' || folder.rfind("~/", 0) == 0;
        directory = absolute || !download ? folder : directory + folder;
        pc_pattern = pc_pattern.substr(slash + 1);
    }
    const bool source_wild = Contains(source, '*');
    const bool target_wild = Contains(target, '*');
    if (source_wild != target_wild)
        return refuse(kWildcardTitle, download ? kDownloadWildcard : kUploadWildcard);
    const bool several = list.selected.size() > 1;
    if (!source_wild && !several) return x;

    const size_t star = target.find('*');
    const std::string prefix = target.substr(0, star);
    const std::string suffix = star == std::string::npos ? std::string() : target.substr(star + 1);
    if (list.entries.empty())
        return download ? refuse(kNoHostFilesTitle, kNoHostFiles) : refuse(kNoPcFilesTitle, kNoPcFiles);

    std::string pattern = source;
    if (download && list.level == 2) {
        // The member part of "DATA.SET(MEM*)".
        const size_t open = pattern.find('('), close = pattern.rfind(')');
        if (open != std::string::npos && close != std::string::npos && close > open)
            pattern = pattern.substr(open + 1, close - open - 1);
    }
    const char* mode = request.binary ? "BINARY" : "TEXT";
    const char* disposition = request.append ? "APPEND" : "REPLACE";
    const char* system = request.host_system == HostSystem::Tso   ? "TSO"
                         : request.host_system == HostSystem::Cms ? "CMS"
                                                                  : "CICS";
    std::string macro;
    // Each target once: two sources written to one name would leave only the last (or both run
    // together when appending), and the user would not know.
    std::map<std::string, std::string> taken;  // target as the receiving side compares it -> source
    for (size_t i = 0; i < list.entries.size(); ++i) {
        const bool chosen = std::find(list.selected.begin(), list.selected.end(), i) != list.selected.end();
        if (several && !chosen) continue;
        // PC names of uploads go over to Windows-1252 like everything else in the macro.
        std::string entry = list.entries[i];
        if (!download) {
            const auto stored = PathToStoredName(entry);
            if (!stored)
                return refuse(kTransferErrorTitle,
                              FormatMessage(kNameNotStorable, entry.c_str(),
                                            "it holds a character that Windows-1252 lacks"));
            entry = *stored;
        }
        std::string variable;
        if (!several) {
            const WildcardMatch m = MatchWildcard(session, pattern, entry, download);
            if (!m.matched) continue;
            variable = m.variable;
        }
        std::string host, pc;
        if (download) {
            host = list.level == 2 ? MemberHostName(list.member_data_set, entry, !list.qualifier.empty())
                                   : entry;
            pc = directory +
                 (several ? (list.level == 2 ? prefix + entry : entry) : prefix + variable + suffix);
        } else {
            pc = directory + entry;
            if (several && !target_wild)
                host = entry;
            else
                host = prefix + (several ? HostNameSafe(session, entry) : variable) + suffix;
        }
        std::string key = download ? pc : host;
        if (!download)
            for (char& c : key) c = char(std::toupper(uint8_t(c)));  // the host upper-cases names
        const std::string from = download ? host : pc;
        if (const auto [at, fresh] = taken.emplace(key, from); !fresh)
            return refuse(kTransferErrorTitle,
                          FormatMessage(kSameTarget, StoredNameToPath(at->second).c_str(),
                                        StoredNameToPath(from).c_str(),
                                        StoredNameToPath(download ? pc : host).c_str()));
        const auto host_text = MacroString(host);
        const auto pc_text = MacroString(pc);
        if (!host_text || !pc_text)
            return refuse(kTransferErrorTitle,
                          FormatMessage(kNameNotQuotable, StoredNameToPath(host_text ? pc : host).c_str()));
        const std::string options =
            std::string(",\"") + mode + "\",\"" + disposition + "\",\"" + system + "\")\n";
        macro += download ? "ReceiveFile(" + *host_text + "," + *pc_text + options
                          : "SendFile(" + *pc_text + "," + *host_text + options;
    }
    if (macro.empty())
        return download ? refuse(kNoHostFilesTitle, kNoHostMatch) : refuse(kNoPcMatchTitle, kNoPcMatch);
    x.kind = Expansion::Kind::Macro;
    x.macro = StoredNameToPath(macro);
    return x;
}

std::optional<std::string> WriteTransferMacro(const Session& session, const std::string& macro,
                                              std::string& error) {
    std::string folder =
        session.folders.temp_macros.empty() ? session.folders.macros : session.folders.temp_macros;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    const std::string path = folder + "ork$" + session.letter + "$xfer.mac";
    const int fd = OpenForWriting(path, WriteMode::Replace, FileAccess::Private, MissingFolder::Fail);
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(macro.data()), macro.size());
    int failure = fd < 0 ? errno : WriteAllBytes(fd, bytes);
    if (fd >= 0 && ::close(fd) != 0 && failure == 0) failure = errno;
    if (failure != 0) {
        error = FormatMessage(transfer_msg::kMacroFileError, path.c_str(), FileErrorText(failure).c_str());
        return std::nullopt;
    }
    return path;
}

}  // namespace orkan
