// The status line's text: status texts, symbols, user text, indicators, position and ISPF column
// texts, and the runs of changed cells.
#include <gtest/gtest.h>

#include "display/spoken_status.h"
#include "display/status_line.h"
#include "display_fixture.h"
#include "keyboard/keyboard_state.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

using test::DisplaySession;

std::string Cells(const StatusText& t, size_t from, size_t count) {
    return std::string(t.cells.begin() + long(from), t.cells.begin() + long(from + count));
}

TEST(StatusLine, TextForEveryStatus) {
    DisplaySession d;
    for (const test::TableRow& row : test::ReadTableRows("display/data/status_texts.tsv")) {
        StatusIndicators extras;
        extras.connect_seconds_left = std::stoi(row.cells.at(2));
        extras.transfer_count = "12,345";
        EXPECT_EQ(StatusTextFor(SessionStatus(std::stoi(row.cells.at(1))), d.s.record, extras, 3),
                  row.cells.at(3))
            << row.where << " " << row.cells[0];
    }
}

TEST(StatusLine, SpokenLockSaysWhyTheKeyWasRefused) {
    DisplaySession d(24, 80);
    d.Field(0, fa::Protected);
    d.Field(10, fa::Numeric);
    d.s.status = SessionStatus::Protected;
    d.s.record.SetNumber(field::NumericFieldLock, 1);
    d.s.ps.cursor_address = 5;
    EXPECT_EQ(SpokenStatus(d.s),
              "Connected, not secure, keyboard locked, the cursor is in a protected field, press Reset");
    d.s.ps.cursor_address = 12;
    EXPECT_EQ(SpokenStatus(d.s),
              "Connected, not secure, keyboard locked, the field takes only digits, press Reset");
    d.s.keyboard->refused_without_host_form = true;
    d.s.ps.cursor_address = 5;
    EXPECT_EQ(
        SpokenStatus(d.s),
        "Connected, not secure, keyboard locked, the host's code page has no such character, press Reset");
    d.s.selection = {true, 7, 30, 3, 10};
    d.s.status = SessionStatus::Unlocked;
    EXPECT_EQ(SpokenStatus(d.s), "Connected, not secure, keyboard unlocked, 5 rows by 21 columns selected");
    d.s.selection = {true, 2, 4, 2, 4};
    EXPECT_EQ(SpokenStatus(d.s), "Connected, not secure, keyboard unlocked, 1 row by 1 column selected");
}

TEST(StatusLine, LayoutOfAnEightyColumnLine) {
    DisplaySession d(24, 80);
    d.s.status = SessionStatus::Locked;
    d.s.link.tls_active = true;
    d.s.keyboard->insert_mode = true;
    d.s.keyboard->caps_lock = true;
    d.s.keyboard->word_wrap = true;
    d.s.keyboard->last_modifier = Modifier::Ctrl;
    d.s.ps.cursor_address = 5 * 80 + 9;
    ASSERT_TRUE(d.s.record.SetText(field::StatusLine, "PROD \x80"));
    d.s.indicators.capture_active = true;
    d.s.indicators.macro_letter = 'R';
    const StatusText t = BuildStatusText(d.s);
    EXPECT_EQ(Cells(t, 0, 9), "C\x92\x91  \x85 \x83\x84");
    EXPECT_TRUE(t.IsSymbol(1) && t.IsSymbol(2) && t.IsSymbol(7) && !t.IsSymbol(0) && !t.IsSymbol(6));
    // The user text is centred in the 51 cells from cell 16; its euro sign stays text.
    EXPECT_EQ(Cells(t, 38, 6), "PROD \x80");
    EXPECT_FALSE(t.IsSymbol(43));
    EXPECT_EQ(Cells(t, 66, 6), "Rw\x8B A^");
    EXPECT_EQ(Cells(t, 72, 8), "   6,10 ");  // ends at cell C - 2
    EXPECT_EQ(Cells(t, 80, 120), std::string(120, ' '));

    // The macro letter blinks; without capture the first cell is "M"; without TLS the open lock.
    d.s.link.tls_active = false;
    d.s.indicators = {};
    const StatusText off = BuildStatusText(d.s, false);
    EXPECT_EQ(Cells(off, 0, 3), "M\x92\x82");
    EXPECT_EQ(Cells(off, 66, 2), " w");
}

