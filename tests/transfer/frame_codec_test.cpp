// The screen-frame alphabet: encoded bytes in, file bytes out, and every byte back after a trip.
#include <gtest/gtest.h>

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
    struct Case {
        const char* name;
        const char* encoded;
        const char* bytes;
    };
    const Case cases[] = {
        {"nothing before a quadrant", "C1 C2 7E C1", "41"},
        {"text quadrant: letters, digits, blank", "7E C1 81 F0 40", "41613020"},
        {"controls quadrant; A9 is padding", "5C C1 A9 D5 4C", "000D1A"},
        {"upper quadrant", "7D F1 4C", "21BA"},
        {"plain quadrant passes bytes", "5E 81 F9", "81F9"},
        {"SBA ends the data", "7E C1 11 C2", "41"},
        {"bytes below 40 that are not orders give nothing", "7E C1 05 C2", "4142"},
        // Repeat to address 5 (12-bit code 40 C5) of host 5B: the screen table shows it as '$'.
        {"repeat to an address", "7E C1 3C 40 C5 5B C2",
         "4124242424"
         "42"},
        {"repeat cut off by the frame's end", "7E C1 3C 40", "41"},
        {"repeat to an address already passed", "7E C1 C2 C3 3C 40 C1 5B", "414243"},
    };
    std::array<uint8_t, 256> screen{};
    for (int i = 0; i < 256; ++i) screen[size_t(i)] = uint8_t(i);
    screen[0x5B] = '$';
    for (const Case& c : cases) {
        FrameDecoder d;
        d.screen_table = screen.data();
        EXPECT_EQ(Decode(d, c.encoded), test::ToHex(FromHex(c.bytes))) << c.name;
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
