#include "ft_lists.h"

#include <cstdio>

namespace testhost::ft {

bool WildcardMatch(const std::string& pattern, const std::string& text) {
    size_t p = 0, t = 0, star = std::string::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '%' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool ListCatalog(const FileStore& store, const std::string& level, std::vector<std::string>& lines) {
    bool any = false;
    for (const auto& [name, ds] : store.entries()) {
        if (name != level && name.compare(0, level.size() + 1, level + ".") != 0) continue;
        lines.push_back("NONVSAM ------- " + name);
        any = true;
    }
    if (!any) lines.push_back("IDC3012I ENTRY " + level + " NOT FOUND");
    return any;
}

bool ListDataSet(const FileStore& store, const std::string& name, bool members,
                 std::vector<std::string>& lines) {
    const auto it = store.entries().find(name);
    if (it == store.entries().end()) {
        lines.push_back("DATA SET '" + name + "' NOT IN CATALOG OR CATALOG CAN NOT BE ACCESSED");
        return false;
    }
    const DataSet& ds = it->second;
    char attributes[64];
    std::snprintf(attributes, sizeof attributes, "  %-6s%-6d%-8d%s", ds.file.RecfmText().c_str(),
                  ds.file.lrecl, ds.file.blksize, ds.partitioned ? "PO" : "PS");
    lines.push_back(name);
    lines.push_back("--RECFM-LRECL-BLKSIZE-DSORG");
    lines.push_back(attributes);
    lines.push_back("--VOLUMES--");
    lines.push_back("  ORK001");
    if (members && ds.partitioned) {
        lines.push_back("--MEMBERS--");
        for (const auto& m : ds.members) lines.push_back("  " + m.first);
    }
    return true;
}

bool ListFiles(const FileStore& store, const std::string& fn, const std::string& ft, const std::string& fm,
               std::vector<std::string>& lines) {
    // A file mode letter alone matches every number of that mode.
    const std::string mode = fm.size() == 1 && fm != "*" ? fm + "*" : fm;
    bool any = false;
    for (const auto& [name, ds] : store.entries()) {
        const size_t a = name.find(' '), b = name.rfind(' ');
        const std::string n = name.substr(0, a), t = name.substr(a + 1, b - a - 1), m = name.substr(b + 1);
        if (!WildcardMatch(fn, n) || !WildcardMatch(ft, t) || !WildcardMatch(mode, m)) continue;
        char line[40];
        std::snprintf(line, sizeof line, "%-8s %-8s %s", n.c_str(), t.c_str(), m.c_str());
        lines.push_back(line);
        any = true;
    }
    if (!any) lines.push_back("DMSLST002E File not found");
    return any;
}

}  // namespace testhost::ft
