// The host's model of the data stream: addresses, the orders it writes, the buffer those orders
// leave, screens rendered from scripts (golden bytes) and the decoders of what terminals send.
#include "ds.h"
#include "helpers.h"
#include "inbound.h"
#include "render.h"
#include "stream.h"

namespace testhost {
namespace {

using test::Cp037;
using test::H;
using test::ToHex;

TEST(Addresses, EncodeAndDecodeBothForms) {
    for (const auto& [line, c] : test::ReadRows("outbound.tsv", "address")) {
        const auto a = ds::EncodeAddress(std::stoi(c.at(0)), std::stoi(c.at(1)));
        EXPECT_EQ(ToHex(Bytes(a.begin(), a.end())), c.at(2)) << "outbound.tsv line " << line;
        EXPECT_EQ(ds::DecodeAddress(a[0], a[1]), std::stoi(c.at(0)));
    }
}

std::vector<std::string> Picture(const ds::Buffer& b) {
    std::vector<std::string> rows;
    for (int r = 0; r < b.rows(); ++r) {
        std::string line;
        for (int c = 0; c < b.cols(); ++c) {
            const ds::Cell& cell = b.at(r * b.cols() + c);
            line += cell.is_attr      ? "|"
                    : cell.ch == 0    ? "."
                    : cell.cs == 0xF1 ? "<" + ToHex(Bytes{cell.ch}) + ">"
                                      : Cp037().ToUtf8(cell.ch);
        }
        rows.push_back(line);
    }
    return rows;
}

// The cases of writes.txt: the buffer each write leaves and its cursor, or its refusal.
TEST(ApplyWrite, OrdersLeaveTheExpectedBuffer) {
    const std::vector<test::Line> lines = test::CaseLines("writes.txt");
    std::string name;
    ds::Buffer b(4, 10);
    bool ok = false;
    std::string error;
    size_t row = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i].text;
        SCOPED_TRACE("writes.txt line " + std::to_string(lines[i].number) + " (" + name + ")");
        if (line.starts_with("case ")) {
            name = line.substr(5);
            b = ds::Buffer(4, 10);
            error.clear();
            const Bytes rec = H(lines.at(++i).text);
            ok = ds::ApplyWrite(b, rec.data(), rec.size(), ds::Geometry{4, 10, 4, 10}, error);
            row = 0;
        } else if (line.starts_with("error ")) {
            EXPECT_FALSE(ok);
            EXPECT_NE(error.find(line.substr(6)), std::string::npos) << error;
        } else if (line.starts_with("| ")) {
            ASSERT_TRUE(ok) << error;
            const std::string want = line.substr(2);
            EXPECT_EQ(Picture(b)[row++].substr(0, want.size()), want);
        } else if (line.starts_with("text ")) {
            ASSERT_TRUE(ok) << error;
            const size_t blank = line.find(' ', 5);
            EXPECT_EQ(b.Text(Cp037()).at(std::stoul(line.substr(5, blank - 5))) + ".",
                      line.substr(blank + 1));
        } else if (line.starts_with("cursor ")) {
            ASSERT_TRUE(ok) << error;
            EXPECT_EQ(b.cursor, std::stoi(line.substr(7)));
        } else {
            FAIL() << "unknown line";
        }
    }
}

script::App ParseApp(const std::string& text) {
    script::App app;
    std::string error;
    EXPECT_TRUE(script::Parse(text, "t", Cp037(), app, error)) << error;
    return app;
}

TEST(RenderScreen, LayoutBecomesCompactOrders) {
    const auto app = ParseApp(test::TestFile("render.app"));
    RenderContext ctx;
    ctx.codec = &Cp037();
    ctx.geometry = ds::Geometry{24, 80, 24, 80};
    ctx.lookup = [](const std::string& n) -> std::optional<std::string> {
        if (n == "who") return std::string("Z");
        return std::nullopt;
    };
    Rendered r;
    std::string error;
    ASSERT_TRUE(RenderScreen(app, *app.Find("s"), ctx, r, error)) << error;
    // EW, WCC; row 1: SF prot "Id" SF input (blanks left null) SBA SF prot; row 3 likewise with
    // an SFE for the coloured non-display field and "Z  " for the variable; value; cursor.
    EXPECT_EQ(ToHex(r.record),
              "f5 c3 11 40 40 1d 60 c9 84 1d 40 11 40 c6 1d 60 "
              "11 c2 60 1d 60 d7 a6 29 02 c0 4c 42 f2 11 c2 e6 1d 60 e9 40 40 "
              "11 40 c4 c1 c2 11 40 c4 13");
    ASSERT_EQ(r.inputs.size(), 2u);
    EXPECT_EQ(r.inputs[0].name, "id");
    EXPECT_EQ(r.inputs[1].name, "pw");
    EXPECT_TRUE(r.inputs[1].nondisplay());
    EXPECT_EQ(r.buffer.cursor, 4);
}

