// The left button over the screen: the move threshold before a selection starts, modifiers that
// keep a selection, dragging a selection (kept on the screen), and the copy after the release.
#include <gtest/gtest.h>

#include "gui/mouse_selection.h"

namespace orkan {
namespace {

Selection Shown(uint32_t r1, uint32_t c1, uint32_t r2, uint32_t c2) {
    Selection s;
    s.shown = true;
    s.anchor_row = r1;
    s.anchor_column = c1;
    s.end_row = r2;
    s.end_column = c2;
    return s;
}

TEST(MouseSelectionTest, SelectionStartsAfterTheThreshold) {
    struct Case {
        uint32_t threshold;
        MouseCell to;
        bool shown;
    };
    const Case cases[] = {
        {1, {5, 10}, false},  // still on the anchor cell
        {1, {5, 11}, true},  {2, {6, 11}, false}, {2, {7, 10}, true},
        {2, {5, 8}, true},   {0, {5, 10}, true},  // no threshold: any move starts it
    };
    for (const Case& c : cases) {
        MouseSelection m;
        Selection s;
        MouseOptions o;
        o.move_threshold = c.threshold;
        m.Press(s, {5, 10}, {}, o);
        m.Move(s, c.to, o);
        EXPECT_EQ(s.shown, c.shown) << c.threshold << " to " << c.to.row << "," << c.to.column;
        if (c.shown) {
            EXPECT_EQ(s.anchor_row, 5u);
            EXPECT_EQ(s.anchor_column, 10u);
            EXPECT_EQ(s.end_row, c.to.row);
            EXPECT_EQ(s.end_column, c.to.column);
        }
    }
}

TEST(MouseSelectionTest, ClickRemovesASelectionUnlessAModifierIsHeld) {
    for (const MouseModifiers mods :
         {MouseModifiers{}, MouseModifiers{true, false, false}, MouseModifiers{false, true, false},
          MouseModifiers{false, false, true}}) {
        MouseSelection m;
        Selection s = Shown(1, 1, 2, 5);
        MouseOptions o;
        m.Press(s, {10, 10}, mods, o);
        m.Release(s, {10, 10}, mods, o);
        EXPECT_EQ(s.shown, mods.Any());
    }
}

TEST(MouseSelectionTest, AutoCopyOnReleaseOnlyWithTheOptionAndTheClipboard) {
    struct Case {
        bool auto_copy, clipboard, ctrl;
        std::optional<bool> expected;  // false Copy, true Cut
    };
    for (const Case& c : {Case{true, true, false, false}, Case{true, true, true, true},
                          Case{false, true, false, {}}, Case{true, false, false, {}}}) {
        MouseSelection m;
        Selection s;
        MouseOptions o;
        o.auto_copy = c.auto_copy;
        o.clipboard = c.clipboard;
        m.Press(s, {0, 0}, {}, o);
        m.Move(s, {2, 3}, o);
        const MouseResult r = m.Release(s, {2, 3}, {false, c.ctrl, false}, o);
        EXPECT_EQ(r.auto_copy, c.expected);
    }
}

TEST(MouseSelectionTest, DraggingMovesTheRectangleAndDropsIt) {
    MouseOptions o;
    o.clipboard = true;
    o.rows = 24;
    o.columns = 80;
    MouseSelection m;
    Selection s = Shown(2, 10, 4, 19);  // 3 x 10
    m.Press(s, {3, 12}, {}, o);
    EXPECT_TRUE(m.Dragging());
    m.Move(s, {10, 20}, o);
    EXPECT_EQ(s.Top(), 9u);
    EXPECT_EQ(s.Left(), 18u);
    m.Move(s, {23, 79}, o);  // held whole on the screen
    EXPECT_EQ(s.Bottom(), 23u);
    EXPECT_EQ(s.Right(), 79u);
    EXPECT_EQ(s.Height(), 3u);
    const MouseResult r = m.Release(s, {23, 79}, {true, true, false}, o);
    ASSERT_TRUE(r.drop.has_value());
    EXPECT_EQ(r.drop->to, (MouseCell{21, 70}));
    EXPECT_TRUE(r.drop->copy);
    EXPECT_TRUE(r.drop->insert);
    EXPECT_EQ(r.drop->from.Top(), 2u);
    EXPECT_EQ(s.Top(), 2u) << "the selection is back where it was until the paste moves the text";

    // Without drag and drop, or the clipboard, a press inside starts a new selection instead.
    for (const bool dnd : {false, true}) {
        MouseOptions plain = o;
        plain.drag_and_drop = dnd;
        plain.clipboard = !dnd;
        Selection t = Shown(2, 10, 4, 19);
        MouseSelection n;
        n.Press(t, {3, 12}, {}, plain);
        EXPECT_FALSE(n.Dragging());
        EXPECT_FALSE(t.shown);
    }
}

TEST(MouseSelectionTest, NothingOnALineModeScreen) {
    MouseOptions o;
    o.line_mode = true;
    MouseSelection m;
    Selection s;
    m.Press(s, {1, 1}, {}, o);
    m.Move(s, {5, 5}, o);
    m.Release(s, {5, 5}, {}, o);
    EXPECT_FALSE(s.shown);
}

}  // namespace
}  // namespace orkan
