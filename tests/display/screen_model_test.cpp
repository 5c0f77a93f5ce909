// How cells look: colours from cell, field and default, highlights, the characters shown, runs,
// and the bands of rows a change repaints.
#include <gtest/gtest.h>

#include <cstdio>

#include "display/palette.h"
#include "display/row_bands.h"
#include "display/screen_model.h"
#include "display_fixture.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

using test::DisplaySession;

constexpr uint8_t kRed = 0x02, kYellow = 0x06;

TEST(Palette, BrightnessAdjustsChannels) {
    // channel, brightness, channel shown
    const uint8_t cases[][3] = {{200, 128, 200}, {200, 64, 100},  {255, 0, 0}, {0, 255, 255},
                                {100, 255, 255}, {100, 192, 178}, {1, 127, 0}, {254, 129, 254}};
    for (const auto& c : cases) EXPECT_EQ(AdjustChannel(c[0], c[1]), c[2]) << int(c[1]);
}

TEST(Palette, EntryZeroKeepsItsColourAndTheFrameFollowsBrightness) {
    DisplaySession d;
    d.s.record.SetSessionColour(0, 0x808080);
    d.s.record.SetSessionColour(1, 0x808080);
    d.s.record.SetNumber(field::Brightness, 64);
    const Palette p = BuildPalette(d.s.record);
    EXPECT_EQ(p[0], 0x808080u);
    EXPECT_EQ(p[1], 0x404040u);
    EXPECT_EQ(p[16], AdjustBrightness(0xE7C59E, 64));
    EXPECT_EQ(p[21], AdjustBrightness(0x183A61, 64));
}

TEST(Palette, ColourWordsNameTheNearestPlainColour) {
    const std::pair<Rgb, const char*> cases[] = {
        {0x000000, "black (#000000)"},      {0xF0F0F0, "white (#F0F0F0)"},    {0xFF0000, "red (#FF0000)"},
        {0x00F0F0, "turquoise (#00F0F0)"},  {0x7A0000, "dark red (#7A0000)"}, {0xFF1493, "pink (#FF1493)"},
        {0x1000080, "dark blue (#000080)"},  // bits above the colour are no colour
    };
    for (const auto& [rgb, words] : cases) EXPECT_EQ(ColourWords(rgb), words);
}

TEST(Palette, ColourTag) {
    for (const test::TableRow& row : test::ReadTableRows("display/data/colour_tags.tsv")) {
        const auto hex = [&](size_t i) { return std::stoul(row.cells.at(i), nullptr, 16); };
        DisplaySession d;
        const Rgb host_colour = d.s.record.SessionColour(3);
        d.s.record.SetNumber(field::ColourTagEntry, uint32_t(std::stoul(row.cells.at(1))));
        EXPECT_EQ(ApplyColourTag(d.s.record, row.cells[0]), row.cells.at(2) == "1") << row.where;
        EXPECT_EQ(d.s.record.Number(field::ColourTag), hex(3)) << row.where;
        EXPECT_EQ(d.s.record.SessionColour(8), hex(4)) << row.where;
        EXPECT_EQ(d.s.record.SessionColour(3), host_colour) << row.where;
    }
}

// One field of 9 cells on a 4 x 10 screen: data/cell_looks.tsv sets the field and the cells.
TEST(ScreenModel, ColourAndHighlightResolution) {
    for (const test::TableRow& row : test::ReadTableRows("display/data/cell_looks.tsv")) {
        const auto byte = [&](size_t i) { return uint8_t(std::stoul(row.cells.at(i), nullptr, 16)); };
        const std::string name = row.where + " " + row.cells[0];
        DisplaySession d;
        d.Field(0, 0, byte(1), byte(2));
        d.Text(1, "ABCDEFGHI", byte(3), byte(4));
        const RenderOptions o = MakeRenderOptions(d.s, false, false);
        FieldState field;
        const CellLook attr = ResolveCell(d.s.ps, 0, field, o);
        EXPECT_TRUE(attr.attribute) << name;
        EXPECT_EQ(attr.highlight, 0) << name;  // the attribute itself is a plain blank
        EXPECT_EQ(attr.character, ' ') << name;
        const CellLook cell = ResolveCell(d.s.ps, 5, field, o);
        EXPECT_EQ(cell.colour, byte(5)) << name;
        EXPECT_EQ(cell.highlight, byte(6)) << name;
        EXPECT_EQ(cell.character, 'E') << name;
    }
}

TEST(ScreenModel, RunColoursExchangeForReverseAndFind) {
    DisplaySession d;
    for (const test::TableRow& row : test::ReadTableRows("display/data/run_colours.tsv")) {
        RenderOptions o = MakeRenderOptions(d.s, false, false);
        o.history_background = row.cells.at(2) == "1";
        TextRun run{0, 1, 0x27, uint8_t(std::stoul(row.cells.at(1), nullptr, 16)), 0, 0, 0};
        ResolveRunColours(run, o);
        EXPECT_EQ(run.foreground, std::stoul(row.cells.at(3))) << row.where;
        EXPECT_EQ(run.background, std::stoul(row.cells.at(4))) << row.where;
    }
}

