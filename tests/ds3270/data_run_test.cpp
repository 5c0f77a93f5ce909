// Data runs of every length against the cells beside them: the word stores of short runs must
// touch exactly the run's cells in every plane.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "ds3270/addressing.h"
#include "ds3270/write_processor.h"
#include "support/ds3270_harness.h"

namespace orkan {
namespace {

using test::Harness;

// A cell in every plane: display, colour, highlight, character set, host byte, attribute.
std::array<uint8_t, 6> CellOf(const Planes& p, uint32_t a) {
    return {p.display[a], p.colour[a], p.highlight[a], p.charset[a], p.host[a], p.attribute[a]};
}

// Runs of every length a word store handles differently, in the middle of the screen and
// wrapping at its end, over a screen filled with another character, colour and highlight: the
// run's cells take the data and the current SA values, no cell beside it changes.
TEST(DataRun, EveryLengthStoresExactlyItsCells) {
    for (uint32_t n = 1; n <= 20; ++n) {
        for (const uint32_t start : {3u, 80 - (n + 1) / 2}) {
            Harness h(4, 20);
            h.Host("F5C3 2842F2 2841F1 3C4040 E7");  // X everywhere, colour and blink
            Session& s = *h.session;
            const Planes before = s.ps.planes;
            s.ps.changed.fill(0);
            const EncodedAddress at = EncodeBufferAddress(s.ps, start);
            std::vector<uint8_t> record = {0xF1, 0xC3, 0x11, at.b1, at.b2, 0x28, 0x41, 0xF4};
            for (uint32_t i = 0; i < n; ++i) record.push_back(uint8_t(0xC1 + i % 9));
            ProcessHostRecord(s, record);
            for (uint32_t a = 0; a < 80; ++a) {
                const uint32_t i = (a + 80 - start) % 80;
                SCOPED_TRACE("length " + std::to_string(n) + " from " + std::to_string(start) + ", cell " +
                             std::to_string(a));
                const std::array<uint8_t, 6> run = {uint8_t('A' + i % 9),  0, 0x04, 0,
                                                    uint8_t(0xC1 + i % 9), 0};
                EXPECT_EQ(CellOf(s.ps.planes, a), i < n ? run : CellOf(before, a));
                EXPECT_EQ(s.ps.changed[a], i < n);
            }
        }
    }
}

}  // namespace
}  // namespace orkan
