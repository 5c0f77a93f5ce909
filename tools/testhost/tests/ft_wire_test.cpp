// The transfer program's wire codecs: the decoders of what terminals answer, and the screen-frame
// alphabet decoded the way a terminal decodes it (repeat orders included). The fields and frames
// the host sends are checked byte for byte by the transcripts of ft_sessions.txt.
#include "ft_dft_codec.h"
#include "ft_frame_codec.h"
#include "ft_tables.h"
#include "ft_terminal.h"
#include "helpers.h"

#include <map>

namespace testhost::ft {
namespace {

using terminal::TerminalDecode;
using terminal::UploadReply;
using test::Cp037;
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

TEST(Frames, StartReplyAndAcknowledgement) {
    EXPECT_TRUE(IsFrameStartReply(H("7d d9 c5")));
    EXPECT_TRUE(IsFrameAck(H("7d 5d 7b 11 5d 7b")));
    EXPECT_FALSE(IsFrameAck(H("7d 5d 7b 11 5d 7b 40")));
}

Bytes Alternating(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = i % 2 ? 'A' : 0x00;
    return b;
}

Bytes EveryByte() {
    Bytes b(256);
    for (size_t i = 0; i < 256; ++i) b[i] = static_cast<uint8_t>(i);
    return b;
}

TEST(Frames, EncodingFillsFramesAndRepeatsBlanks) {
    struct Case {
        const char* name;
        Bytes input;
        bool repeat;
        size_t taken;        // input bytes one frame takes
        const char* prefix;  // the first encoded bytes
    };
    const Case cases[] = {
        {"quadrant_once_per_run", {'A', 'B', 0x00}, false, 3, "7e c1 c2 5c c1"},
        {"blank_run_repeats", Bytes{'x', ' ', ' ', ' ', ' ', ' ', 'y'}, true, 7, "7e a7 3c 40 c6 40 a8"},
        {"short_blank_run_is_spelled", Bytes{' ', ' ', ' ', ' ', 'z'}, true, 5, "7e 40 40 40 40 a9"},
        {"one_quadrant_byte_for_a_run", Bytes(2000, 0x00), false, kFrameCapacity - 1, "5c c1 c1"},
        {"quadrant_changes_fill_the_frame", Alternating(2000), false, kFrameCapacity / 2,
         "5c c1 7e c1 5c c1"},
        {"blanks_without_repeat", Bytes(10, ' '), false, 10, "7e 40 40"},
        {"a_long_run_stops_at_the_frame", Bytes(5000, ' '), true, kFrameCapacity, "3c"},
        {"every_byte_value", EveryByte(), false, 256, "5c c1 c2"},
    };
    for (const auto& c : cases) {
        Bytes encoded;
        const size_t taken = EncodeFrameData(c.input.data(), c.input.size(), c.repeat, encoded);
        EXPECT_EQ(taken, c.taken) << c.name;
        EXPECT_LE(encoded.size(), kFrameCapacity) << c.name;
        for (uint8_t b : encoded) EXPECT_TRUE(c.repeat || b >= 0x40) << c.name << ": not displayable";
        EXPECT_EQ(ToHex(encoded).rfind(c.prefix, 0), 0u) << c.name << ": " << ToHex(encoded);
        const Bytes decoded = TerminalDecode(encoded);
        EXPECT_EQ(ToHex(decoded),
                  ToHex(Bytes(c.input.begin(), c.input.begin() + static_cast<std::ptrdiff_t>(taken))))
            << c.name;
    }
}

TEST(Frames, UploadRepliesDecodedOrRefused) {
    const FrameAlphabet a = MakeFrameAlphabet(Cp037());
    EXPECT_EQ(ToHex(Bytes(a.begin(), a.begin() + 4)), "81 82 83 84");
    EXPECT_EQ(a[26], 0x50);  // '&'
    EXPECT_EQ(a[63], 0xf5);  // '5'
    Bytes hello;
    const Bytes text = {'H', 'i', 0x0D, 0x0A};
    EncodeFrameData(text.data(), text.size(), false, hello);
    Bytes big;
    const Bytes many(1000, 0x07);
    EncodeFrameData(many.data(), many.size(), false, big);
    Bytes bad_checksum = UploadReply(0x82, hello, a);
    bad_checksum[8] = a[(std::find(a.begin(), a.end(), bad_checksum[8]) - a.begin() + 1) % 64];
    Bytes bad_length = UploadReply(0x82, hello, a);
    bad_length.pop_back();
    struct Case {
        const char* name;
        Bytes reply;
        bool ok, eof;
        Bytes data;
        const char* error;
    };
    const Case cases[] = {
        {"data", UploadReply(0x82, hello, a), true, false, text, ""},
        {"two_length_characters", UploadReply(0x82, big, a), true, false, many, ""},
        {"end_of_file", H("7d 40 c4 11 40 c2 c1 82 e5 81 83 5c a9"), true, true, {}, ""},
        {"wrong_sequence", UploadReply(0x83, hello, a), false, false, {}, "sequence"},
        {"bad_checksum", bad_checksum, false, false, {}, "checksum"},
        {"bad_length", bad_length, false, false, {}, "length says"},
        {"not_an_upload", H("7d 5d 7b 11 5d 7b"), false, false, {}, "not an upload reply"},
        {"code_before_quadrant", UploadReply(0x82, H("c1"), a), false, false, {}, "before any quadrant"},
        {"repeat_order",
         UploadReply(0x82, H("7e 3c 40 c5 40"), a),
         false,
         false,
         {},
         "not in the frame alphabet"},
    };
    for (const auto& c : cases) {
        UploadBlock block;
        std::string error;
        const bool ok = DecodeUploadReply(c.reply, 0x82, a, block, error);
        ASSERT_EQ(ok, c.ok) << c.name << ": " << error;
        if (!ok) {
            EXPECT_NE(error.find(c.error), std::string::npos) << c.name << ": " << error;
            continue;
        }
        EXPECT_EQ(block.end_of_file, c.eof) << c.name;
        EXPECT_EQ(ToHex(block.data), ToHex(c.data)) << c.name;
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