// Negative positions count from the screen's end and ${rows} is its size; characters outside the
// code page are sent as question marks and noted; a screen larger than the terminal is an error.
TEST(RenderScreen, PositionsSizesAndWhatCannotBeSent) {
    const auto app = ParseApp(test::TestFile("render.app"));
    RenderContext ctx;
    ctx.codec = &Cp037();
    ctx.geometry = ds::Geometry{24, 80, 27, 132};
    ctx.lookup = [](const std::string&) -> std::optional<std::string> {
        return std::string("a\xe2\x82\xac\xc3\xa9");
    };
    Rendered r;
    std::string error;
    ASSERT_TRUE(RenderScreen(app, *app.Find("d"), ctx, r, error)) << error;
    EXPECT_EQ(r.buffer.rows(), 27);
    const int last = 27 * 132 - 1;
    EXPECT_TRUE(r.buffer.at(last - 2).is_attr);
    EXPECT_EQ(Cp037().ToUtf8(r.buffer.at(last - 1).ch) + Cp037().ToUtf8(r.buffer.at(last).ch), "27");
    ASSERT_EQ(r.inputs.size(), 1u);
    EXPECT_EQ(r.inputs[0].name, "x");
    EXPECT_EQ(r.inputs[0].attr_address, 0);

    ASSERT_TRUE(RenderScreen(app, *app.Find("v"), ctx, r, error)) << error;
    EXPECT_EQ(r.buffer.Text(Cp037())[0].substr(0, 6), "a?\xc3\xa9 |");
    EXPECT_NE(r.note.find("sent as '?'"), std::string::npos) << r.note;
    EXPECT_FALSE(RenderScreen(app, *app.Find("big"), ctx, r, error));
    EXPECT_NE(error.find("needs 43x80"), std::string::npos) << error;
}

TEST(Inbound, AidRecords) {
    for (const auto& [line, c] : test::ReadRows("inbound.tsv", "aid")) {
        SCOPED_TRACE("inbound.tsv line " + std::to_string(line));
        AidRecord r;
        std::string error;
        const Bytes in = H(c.at(0));
        ASSERT_EQ(DecodeAidRecord(in.data(), in.size(), r, error), c.at(1) != "refused") << error;
        if (c.at(1) == "refused") continue;
        EXPECT_EQ(r.aid, std::stoi(c.at(1), nullptr, 0));
        EXPECT_EQ(r.cursor.value_or(-1), std::stoi(c.at(2)));
        ASSERT_EQ(r.fields.size(), c.size() - 3);
        for (size_t i = 0; i < r.fields.size(); ++i) {
            const std::string& want = c.at(3 + i);
            EXPECT_EQ(r.fields[i].address, std::stoi(want));
            EXPECT_EQ(ToHex(r.fields[i].data), ToHex(H(want.substr(want.find(':') + 1))));
        }
    }
}

TEST(Inbound, ReadBufferInAllReplyModes) {
    for (const auto& [line, c] : test::ReadRows("inbound.tsv", "readbuffer")) {
        SCOPED_TRACE("inbound.tsv line " + std::to_string(line));
        ReadBufferReply rb;
        std::string error;
        const Bytes in = H(c.at(0));
        ASSERT_EQ(DecodeReadBuffer(in.data(), in.size(), 2, 5, rb, error), c.at(1) != "refused") << error;
        if (c.at(1) == "refused") continue;
        EXPECT_EQ(rb.positions, std::stoi(c.at(1)));
        EXPECT_EQ(Picture(rb.buffer).at(0), c.at(2));
    }
}

// The rows of inbound.tsv: Query Replies decoded (the usable area, the implicit partition's default
// and alternate rows, colours, highlights and reply modes) or refused.
TEST(Inbound, QueryReplies) {
    for (const auto& [line, c] : test::ReadRows("inbound.tsv", "query")) {
        SCOPED_TRACE("inbound.tsv line " + std::to_string(line));
        QueryReply q;
        std::string error;
        const Bytes in = H(c.at(0));
        ASSERT_EQ(DecodeQueryReply(in.data(), in.size(), q, error), c.at(1) != "refused") << error;
        EXPECT_EQ(error.empty(), c.at(1) != "refused") << "a refusal says why";
        if (c.at(1) == "refused") continue;
        EXPECT_EQ(std::to_string(q.codes.size()) + " codes, " + std::to_string(q.usable_rows) + "x" +
                      std::to_string(q.usable_cols) + ", " + std::to_string(q.default_rows) + "/" +
                      std::to_string(q.alt_rows) + " rows, " + std::to_string(q.colours) + " colours, " +
                      std::to_string(q.highlights) + " highlights, modes " + ToHex(q.reply_modes),
                  c.at(1));
    }
}

TEST(StreamScreens, FillTheScreenAndDifferFromEachOther) {
    const Bytes a = StreamScreen(0, 2, 24, 80, ds::kEraseWrite, true, Cp037());
    const Bytes b = StreamScreen(1, 2, 24, 80, ds::kEraseWrite, true, Cp037());
    EXPECT_NE(a, b);
    ds::Buffer buf(24, 80);
    std::string error;
    ASSERT_TRUE(ds::ApplyWrite(buf, b.data(), b.size(), ds::Geometry{}, error)) << error;
    EXPECT_GE(buf.Fields().size(), 150u);
    EXPECT_EQ(buf.Text(Cp037())[0].substr(1, 34), "ORKAN STREAM  SCREEN 000002 OF 000");
}

}  // namespace
}  // namespace testhost
