#include "ft_store.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

namespace testhost::ft {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

bool ReadWhole(const std::string& path, std::string& out, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return error = path + ": " + std::strerror(errno), false;
    out.clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    const bool failed = std::ferror(f);
    std::fclose(f);
    if (failed) return error = path + ": read error", false;
    return true;
}

// Temporary file, then rename: a reader never sees half a file.
bool WriteWhole(const std::string& path, const std::string& text, std::string& error) {
    const std::string tmp = path + ".tmp" + std::to_string(getpid());
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return error = tmp + ": " + std::strerror(errno), false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int saved = errno;
    if (std::fclose(f) != 0 || !written) {
        std::remove(tmp.c_str());
        return error = path + ": " + std::strerror(written ? errno : saved), false;
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        const int e = errno;
        std::remove(tmp.c_str());
        return error = path + ": " + std::strerror(e), false;
    }
    return true;
}

// Every missing level, as mkdir -p.
bool MakeFolder(const std::string& path, std::string& error) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string level = path.substr(0, slash);
        if (mkdir(level.c_str(), 0777) != 0 && errno != EEXIST)
            return error = level + ": " + std::strerror(errno), false;
        if (slash == std::string::npos) return true;
    }
}

bool ListFolder(const std::string& path, std::vector<std::string>& out) {
    DIR* dir = opendir(path.c_str());
    if (!dir) return false;
    while (const dirent* e = readdir(dir)) out.emplace_back(e->d_name);
    closedir(dir);
    std::sort(out.begin(), out.end());
    return true;
}

bool ParseNumber(const std::string& s, int& out) {
    if (s.empty() || s.size() > 6) return false;
    out = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

}  // namespace

FileStore::FileStore(Personality personality, const Codec& codec) : personality_(personality), codec_(codec) {
    for (int b = 0; b < 256; ++b) {
        const std::string& text = codec_.ToUtf8(static_cast<uint8_t>(b));
        Bytes back;
        std::string ignored;
        text_safe_[b] = b != 0 && !(text == "." && b != codec_.HostByte('.')) &&
                        codec_.ToHost(text, back, ignored) && back.size() == 1 && back[0] == b;
    }
}

std::string FileStore::DiskName(const std::string& name) const {
    std::string disk = name;
    if (personality_ == Personality::Cms)
        for (char& c : disk)
            if (c == ' ') c = '.';
    return disk;
}

std::string FileStore::Resolve(const std::string& name) const {
    if (entries_.count(name)) return name;
    if (personality_ == Personality::Cms && name.size() >= 2 && name[name.size() - 2] == ' ') {
        for (char digit = '0'; digit <= '6'; ++digit)
            if (entries_.count(name + digit)) return name + digit;
    }
    return "";
}

DataSet* FileStore::Find(const std::string& name) {
    const auto it = entries_.find(Resolve(name));
    return it == entries_.end() ? nullptr : &it->second;
}

void FileStore::AddPartitioned(const std::string& name, const HostFile& attributes) {
    DataSet& ds = entries_[name];
    ds = DataSet{};
    ds.file = attributes;
    ds.file.data.clear();
    ds.file.ends.clear();
    ds.partitioned = true;
}

