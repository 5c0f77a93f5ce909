// The interface's pure parts: lines cut out of a stream, fields found by position and by label,
// and wait conditions tested against a painted screen.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "api/line_reader.h"
#include "api/screen_facts.h"
#include "api/wait_conditions.h"
#include "config/session_file.h"
#include "keyboard/keyboard.h"
#include "session/session.h"
#include "support/golden_file.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

TEST(ApiLineReader, CutsLinesAndSkipsOverlongOnesWhole) {
    struct Case {
        std::vector<std::string> chunks;
        std::vector<std::string> lines;
        int too_long;
    };
    const Case cases[] = {
        {{"a\nb", "c\r\n", "tail"}, {"a", "bc", "tail"}, 0},
        {{"0123456789ab", "cdef\nok\n"}, {"ok"}, 1},  // past the bound: skipped to its end, once
        {{"0123456789", "\n"}, {"0123456789"}, 0},    // exactly the bound
        {{"\n\n"}, {"", ""}, 0},
    };
    for (const Case& c : cases) {
        LineReader reader(10);
        std::vector<std::string> lines;
        int too_long = 0;
        auto line = [&](std::string_view l) { lines.emplace_back(l); };
        for (const std::string& chunk : c.chunks) reader.Feed(chunk, line, [&] { ++too_long; });
        reader.Finish(line);
        EXPECT_EQ(lines, c.lines) << c.chunks[0];
        EXPECT_EQ(too_long, c.too_long) << c.chunks[0];
    }
}

// A 24x80 screen: "Name" with its input field to the right on row 3, "Code" with its input field
// below it on row 6, a hidden field, and a field that runs from the last row into the first.
class PaintedScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        s.record = DefaultSessionRecord();
        s.status = SessionStatus::Unlocked;
        s.sender = &link;
        Field(2, 0, fa::Protected, "Name");
        Field(2, 8, 0, "ada");
        Field(2, 20, fa::Protected, "");
        Field(4, 40, fa::Protected, "Code");
        Field(5, 37, 0, "");
        Field(5, 50, fa::Protected | fa::NonDisplay, "secret");
        Field(23, 70, 0, "wrap");
        s.ps.planes.display[3] = 'x';  // in the wrapping field, on row 1
        s.ps.cursor_address = 2 * 80 + 9;
    }
    void Field(uint32_t row, uint32_t column, uint8_t bits, std::string_view text) {
        const uint32_t a = row * 80 + column;
        s.ps.planes.attribute[a] = fa::Present | bits;
        for (size_t i = 0; i < text.size(); ++i) s.ps.planes.display[a + 1 + i] = uint8_t(text[i]);
    }
    // A link to a host: the session is connected.
    struct Link : HostSender {
        void SendRecord(std::span<const uint8_t>, unsigned) override {}
        void SendRaw(std::span<const uint8_t>) override {}
    } link;
    test::RecordingUi ui;
    Session s{ui};
    Keyboard keyboard{s};
};

TEST_F(PaintedScreen, FieldsByPositionAndByLabel) {
    const std::vector<FieldFacts> fields = ListFields(s.ps);
    ASSERT_EQ(fields.back().attribute, 23u * 80 + 70);
    EXPECT_EQ(fields.back().length, 9u + 2 * 80);  // to the row-3 attribute, through address 0
    EXPECT_EQ(FieldHolding(s.ps, 5)->attribute, 23u * 80 + 70);
    EXPECT_EQ(FieldHolding(s.ps, 2 * 80 + 8)->attribute, 2u * 80 + 8);  // its attribute belongs to it

    for (const test::TableRow& row : test::ReadTableRows("api/data/labelled_fields.tsv")) {
        bool seen = false;
        const std::optional<FieldFacts> f = LabelledField(s.ps, row.cells.at(0), row.cells.at(1), seen);
        EXPECT_EQ(seen, row.cells.at(2) == "1") << row.where;
        EXPECT_EQ(f ? int(f->start) : -1, std::stoi(row.cells.at(3))) << row.where;
    }
}

TEST_F(PaintedScreen, ConditionsHoldAsTheScreenSays) {
    const WaitFacts facts{7, 100};
    for (const test::TableRow& row : test::ReadTableRows("api/data/wait_conditions.tsv")) {
        std::vector<WaitCondition> read;
        std::string error;
        ASSERT_TRUE(ReadConditions(Json::array({Json::parse(row.cells.at(0))}), read, error))
            << row.where << ": " << error;
        EXPECT_EQ(ConditionHolds(s, read[0], facts), row.cells.at(1) == "1") << row.where;
    }
    std::vector<WaitCondition> quiet;
    std::string error;
    ASSERT_TRUE(ReadConditions(Json::parse(R"([{"kind":"unlocked","quiet_ms":250}])"), quiet, error));
    EXPECT_EQ(QuietTimeLeft(s, quiet[0], facts), 150);
    // A keyboard locked by a print in a session without a host is no connection.
    s.sender = nullptr;
    s.status = SessionStatus::Locked;
    ASSERT_TRUE(ReadConditions(Json::parse(R"([{"kind":"disconnected"}])"), quiet, error));
    EXPECT_TRUE(ConditionHolds(s, quiet[0], facts));
}

TEST_F(PaintedScreen, EveryStatusChangeShowsInWhatTheStatusIsMadeOf) {
    // Status events go out only when these inputs change: a status member they miss would never
    // reach the client.
    const std::function<void(Session&)> changes[] = {
        [](Session& t) { t.status = SessionStatus::Locked; },
        [](Session& t) { t.keyboard->insert_mode = true; },
        [](Session& t) { t.link.tls_active = true; },
        [](Session& t) { t.link.tn3270e_active = true; },
        [](Session& t) { t.link.assigned_lu_name = "LU01"; },
    };
    const StatusInputs inputs = StatusInputsOf(s);
    const Json status = StatusJson(s);
    for (size_t i = 0; i < std::size(changes); ++i) {
        test::RecordingUi other_ui;
        Session t{other_ui};
        Keyboard other_keyboard{t};
        t.status = s.status;
        changes[i](t);
        ASSERT_NE(StatusJson(t), status) << "change " << i;
        EXPECT_NE(StatusInputsOf(t), inputs) << "change " << i;
    }
}

}  // namespace
}  // namespace orkan
