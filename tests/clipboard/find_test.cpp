// Find: matches marked in the highlight plane, whole words and case, the history, the dialog's
// OK and Cancel, and the find that follows each new host screen.
#include <gtest/gtest.h>

#include "clipboard/clipboard_state.h"
#include "clipboard/find.h"
#include "keyboard/keyboard_harness.h"
#include "keyboard/keyboard_state.h"

namespace orkan {
namespace {

// "^" under each marked cell of row 0.
std::string Marks(const Session& s) {
    std::string m;
    for (uint32_t c = 0; c < s.ps.columns; ++c) m += (s.ps.planes.highlight[c] & hl::FindMark) ? '^' : ' ';
    m.erase(m.find_last_not_of(' ') + 1);
    return m;
}

struct FindCase {
    const char* name;
    const char* row;  // 12 columns, unformatted
    const char* text;
    uint8_t options;
    bool ran;
    const char* marks;
};

TEST(FindTest, MarksEveryMatchWithoutOverlap) {
    using namespace find_option;
    const FindCase cases[] = {
        {"two matches side by side", "abab", "ab", 0, true, "^^^^"},
        {"matches never overlap", "aaa", "aa", 0, true, "^^"},
        {"case ignored", "Hello hELLO", "hello", 0, true, "^^^^^ ^^^^^"},
        {"match case", "Hello hello", "hello", MatchCase, true, "      ^^^^^"},
        {"whole word: a digit follows", "PF3=END", "PF", WholeWords, true, ""},
        {"whole word: a blank follows", "PF =END", "PF", WholeWords, true, "^^"},
        {"whole word at the row's end", "key PF", "PF", WholeWords, true, "    ^^"},
        {"without whole words inside a word", "PF3=END", "PF", 0, true, "^^"},
        {"a text as long as the row finds nothing", "abcdefghijkl", "abcdefghijkl", 0, false, ""},
        {"an empty text finds nothing", "abc", "", 0, false, ""},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::KeyboardSession k(2, 12);
        k.Write({c.row});
        k.session.ps.planes.highlight[11] |= hl::FindMark;  // an earlier mark that must go
        EXPECT_EQ(FindAndMark(k.session, c.text, c.options), c.ran);
        EXPECT_EQ(Marks(k.session), c.marks);
    }
}

TEST(FindTest, MatchesStayInOneRowAndHiddenTextIsNotFound) {
    test::KeyboardSession k(2, 12);
    k.Write({"|xx[secret.ab", "c..........."});
    k.session.ps.planes.attribute[3] |= fa::NonDisplay;
    EXPECT_TRUE(FindAndMark(k.session, "secret", 0));
    EXPECT_EQ(Marks(k.session), "");
    EXPECT_TRUE(FindAndMark(k.session, "abc", 0));
    EXPECT_EQ(Marks(k.session), "");
}

TEST(FindTest, HistoryKeepsTwentyTextsMostRecentFirst) {
    test::KeyboardSession k;
    ClipboardState& clip = k.clipboard.state();
    for (int i = 0; i < 21; ++i) ASSERT_TRUE(RecordFindText(clip, "t" + std::to_string(i)));
    EXPECT_EQ(clip.find_history.front(), "t20");
    EXPECT_EQ(clip.find_history.back(), "t1");
    // A text already there changes places with the first entry.
    ASSERT_TRUE(RecordFindText(clip, "t5"));
    EXPECT_EQ(clip.find_history[0], "t5");
    EXPECT_EQ(clip.find_history[15], "t20");
    EXPECT_FALSE(RecordFindText(clip, std::string(41, 'x')));
    EXPECT_FALSE(RecordFindText(clip, ""));
}

TEST(FindTest, DialogOkFindsCancelStopsButRemembers) {
    test::KeyboardSession k(2, 12);
    k.Write({"abc abc"});
    Session& s = k.session;
    ClipboardState& clip = k.clipboard.state();
    FinishFindDialog(s, clip, {true, "abc", find_option::EveryScreen});
    EXPECT_EQ(Marks(s), "^^^ ^^^");
    EXPECT_EQ(clip.active_find, find_option::EveryScreen);
    EXPECT_EQ(s.record.Number(field::FindOptions), find_option::EveryScreen);
    FinishFindDialog(s, clip, {false, "bc", find_option::EveryScreen});
    EXPECT_EQ(Marks(s), "");
    EXPECT_EQ(clip.active_find, 0);
    EXPECT_EQ(clip.find_history.front(), "bc");
    // Without an active find a new screen gets no marks.
    k.Write({"bc"});
    EXPECT_EQ(Marks(s), "");
    // Find Repeat takes the latest text.
    k.Type("{FindRepeat}");
    EXPECT_EQ(Marks(s), "^^");
    k.Type("{FindClear}");
    EXPECT_EQ(Marks(s), "");
    // Cancel with a text too long for the history stops finding again as well.
    FinishFindDialog(s, clip, {true, "abc", find_option::EveryScreen});
    FinishFindDialog(s, clip, {false, std::string(41, 'a'), find_option::EveryScreen});
    EXPECT_EQ(clip.active_find, 0);
}

TEST(FindTest, FindingAgainAfterAHostScreenKeepsTheTypeAheadQueue) {
    test::KeyboardSession k(2, 12);
    Session& s = k.session;
    ClipboardState& clip = k.clipboard.state();
    s.record.SetNumber(field::TypeAhead, 1);
    k.Write({"[..........."}, 0, 1);
    FinishFindDialog(s, clip, {true, "ok", find_option::EveryScreen});
    k.Type("{Enter}ok");  // typed while the host has the keyboard locked
    ASSERT_EQ(s.keyboard->type_ahead.Size(), 2u);
    // The find runs before the replay: had it gone through key admission, the queue would be empty.
    k.Write({"[..........."}, 0, 1);
    EXPECT_EQ(k.Screen()[0], "{ok.........");
    k.Write({"|ok........."}, 0, 0);
    EXPECT_EQ(Marks(s), " ^^");
}

}  // namespace
}  // namespace orkan
