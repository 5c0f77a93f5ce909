// The transfer command per personality: the forms a client's transfer request types, the forms
// Debian's s3270 types, and the host's messages for everything else.
#include "ft_command.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace testhost::ft {
namespace {

// What a parse gives, in one line: "PUT 'ORKUSER.A.B' ascii crlf append F80 blk800 space5,2 TRACKS".
std::string Summary(const TransferCommand& c) {
    std::string s = std::string(c.put ? "PUT " : "GET ") + c.Display();
    if (c.ascii) s += " ascii";
    if (c.crlf) s += " crlf";
    if (c.append) s += " append";
    if (c.recfm)
        s += std::string(" ") + c.recfm + (c.blocked ? "B" : "") + (c.lrecl ? std::to_string(c.lrecl) : "");
    else if (c.lrecl)
        s += " lrecl" + std::to_string(c.lrecl);
    if (c.blksize) s += " blk" + std::to_string(c.blksize);
    if (c.space_primary)
        s += " space" + std::to_string(c.space_primary) + "," + std::to_string(c.space_secondary);
    if (!c.space_unit.empty())
        s += " " + c.space_unit + (c.avblock ? "(" + std::to_string(c.avblock) + ")" : "");
    return s;
}

// The lines of transfer_commands.tsv: each command parsed to its summary, or refused with the
// host's message.
TEST(TransferCommand, AcceptedFormsAndRefusals) {
    const std::map<std::string, Personality> personalities = {
        {"tso", Personality::Tso}, {"cms", Personality::Cms}, {"cics", Personality::Cics}};
    std::ifstream file(TESTHOST_TESTS_DIR "/transfer_commands.tsv");
    ASSERT_TRUE(file) << "no case file";
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        const size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        ASSERT_NE(tab2, std::string::npos) << "transfer_commands.tsv line " << number;
        const std::string text = line.substr(tab1 + 1, tab2 - tab1 - 1), result = line.substr(tab2 + 1);
        SCOPED_TRACE("transfer_commands.tsv line " + std::to_string(number) + ": " + text);
        ASSERT_TRUE(personalities.contains(line.substr(0, tab1)));
        TransferCommand cmd;
        std::string message;
        const bool ok =
            ParseTransferCommand(personalities.at(line.substr(0, tab1)), text, "ORKUSER", cmd, message);
        if (result.starts_with("ok ")) {
            ASSERT_TRUE(ok) << message;
            EXPECT_EQ(Summary(cmd), result.substr(3));
        } else {
            ASSERT_TRUE(result.starts_with("refused ")) << result;
            EXPECT_FALSE(ok);
            EXPECT_EQ(message, result.substr(8));
        }
    }
}

TEST(TransferCommand, RecognisedByItsFirstWord) {
    EXPECT_TRUE(IsTransferCommand("IND$FILE GET X"));
    EXPECT_TRUE(IsTransferCommand("  ind$file"));
    EXPECT_FALSE(IsTransferCommand("IND$FILEX GET"));
    EXPECT_FALSE(IsTransferCommand("LISTCAT"));
    EXPECT_FALSE(IsTransferCommand(""));
}

}  // namespace
}  // namespace testhost::ft
