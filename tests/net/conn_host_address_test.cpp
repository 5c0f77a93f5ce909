// Host strings as typed by users and given on the command line (the cases are in
// data/host_addresses.tsv).
#include <gtest/gtest.h>

#include "net/host_address.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

TEST(ConnHostAddress, FormsAndErrors) {
    for (const test::TableRow& row : test::ReadTableRows("net/data/host_addresses.tsv")) {
        ASSERT_EQ(row.cells.size(), 6u) << row.where;
        SCOPED_TRACE(row.where);
        const HostAddressResult result = ParseHostAddress(row.cells[0], uint16_t(std::stoi(row.cells[1])));
        EXPECT_EQ(result.error, row.cells[5] == "-" ? "" : row.cells[5]);
        if (row.cells[2] == "-") continue;
        EXPECT_EQ(result.address.host, row.cells[2]);
        EXPECT_EQ(result.address.port, std::stoi(row.cells[3]));
        EXPECT_EQ(result.address.port_given, row.cells[4] == "yes");
    }
}

}  // namespace
}  // namespace orkan