bool FileStore::Load(const std::string& folder, std::string& error) {
    const std::string catalog = folder + "/catalog.txt";
    if (!Exists(folder) || !Exists(catalog)) return true;
    std::string text;
    if (!ReadWhole(catalog, text, error)) return false;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string s; words >> s;) w.push_back(s);
        // A comment is "#" alone or followed by a blank: names may begin with "#" (#NOTES SCRIPT).
        if (w.empty() || w[0] == "#") continue;
        auto bad = [&](const std::string& why) {
            error = catalog + ":" + std::to_string(number) + ": " + why;
            return false;
        };
        if (w.size() < 3 || w.size() > 5) return bad("want NAME RECFM LRECL [BLKSIZE] [PO]");
        const std::string disk = w[0];
        if (disk.find('/') != std::string::npos || disk[0] == '.')
            return bad("name '" + disk + "' is not a file name");
        std::string name = disk;
        if (personality_ == Personality::Cms) {
            std::replace(name.begin(), name.end(), '.', ' ');
            if (std::count(name.begin(), name.end(), ' ') != 2) return bad("a CMS name is FN.FT.FM");
        }
        DataSet ds;
        const std::string recfm = w[1];
        if (recfm != "F" && recfm != "FB" && recfm != "V" && recfm != "VB" && recfm != "U")
            return bad("RECFM '" + recfm + "' (want F, FB, V, VB or U)");
        ds.file.recfm = recfm[0];
        ds.file.blocked = recfm.size() == 2;
        if (!ParseNumber(w[2], ds.file.lrecl) || (ds.file.lrecl == 0 && ds.file.recfm != 'U'))
            return bad("LRECL '" + w[2] + "'");
        size_t next = 3;
        if (w.size() > next && w[next] != "PO") {
            if (!ParseNumber(w[next], ds.file.blksize)) return bad("BLKSIZE '" + w[next] + "'");
            ++next;
        }
        if (w.size() > next) {
            if (w[next] != "PO" || personality_ != Personality::Tso)
                return bad("'" + w[next] + "' (only TSO data sets may be PO)");
            ds.partitioned = true;
            ++next;
        }
        if (w.size() > next) return bad("too many words");
        if (ds.file.recfm == 'U' && MaxRecordLength(ds.file, personality_) == 0)
            return bad("RECFM U needs a BLKSIZE");
        const std::string base = folder + "/" + disk;
        if (ds.partitioned) {
            // Members are the folder's MEMBER.txt and MEMBER.bin files.
            std::vector<std::string> members;
            if (Exists(base) && !ListFolder(base, members)) return bad("cannot read the folder " + base);
            for (const std::string& file : members) {
                const size_t dot = file.rfind('.');
                if (dot == std::string::npos || (file.substr(dot) != ".txt" && file.substr(dot) != ".bin"))
                    continue;
                const std::string member = file.substr(0, dot);
                if (ds.members.count(member)) continue;
                HostFile m = ds.file;
                if (!LoadRecords(base + "/" + member, m, error)) return false;
                ds.members.emplace(member, std::move(m));
            }
        } else if (!LoadRecords(base, ds.file, error)) {
            return false;
        }
        entries_[name] = std::move(ds);
    }
    return true;
}

bool FileStore::LoadRecords(const std::string& base, HostFile& file, std::string& error) const {
    file.data.clear();
    file.ends.clear();
    const size_t max = MaxRecordLength(file, personality_);
    std::string content;
    if (Exists(base + ".bin")) {
        const std::string path = base + ".bin";
        if (!ReadWhole(path, content, error)) return false;
        const auto* p = reinterpret_cast<const uint8_t*>(content.data());
        if (file.recfm == 'F') {
            if (content.size() % max != 0)
                return error = path + ": " + std::to_string(content.size()) +
                               " bytes are not whole records of " + std::to_string(max),
                       false;
            for (size_t at = 0; at < content.size(); at += max) file.Add(p + at, max);
            return true;
        }
        for (size_t at = 0; at < content.size();) {
            if (content.size() - at < 4)
                return error = path + ": a record length is cut off at byte " + std::to_string(at), false;
            const size_t n = static_cast<size_t>(p[at]) << 24 | static_cast<size_t>(p[at + 1]) << 16 |
                             static_cast<size_t>(p[at + 2]) << 8 | p[at + 3];
            at += 4;
            if (n > max || n > content.size() - at)
                return error = path + ": record of " + std::to_string(n) + " bytes at byte " +
                               std::to_string(at - 4) + " is longer than " +
                               (n > max ? "LRECL allows" : "the file"),
                       false;
            file.Add(p + at, n);
            at += n;
        }
        return true;
    }
    const std::string path = base + ".txt";
    if (!Exists(path)) return true;
    if (!ReadWhole(path, content, error)) return false;
    size_t start = 0;
    int line = 0;
    Bytes record;
    while (start < content.size()) {
        ++line;
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string_view text(content.data() + start, end - start);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        record.clear();
        std::string why;
        if (!codec_.ToHost(text, record, why))
            return error = path + ":" + std::to_string(line) + ": " + why + " in code page " + codec_.Name(),
                   false;
        if (record.size() > max)
            return error = path + ":" + std::to_string(line) + ": " + std::to_string(record.size()) +
                           " characters, longer than LRECL allows (" + std::to_string(max) + ")",
                   false;
        if (file.recfm == 'F') record.resize(max, 0x40);
        file.Add(record.data(), record.size());
        start = end + 1;
    }
    return true;
}

