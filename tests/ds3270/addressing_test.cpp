// Buffer address codes both ways, the wrap, field lookup and the text of a cell.
#include <gtest/gtest.h>

#include <array>
#include <sstream>

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

// An unformatted screen has no field (and no current attribute); a formatted one is searched
// backwards across its start.
TEST(FieldLookup, NoneOnAnUnformattedScreenBackwardsAcrossTheStartOnAFormattedOne) {
    PresentationSpace ps;
    ps.current_field_attribute = 0xE0;
    ps.current_field_highlight = 0x02;
    EXPECT_EQ(FindFieldAttribute(ps, 100), -1);
    EXPECT_EQ(ps.current_field_attribute, 0);
    EXPECT_EQ(ps.current_field_highlight, 0);

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
    test::RecordingUi ui;
    for (const test::TableRow& row : test::ReadTableRows("ds3270/data/field_count.tsv")) {
        auto s = std::make_unique<Session>(ui);
        s->ps.positions = 1915;
        s->settings.Wang = row.cells.at(2) == "1";
        for (size_t column : {0, 1}) {
            std::istringstream cells(row.cells.at(column));
            uint32_t a = 0;
            for (std::string v; cells >> a && cells.ignore() >> v;) {
                const uint8_t value = uint8_t(std::stoul(v, nullptr, 16));
                (column == 0 ? s->ps.planes.attribute : s->ps.planes.display)[a] = value;
                if (column == 0) s->ps.planes.highlight[a] = value & 0x08;
            }
        }
        RefreshFieldCount(*s);
        EXPECT_EQ(std::to_string(s->ps.input_fields) + " " + std::to_string(s->ps.formatted) + " " +
                      std::to_string(s->ps.has_visible_text),
                  row.cells.at(3) + " " + row.cells.at(4) + " " + row.cells.at(5))
            << row.where;
    }
}

}  // namespace
}  // namespace orkan
