#include "print/paper_size.h"

#include <array>
#include <fstream>
#include <string>

#include "config/profile_file.h"

namespace orkan {

namespace {

struct NamedPaper {
    std::string_view name;
    PaperSize size;
};

constexpr std::array kPapers = {
    NamedPaper{"a4", {595.28, 841.89}},  NamedPaper{"letter", {612, 792}},
    NamedPaper{"legal", {612, 1008}},    NamedPaper{"a3", {841.89, 1190.55}},
    NamedPaper{"a5", {419.53, 595.28}},  NamedPaper{"b5", {498.9, 708.66}},
    NamedPaper{"executive", {522, 756}}, NamedPaper{"tabloid", {792, 1224}},
};

std::string_view Trim(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r')) t.remove_suffix(1);
    return t;
}

}  // namespace

std::optional<PaperSize> PaperByName(std::string_view name) {
    name = Trim(name);
    for (const NamedPaper& p : kPapers)
        if (EqualsIgnoreCase(p.name, name)) return p.size;
    return std::nullopt;
}

PaperSize SystemPaper(const Environment& env, const char* papersize_file) {
    if (env) {
        if (const auto value = env("PAPERSIZE"); value && !value->empty())
            if (const auto paper = PaperByName(*value)) return *paper;
    }
    std::ifstream in(papersize_file);
    std::string line;
    for (int n = 0; n < 100 && std::getline(in, line); ++n) {
        const std::string_view text = Trim(line);
        if (text.empty() || text.front() == '#') continue;
        if (const auto paper = PaperByName(text.substr(0, text.find_first_of(" \t")))) return *paper;
        break;
    }
    return kA4;
}

}  // namespace orkan