bool FileStore::TextSafe(const HostFile& file) const {
    for (uint8_t b : file.data)
        if (!text_safe_[b]) return false;
    // A fixed record's trailing blanks come back as padding; a variable record's would be lost
    // by any editor that trims lines, so only fixed files may end records in blanks.
    if (file.recfm != 'F')
        for (size_t i = 0; i < file.records(); ++i)
            if (file.ends[i] > file.RecordStart(i) && file.data[file.ends[i] - 1] == 0x40) return false;
    return true;
}

bool FileStore::WriteRecords(const std::string& base, const HostFile& file, std::string& error) const {
    std::string out;
    const bool text = TextSafe(file);
    out.reserve(file.data.size() + file.records() * 4);
    for (size_t i = 0; i < file.records(); ++i) {
        size_t start = file.RecordStart(i), end = file.ends[i];
        if (text) {
            if (file.recfm == 'F')
                while (end > start && file.data[end - 1] == 0x40) --end;
            for (size_t k = start; k < end; ++k) out += codec_.ToUtf8(file.data[k]);
            out += '\n';
        } else {
            const size_t n = end - start;
            if (file.recfm != 'F')
                for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((n >> shift) & 0xFF);
            out.append(reinterpret_cast<const char*>(file.data.data() + start), n);
        }
    }
    if (!WriteWhole(base + (text ? ".txt" : ".bin"), out, error)) return false;
    const std::string other = base + (text ? ".bin" : ".txt");
    if (Exists(other) && std::remove(other.c_str()) != 0)
        return error = other + ": " + std::strerror(errno), false;
    return true;
}

bool FileStore::WriteCatalog(std::string& error) const {
    std::string out = "# NAME RECFM LRECL BLKSIZE [PO] - written by testhost\n";
    for (const auto& [name, ds] : entries_) {
        out += DiskName(name) + " " + ds.file.RecfmText() + " " + std::to_string(ds.file.lrecl) + " " +
               std::to_string(ds.file.blksize) + (ds.partitioned ? " PO" : "") + "\n";
    }
    return WriteWhole(write_back_ + "/catalog.txt", out, error);
}

bool FileStore::SaveAll(std::string& error) const {
    if (!MakeFolder(write_back_, error)) return false;
    for (const auto& [name, ds] : entries_) {
        const std::string base = write_back_ + "/" + DiskName(name);
        if (!ds.partitioned) {
            if (!WriteRecords(base, ds.file, error)) return false;
            continue;
        }
        if (!MakeFolder(base, error)) return false;
        for (const auto& [member, file] : ds.members)
            if (!WriteRecords(base + "/" + member, file, error)) return false;
    }
    return WriteCatalog(error);
}

bool FileStore::Store(const std::string& name, const std::string& member, HostFile file, std::string& error) {
    DataSet* existing = Find(name);
    if (!member.empty() && !(existing && existing->partitioned))
        return error = name + " is not a partitioned data set", false;
    if (!write_back_.empty()) {
        if (!MakeFolder(write_back_, error)) return false;
        std::string base = write_back_ + "/" + DiskName(name);
        if (!member.empty()) {
            if (!MakeFolder(base, error)) return false;
            base += "/" + member;
        }
        if (!WriteRecords(base, file, error)) return false;
    }
    if (member.empty()) {
        entries_[name].file = std::move(file);
    } else {
        existing->members[member] = std::move(file);
    }
    return write_back_.empty() || WriteCatalog(error);
}

}  // namespace testhost::ft
