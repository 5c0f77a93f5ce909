// The screen-frame alphabet: encoded bytes in, file bytes out, and every byte back after a trip.
#include <gtest/gtest.h>

#include "support/golden_file.h"
#include "support/hex.h"
#include "transfer/frame_codec.h"

namespace orkan {
namespace {

using test::FromHex;
using test::ToHex;

std::string Decode(FrameDecoder& d, std::string_view hex) {
    std::vector<uint8_t> out;
    DecodeFrameData(d, FromHex(hex), out);
    return ToHex(out);
}

TEST(FrameCodec, EveryByteSurvivesEncodingAndDecodingInOneFrame) {
    std::vector<uint8_t> all;
    for (int i = 0; i < 256; ++i) all.push_back(uint8_t(i));
    for (int i = 255; i >= 0; i -= 3) all.push_back(uint8_t(i));  // quadrant changes in both directions
    FrameEncoder encoder;
    std::vector<uint8_t> encoded;
    for (uint8_t b : all) encoder.Encode(b, encoded);
    for (uint8_t b : encoded) EXPECT_TRUE(b >= 0x40) << int(b);  // displayable, never an order byte
    FrameDecoder decoder;
    std::vector<uint8_t> decoded;
    DecodeFrameData(decoder, encoded, decoded);
    EXPECT_EQ(decoded, all);
}

TEST(FrameCodec, DecodingGoldens) {
    std::array<uint8_t, 256> screen{};
    for (int i = 0; i < 256; ++i) screen[size_t(i)] = uint8_t(i);
    screen[0x5B] = '$';
    for (const test::TableRow& row : test::ReadTableRows("transfer/data/frame_decoding.tsv")) {
        FrameDecoder d;
        d.screen_table = screen.data();
        EXPECT_EQ(Decode(d, row.cells[0]), row.cells[1]) << row.where;
    }
}

TEST(FrameCodec, TheQuadrantCarriesOverFramesAndIsEmittedAgainInEachNewFrame) {
    FrameDecoder d;
    EXPECT_EQ(Decode(d, "7E C1"), "41");
    EXPECT_EQ(Decode(d, "C2"), "42");  // the next frame still decodes in the text quadrant

    std::vector<uint8_t> first, second;
    FrameEncoder one;
    one.Encode('A', first);
    one.Encode('B', first);
    FrameEncoder two;  // a new frame
    EXPECT_EQ(two.CostOf('C'), 2u);
    two.Encode('C', second);
    EXPECT_EQ(ToHex(first), "7EC1C2");
    EXPECT_EQ(ToHex(second), "7EC3");
}

}  // namespace
}  // namespace orkan
