// The text a recording writes, byte for byte: headers of both languages, waits, typed text, key
// functions with and without positions, macro keys and mouse selections.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "keyboard/key_functions.h"
#include "record/recording_text.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

// Every key finds the cursor at 3,7 and leaves it at 4,9.
RecordedKey K(uint16_t code, std::string name, uint32_t unlocks) {
    return {code, std::move(name), unlocks, {3, 7}, {4, 9}, std::nullopt};
}

// A quoted text at the start of `rest`, unescaped, and what follows it.
std::pair<std::string, std::istringstream> QuotedThenRest(const std::string& rest) {
    size_t end = 1;
    while (end < rest.size() && rest[end] != '"') end += rest[end] == '\\' ? 2 : 1;
    return {test::GoldenValue(rest.substr(0, end + 1)),
            std::istringstream(rest.substr(std::min(end + 1, rest.size())))};
}

class Recordings : public testing::TestWithParam<test::GoldenCase> {};

TEST_P(Recordings, WriteTheirText) {
    const test::GoldenCase& c = GetParam();
    SCOPED_TRACE(c.where);
    static const std::map<std::string, KeyCategory> categories = {{"action", KeyCategory::Action},
                                                                  {"edit", KeyCategory::Edit},
                                                                  {"oper", KeyCategory::Oper},
                                                                  {"macro", KeyCategory::Macro}};
    RecordLanguage language = RecordLanguage::Own;
    std::string description = "logon steps";
    std::unique_ptr<RecordingText> made;
    std::string body;
    const auto r = [&]() -> RecordingText& {
        if (!made)
            made = std::make_unique<RecordingText>(
                RecordingHeader{language, description, "logon.mac", "2026-12-07 08:15:00", 20});
        return *made;
    };
    for (const test::GoldenStep& step : c.steps) {
        SCOPED_TRACE("line " + std::to_string(step.line));
        std::istringstream words(step.rest);
        uint32_t unlocks = 0, row = 0, column = 0;
        if (step.verb == "language") {
            language = step.rest == "rexx" ? RecordLanguage::Rexx : RecordLanguage::Own;
        } else if (step.verb == "description") {
            description = test::GoldenValue(step.rest);
        } else if (step.verb == "shows") {
            EXPECT_NE(r().text().find(test::GoldenValue(step.rest)), std::string::npos) << r().text();
        } else if (step.verb == "type") {
            auto [text, more] = QuotedThenRest(step.rest);
            int count = 1;
            more >> count >> unlocks;
            for (int i = 0; i < count; ++i)
                for (char ch : text) r().Key(K(CharCode(uint8_t(ch)), "", unlocks));
        } else if (step.verb == "key") {
            std::string category, name;
            int number = 0;
            words >> category >> number >> name >> unlocks;
            RecordedKey k = K(MakeKeyCode(categories.at(category), uint8_t(number)), name, unlocks);
            if (words >> row >> column) k.pointer = RecordedCell{row, column};
            r().Key(k);
        } else if (step.verb == "flush") {
            r().FlushTypedText();
        } else if (step.verb == "finish") {
            words >> unlocks;
            r().Finish(unlocks, {});
        } else if (step.verb == "statement") {
            words >> unlocks >> row >> column;
            std::string text;
            std::getline(words >> std::ws, text);
            r().Statement(unlocks, {row, column}, test::GoldenValue(text));
        } else if (step.verb == "mouse") {
            uint32_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;
            words >> unlocks >> row >> column >> r1 >> c1 >> r2 >> c2;
            r().MouseSelection(unlocks, {row, column}, {r1, c1}, {r2, c2});
        } else if (step.verb == "body") {
            body += test::GoldenValue(step.rest);
        } else if (step.verb == "statements") {
            EXPECT_EQ(r().text(), body);
            EXPECT_EQ(r().statements(), std::stoi(step.rest));
        } else {
            ADD_FAILURE() << "unknown verb " << step.verb;
        }
    }
    const std::string last = c.steps.empty() ? "" : c.steps.back().verb;
    EXPECT_TRUE(last == "statements" || last == "shows") << "a case ends with its checks";
}

INSTANTIATE_TEST_SUITE_P(Cases, Recordings,
                         testing::ValuesIn(test::ReadGoldenCases("record/data/recording_text.txt")),
                         test::GoldenTestName);

}  // namespace
}  // namespace orkan
