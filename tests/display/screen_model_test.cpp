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

constexpr uint8_t kDefault = 0x04;  // role 20 of a new session: green on black
constexpr uint8_t kRed = 0x02, kYellow = 0x06, kTurquoise = 0x05;

TEST(Palette, BrightnessAdjustsChannels) {
    struct Case {
        uint8_t value, brightness, expected;
    };
    const Case cases[] = {{200, 128, 200}, {200, 64, 100},  {255, 0, 0}, {0, 255, 255},
                          {100, 255, 255}, {100, 192, 178}, {1, 127, 0}, {254, 129, 254}};
    for (const Case& c : cases)
        EXPECT_EQ(AdjustChannel(c.value, c.brightness), c.expected) << int(c.brightness);
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
    struct Case {
        const char* name;
        uint8_t entry;
        bool known;
        uint8_t tag;
        Rgb colour8, colour3;  // session colours 8 and 3 afterwards
    };
    const Case cases[] = {
        {"cyan", 8, true, 0x84, 0x008080, 0xFF40FF},    {"GRAY", 8, true, 0x80, 0x404040, 0xFF40FF},
        {"Magenta", 0, true, 0x86, 0x000000, 0xFF40FF},  // no entry follows the tag
        {"blue", 3, true, 0x85, 0x000000, 0xFF40FF},     // entries up to 7 are host colours: kept
        {"purple", 8, false, 0x00, 0x000000, 0xFF40FF},
    };
    for (const Case& c : cases) {
        DisplaySession d;
        d.s.record.SetNumber(field::ColourTagEntry, c.entry);
        EXPECT_EQ(ApplyColourTag(d.s.record, c.name), c.known) << c.name;
        EXPECT_EQ(d.s.record.Number(field::ColourTag), c.tag) << c.name;
        EXPECT_EQ(d.s.record.SessionColour(8), c.colour8) << c.name;
        EXPECT_EQ(d.s.record.SessionColour(3), c.colour3) << c.name;
    }
}

// One field of 9 cells on a 4 x 10 screen; the table sets the field and the cells' own planes.
TEST(ScreenModel, ColourAndHighlightResolution) {
    struct Case {
        const char* name;
        uint8_t field_colour, field_highlight, cell_colour, cell_highlight;
        uint8_t colour, highlight;  // expected
    };
    const Case cases[] = {
        {"field colour", kRed, 0, 0, 0, kRed, 0},
        {"no colour anywhere", 0, 0, 0, 0, kDefault, 0},
        {"cell colour wins", kRed, 0, kYellow, 0, kYellow, 0},
        {"field blink", 0, hl::Blink, 0, 0, kDefault, hl::Blink},
        {"field reverse", kTurquoise, hl::Reverse, 0, 0, kTurquoise, hl::Reverse},
        {"field underscore", 0, hl::Underscore, 0, 0, kDefault, hl::Underscore},
        {"cell highlight wins", 0, hl::Reverse, 0, hl::Underscore, kDefault, hl::Underscore},
        {"extended colour flag draws nothing", kRed, hl::FieldColour, 0, 0, kRed, 0},
        {"find mark on the cell", 0, 0, 0, hl::FindMark, kDefault, hl::FindMark},
    };
    for (const Case& c : cases) {
        DisplaySession d;
        d.Field(0, 0, c.field_colour, c.field_highlight);
        d.Text(1, "ABCDEFGHI", c.cell_colour, c.cell_highlight);
        const RenderOptions o = MakeRenderOptions(d.s, false, false);
        FieldState field;
        const CellLook attr = ResolveCell(d.s.ps, 0, field, o);
        EXPECT_TRUE(attr.attribute) << c.name;
        EXPECT_EQ(attr.highlight, 0) << c.name;  // the attribute itself is a plain blank
        EXPECT_EQ(attr.character, ' ') << c.name;
        const CellLook cell = ResolveCell(d.s.ps, 5, field, o);
        EXPECT_EQ(cell.colour, c.colour) << c.name;
        EXPECT_EQ(cell.highlight, c.highlight) << c.name;
        EXPECT_EQ(cell.character, 'E') << c.name;
    }
}

