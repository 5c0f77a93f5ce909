// The first-line rule, integer arguments and the subcommand word splitter: the rows of
// data/text.tsv.
#include <gtest/gtest.h>

#include "rexx/rexx_text.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

TEST(RexxText, FirstLineIntegerArgumentsAndCommandWords) {
    const char* kinds[] = {"Value", "Empty", "Bad"};
    for (const test::TableRow& row : test::ReadTableRows("rexx/data/text.tsv")) {
        SCOPED_TRACE(row.where + ": '" + row.cells.at(1) + "'");
        const std::string& kind = row.cells[0];
        const std::string& text = row.cells.at(1);
        if (kind == "first_line") {
            EXPECT_EQ(IsRexxSource(text), row.cells.at(2) == "1");
        } else if (kind == "integer") {
            const ParsedInteger n = ParseRexxInteger(text);
            EXPECT_EQ(kinds[int(n.kind)], row.cells.at(2));
            if (n.kind == IntegerArgument::Value) {
                EXPECT_EQ(std::to_string(n.value), row.cells.at(3));
            }
        } else {
            ASSERT_EQ(kind, "words");
            const CommandWords w = SplitCommandWords(text);
            EXPECT_EQ(w.words, std::vector<std::string>(row.cells.begin() + 3, row.cells.end()));
            EXPECT_EQ(w.more, row.cells.at(2) == "1");
        }
    }
}

}  // namespace
}  // namespace orkan
