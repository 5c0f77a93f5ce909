// What a screen reader reads: the cases of reading/fields.txt, screens drawn with field markers.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "display/screen_reading.h"
#include "display_fixture.h"

namespace orkan {
namespace {

// The field attribute of a marker character, 0xFF for a character that is no marker.
uint8_t MarkerAttribute(char c) {
    constexpr std::string_view kMarkers = "@%^_#*~!";
    const uint8_t attributes[] = {
        fa::Protected,  fa::Protected | fa::Intensified, fa::Autoskip, 0, fa::Numeric, fa::Intensified,
        fa::NonDisplay, fa::Protected | fa::NonDisplay};
    const size_t i = kMarkers.find(c);
    return i == std::string_view::npos ? 0xFF : attributes[i];
}

std::string TrimRight(std::string s) {
    return s.erase(s.find_last_not_of(' ') + 1);
}

TEST(ScreenReading, Cases) {
    std::ifstream in(std::string(ORKAN_SOURCE_DIR) + "/tests/display/reading/fields.txt");
    ASSERT_TRUE(in) << "reading/fields.txt";
    std::unique_ptr<test::DisplaySession> d;
    uint32_t row = 0;
    int checks = 0;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        const std::string expected =
            line.find('\t') == std::string::npos ? "" : line.substr(line.find('\t') + 1);
        SCOPED_TRACE("fields.txt:" + std::to_string(number));
        if (word == "screen") {
            uint32_t rows = 0, columns = 0;
            words >> rows >> columns;
            d = std::make_unique<test::DisplaySession>(rows, columns);
            row = 0;
        } else if (!line.empty() && line[0] == '|') {
            ASSERT_TRUE(d);
            for (uint32_t c = 0; c + 1 < line.size() && c < d->s.ps.columns; ++c) {
                const uint32_t a = row * d->s.ps.columns + c;
                if (const uint8_t attribute = MarkerAttribute(line[c + 1]); attribute != 0xFF)
                    d->Field(a, attribute);
                else
                    d->Text(a, std::string(1, line[c + 1]));
            }
            ++row;
        } else if (word == "at") {
            uint32_t r = 0, c = 0;
            words >> r >> c;
            EXPECT_EQ(DescribeFieldAt(d->s.ps, r * d->s.ps.columns + c), expected);
            ++checks;
        } else if (word == "row") {
            uint32_t r = 0;
            words >> r;
            EXPECT_EQ(TrimRight(ShownRow(d->s.ps, r)), expected);
            ++checks;
        }
    }
    EXPECT_GT(checks, 0);
}

}  // namespace
}  // namespace orkan
