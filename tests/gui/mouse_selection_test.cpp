// The left button over the screen: the move threshold before a selection starts, modifiers that
// keep a selection, dragging a selection (kept on the screen), and the copy after the release.
#include <gtest/gtest.h>

#include "gui/mouse_selection.h"

namespace orkan {
namespace {

// A release ends a selection made only when the pointer drew one: a plain click makes none (what a
// macro recording writes depends on it).
TEST(MouseSelectionTest, SelectionStartsAfterTheThreshold) {
    struct Case {
        uint32_t threshold;
        MouseCell to;
        bool shown;
        bool line_mode = false;
    };
    const Case cases[] = {
        {1, {5, 10}, false},  // still on the anchor cell: a click
        {1, {5, 11}, true},        {2, {6, 11}, false}, {2, {7, 10}, true},
        {2, {5, 8}, true},         {0, {5, 10}, true},  // no threshold: any move starts it
        {1, {8, 30}, false, true},                      // no selections on a line-mode screen
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.threshold << " to " << c.to.row << "," << c.to.column);
        MouseSelection m;
        Selection s;
        MouseOptions o;
        o.move_threshold = c.threshold;
        o.line_mode = c.line_mode;
        m.Press(s, {5, 10}, {}, o);
        m.Move(s, c.to, o);
        EXPECT_EQ(s.shown, c.shown);
        if (c.shown) {
            EXPECT_EQ(s.anchor_row, 5u);
            EXPECT_EQ(s.anchor_column, 10u);
            EXPECT_EQ(s.end_row, c.to.row);
            EXPECT_EQ(s.end_column, c.to.column);
        }
        EXPECT_EQ(m.Release(s, c.to, {}, o).selection_made, c.shown);
        EXPECT_EQ(s.shown, c.shown);
    }
}

TEST(MouseSelectionTest, ClickRemovesASelectionUnlessAModifierIsHeld) {
    for (const MouseModifiers mods :
         {MouseModifiers{}, MouseModifiers{true, false, false}, MouseModifiers{false, true, false},
          MouseModifiers{false, false, true}}) {
        MouseSelection m;
        Selection s{true, 1, 1, 2, 5};
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
    Selection s{true, 2, 10, 4, 19};  // 3 x 10
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
    EXPECT_FALSE(r.selection_made) << "a drag moves text; it draws no selection";
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
        Selection t{true, 2, 10, 4, 19};
        MouseSelection n;
        n.Press(t, {3, 12}, {}, plain);
        EXPECT_FALSE(n.Dragging());
        EXPECT_FALSE(t.shown);
    }
}

}  // namespace
}  // namespace orkan