TEST(ScreenModel, LastAttributeGovernsTheStartOfTheScreen) {
    DisplaySession d;
    d.Text(0, "SECRET");
    d.Field(39, fa::NonDisplay, kRed, hl::Underscore);
    RowLook row;
    FieldState field = FieldStateEntering(d.s.ps, 0);
    ResolveRow(d.s.ps, 0, field, MakeRenderOptions(d.s, false, false), row);
    EXPECT_EQ(std::string(row.characters.begin(), row.characters.end()), std::string(10, ' '));
    ASSERT_EQ(row.runs.size(), 1u);
    EXPECT_EQ(row.runs[0].colour, kRed);
    EXPECT_TRUE(row.runs[0].Underscore());
    EXPECT_EQ(d.s.ps.planes.display[0], 'S');  // the characters stay in the planes

    // A field starting at address 0 governs itself; an unformatted screen has no field.
    d.Field(0, 0, kYellow);
    EXPECT_EQ(FieldStateEntering(d.s.ps, 1).colour, kYellow);
    DisplaySession plain;
    EXPECT_EQ(FieldStateEntering(plain.s.ps, 0).colour, 0);
}

TEST(ScreenModel, CharactersShown) {
    for (const test::TableRow& row : test::ReadTableRows("display/data/characters_shown.tsv")) {
        const std::string options = " " + row.cells.at(2) + " ";
        const auto has = [&](const char* o) {
            return options.find(" " + std::string(o) + " ") != std::string::npos;
        };
        DisplaySession d;
        d.s.settings.Wang = has("wang");
        d.s.record.SetNumber(field::AllUpperCase, has("upper"));
        d.s.record.SetNumber(field::BlinkingText, has("steady"));
        d.Text(5, std::string(1, char(std::stoi(row.cells[1], nullptr, 16))), 0, has("blink") ? hl::Blink : 0,
               has("ge") ? kGraphicEscapeSet : 0);
        if (has("markers")) d.Field(5, 0);
        FieldState field;
        const CellLook look =
            ResolveCell(d.s.ps, 5, field, MakeRenderOptions(d.s, has("blink_off"), has("markers")));
        EXPECT_EQ(look.character, std::stoi(row.cells.at(3), nullptr, 16))
            << row.where << " " << row.cells[0];
    }
}

TEST(ScreenModel, RunsSplitOnColourHighlightAndCharacterSet) {
    DisplaySession d(2, 20);
    d.Text(0, "aaaa");                       // default colour
    d.Text(4, "bbb", kRed);                  // own colour
    d.Text(7, "ccc", kRed, hl::Underscore);  // same colour, underscored
    d.Text(10, "ddd", kRed, hl::Underscore, kGraphicEscapeSet);
    d.Field(13, 0, kRed);  // the attribute position, colour red, no highlight
    d.Text(14, "eeeeee");  // field colour red
    d.s.settings.DisplayByField = 1;
    RowLook row;
    FieldState field;
    ResolveRow(d.s.ps, 0, field, MakeRenderOptions(d.s, false, false), row);
    // Each run as "column+length colour/highlight/charset", in hex.
    std::string runs;
    char run[32];
    for (const TextRun& r : row.runs) {
        std::snprintf(run, sizeof run, "%u+%u %02X/%02X/%02X ", r.column, r.length, r.colour, r.highlight,
                      r.charset);
        runs += run;
    }
    EXPECT_EQ(runs, "0+4 04/00/00 4+3 02/00/00 7+3 02/04/00 10+3 02/04/F1 13+7 02/00/00 ");
    EXPECT_EQ(row.attribute_columns, std::vector<uint16_t>{13});
    // The field carries on into the next row.
    EXPECT_EQ(field.colour, kRed);
}

// Each band as "first+count".
std::string Bands(const std::vector<RowBand>& bands) {
    std::string out;
    for (const RowBand& b : bands)
        out += (out.empty() ? "" : " ") + std::to_string(b.first_row) + "+" + std::to_string(b.row_count);
    return out;
}

TEST(RowBands, ChangedRowsBecomeMergedTwoRowBands) {
    const std::pair<std::vector<uint32_t>, const char*> cases[] = {
        {{}, ""}, {{3}, "3+2"}, {{9}, "9+1"}, {{0, 1}, "0+3"}, {{2, 4}, "2+4"}, {{0, 5}, "0+2 5+2"},
    };
    for (const auto& [changed_rows, bands] : cases) {
        DisplaySession d(10, 8);
        for (uint32_t r : changed_rows) d.s.ps.MarkChanged(r * 8 + 7);
        EXPECT_EQ(Bands(TakeChangedRowBands(d.s.ps)), bands);
        EXPECT_TRUE(TakeChangedRowBands(d.s.ps).empty()) << bands;  // the map was cleared
    }
}

TEST(RowBands, AFieldWhoseAttributeChangesIsRepaintedToItsEnd) {
    for (const test::TableRow& row : test::ReadTableRows("display/data/attribute_bands.tsv")) {
        const uint32_t at = uint32_t(std::stoul(row.cells.at(1)));
        DisplaySession d(10, 8);
        d.Field(8, 0);
        d.Field(48, 0);
        TakeWholeScreen(d.s.ps);
        if (row.cells.at(2) == "none")
            d.s.ps.planes.attribute[at] = 0;
        else
            d.Field(at, uint8_t(std::stoul(row.cells[2], nullptr, 16)),
                    uint8_t(std::stoul(row.cells.at(3), nullptr, 16)));
        d.s.ps.MarkChanged(at);
        EXPECT_EQ(Bands(TakeChangedRowBands(d.s.ps)), row.cells.at(4)) << row.where;
        d.s.ps.MarkChanged(at);
        EXPECT_EQ(Bands(TakeChangedRowBands(d.s.ps)), std::to_string(at / 8) + "+2")
            << row.where << ": a second change with the same look is the cell's alone";
    }
}

}  // namespace
}  // namespace orkan
