// What a screen reader reads: the cases of reading/fields.txt, screens drawn with field markers.
#include <gtest/gtest.h>

#include <sstream>

#include "display/screen_reading.h"
#include "display_fixture.h"
#include "support/golden_file.h"

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
    std::unique_ptr<test::DisplaySession> d;
    uint32_t row = 0;
    for (const test::TableRow& line : test::ReadTableRows("display/reading/fields.txt")) {
        SCOPED_TRACE(line.where);
        const std::string& text = line.cells[0];
        std::istringstream words(text);
        std::string word;
        uint32_t r = 0, c = 0;
        words >> word >> r >> c;
        if (text[0] == '|') {
            ASSERT_TRUE(d);
            for (uint32_t i = 0; i + 1 < text.size() && i < d->s.ps.columns; ++i) {
                const uint32_t a = row * d->s.ps.columns + i;
                if (const uint8_t attribute = MarkerAttribute(text[i + 1]); attribute != 0xFF)
                    d->Field(a, attribute);
                else
                    d->Text(a, std::string(1, text[i + 1]));
            }
            ++row;
        } else if (word == "screen") {
            d = std::make_unique<test::DisplaySession>(r, c);
            row = 0;
        } else if (word == "at") {
            EXPECT_EQ(DescribeFieldAt(d->s.ps, r * d->s.ps.columns + c), line.cells.at(1));
        } else {
            ASSERT_EQ(word, "row");
            EXPECT_EQ(TrimRight(ShownRow(d->s.ps, r)), line.cells.at(1));
        }
    }
}

}  // namespace
}  // namespace orkan
