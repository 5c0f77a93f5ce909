// The widgets over a session: pixel-to-cell mapping, layout and font steps, repainting through
// the View, and the status line's text and symbols on screen.
#include <gtest/gtest.h>

#include "display/display_fixture.h"
#include "display/palette.h"
#include "gui/qt_view.h"
#include "gui/terminal_frame.h"
#include "gui_fixture.h"

namespace orkan {
namespace {

class WidgetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        frame = std::make_unique<TerminalFrame>(d.s);
        frame->resize(800, 600);
        frame->show();  // a hidden widget takes its size only when shown
        view = std::make_unique<QtView>(d.s, *frame);
        d.s.view = view.get();
    }

    test::DisplaySession d{24, 80};
    std::unique_ptr<TerminalFrame> frame;
    std::unique_ptr<QtView> view;
};

TEST_F(WidgetTest, FitsTheWindowAndMapsPixelsToCells) {
    EXPECT_EQ(frame->Cell(), (CellSize{10, 23}));
    const TerminalWidget& t = frame->Terminal();
    EXPECT_EQ(t.Origin(), QPoint(0, 11));
    EXPECT_EQ(frame->StatusBar().geometry(), QRect(0, 600 - 30, 800, 30));
    struct Case {
        uint32_t row, column;
    };
    for (const Case c : {Case{0, 0}, Case{5, 17}, Case{23, 79}}) {
        const QRect cell = t.CellRect(c.row, c.column);
        for (QPoint p : {cell.topLeft(), cell.bottomRight(), cell.center()}) {
            const std::optional<CellPosition> at = t.CellAt(p);
            ASSERT_TRUE(at.has_value());
            EXPECT_EQ(*at, (CellPosition{c.row, c.column}));
        }
    }
    EXPECT_FALSE(t.CellAt({5, 5}).has_value());  // above the screen
    EXPECT_EQ(t.NearestCell({-50, 5}), (CellPosition{0, 0}));
    EXPECT_EQ(t.NearestCell({5000, 5000}), (CellPosition{23, 79}));
}

TEST_F(WidgetTest, FontStepsAndTheSizeWindowFollows) {
    ASSERT_EQ(frame->StepFont(FontStep::Smaller), FontStepResult::Done);
    EXPECT_EQ(frame->Cell(), (CellSize{9, 22}));
    EXPECT_EQ(RememberedCell(d.s.record, 1), (CellSize{9, 22}));
    for (int i = 0; i < 4; ++i) ASSERT_EQ(frame->StepFont(FontStep::Narrower), FontStepResult::Done);
    EXPECT_EQ(frame->StepFont(FontStep::Narrower), FontStepResult::AtLimit);  // 4 is the minimum width
    EXPECT_EQ(frame->Cell().width, 5);

    // The window follows every step, the font fitted to it or not: a larger font never runs off
    // the window's edge, and the next resize finds the font the step made.
    QSize wanted;
    frame->on_size_wanted = [&](QSize s) { wanted = s; };
    ASSERT_EQ(frame->StepFont(FontStep::Wider), FontStepResult::Done);
    EXPECT_EQ(wanted, QSize(80 * 6, 24 * 22 + 22 + kStatusLineExtra));
    frame->resize(wanted);
    EXPECT_EQ(frame->Cell(), (CellSize{6, 22}));

    // A scalable face: the window takes the size a step asks for and the next fit finds the cell
    // the step made, so Larger then Smaller gives the cell back.
    d.s.record.SetNumber(field::TrueType, 1);
    frame->on_size_wanted = [&](QSize s) { frame->resize(s); };
    const CellSize start = frame->Cell();
    ASSERT_EQ(frame->StepFont(FontStep::Larger), FontStepResult::Done);
    EXPECT_EQ(frame->Cell(), (CellSize{start.width + 1, start.height + 1}));
    ASSERT_EQ(frame->StepFont(FontStep::Smaller), FontStepResult::Done);
    EXPECT_EQ(frame->Cell(), start);

    // No room on the display for a larger font: refused, nothing changes.
    frame->room = [] { return QSize(600, 500); };
    const CellSize before = frame->Cell();
    EXPECT_EQ(frame->StepFont(FontStep::Larger), FontStepResult::NoRoom);
    EXPECT_EQ(frame->Cell(), before);
}