TEST(StatusLine, IndicatorsCountFromTheRightOnNarrowScreens) {
    // Forty columns leave the user text (as shown from cell 16) 40 - 29 = 11 cells; below 30 none.
    const std::pair<uint32_t, std::string> cases[] = {{40, "ABCDEFGHIJK"}, {30, "A"}, {29, ""}};
    for (const auto& [columns, user] : cases) {
        DisplaySession d(24, columns);
        ASSERT_TRUE(d.s.record.SetText(field::StatusLine, "ABCDEFGHIJKLMNOP"));
        d.s.keyboard->insert_mode = true;
        d.s.keyboard->last_modifier = Modifier::Shift;
        const StatusText t = BuildStatusText(d.s);
        EXPECT_EQ(Cells(t, 16, user.size()), user) << columns;
        EXPECT_EQ(t.cells[16 + user.size()], ' ') << columns;
        EXPECT_EQ(Cells(t, columns - 12, 4), "\x8A a^") << columns;
        EXPECT_EQ(Cells(t, columns - 4, 3), "1,1") << columns;
    }
}

TEST(StatusLine, SelectionSizeInAnyDirection) {
    // The anchor row and column, then the end row and column.
    const uint32_t cases[][4] = {{2, 5, 4, 14}, {4, 14, 2, 5}, {4, 5, 2, 14}, {2, 14, 4, 5}};
    for (const auto& c : cases) {
        DisplaySession d(24, 80);
        d.s.ps.cursor_address = 100;
        d.s.selection = {true, c[0], c[1], c[2], c[3]};
        EXPECT_EQ(PositionText(d.s), "3x10");
    }
    DisplaySession d(24, 80);
    d.s.ps.cursor_address = 23 * 80 + 79;
    EXPECT_EQ(PositionText(d.s), "24,80");
}

// ISPF panels: where the data column is shown instead of the cursor's (data/ispf_columns.txt).
TEST(StatusLine, IspfDataColumn) {
    for (const test::GoldenCase& c : test::ReadGoldenCases("display/data/ispf_columns.txt")) {
        SCOPED_TRACE(c.where + " " + c.name);
        std::unique_ptr<DisplaySession> d;
        for (const test::GoldenStep& step : c.steps) {
            const auto [first, second] = test::SplitWord(step.rest);
            if (step.verb == "columns") {
                d = std::make_unique<DisplaySession>(24, uint32_t(std::stoul(first)));
                d->s.record.SetNumber(field::ModifyColInIspfEdit, 1);
            } else if (step.verb == "row") {
                d->Text(uint32_t(std::stoul(first)) * d->s.ps.columns, test::GoldenValue(second));
            } else if (step.verb == "cursor") {
                d->s.ps.cursor_address = uint32_t(std::stoul(first) * d->s.ps.columns + std::stoul(second));
            } else {
                ASSERT_EQ(step.verb, "position");
                EXPECT_EQ(PositionText(d->s), step.rest);
            }
        }
    }
}

TEST(StatusLine, ChangedRuns) {
    StatusLine line;
    StatusText next;
    EXPECT_TRUE(line.Update(next).empty());
    next.cells[5] = 'X';
    next.cells[6] = 'Y';
    next.cells[10] = 'Z';
    next.symbols.set(199);  // a cell that turns into a symbol changes too
    EXPECT_EQ(line.Update(next), (std::vector<CellRun>{{5, 2}, {10, 1}, {199, 1}}));
    EXPECT_TRUE(line.Update(next).empty());
    EXPECT_EQ(line.Text(), next);
}

}  // namespace
}  // namespace orkan
