// Several files in one request: the generated macro text, the refusals, the wildcard match, and
// names that could otherwise add a statement of their own.
#include <gtest/gtest.h>

#include <sstream>

#include "support/golden_file.h"
#include "transfer/multiple_transfer.h"
#include "transfer_session.h"

namespace orkan {
namespace {

using namespace test;

// The request and the list of a row of data/multiple.tsv.
void Read(const std::vector<std::string>& c, TransferRequest& r, TransferList& l) {
    r.direction = c[1] == "up" ? TransferDirection::Upload : TransferDirection::Download;
    r.host_file = c[2];
    r.pc_file = c[3];
    r.pc_directory = c[4];
    l.entries = SplitBars(c[6]);
    l.level = 1;
    std::istringstream options(c[5]);
    for (std::string o; options >> o;) {
        if (o == "binary") SetTextMode(r, false);
        if (o == "append") r.append = true;
        if (o == "cms") r.host_system = HostSystem::Cms;
        if (o == "level=2") l.level = 2;
        if (o.starts_with("data_set=")) l.member_data_set = o.substr(9);
        if (o.starts_with("chosen="))
            for (const std::string& n : SplitBars(o.substr(7))) l.selected.push_back(std::stoul(n));
    }
}

// The rows of data/multiple.tsv.
TEST(MultipleTransfer, GeneratedMacrosRefusalsAndWildcardMatches) {
    TransferSession t;
    for (const TableRow& row : ReadTableRows("transfer/data/multiple.tsv")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string>& c = row.cells;
        if (c[0] == "match") {
            const WildcardMatch m = MatchWildcard(t.session(), c[1], c[2], c.size() < 5);
            EXPECT_EQ(m.matched, c[3] != "no");
            EXPECT_EQ(m.variable, c[3] == "no" ? "" : c[3]);
            continue;
        }
        TransferRequest r;
        TransferList l;
        Read(c, r, l);
        const Expansion x = ExpandMultipleTransfer(t.session(), r, l);
        std::string macro;
        for (size_t i = 7; c[0] == "macro" && i < c.size(); ++i) macro += c[i] + "\n";
        EXPECT_EQ(x.macro, macro);
        EXPECT_EQ(int(x.kind), int(c[0] == "macro"    ? Expansion::Kind::Macro
                                   : c[0] == "single" ? Expansion::Kind::Single
                                                      : Expansion::Kind::Refused));
        EXPECT_EQ(x.refusal.title, c[0] == "refused" ? c.at(7) : "");
        EXPECT_EQ(x.refusal.text, c[0] == "refused" ? c.at(8) : "");
    }
}

}  // namespace
}  // namespace orkan
