// A known screen painted into an image: the colours of chosen cells and of the cursor cell.
#include <gtest/gtest.h>

#include <QPainter>

#include "display/display_fixture.h"
#include "display/palette.h"
#include "gui/terminal_painter.h"
#include "gui_fixture.h"

namespace orkan {
namespace {

using test::AllPixels;
using test::HasPixelNear;
using test::Pixel;

constexpr CellSize kCell{10, 20};
constexpr QPoint kOrigin{4, 6};

// Row 0: blue, red, reversed yellow and underscored white fields; row 1: a non-display field;
// row 2: blinking text and a graphic-escape box character; the cursor at row 3, column 5. Which
// colours a cell resolves to is the display tests' (cell_looks.tsv, RunColoursExchangeForReverseAndFind,
// Cursor.ColourModes): here the painter draws them.
class RenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        d.Field(0, fa::Protected, 0x01);
        d.Text(1, "BLUE");
        d.Field(5, 0, 0x02);
        d.Text(6, "RED");
        d.Field(10, 0, 0x06, hl::Reverse);
        d.Text(11, "REV");
        d.Field(15, 0, 0x07, hl::Underscore);
        d.Text(16, "UND");
        d.Field(20, fa::NonDisplay, 0x05);
        d.Text(21, "SECRET");
        d.Field(39, 0);
        d.Text(41, "BLINK", 0, hl::Blink);
        d.Text(52, "\xC5", 0, 0, kGraphicEscapeSet);  // a box corner
        d.s.ps.cursor_address = 3 * 20 + 5;
        d.s.record.SetNumber(field::NormalCursor, 0);
        d.s.record.SetNumber(field::NormalCursorSize, 6);
        d.s.record.SetNumber(field::CursorColor, 0);
        palette = BuildPalette(d.s.record);
    }

