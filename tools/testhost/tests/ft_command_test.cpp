// The transfer command per personality: the forms a client's transfer request types, the forms
// Debian's s3270 types, and the host's messages for everything else.
#include "ft_command.h"

#include <gtest/gtest.h>

namespace testhost::ft {
namespace {

constexpr auto kTso = Personality::Tso;
constexpr auto kCms = Personality::Cms;
constexpr auto kCics = Personality::Cics;

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

TEST(TransferCommand, AcceptedForms) {
    struct Case {
        Personality p;
        const char* text;
        const char* want;
    };
    const Case cases[] = {
        // s3270's forms.
        {kTso, "IND$FILE PUT user.data ASCII CRLF", "PUT 'ORKUSER.USER.DATA' ascii crlf"},
        {kTso, "IND$FILE GET user.data ", "GET 'ORKUSER.USER.DATA'"},
        {kTso, "IND$FILE PUT user.data  APPEND RECFM(F) LRECL(80) BLKSIZE(800) SPACE(5,2) TRACKS",
         "PUT 'ORKUSER.USER.DATA' append F80 blk800 space5,2 TRACKS"},
        {kTso, "IND$FILE PUT user.data ASCII CRLF RECFM(V) LRECL(80) SPACE(5,2) AVBLOCK(100)",
         "PUT 'ORKUSER.USER.DATA' ascii crlf V80 space5,2 AVBLOCK(100)"},
        {kTso, "IND$FILE PUT user.data ASCII CRLF RECFM(U) SPACE(5) CYLINDERS",
         "PUT 'ORKUSER.USER.DATA' ascii crlf U space5,0 CYLINDERS"},
        {kCms, "IND$FILE PUT prof exec a (ASCII CRLF APPEND RECFM F LRECL 80",
         "PUT PROF EXEC A ascii crlf append F80"},
        {kCms, "IND$FILE GET prof exec a (", "GET PROF EXEC A"},
        {kCms, "IND$FILE GET prof exec a (ASCII CRLF", "GET PROF EXEC A ascii crlf"},
        {kCics, "IND$FILE PUT QNAME (BINARY NOCRLF", "PUT QNAME"},
        {kCics, "IND$FILE GET QNAME (ASCII CRLF", "GET QNAME ascii crlf"},
        {kCics, "IND$FILE PUT QNAME (ASCII CRLF APPEND", "PUT QNAME ascii crlf append"},
        // A transfer request's forms: upper case, blanks around the parentheses, a trailing blank.
        {kTso, "IND$FILE GET 'SYS1.PROCLIB(ORKPROC)' ASCII CRLF ", "GET 'SYS1.PROCLIB(ORKPROC)' ascii crlf"},
        {kTso,
         "IND$FILE PUT MY.DATA ASCII CRLF APPEND SPACE(10 5) CYLINDERS BLKSIZE(3120) LRECL(80) RECFM(F) ",
         "PUT 'ORKUSER.MY.DATA' ascii crlf append F80 blk3120 space10,5 CYLINDERS"},
        {kTso, "IND$FILE PUT MY.DATA SPACE(3) TRACKS LRECL(255) RECFM(V) ",
         "PUT 'ORKUSER.MY.DATA' V255 space3,0 TRACKS"},
        {kTso, "IND$FILE PUT 'A.$B.#C.@D' ", "PUT 'A.$B.#C.@D'"},
        {kCms, "IND$FILE GET PROFILE EXEC A ( ASCII CRLF  )", "GET PROFILE EXEC A ascii crlf"},
        {kCms, "IND$FILE PUT PROFILE EXEC A1 ( ASCII CRLF APPEND LRECL 80 RECFM F ) ",
         "PUT PROFILE EXEC A1 ascii crlf append F80"},
        {kCms, "IND$FILE PUT $A #B ( ) LRECL 72", "PUT $A #B A lrecl72"},
        {kCms, "IND$FILE GET X Y (  )", "GET X Y A"},
        {kCics, "IND$FILE GET NAME (BINARY  )", "GET NAME"},
        {kCics, "IND$FILE PUT NAME ( ASCII CRLF LRECL 100 RECFM V ) ", "PUT NAME ascii crlf V100"},
        {kCics, "ind$file get $Q", "GET $Q"},
    };
    for (const auto& c : cases) {
        TransferCommand cmd;
        std::string message;
        ASSERT_TRUE(ParseTransferCommand(c.p, c.text, "ORKUSER", cmd, message)) << c.text << ": " << message;
        EXPECT_EQ(Summary(cmd), c.want) << c.text;
    }
}

TEST(TransferCommand, RefusedWithTheHostsMessage) {
    struct Case {
        Personality p;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {kTso, "IND$FILE", "TRANS06 - Command incomplete: PUT or GET expected"},
        {kTso, "IND$FILE SEND X", "TRANS06 - Command incomplete: PUT or GET expected"},
        {kTso, "IND$FILE GET", "TRANS06 - Command incomplete: data set name expected"},
        {kTso, "IND$FILE GET X BOGUS", "TRANS17 - Invalid option: BOGUS"},
        {kTso, "IND$FILE GET X BINARY", "TRANS17 - Invalid option: BINARY"},
        {kTso, "IND$FILE GET X APPEND", "TRANS18 - Option APPEND is only for PUT"},
        {kTso, "IND$FILE GET X RECFM(F)", "TRANS18 - Option RECFM is only for PUT"},
        {kTso, "IND$FILE PUT X RECFM(Z)", "TRANS17 - Invalid RECFM value: RECFM(Z)"},
        {kTso, "IND$FILE PUT X LRECL(0)", "TRANS17 - Invalid LRECL value: LRECL(0)"},
        {kTso, "IND$FILE PUT X LRECL(99999)", "TRANS17 - Invalid LRECL value: LRECL(99999)"},
        {kTso, "IND$FILE PUT X SPACE(A,B)", "TRANS17 - Invalid SPACE value: SPACE(A,B)"},
        {kTso, "IND$FILE PUT X SPACE(5", "TRANS17 - Unbalanced parentheses"},
        {kTso, "IND$FILE PUT X ( ASCII", "TRANS17 - Invalid option: ("},
        {kTso, "IND$FILE PUT '1BAD.NAME'", "TRANS05 - Invalid data set name: '1BAD.NAME'"},
        {kTso, "IND$FILE PUT A.TOOLONGQUAL", "TRANS05 - Invalid data set name: A.TOOLONGQUAL"},
        {kTso, "IND$FILE PUT 'A.B(1MEM)'", "TRANS05 - Invalid data set name: 'A.B(1MEM)'"},
        {kTso, "IND$FILE PUT 'A..B'", "TRANS05 - Invalid data set name: 'A..B'"},
        {kCms, "IND$FILE GET PROFILE", "TRANS06 - Command incomplete: file name and type expected"},
        {kCms, "IND$FILE GET A B C ASCII", "TRANS17 - Options must follow '(': ASCII"},
        {kCms, "IND$FILE GET A B 9 (", "TRANS05 - Invalid file name: A B 9"},
        {kCms, "IND$FILE GET TOOLONGNAME B A", "TRANS05 - Invalid file name: TOOLONGNAME B A"},
        {kCms, "IND$FILE GET A B A ( BINARY", "TRANS17 - Invalid option: BINARY"},
        {kCms, "IND$FILE PUT A B A ( LRECL", "TRANS17 - LRECL needs a value"},
        {kCms, "IND$FILE PUT A B A ( RECFM U", "TRANS17 - Invalid RECFM value: U"},
        {kCms, "IND$FILE PUT A B A ) ASCII", "TRANS17 - ')' without '('"},
        {kCics, "IND$FILE GET A B", "TRANS17 - Options must follow '(': B"},
        {kCics, "IND$FILE GET A.B", "TRANS05 - Invalid queue name: A.B"},
        {kCics, "IND$FILE GET Q (ASCII BINARY", "TRANS17 - ASCII and BINARY exclude each other"},
        {kCics, "IND$FILE GET Q (CRLF NOCRLF", "TRANS17 - CRLF and NOCRLF exclude each other"},
    };
    for (const auto& c : cases) {
        TransferCommand cmd;
        std::string message;
        EXPECT_FALSE(ParseTransferCommand(c.p, c.text, "ORKUSER", cmd, message)) << c.text;
        EXPECT_EQ(message, c.message) << c.text;
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
