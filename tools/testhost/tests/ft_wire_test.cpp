// The transfer program's wire codecs: the decoders of DFT replies, and the screen-frame alphabet
// decoded the way a terminal decodes it (repeat orders included). The fields and frames the host
// sends, the terminal's start replies and acknowledgements, and the upload blocks it refuses, are
// checked byte for byte by the transcripts of ft_sessions.txt.
#include "ft_dft_codec.h"
#include "ft_frame_codec.h"
#include "ft_tables.h"
#include "helpers.h"

#include <map>

namespace testhost::ft {
namespace {

using test::H;
using test::ToHex;

TEST(DftReplies, DecodedOrRefused) {
    using K = DftReply::Kind;
    const std::map<std::string, K> kinds = {
        {"open_ack", K::OpenAck},         {"close_ack", K::CloseAck},
        {"insert_ack", K::InsertAck},     {"insert_negative", K::InsertNegative},
        {"get_negative", K::GetNegative}, {"get_data", K::GetData}};
    for (const auto& [line, c] : test::ReadRows("inbound.tsv", "dft")) {
        SCOPED_TRACE("inbound.tsv line " + std::to_string(line));
        DftReply r;
        std::string error;
        const bool ok = DecodeDftReply(H(c.at(0)), r, error);
        ASSERT_EQ(ok, c.at(1) != "refused") << error;
        if (!ok) {
            EXPECT_NE(error.find(c.at(2)), std::string::npos) << error;
            continue;
        }
        EXPECT_EQ(r.kind, kinds.at(c.at(1)));
        EXPECT_EQ(r.record, std::stoul(c.at(2), nullptr, 0));
        EXPECT_EQ(r.code, std::stoul(c.at(3), nullptr, 0));
        EXPECT_EQ(r.data_size, std::stoul(c.at(4)));
    }
}

TEST(DftReplies, DdmLimitsFromTheQueryReply) {
    for (const auto& [line, c] : test::ReadRows("inbound.tsv", "ddm")) {
        SCOPED_TRACE("inbound.tsv line " + std::to_string(line));
        std::optional<DdmLimits> limits;
        std::string error;
        ASSERT_EQ(FindDdmLimits(H(c.at(0)), limits, error), c.at(1) != "refused") << error;
        ASSERT_EQ(limits.has_value(), c.at(1) != "refused" && c.at(1) != "none");
        if (limits) {
            EXPECT_EQ(limits->inbound, std::stoul(c.at(1)));
            EXPECT_EQ(limits->outbound, std::stoul(c.at(2)));
        }
    }
}

// A terminal's decoding of screen-frame data, written from the protocol's description and not
// from the host's code: quadrant bytes select a table, 0x3C repeats a blank (host 0x40 shows as
// 0x20) up to an output length, 0x11 ends the data.
Bytes TerminalDecode(const Bytes& in) {
    Bytes out;
    int q = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const uint8_t c = in[i];
        if (c == 0x11) break;
        if (c == 0x5C || c == 0x5E || c == 0x7D || c == 0x7E) {
            q = c;
        } else if (c == 0x3C) {
            const int address = (in[i + 1] & 0x3F) << 6 | (in[i + 2] & 0x3F);
            EXPECT_EQ(in[i + 3], 0x40);
            while (static_cast<int>(out.size()) < address) out.push_back(0x20);
            i += 3;
        } else if (c >= 0x40 && q == 0x5E) {
            out.push_back(c);
        } else if (c >= 0x40 && q == 0x5C && c != 0xA9) {
            out.push_back(kFrameQuadrant5C[c - 0x40u]);
        } else if (c >= 0x40 && q == 0x7D) {
            out.push_back(kFrameQuadrant7D[c - 0x40u]);
        } else if (c >= 0x40 && q == 0x7E) {
            out.push_back(kFrameQuadrant7E[c - 0x40u]);
        }
    }
    return out;
}

// The frame rows of outbound.tsv, decoded again as a terminal decodes them.
TEST(Frames, EncodingFillsFramesAndRepeatsBlanks) {
    for (const auto& [line, c] : test::ReadRows("outbound.tsv", "frame")) {
        SCOPED_TRACE("outbound.tsv line " + std::to_string(line) + " " + c.at(0));
        const Bytes input = test::Wire(c.at(1));
        const bool repeat = c.at(2) == "repeat";
        Bytes encoded;
        const size_t taken = EncodeFrameData(input.data(), input.size(), repeat, encoded);
        EXPECT_EQ(taken, std::stoul(c.at(3)));
        EXPECT_LE(encoded.size(), kFrameCapacity);
        for (uint8_t b : encoded) EXPECT_TRUE(repeat || b >= 0x40) << "not displayable";
        EXPECT_EQ(ToHex(encoded).rfind(c.at(4), 0), 0u) << ToHex(encoded);
        const Bytes decoded = TerminalDecode(encoded);
        EXPECT_EQ(ToHex(decoded),
                  ToHex(Bytes(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(taken))));
    }
}

// Text transfers convert both ways, so the table must lose no byte.
TEST(Tables, AsciiConversionIsAPermutation) {
    for (int b = 0; b < 256; ++b) EXPECT_EQ(kAsciiToHost[kHostToAscii[static_cast<size_t>(b)]], b);
    // Lower case and digits, which no transcript's file holds.
    EXPECT_EQ(kHostToAscii[0x81], 'a');
    EXPECT_EQ(kHostToAscii[0xF0], '0');
}

}  // namespace
}  // namespace testhost::ft
