#include "gui/help_pages.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace orkan {
namespace {

namespace fs = std::filesystem;

// The reading order: the window first, then what a user does in it.
constexpr std::array<std::string_view, 9> kOrder = {"desktop.md",  "keyboard.md", "clipboard.md",
                                                    "macros.md",   "rexx.md",     "transfer.md",
                                                    "printing.md", "capture.md",  "headless.md"};
constexpr size_t kPageLimit = 4 << 20;
constexpr size_t kExcerptLength = 120;

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

size_t OrderOf(const std::string& file) {
    const auto it = std::find(kOrder.begin(), kOrder.end(), file);
    return size_t(it - kOrder.begin());
}

// "## Heading" gives 2 and "Heading".
int HeadingLevel(std::string_view line, std::string& heading) {
    size_t hashes = 0;
    while (hashes < line.size() && line[hashes] == '#') ++hashes;
    if (hashes == 0 || hashes > 6 || hashes >= line.size() || line[hashes] != ' ') return 0;
    heading = MarkdownLineText(line.substr(hashes + 1));
    return int(hashes);
}

HelpPage ParsePage(const std::string& file, const std::string& markdown) {
    HelpPage page;
    page.file = file;
    std::istringstream in(markdown);
    std::string line;
    bool fenced = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with("```")) {
            fenced = !fenced;
            continue;
        }
        std::string heading;
        const int level = fenced ? 0 : HeadingLevel(line, heading);
        if (level > 0) {
            if (page.title.empty() && level == 1) page.title = heading;
            page.sections.push_back({level, heading, heading + "\n"});
            continue;
        }
        if (page.sections.empty()) page.sections.push_back({1, file, ""});
        page.sections.back().text += (fenced ? line : MarkdownLineText(line)) + "\n";
    }
    if (page.title.empty()) page.title = file;
    return page;
}

}  // namespace

std::string HelpFolder(const std::string& help_setting) {
    std::error_code ec;
    if (fs::is_directory(help_setting, ec)) return help_setting;
    return fs::path(help_setting).parent_path().string();
}

std::string MarkdownLineText(std::string_view line) {
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '`' || c == '*') continue;
        // [text](target): the text only.
        if (c == ']' && i + 1 < line.size() && line[i + 1] == '(') {
            const size_t close = line.find(')', i + 2);
            if (close != line.npos) {
                i = close;
                continue;
            }
        }
        if (c == '[') continue;
        out += c == '|' ? ' ' : c;
    }
    const size_t start = out.find_first_not_of(" >");
    return start == out.npos ? std::string() : out.substr(start);
}

std::vector<HelpPage> LoadHelpPages(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (e.is_regular_file(ec) && e.path().extension() == ".md") files.push_back(name);
    }
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        const size_t oa = OrderOf(a), ob = OrderOf(b);
        return oa != ob ? oa < ob : a < b;
    });
    std::vector<HelpPage> pages;
    for (const std::string& file : files) {
        std::ifstream in(fs::path(folder) / file, std::ios::binary);
        std::string text;
        text.resize(kPageLimit);
        in.read(text.data(), std::streamsize(text.size()));
        if (in.bad()) continue;
        text.resize(size_t(in.gcount()));
        pages.push_back(ParsePage(file, text));
    }
    return pages;
}

std::vector<HelpHit> SearchHelp(const std::vector<HelpPage>& pages, std::string_view query) {
    std::vector<std::string> words;
    std::istringstream in{std::string(query)};
    for (std::string w; in >> w;) words.push_back(Lower(w));
    std::vector<HelpHit> hits;
    if (words.empty()) return hits;
    for (size_t p = 0; p < pages.size(); ++p) {
        for (size_t s = 0; s < pages[p].sections.size(); ++s) {
            const std::string& text = pages[p].sections[s].text;
            const std::string lower = Lower(text);
            if (!std::all_of(words.begin(), words.end(),
                             [&](const std::string& w) { return lower.find(w) != lower.npos; }))
                continue;
            const size_t at = lower.find(words.front());
            const size_t start = lower.rfind('\n', at) == lower.npos ? 0 : lower.rfind('\n', at) + 1;
            std::string excerpt = text.substr(start, text.find('\n', at) - start);
            if (excerpt.size() > kExcerptLength) excerpt = excerpt.substr(0, kExcerptLength) + "...";
            hits.push_back({p, s, excerpt});
        }
    }
    return hits;
}

std::vector<HelpIndexEntry> HelpIndex(const std::vector<HelpPage>& pages) {
    std::vector<HelpIndexEntry> entries;
    for (size_t p = 0; p < pages.size(); ++p)
        for (size_t s = 0; s < pages[p].sections.size(); ++s)
            if (!pages[p].sections[s].heading.empty())
                entries.push_back({pages[p].sections[s].heading, p, s});
    std::stable_sort(entries.begin(), entries.end(), [](const HelpIndexEntry& a, const HelpIndexEntry& b) {
        return Lower(a.term) < Lower(b.term);
    });
    return entries;
}

}  // namespace orkan