TEST(ScreenModel, RunColoursExchangeForReverseAndFind) {
    struct Case {
        const char* name;
        uint8_t colour, highlight;
        bool history;
        uint8_t foreground, background;
    };
    const Case cases[] = {
        {"plain", 0x27, 0, false, 7, 2},
        {"reverse 0x27", 0x27, hl::Reverse, false, 2, 7},
        {"find takes role 26 exchanged", 0x27, hl::FindMark, false, 0, 6},
        {"reverse and find exchange once", 0x27, hl::FindMark | hl::Reverse, false, 0, 6},
        {"history background", 0x27, 0, true, 7, kHistoryBackgroundIndex},
        {"history keeps the reversed text", 0x27, hl::Reverse, true, 2, kHistoryBackgroundIndex},
    };
    DisplaySession d;
    for (const Case& c : cases) {
        RenderOptions o = MakeRenderOptions(d.s, false, false);
        o.history_background = c.history;
        TextRun run{0, 1, c.colour, c.highlight, 0, 0, 0};
        ResolveRunColours(run, o);
        EXPECT_EQ(run.foreground, c.foreground) << c.name;
        EXPECT_EQ(run.background, c.background) << c.name;
    }
}

TEST(ScreenModel, LastAttributeGovernsTheStartOfTheScreen) {
    DisplaySession d;
    d.Text(0, "SECRET");
    d.Field(39, fa::NonDisplay, kRed, hl::Underscore);
    const FieldState entering = FieldStateEntering(d.s.ps, 0);
    EXPECT_EQ(entering.colour, kRed);
    EXPECT_TRUE(entering.non_display);

    RowLook row;
    FieldState field = entering;
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

TEST(RowBands, ChangedRowsBecomeMergedTwoRowBands) {
    struct Case {
        const char* name;
        std::vector<uint32_t> changed_rows;
        std::vector<RowBand> bands;
    };
    const Case cases[] = {
        {"nothing", {}, {}},
        {"one row", {3}, {{3, 2}}},
        {"last row", {9}, {{9, 1}}},
        {"neighbours merge", {0, 1}, {{0, 3}}},
        {"gap of one row merges", {2, 4}, {{2, 4}}},
        {"apart", {0, 5}, {{0, 2}, {5, 2}}},
    };
    for (const Case& c : cases) {
        DisplaySession d(10, 8);
        for (uint32_t r : c.changed_rows) d.s.ps.MarkChanged(r * 8 + 7);
        EXPECT_EQ(TakeChangedRowBands(d.s.ps), c.bands) << c.name;
        EXPECT_TRUE(TakeChangedRowBands(d.s.ps).empty()) << c.name;  // the map was cleared
    }
}

TEST(RowBands, AFieldWhoseAttributeChangesIsRepaintedToItsEnd) {
    // Fields on a 10x8 screen: at row 1 (to row 5) and at row 6 (to the end, wrapping to row 0).
    struct Case {
        const char* name;
        uint32_t at;  // the attribute position changed
        uint8_t attribute, colour;
        std::vector<RowBand> bands;
    };
    const Case cases[] = {
        {"made non-display", 8, fa::NonDisplay, 0, {{1, 6}}},
        {"given a colour", 8, 0, 0x02, {{1, 6}}},
        {"only its MDT set", 8, fa::Mdt, 0, {{1, 2}}},
        {"the last field wraps to the first row", 48, fa::NonDisplay, 0, {{0, 2}, {6, 4}}},
        {"a new field inside another", 24, fa::NonDisplay, 0, {{3, 4}}},
        {"a field ended by a character", 48, 0xFF, 0, {{0, 2}, {6, 4}}},
    };
    for (const Case& c : cases) {
        DisplaySession d(10, 8);
        d.Field(8, 0);
        d.Field(48, 0);
        TakeWholeScreen(d.s.ps);
        if (c.attribute == 0xFF)
            d.s.ps.planes.attribute[c.at] = 0;
        else
            d.Field(c.at, c.attribute, c.colour);
        d.s.ps.MarkChanged(c.at);
        EXPECT_EQ(TakeChangedRowBands(d.s.ps), c.bands) << c.name;
        d.s.ps.MarkChanged(c.at);
        EXPECT_EQ(TakeChangedRowBands(d.s.ps), (std::vector<RowBand>{{c.at / 8, 2}}))
            << c.name << ": a second change with the same look is the cell's alone";
    }
}

}  // namespace
}  // namespace orkan
