// The transfer command per personality: the forms a client's transfer request types, the forms
// Debian's s3270 types, and the host's messages for everything else.
#include "ft_command.h"

#include "helpers.h"

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
    for (const char* name : {"tso", "cms", "cics"}) {
        const Personality personality = PersonalityFromName(name).value();
        for (const auto& [line, c] : test::ReadRows("transfer_commands.tsv", name)) {
            SCOPED_TRACE("transfer_commands.tsv line " + std::to_string(line) + ": " + c.at(0));
            TransferCommand cmd;
            std::string message;
            const bool ok = ParseTransferCommand(personality, c.at(0), "ORKUSER", cmd, message);
            if (c.at(1).starts_with("ok ")) {
                ASSERT_TRUE(ok) << message;
                EXPECT_EQ(Summary(cmd), c.at(1).substr(3));
            } else {
                ASSERT_TRUE(c.at(1).starts_with("refused ")) << c.at(1);
                EXPECT_FALSE(ok);
                EXPECT_EQ(message, c.at(1).substr(8));
            }
        }
    }
}

TEST(TransferCommand, RecognisedByItsFirstWord) {
    for (const auto& [line, c] : test::ReadRows("transfer_commands.tsv", "first"))
        EXPECT_EQ(IsTransferCommand(c.at(0)), c.at(1) == "yes") << "transfer_commands.tsv line " << line;
}

}  // namespace
}  // namespace testhost::ft
