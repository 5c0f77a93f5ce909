#include "support/golden_file.h"

#include <cctype>
#include <fstream>
#include <map>

namespace orkan::test {

namespace {

std::string Substitute(const std::string& text, const std::map<std::string, std::string>& defines) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t end = i + 1;
        while (text[i] == '$' && end < text.size() && (std::isalnum(uint8_t(text[end])) || text[end] == '_'))
            ++end;
        const auto found = end > i + 1 ? defines.find(text.substr(i + 1, end - i - 1)) : defines.end();
        if (found == defines.end()) {
            out += text[i];
            continue;
        }
        out += found->second;
        i = end - 1;
    }
    return out;
}

}  // namespace

std::vector<GoldenCase> ReadGoldenCases(const std::string& relative) {
    const std::string path = std::string(ORKAN_SOURCE_DIR) + "/tests/" + relative;
    std::ifstream in(path);
    std::vector<GoldenCase> cases;
    std::map<std::string, std::string> defines;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        if (line.compare(start, 2, "==") == 0) {
            std::string name = line.substr(start + 2);
            name.erase(0, std::min(name.find_first_not_of(" \t"), name.size()));
            cases.push_back({std::move(name), relative + ":" + std::to_string(number), {}});
            continue;
        }
        auto [verb, rest] = SplitWord(line.substr(start));
        rest = Substitute(rest, defines);
        if (verb == "define") {
            auto [name, value] = SplitWord(rest);
            defines[name] = value;
            continue;
        }
        if (cases.empty()) cases.push_back({"Preamble", relative + ":" + std::to_string(number), {}});
        cases.back().steps.push_back({number, std::move(verb), std::move(rest)});
    }
    if (cases.empty()) cases.push_back({"Unreadable", path, {{0, "error", "no cases in " + path}}});
    return cases;
}

std::vector<TableRow> ReadTableRows(const std::string& relative) {
    std::ifstream in(std::string(ORKAN_SOURCE_DIR) + "/tests/" + relative);
    std::vector<TableRow> rows;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        TableRow row{relative + ":" + std::to_string(number), {}};
        for (size_t at = 0, tab = 0; tab != std::string::npos; at = tab + 1) {
            tab = line.find('\t', at);
            row.cells.push_back(GoldenValue(line.substr(at, tab == std::string::npos ? tab : tab - at)));
        }
        rows.push_back(std::move(row));
    }
    EXPECT_FALSE(rows.empty()) << "no rows in tests/" << relative;
    return rows;
}

std::pair<std::string, std::string> SplitWord(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) return {};
    const size_t end = std::min(text.find_first_of(" \t", start), text.size());
    const size_t rest = std::min(text.find_first_not_of(" \t", end), text.size());
    return {std::string(text.substr(start, end - start)), std::string(text.substr(rest))};
}

std::string GoldenValue(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::string(text);
    std::string out;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] != '\\' || i + 2 >= text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'n')
            out += '\n';
        else if (c == 'r')
            out += '\r';
        else if (c == 't')
            out += '\t';
        else if (c == 'x' && i + 2 < text.size()) {
            out += char(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else
            out += c;
    }
    return out;
}

std::string GoldenTestName(const testing::TestParamInfo<GoldenCase>& info) {
    std::string out;
    bool upper = true;
    for (char c : info.param.name) {
        if (std::isalnum(uint8_t(c))) {
            out += upper ? char(std::toupper(uint8_t(c))) : c;
            upper = false;
        } else {
            upper = true;
        }
    }
    // Two cases of one name would stop gtest from running any: the second gets its place.
    return (out.empty() ? "Case" : out) + "_" + std::to_string(info.index);
}

}  // namespace orkan::test