TEST_F(WidgetTest, ModeSwitchKeepsTheFontOrTheWindow) {
    QSize wanted;
    frame->on_size_wanted = [&](QSize s) { wanted = s; };
    d.s.record.SetNumber(field::TerminalModel, 3);  // model 5: 27 x 132
    d.Resize(27, 132);
    d.s.ps.size_mode = 2;
    view->ScreenSizeChanged();  // the font stays: the window is asked to grow
    EXPECT_EQ(frame->Cell(), (CellSize{10, 23}));
    EXPECT_EQ(wanted, QSize(132 * 10, 27 * 23 + 23 + kStatusLineExtra));

    d.s.record.SetNumber(field::KeepFontConstantOnModeSwitch, 0);
    d.Resize(24, 80);
    view->ScreenSizeChanged();  // back to mode 1 and its own cell
    EXPECT_EQ(frame->Cell(), (CellSize{10, 23}));
    d.Resize(27, 132);
    d.s.ps.size_mode = 2;
    d.s.record.SetNumber(field::ModeCellWidth2, 0);
    view->ScreenSizeChanged();  // nothing kept for mode 2 and the window stays: a fit
    EXPECT_EQ(frame->Cell(), (CellSize{6, 21}));
}

TEST_F(WidgetTest, ViewRepaintsAndClearsTheChangeMap) {
    d.Text(5 * 80, "HELLO", 0x02);
    d.s.ps.MarkChanged(5 * 80);
    view->RepaintChangedRows();
    EXPECT_TRUE(std::all_of(d.s.ps.changed.begin(), d.s.ps.changed.end(), [](uint8_t b) { return b == 0; }));
    const QImage image = frame->grab().toImage();
    const QRect cell = frame->Terminal().CellRect(5, 1);
    EXPECT_TRUE(test::HasPixelNear(image, cell, QColor::fromRgb(0xF01818)));
}

// The status line's text and symbols are drawn, every pixel of them inside the frame with a clear
// pixel to spare, at the first-run size and smaller ones: before, the frame cut the last digit of
// the position, ran through the bottoms of the characters and the padlock stood out above it.
TEST_F(WidgetTest, StatusLineTextIsWholeAtEverySize) {
    const Palette palette = BuildPalette(d.s.record);
    const QColor ink = ToQColor(palette[RoleForegroundIndex(d.s.record, role::StatusLine)]);
    d.s.ps.cursor_address = 8 * 80 + 23;   // "9,24": the comma's tail must show
    d.s.indicators.capture_active = true;  // "C" in the first cell
    for (const bool secure : {false, true}) {
        d.s.link.tls_active = secure;
        d.s.status = SessionStatus::Locked;
        for (const QSize size : {QSize(800, 600), QSize(640, 400), QSize(480, 300)}) {
            frame->resize(size);
            view->RefreshStatusLine();
            StatusLineWidget& status = frame->StatusBar();
            // The text of every status is the status line's (tests/display); here it reaches the
            // widget: the connected mark, the locked keyboard and the cursor's position.
            const std::string text(status.Text().cells.begin(), status.Text().cells.end());
            EXPECT_EQ(text.substr(0, 2), "C\x92");
            EXPECT_EQ(text.substr(5, 10), "\x85 \x83\x84      ");
            EXPECT_TRUE(status.Text().IsSymbol(5));  // the inhibit symbol
            EXPECT_NE(text.find("9,24", 60), std::string::npos);
            EXPECT_EQ(status.TlsIndicatorRect().isEmpty(), !secure);
            const QImage image = status.grab().toImage();
            const StatusGeometry g = status.Geometry();
            const QRect inside = g.frame.adjusted(2, 2, -2, -2);
            int outside = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (test::Distance(test::Pixel(image, {x, y}), ink) <= 60 && !inside.contains(x, y))
                        ++outside;
            EXPECT_EQ(outside, 0) << size.width() << "x" << size.height() << (secure ? " secure" : "");
            // "C", the inhibit symbol, the position "9,24" that ends at cell C-2 and the padlock
            // (cell 2) are drawn.
            const QColor paper = ToQColor(palette[RoleBackgroundIndex(d.s.record, role::StatusLine)]);
            const auto drawn = [&](size_t cell) {
                const QRect r = g.CellRect(cell);
                for (int y = r.top(); y <= r.bottom(); ++y)
                    for (int x = r.left(); x <= r.right(); ++x)
                        if (test::Distance(test::Pixel(image, {x, y}), paper) > 150) return true;
                return false;
            };
            for (size_t cell : {size_t(0), size_t(5), size_t(78), size_t(2)})
                EXPECT_TRUE(drawn(cell)) << cell << " at " << size.width();
        }
    }
    d.s.ps.cursor_address = 2 * 80 + 9;  // the position follows the cursor
    view->CursorMoved();
    const StatusText& t = frame->StatusBar().Text();
    EXPECT_NE(std::string(t.cells.begin(), t.cells.end()).find("3,10", 60), std::string::npos);
}

TEST_F(WidgetTest, BlinkTimerDrivesTheCycle) {
    int cycles = 0;
    for (int i = 0; i < 12; ++i) cycles += view->OnBlinkTimer().cycle_completed;
    EXPECT_EQ(cycles, 2);
}

}  // namespace
}  // namespace orkan
