// Several files in one request: the generated macro text, the refusals, the wildcard match, and
// names that could otherwise add a statement of their own.
#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "transfer/multiple_transfer.h"
#include "transfer/transfer_messages.h"
#include "transfer_session.h"

namespace orkan {
namespace {

using namespace test;
constexpr auto Down = TransferDirection::Download;
constexpr auto Up = TransferDirection::Upload;

TransferRequest Req(TransferDirection d, const char* host, const char* pc, const char* dir = "/d") {
    TransferRequest r;
    r.direction = d;
    r.host_file = host;
    r.pc_file = pc;
    r.pc_directory = dir;
    return r;
}

TransferList List(std::vector<std::string> entries, std::vector<size_t> selected = {}, int level = 1,
                  const char* data_set = "") {
    TransferList l;
    l.entries = std::move(entries);
    l.selected = std::move(selected);
    l.level = level;
    l.member_data_set = data_set;
    return l;
}

TEST(MultipleTransfer, GeneratedMacros) {
    struct Case {
        const char* name;
        TransferRequest request;
        TransferList list;
        const char* macro;
    };
    TransferRequest binary_append = Req(Down, "ORKUSER.*.TEXT", "*.txt");
    SetTextMode(binary_append, false);
    binary_append.append = true;
    binary_append.host_system = HostSystem::Cms;
    const Case cases[] = {
        {"data sets matched", Req(Down, "orkuser.*.text", "*.txt"),
         List({"ORKUSER.HELLO.TEXT", "ORKUSER.X.DATA", "ORKUSER.NOTES.TEXT"}),
         "ReceiveFile(\"ORKUSER.HELLO.TEXT\",\"/d/HELLO.txt\",\"TEXT\",\"REPLACE\",\"TSO\")\n"
         "ReceiveFile(\"ORKUSER.NOTES.TEXT\",\"/d/NOTES.txt\",\"TEXT\",\"REPLACE\",\"TSO\")\n"},
        {"options", binary_append, List({"ORKUSER.A.TEXT"}),
         "ReceiveFile(\"ORKUSER.A.TEXT\",\"/d/A.txt\",\"BINARY\",\"APPEND\",\"CMS\")\n"},
        {"data sets chosen", Req(Down, "X", "ignored"), List({"A.B", "C.D", "E.F"}, {0, 2}),
         "ReceiveFile(\"A.B\",\"/d/A.B\",\"TEXT\",\"REPLACE\",\"TSO\")\n"
         "ReceiveFile(\"E.F\",\"/d/E.F\",\"TEXT\",\"REPLACE\",\"TSO\")\n"},
        {"members matched", Req(Down, "'ORKUSER.SOURCE.CNTL(A*)'", "*.jcl"),
         List({"ALPHA", "BETA", "ABC"}, {}, 2, "'ORKUSER.SOURCE.CNTL'"),
         "ReceiveFile(\"'ORKUSER.SOURCE.CNTL(ALPHA)'\",\"/d/ALPHA.jcl\",\"TEXT\",\"REPLACE\",\"TSO\")\n"
         "ReceiveFile(\"'ORKUSER.SOURCE.CNTL(ABC)'\",\"/d/ABC.jcl\",\"TEXT\",\"REPLACE\",\"TSO\")\n"},
        {"members chosen", Req(Down, "x", "mem-"), List({"ALPHA", "BETA"}, {0, 1}, 2, "ORKUSER.CNTL"),
         "ReceiveFile(\"ORKUSER.CNTL(ALPHA)\",\"/d/mem-ALPHA\",\"TEXT\",\"REPLACE\",\"TSO\")\n"
         "ReceiveFile(\"ORKUSER.CNTL(BETA)\",\"/d/mem-BETA\",\"TEXT\",\"REPLACE\",\"TSO\")\n"},
        {"uploads matched; '_' cannot be in a host name", Req(Up, "NEW.*.DATA", "/src/*.txt"),
         List({"a_b.txt", "c.log", "d.txt"}),
         "SendFile(\"/src/a_b.txt\",\"NEW.a#b.DATA\",\"TEXT\",\"REPLACE\",\"TSO\")\n"
         "SendFile(\"/src/d.txt\",\"NEW.d.DATA\",\"TEXT\",\"REPLACE\",\"TSO\")\n"},
        {"a PC name keeps its blanks", Req(Up, "W.*.TEXT", "/src/*.txt"), List({"sp ace.txt"}),
         "SendFile(\"/src/sp ace.txt\",\"W.sp#ace.TEXT\",\"TEXT\",\"REPLACE\",\"TSO\")\n"},
        {"uploads chosen keep their names", Req(Up, "HOST.FILE", "x"), List({"one", "two"}, {0, 1}),
         "SendFile(\"/d/one\",\"one\",\"TEXT\",\"REPLACE\",\"TSO\")\nSendFile(\"/d/"
         "two\",\"two\",\"TEXT\",\"REPLACE\",\"TSO\")\n"},
        {"a double quote in a name is doubled", Req(Down, "*", "*"), List({"A\"B"}),
         "ReceiveFile(\"A\"\"B\",\"/d/A#B\",\"TEXT\",\"REPLACE\",\"TSO\")\n"},
        {"UTF-8 names", Req(Up, "*", "*", "/caf\xC3\xA9"), List({"\xC3\xA9t\xC3\xA9"}),
         "SendFile(\"/caf\xC3\xA9/\xC3\xA9t\xC3\xA9\",\"\xC3\xA9t\xC3\xA9\",\"TEXT\",\"REPLACE\",\"TSO\")\n"},
    };
    TransferSession t;
    for (const Case& c : cases) {
        const Expansion x = ExpandMultipleTransfer(t.session(), c.request, c.list);
        EXPECT_EQ(x.kind, Expansion::Kind::Macro) << c.name << ": " << x.refusal.text;
        EXPECT_EQ(x.macro, c.macro) << c.name;
    }
}

TEST(MultipleTransfer, SingleTransfersAndRefusals) {
    using namespace transfer_msg;
    struct Case {
        const char* name;
        TransferRequest request;
        TransferList list;
        Expansion::Kind kind;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        {"no wildcard, one chosen", Req(Down, "A.B", "x"), List({"A.B"}, {0}), Expansion::Kind::Single, "",
         ""},
        {"download, one-sided wildcard", Req(Down, "A.*", "x"), List({"A.B"}), Expansion::Kind::Refused,
         kWildcardTitle, kDownloadWildcard},
        {"upload, one-sided wildcard", Req(Up, "A", "*.txt"), List({"a.txt"}), Expansion::Kind::Refused,
         kWildcardTitle, kUploadWildcard},
        {"no host list", Req(Down, "A.*", "*"), List({}), Expansion::Kind::Refused, kNoHostFilesTitle,
         kNoHostFiles},
        {"no PC files", Req(Up, "*", "*"), List({}), Expansion::Kind::Refused, kNoPcFilesTitle, kNoPcFiles},
        {"no data set matches", Req(Down, "A.*", "*"), List({"B.C"}), Expansion::Kind::Refused,
         kNoHostFilesTitle, kNoHostMatch},
        {"no PC file matches", Req(Up, "*", "*.txt"), List({"a.log"}), Expansion::Kind::Refused,
         kNoPcMatchTitle, kNoPcMatch},
        {"two PC files, one host name", Req(Up, "W.*.TEXT", "*.txt"), List({"a_b.txt", "A#b.txt"}),
         Expansion::Kind::Refused, kTransferErrorTitle,
         "/d/a_b.txt and /d/A#b.txt would both be written to W.A#b.TEXT. Name the target so that each file "
         "gets a name of its own."},
        {"two data sets, one PC file", Req(Down, "*.TEXT", "*.txt"), List({"USER.A.TEXT", "OLD.A.TEXT"}),
         Expansion::Kind::Refused, kTransferErrorTitle,
         "USER.A.TEXT and OLD.A.TEXT would both be written to /d/A.txt. Name the target so that each file "
         "gets a name of its own."},
        {"a control character cannot be quoted", Req(Down, "*", "*"), List({"A\nB"}),
         Expansion::Kind::Refused, kTransferErrorTitle,
         "The name A\nB cannot be written into the transfer macro (it holds a control character or is longer "
         "than "
         "255 bytes)."},
    };
    TransferSession t;
    for (const Case& c : cases) {
        const Expansion x = ExpandMultipleTransfer(t.session(), c.request, c.list);
        EXPECT_EQ(x.kind, c.kind) << c.name;
        EXPECT_EQ(x.refusal.title, c.title) << c.name;
        EXPECT_EQ(x.refusal.text, c.text) << c.name;
        EXPECT_TRUE(x.macro.empty()) << c.name;
    }
}

TEST(MultipleTransfer, WildcardMatch) {
    struct Case {
        const char* pattern;
        const char* entry;
        bool matched;
        const char* variable;
    };
    const Case cases[] = {
        {"USER.*.DATA", "USER.ABC.DATA", true, "ABC"},
        {"USER.A?C.DATA", "USER.ABC.DATA", true, "ABC"},
        {"USER.?", "USER.", false, ""},  // '?' takes no '.' and not the end
        {"*.txt", "a.b.txt", true, "b"},
        {"A*", "A", true, "A"},
        {"*X", "ABC", false, ""},
        {"user.*", "USER.LIST", true, "LIST"},
        {"*", "WORK$@%", true, "WORK$@%"},
        {"*", "a-b+c", true, "a#b#c"},
        {"* EXEC A1", "PROFILE EXEC A1", true, "PROFILE"},
    };
    TransferSession t;
    for (const Case& c : cases) {
        const WildcardMatch m = MatchWildcard(t.session(), c.pattern, c.entry, true);
        EXPECT_EQ(m.matched, c.matched) << c.pattern << " / " << c.entry;
        EXPECT_EQ(m.variable, c.variable) << c.pattern << " / " << c.entry;
    }
    EXPECT_FALSE(MatchWildcard(t.session(), "*.TXT", "a.txt", false).matched);  // PC names keep their case
}

TEST(MultipleTransfer, TheMacroIsWrittenForThisSession) {
    TempFolder folder;
    TransferSession t;
    t.session().folders.temp_macros = folder.path();
    t.session().letter = 'C';
    std::string error;
    const auto path =
        WriteTransferMacro(t.session(), "ReceiveFile(\"A\",\"b\",\"TEXT\",\"REPLACE\",\"TSO\")\n", error);
    ASSERT_TRUE(path) << error;
    EXPECT_EQ(*path, folder / "ork$C$xfer.mac");
    EXPECT_EQ(ReadText(*path), "ReceiveFile(\"A\",\"b\",\"TEXT\",\"REPLACE\",\"TSO\")\n");
    t.session().folders.temp_macros = folder / "missing";
    EXPECT_FALSE(WriteTransferMacro(t.session(), "x", error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

}  // namespace
}  // namespace orkan
