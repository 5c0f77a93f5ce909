// Case files for the table-driven tests: one case after another, read by one harness per folder.
//   # a comment (whole lines only)
//   == Name of the case
//   verb the rest of the line
//   define NAME VALUE           $NAME in any later line stands for VALUE
// A value in double quotes is a C-like string (\n \r \t \" \\ \xHH); anything else is taken as written.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace orkan::test {

struct GoldenStep {
    int line = 0;
    std::string verb;
    std::string rest;
};

struct GoldenCase {
    std::string name;   // as written after "=="
    std::string where;  // file:line of the case, for failure messages
    std::vector<GoldenStep> steps;
};

// The cases of tests/<relative>. A file that cannot be read or holds no case gives one case named
// "Unreadable" whose only step is "error", so the harness fails instead of running nothing.
std::vector<GoldenCase> ReadGoldenCases(const std::string& relative);
// The rows of a tab-separated table tests/<relative>: the cells of each line that is neither blank
// nor a '#' comment, each cell as GoldenValue reads it, and where the row is written.
struct TableRow {
    std::string where;
    std::vector<std::string> cells;
};
std::vector<TableRow> ReadTableRows(const std::string& relative);
// The value of a step: a quoted string unescaped, or the text as written.
std::string GoldenValue(std::string_view text);
// The first word of `text` and the rest after its blanks.
std::pair<std::string, std::string> SplitWord(std::string_view text);
// A failing case names itself and where it is written.
inline void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name << " (" << c.where << ")";
}
// A gtest name: the case name's words joined, each begun upper-case; unique in its file.
std::string GoldenTestName(const testing::TestParamInfo<GoldenCase>& info);

}  // namespace orkan::test
