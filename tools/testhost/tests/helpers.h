// Hex text <-> bytes and a shared code page for the host's own tests.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "codec.h"
#include "ft_records.h"

namespace testhost::test {

// "ff fd 28" or "fffd28"; blanks and '|' are ignored.
inline Bytes H(std::string_view hex) {
    std::string digits;
    for (char c : hex)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    Bytes out;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string ToHex(const Bytes& b) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < b.size(); ++i) {
        if (i) s += ' ';
        s += kHex[b[i] >> 4];
        s += kHex[b[i] & 15];
    }
    return s;
}

// A host file's records as "hex|hex|...".
inline std::string Records(const ft::HostFile& f) {
    std::string s;
    for (size_t i = 0; i < f.records(); ++i)
        s += (i ? "|" : "") + ToHex(Bytes(f.data.begin() + static_cast<std::ptrdiff_t>(f.RecordStart(i)),
                                          f.data.begin() + static_cast<std::ptrdiff_t>(f.ends[i])));
    return s;
}

// Host bytes of ASCII text in IBM-037.
inline Bytes E(const Codec& codec, std::string_view text) {
    Bytes out;
    for (char c : text) out.push_back(codec.HostByte(c));
    return out;
}

inline const Codec& Cp037() {
    static const Codec codec = [] {
        Codec c;
        std::string error;
        EXPECT_TRUE(c.Open("IBM-037", error)) << error;
        return c;
    }();
    return codec;
}

using Names = std::map<std::string, std::string>;

// Bare hex, "TEXT" as ASCII, e"TEXT" as IBM-037, HH*N as N bytes HH, HH..HH a range, a name
// given by "let".
inline Bytes Wire(const std::string& text, const Names& names = {}) {
    static const std::regex kPiece(R"re((e?)"([^"]*)"|(\S+))re");
    Bytes out;
    for (std::sregex_iterator m(text.begin(), text.end(), kPiece), end; m != end; ++m) {
        const std::string w = (*m)[3];
        Bytes b;
        if ((*m)[2].matched) {
            const std::string s = (*m)[2];
            b = (*m)[1].length() ? E(Cp037(), s) : Bytes(s.begin(), s.end());
        } else if (names.contains(w)) {
            b = Wire(names.at(w), names);
        } else if (const size_t dots = w.find(".."); dots != std::string::npos) {
            for (int c = H(w.substr(0, dots)).at(0); c <= H(w.substr(dots + 2)).at(0); ++c)
                b.push_back(static_cast<uint8_t>(c));
        } else {
            EXPECT_EQ(w.find('"'), std::string::npos) << "no closing quote in " << text;
            const size_t star = w.find('*');
            const Bytes once = H(w.substr(0, star));
            for (int n = star == std::string::npos ? 1 : std::stoi(w.substr(star + 1)); n > 0; --n)
                b.insert(b.end(), once.begin(), once.end());
        }
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

// The whole text of a file of this folder.
inline std::string TestFile(const std::string& name) {
    std::ifstream file(TESTHOST_TESTS_DIR "/" + name);
    EXPECT_TRUE(file) << "no file " << name;
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The lines of a case file of this folder that are neither blank nor '#' comments, with their
// numbers. A file that cannot be read fails the test.
struct Line {
    int number = 0;
    std::string text;
};
inline std::vector<Line> CaseLines(const std::string& name) {
    std::istringstream file(TestFile(name));
    std::vector<Line> lines;
    std::string text;
    for (int number = 1; std::getline(file, text); ++number)
        if (!text.empty() && text[0] != '#') lines.push_back({number, text});
    return lines;
}

// The rows of a tab-separated case file of this folder whose first cell is `kind`, by line.
struct Row {
    int line = 0;
    std::vector<std::string> cells;  // after the kind
};
inline std::vector<Row> ReadRows(const std::string& name, std::string_view kind) {
    std::vector<Row> rows;
    for (const auto& [number, line] : CaseLines(name)) {
        if (!line.starts_with(std::string(kind) + "\t")) continue;
        Row row{number, {}};
        for (size_t at = kind.size() + 1, tab = 0; tab != std::string::npos; at = tab + 1) {
            tab = line.find('\t', at);
            row.cells.push_back(line.substr(at, tab - at));
        }
        rows.push_back(std::move(row));
    }
    EXPECT_FALSE(rows.empty()) << "no " << kind << " rows in " << name;
    return rows;
}

}  // namespace testhost::test
