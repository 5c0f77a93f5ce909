// Buffer address codes both ways, the wrap, field lookup and the text of a cell.
#include <gtest/gtest.h>

#include <array>

#include "ds3270/addressing.h"
#include "ds3270/fields.h"
#include "session/session.h"
#include "support/golden_file.h"
#include "support/hex.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

// What the encoder writes is decoded in EveryAddressOfEverySizeRoundTrips; these it never writes.
TEST(BufferAddress, DecodesBytesTheEncoderNeverWrites) {
    EXPECT_EQ(DecodeAddressBytes(0xFF, 0xEF), 0u);
    EXPECT_EQ(DecodeAddressBytes(0x3F, 0xFF), 16383u);
}

TEST(BufferAddress, EncodesTwelveBitUpTo4096PositionsAndFourteenBitAbove) {
    for (const test::TableRow& row : test::ReadTableRows("ds3270/data/encoded_addresses.tsv")) {
        const EncodedAddress e =
            EncodeBufferAddress(std::stoul(row.cells.at(0)), std::stoul(row.cells.at(1)));
        EXPECT_EQ(test::ToHex(std::array{e.b1, e.b2}), row.cells.at(2)) << row.where;
    }
}

TEST(BufferAddress, EveryAddressOfEverySizeRoundTrips) {
    for (uint32_t positions : {1920u, 2560u, 3440u, 3564u, 4096u, 4097u, 9920u, 16383u}) {
        for (uint32_t a = 0; a < positions; ++a) {
            const EncodedAddress e = EncodeBufferAddress(positions, a);
            ASSERT_EQ(DecodeAddressBytes(e.b1, e.b2), a) << positions;
        }
    }
}

TEST(FieldLookup, UnformattedScreenGivesMinusOneAndClearsTheCurrentAttribute) {
    PresentationSpace ps;
    ps.current_field_attribute = 0xE0;
    ps.current_field_highlight = 0x02;
    EXPECT_EQ(FindFieldAttribute(ps, 100), -1);
    EXPECT_EQ(ps.current_field_attribute, 0);
    EXPECT_EQ(ps.current_field_highlight, 0);
}

TEST(FieldLookup, SearchesBackwardsAcrossTheStartOfTheScreen) {
    PresentationSpace ps;
    ps.planes.attribute[1900] = 0xE0;
    ps.planes.highlight[1900] = 0x04;
    EXPECT_EQ(FindFieldAttribute(ps, 10), 1900);
    EXPECT_EQ(ps.current_field_attribute, 0xE0);
    EXPECT_EQ(ps.current_field_highlight, 0x04);
    ps.current_field_attribute = 0x11;
    EXPECT_EQ(FindFieldAttribute(ps, 1900), 1900);
    EXPECT_EQ(ps.current_field_attribute, 0x11);  // an attribute position leaves the current one alone
    EXPECT_EQ(GoverningAttribute(ps, 1899), 0xE0);
}

TEST(CellText, NullsNonDisplayAndGraphicEscape) {
    for (const test::TableRow& row : test::ReadTableRows("ds3270/data/cell_text.tsv")) {
        const auto byte = [&](size_t i) { return uint8_t(std::stoul(row.cells.at(i), nullptr, 16)); };
        EXPECT_EQ(CellText(byte(0), byte(1), byte(2)), byte(3)) << row.where;
    }
}

TEST(EraseScreen, TakesTheSizeOfItsModeAndRejectsDamagedSizes) {
    test::RecordingUi ui;
    auto s = std::make_unique<Session>(ui);
    s->record.SetNumber(field::TerminalModel, 3);
    EraseScreen(*s, 2);
    EXPECT_EQ(s->ps.positions, 132u * 27u);
    EraseScreen(*s, 1);
    EXPECT_EQ(s->ps.positions, 1920u);  // default size 0 x 0 means 24 x 80
    s->record.SetNumber(field::DefaultRows, 200);
    s->record.SetNumber(field::DefaultColumns, 200);
    s->ps.size_mode = 2;
    EraseScreen(*s, 1);
    EXPECT_EQ(s->ps.positions, 1920u);  // 40000 positions cannot be addressed
}

TEST(FieldCount, CountsInputFieldsAndVisibleTextAcrossWholeWordsAndTheTail) {
    struct Case {
        std::vector<std::pair<uint32_t, uint8_t>> attributes;  // address, attribute
        std::vector<std::pair<uint32_t, uint8_t>> characters;  // address, display character
        bool wang;
        uint32_t inputs;
        bool formatted, visible;
    };
    const Case cases[] = {
        {{}, {{0, 0x40}, {1913, 0x20}}, false, 0, false, false},
        {{}, {{1914, 0x41}}, false, 0, false, true},
        {{}, {{1915, 0x41}}, false, 0, false, false},  // beyond the screen
        {{}, {{5, 0x80}}, false, 0, false, true},
        {{{0, 0xC0}, {7, 0xE0}, {8, 0xC1}, {1914, 0xCC}}, {}, false, 3, true, false},
        {{{3, 0xE8}, {9, 0xF0}}, {}, false, 0, true, false},
        {{{3, 0xE8}, {9, 0xF0}, {1914, 0xE8}}, {}, true, 2, true, false},
    };
    test::RecordingUi ui;
    for (const Case& c : cases) {
        auto s = std::make_unique<Session>(ui);
        s->ps.positions = 1915;  // a tail of three cells after the last whole word
        s->settings.Wang = c.wang;
        for (auto [a, v] : c.attributes) {
            s->ps.planes.attribute[a] = v;
            s->ps.planes.highlight[a] = (v & 0x08) ? 0x08 : 0;
        }
        for (auto [a, v] : c.characters) s->ps.planes.display[a] = v;
        RefreshFieldCount(*s);
        EXPECT_EQ(s->ps.input_fields, c.inputs);
        EXPECT_EQ(s->ps.formatted, c.formatted);
        EXPECT_EQ(s->ps.has_visible_text, c.visible);
    }
}

}  // namespace
}  // namespace orkan