    QImage Paint(const PaintFrame& frame = {}) {
        QImage image(240, 100, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter p(&image);
        TerminalPainter painter(d.s, fonts, kOrigin);
        painter.Paint(p, image.rect(), frame);
        return image;
    }
    QRect Cell(uint32_t row, uint32_t column) const {
        return {kOrigin.x() + int(column) * kCell.width, kOrigin.y() + int(row) * kCell.height, kCell.width,
                kCell.height};
    }
    QColor Colour(int index) const { return ToQColor(palette[size_t(index)]); }

    test::DisplaySession d{4, 20};
    TerminalFonts fonts{"IBM 3270", "IBM 3270", kCell};
    Palette palette{};
};

TEST_F(RenderTest, CellColours) {
    const QImage image = Paint();
    struct Case {
        const char* name;
        uint32_t row, column;
        int background;  // palette index at the cell's corner
        int text;        // palette index some text pixel is close to, -1: the cells are all background
        uint32_t columns = 1;
    };
    const Case cases[] = {
        {"blue field", 0, 1, 0, 1},
        {"reversed yellow field", 0, 11, 6, 0},
        {"graphic-escape box corner in the default colour", 2, 12, 0, 4},
        {"non-display field", 1, 1, 0, -1, 6},
    };
    for (const Case& c : cases) {
        const QRect cell = Cell(c.row, c.column).united(Cell(c.row, c.column + c.columns - 1));
        EXPECT_EQ(Pixel(image, cell.topLeft()), Colour(c.background)) << c.name;
        if (c.text >= 0) {
            EXPECT_TRUE(HasPixelNear(image, cell, Colour(c.text))) << c.name;
        } else {
            EXPECT_TRUE(AllPixels(image, cell, Colour(c.background))) << c.name;
        }
    }
    // Outside the screen: the default text's background.
    EXPECT_EQ(Pixel(image, {1, 1}), Colour(0));
    const QRect und = Cell(0, 16);
    const int y = und.top() + fonts.UnderlineY();
    EXPECT_TRUE(AllPixels(image, QRect(und.left(), y, und.width(), fonts.LineThickness()), Colour(7)));
}

TEST_F(RenderTest, BlinkHistoryAndDisplayByField) {
    PaintFrame off;
    off.blink_text_off = true;
    EXPECT_TRUE(AllPixels(Paint(off), Cell(2, 1), Colour(0)));
    EXPECT_TRUE(HasPixelNear(Paint(), Cell(2, 1), Colour(4)));

    d.s.status = SessionStatus::History;
    EXPECT_EQ(Pixel(Paint(), Cell(0, 1).topLeft()), Colour(kHistoryBackgroundIndex));
    d.s.status = SessionStatus::Unlocked;

    d.s.ps.planes.colour[5] = 0x32;  // red on pink
    EXPECT_TRUE(AllPixels(Paint(), Cell(0, 5), Colour(3)));
    d.s.settings.DisplayByField = 1;
    EXPECT_TRUE(AllPixels(Paint(), Cell(0, 5), Colour(0)));
}

TEST_F(RenderTest, CursorCell) {
    struct Case {
        const char* name;
        uint8_t colour_mode;
        bool active, shown;
        QColor corner;
    };
    const QColor black(0, 0, 0), white(255, 255, 255);
    const Case cases[] = {
        {"inverted", 0, true, true, white},
        {"cell colour", 1, true, true, QColor::fromRgb(0x24D830)},  // the default green
        {"black behind white", 4, true, true, black},
        {"exclusive or with role 25 (white)", 5, true, true, white},
        {"blinked off", 0, true, false, black},
        // Without the focus: a steady outline of the cell, whatever the blink, its inside clear.
        {"inactive window", 0, false, true, white},
        {"inactive window, blinked off", 0, false, false, white},
    };
    for (const Case& c : cases) {
        d.s.record.SetNumber(field::CursorColor, c.colour_mode);
        PaintFrame frame;
        frame.window_active = c.active;
        frame.cursor_shown = c.shown;
        const QImage image = Paint(frame);
        EXPECT_EQ(Pixel(image, Cell(3, 5).topLeft()), c.corner) << c.name;
        EXPECT_EQ(Pixel(image, Cell(3, 6).topLeft()), black) << c.name;  // the next cell is untouched
        if (!c.active) {
            EXPECT_EQ(Pixel(image, Cell(3, 5).bottomRight()), white) << c.name;
            EXPECT_EQ(Pixel(image, Cell(3, 5).center()), black) << c.name;
        }
    }
}

TEST_F(RenderTest, CursorOnUnderscoreStandsAboveIt) {
    d.s.ps.cursor_address = 16;  // the "U" of the underscored white field
    PaintFrame hidden;
    hidden.cursor_shown = false;
    const QImage plain = Paint(hidden);
    const QRect cell = Cell(0, 16);
    const QRect underscore(cell.left(), cell.top() + fonts.UnderlineY(), cell.width(), fonts.LineThickness());
    struct Case {
        uint8_t size, colour_mode;
    };
    for (const Case c : {Case{0, 0}, Case{2, 0}, Case{2, 3}, Case{3, 5}}) {
        d.s.record.SetNumber(field::NormalCursorSize, c.size);
        d.s.record.SetNumber(field::CursorColor, c.colour_mode);
        const QImage image = Paint();
        const std::string name = std::to_string(c.size) + "/" + std::to_string(c.colour_mode);
        EXPECT_TRUE(AllPixels(image, underscore, Colour(7))) << name;
        bool changed = false;
        for (int y = cell.top(); y < underscore.top(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                changed |= Pixel(image, {x, y}) != Pixel(plain, {x, y});
        EXPECT_TRUE(changed) << name;
    }
}

TEST_F(RenderTest, RulersSelectionAndLocator) {
    d.s.record.SetNumber(field::Ruler, 3);
    d.s.record.SetNumber(field::NormalCursorSize, 0);
    d.s.selection = {true, 0, 10, 1, 12};
    PaintFrame frame;
    frame.locator_growth = 4;
    const QImage image = Paint(frame);
    const QColor ruler = Colour(RoleForegroundIndex(d.s.record, role::HorizontalRuler));
    const QRect cursor = Cell(3, 5);
    EXPECT_EQ(Pixel(image, {Cell(3, 0).left(), cursor.bottom()}), ruler);  // across the row
    EXPECT_EQ(Pixel(image, {cursor.left(), Cell(1, 5).top()}), ruler);     // down the column
    // The selection's outline is inverted: black becomes white, yellow becomes blue.
    const QRect sel = Cell(0, 10).united(Cell(1, 12));
    EXPECT_EQ(Pixel(image, sel.bottomLeft()), QColor(255, 255, 255));
    EXPECT_EQ(Pixel(image, {sel.left() + 15, sel.top()}), QColor(0, 0, 255));
    // The locator's frame is 4 pixels out from the cursor cell.
    EXPECT_EQ(Pixel(image, cursor.topLeft() - QPoint(4, 4)), QColor(255, 255, 255));
}

}  // namespace
}  // namespace orkan
