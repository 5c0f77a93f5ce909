// The help is the user documentation itself: the Markdown pages of docs/, installed into the help
// folder by the build. This reads them for the help window's contents, index and full-text search;
// the window renders the same files, so help and docs/ never differ.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orkan {

struct HelpSection {
    int level = 1;        // of its heading: 1 the page's title, 2 and 3 its parts
    std::string heading;  // plain text
    std::string text;     // the heading and what follows it up to the next heading, as plain text
};

struct HelpPage {
    std::string file;  // "transfer.md"
    std::string title;
    std::vector<HelpSection> sections;
};

// The folder that holds the pages: the "Help" folder setting, or the folder of the file it names.
std::string HelpFolder(const std::string& help_setting);

// The pages of a folder, the user's way through them first (the desktop, the keyboard, ...), then
// any others by name. Files that cannot be read are left out.
std::vector<HelpPage> LoadHelpPages(const std::string& folder);

// One line of Markdown as the text a reader sees (code marks, emphasis and link targets removed).
std::string MarkdownLineText(std::string_view line);

struct HelpHit {
    size_t page = 0;
    size_t section = 0;
    std::string excerpt;  // the first line that holds a word of the query
};
// The sections that hold every word of the query (case ignored), in reading order.
std::vector<HelpHit> SearchHelp(const std::vector<HelpPage>& pages, std::string_view query);

struct HelpIndexEntry {
    std::string term;  // a section heading
    size_t page = 0;
    size_t section = 0;
};
// Every heading of every page, sorted without regard to case.
std::vector<HelpIndexEntry> HelpIndex(const std::vector<HelpPage>& pages);

}  // namespace orkan
