// The first-line rule, integer arguments and the subcommand word splitter.
#include <gtest/gtest.h>

#include "rexx/rexx_text.h"

namespace orkan {
namespace {

TEST(RexxText, FirstLineDecidesTheLanguage) {
    const std::string long_line(210, 'x');
    struct Case {
        std::string head;
        bool rexx;
    } cases[] = {
        {"/* REXX */\nsay 1\n", true},
        {"/* a Rexx macro */\r\nsay 1\n", true},
        {"   /*rexx*/ say 1\n", true},
        {"/* plain comment */\n/* REXX */\n", false},  // only the first line counts
        {"/* REXX\n*/\n", true},                       // an unclosed comment runs to the line end
        {"/* no */ rexx\n", false},                    // the word must be inside the comment
        {"* REXX\n", false},
        {"REXX\n", false},
        {"/* REXX */", false},  // no line end within the first 200 bytes
        {"/* REXX */" + long_line + "\n", false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsRexxSource(c.head), c.rexx) << c.head;
}

TEST(RexxText, IntegerArguments) {
    struct Case {
        std::string text;
        IntegerArgument kind;
        int64_t value;
    } cases[] = {
        {"12", IntegerArgument::Value, 12},
        {" \t-7", IntegerArgument::Value, -7},
        {"+3", IntegerArgument::Value, 3},
        {"", IntegerArgument::Empty, 0},
        {"  ", IntegerArgument::Empty, 0},
        {"1.5", IntegerArgument::Bad, 0},
        {"12 ", IntegerArgument::Value, 12},
        {" 3.00 ", IntegerArgument::Value, 3},
        {"1 2", IntegerArgument::Bad, 0},
        {".5", IntegerArgument::Bad, 0},
        {"-", IntegerArgument::Bad, 0},
        {"x1", IntegerArgument::Bad, 0},
        {"2147483647", IntegerArgument::Value, 2147483647},
        {"-2147483648", IntegerArgument::Value, -2147483648LL},
        {"2147483648", IntegerArgument::Bad, 0},
        {"99999999999999999999999", IntegerArgument::Bad, 0},
    };
    for (const Case& c : cases) {
        const ParsedInteger n = ParseRexxInteger(c.text);
        EXPECT_EQ(n.kind, c.kind) << "'" << c.text << "'";
        if (c.kind == IntegerArgument::Value) {
            EXPECT_EQ(n.value, c.value) << c.text;
        }
    }
}

TEST(RexxText, CommandWords) {
    struct Case {
        std::string text;
        std::vector<std::string> words;
        bool more;
    } cases[] = {
        {"* DISKR file (STEM L.", {"*", "DISKR", "file", "(STEM", "L."}, false},
        {"  a\t\tb  ", {"a", "b"}, false},
        {"\"my file.txt\" x", {"my file.txt", "x"}, false},
        {"'it''s' \"say \"\"hi\"\"\"", {"it's", "say \"hi\""}, false},
        {"'' x", {"", "x"}, false},
        {"\"unclosed name", {"unclosed name"}, false},
        {"a'b c", {"a'b", "c"}, false},  // a quote inside a word is a character
        {"", {}, false},
        {"1 2 3 4 5 6 7 8 9 10 11 12", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, true},
    };
    for (const Case& c : cases) {
        const CommandWords w = SplitCommandWords(c.text);
        EXPECT_EQ(w.words, c.words) << c.text;
        EXPECT_EQ(w.more, c.more) << c.text;
    }
}

}  // namespace
}  // namespace orkan
