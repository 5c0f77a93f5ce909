// Line-mode text on a small 3 x 4 screen: hex in, screen rows and cursor out (data/line_mode.tsv).
#include <gtest/gtest.h>

#include "ds3270/line_mode_display.h"
#include "support/golden_file.h"
#include "support/hex.h"

namespace orkan {
namespace {

TEST(LineModeDisplay, Screen) {
    for (const test::TableRow& row : test::ReadTableRows("ds3270/data/line_mode.tsv")) {
        SCOPED_TRACE(row.where + " " + row.cells[0]);
        PresentationSpace ps;
        ps.rows = 3;
        ps.columns = 4;
        ps.positions = 12;
        ps.cursor_address = uint32_t(std::stoul(row.cells.at(1)));
        ps.planes.colour.fill(0x12);
        const LineModeDisplayResult r = ShowLineModeText(ps, test::FromHex(row.cells.at(2)));
        std::vector<std::string> rows(3);
        for (uint32_t i = 0; i < 12; ++i) {
            const uint8_t ch = ps.planes.display[i];
            rows[i / 4] += ch ? static_cast<char>(ch) : '.';
        }
        if (row.cells[1] == "0" && ps.planes.display[0] != 0) {
            EXPECT_EQ(ps.planes.colour[0], 0);
            EXPECT_EQ(ps.changed[0], 1);
        }
        EXPECT_EQ(rows, std::vector<std::string>(row.cells.begin() + 3, row.cells.begin() + 6));
        EXPECT_EQ(ps.cursor_address, std::stoul(row.cells.at(6)));
        EXPECT_EQ(r.alarm, row.cells.at(7) == "1");
    }
}

}  // namespace
}  // namespace orkan
