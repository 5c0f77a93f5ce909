// Requests: the host command for every host system and option, the PC path, and the dialog fields
// kept in the session record.
#include <gtest/gtest.h>

#include "config/session_record.h"
#include "transfer/transfer_request.h"
#include "transfer_session.h"

namespace orkan {
namespace {

using test::TransferSession;

TransferRequest Request(TransferDirection d, HostSystem system, const char* host_file, bool text = true) {
    TransferRequest r;
    r.direction = d;
    r.host_system = system;
    r.host_file = host_file;
    SetTextMode(r, text);
    return r;
}

TEST(TransferCommand, ForEveryHostSystemAndOption) {
    constexpr auto Down = TransferDirection::Download;
    constexpr auto Up = TransferDirection::Upload;
    struct Case {
        const char* name;
        TransferRequest request;
        const char* command;
    };
    std::vector<Case> cases = {
        {"TSO text download", Request(Down, HostSystem::Tso, "'user.data'"),
         "IND$FILE GET 'USER.DATA' ASCII CRLF "},
        {"CMS text download (two blanks before the parenthesis)",
         Request(Down, HostSystem::Cms, "profile exec a"), "IND$FILE GET PROFILE EXEC A ( ASCII CRLF  )"},
        {"CICS binary download", Request(Down, HostSystem::Cics, "name", false),
         "IND$FILE GET NAME ( BINARY  )"},
        {"CICS upload text", Request(Up, HostSystem::Cics, "name"), "IND$FILE PUT NAME ( ASCII CRLF ) "},
    };
    {
        TransferRequest r = Request(Down, HostSystem::Cics, "name", false);
        r.crlf = true;  // the options keep their blanks
        cases.push_back({"CICS CRLF without ASCII", r, "IND$FILE GET NAME ( CRLF BINARY  )"});
    }
    {
        TransferRequest r = Request(Up, HostSystem::Tso, "'user.data'");
        r.space_primary = 10;
        r.space_secondary = 5;
        r.space_unit = SpaceUnit::Tracks;
        r.blksize = 6160;
        r.lrecl = 80;
        r.recfm = RecordFormat::Fixed;
        cases.push_back(
            {"TSO upload with allocation", r,
             "IND$FILE PUT 'USER.DATA' ASCII CRLF SPACE(10 5) TRACKS BLKSIZE(6160) LRECL(80) RECFM(F) "});
        r.space_primary = 0;
        r.recfm = RecordFormat::Variable;
        cases.push_back({"TSO upload without a primary quantity has no space or unit", r,
                         "IND$FILE PUT 'USER.DATA' ASCII CRLF BLKSIZE(6160) LRECL(80) RECFM(V) "});
        r.space_primary = 3;
        r.space_secondary = 0;
        r.space_unit = SpaceUnit::Cylinders;
        r.blksize = r.lrecl = 0;
        r.recfm = RecordFormat::None;
        r.append = true;
        cases.push_back({"TSO append, one quantity", r,
                         "IND$FILE PUT 'USER.DATA' ASCII CRLF APPEND SPACE(3) CYLINDERS "});
    }
    {
        TransferRequest r = Request(Up, HostSystem::Cms, "file data a");
        r.append = true;
        r.lrecl = 80;
        r.recfm = RecordFormat::Variable;
        r.macro_extra = "after";
        cases.push_back(
            {"CMS upload", r, "IND$FILE PUT FILE DATA A ( ASCII CRLF APPEND LRECL 80 RECFM V ) AFTER"});
    }
    {
        TransferRequest r = Request(Down, HostSystem::Tso, "a");
        r.additional = "  lrecl(133) ";
        r.macro_extra = "xyz";
        cases.push_back({"parameters of the session, the dialog and the macro", r,
                         "IND$FILE GET A ASCII CRLF RECFM(V) LRECL(133) XYZ"});
    }
    cases.push_back({"accented names in upper case", Request(Down, HostSystem::Tso, "caf\xE9"),
                     "IND$FILE GET CAF\xC9 ASCII CRLF "});

    TransferSession t;
    Session& s = t.session();
    ASSERT_TRUE(s.record.SetText(field::DownProgram, "ind$file"));
    ASSERT_TRUE(s.record.SetText(field::UpProgram, "ind$file"));
    for (const Case& c : cases) {
        ASSERT_TRUE(s.record.SetText(
            field::DownAdditionalParameters,
            std::string(c.name).find("parameters") != std::string::npos ? "  recfm(v) " : ""));
        EXPECT_EQ(BuildTransferCommand(s, c.request), c.command) << c.name;
    }
}

TEST(TransferCommand, TheDollarIsTypedAsTheHostCodePageShowsIt) {
    TransferSession t;
    Session& s = t.session();
    const TransferRequest r = Request(TransferDirection::Download, HostSystem::Tso, "a");
    // A code page whose 0x5B is the pound sign (as the United Kingdom's).
    for (auto& h : s.charset.display_to_host)
        if (h == 0x5B) h = 0;
    s.charset.display_to_host[0xA3] = 0x5B;
    ASSERT_TRUE(s.record.SetText(field::DownProgram, "ind$file"));
    EXPECT_EQ(BuildTransferCommand(s, r),
              "IND\xA3"
              "FILE GET A ASCII CRLF ");
    ASSERT_TRUE(s.record.SetText(field::DownProgram, "IND$FILE"));  // written in upper case: left alone
    EXPECT_EQ(BuildTransferCommand(s, r), "IND$FILE GET A ASCII CRLF ");
}

TEST(TransferRequest, PcPaths) {
    TransferSession t;
    Session& s = t.session();
    s.folders.documents = "/home/me";
    setenv("HOME", "/home/me", 1);
    struct Case {
        const char* file;
        const char* directory;
        const char* path;
    };
    const Case cases[] = {
        {"/abs/x.txt", "/ignored", "/abs/x.txt"}, {"x.txt", "/data", "/data/x.txt"},
        {"x.txt", "/data/", "/data/x.txt"},       {"x.txt", "", "/home/me/x.txt"},
        {"~/x.txt", "/data", "/home/me/x.txt"},   {"x.txt", "~/in", "/home/me/in/x.txt"},
    };
    for (const Case& c : cases) {
        TransferRequest r;
        r.pc_file = c.file;
        r.pc_directory = c.directory;
        EXPECT_EQ(FullPcPath(s, r), c.path) << c.file;
    }
}

TEST(TransferRequest, DialogFieldsSurviveTheRecordAndNamesAreNeverCut) {
    SessionRecord record;
    TransferRequest r = Request(TransferDirection::Upload, HostSystem::Cms, "file a", false);
    r.pc_file = "caf\xC3\xA9.txt";  // UTF-8 on Linux, Windows-1252 in the record
    r.pc_directory = "/data";
    r.additional = "x";
    r.space_primary = 7;
    r.recfm = RecordFormat::Variable;
    ASSERT_FALSE(StoreRequest(record, r));
    EXPECT_EQ(record.Text(field::UploadPcFile), "caf\xE9.txt");
    const TransferRequest back = LoadRequest(record, TransferDirection::Upload);
    EXPECT_EQ(back.pc_file, r.pc_file);
    EXPECT_EQ(back.host_file, "file a");
    EXPECT_EQ(back.host_system, HostSystem::Cms);
    EXPECT_TRUE(back.binary);
    EXPECT_FALSE(back.ascii);
    EXPECT_EQ(back.space_primary, 7u);
    EXPECT_EQ(back.recfm, RecordFormat::Variable);
    EXPECT_EQ(LoadRequest(record, TransferDirection::Download).host_file, "");

    const SessionRecord before = record;
    TransferRequest bad = r;
    bad.pc_file = "\xE2\x88\x9E.txt";  // no Windows-1252 form
    EXPECT_TRUE(StoreRequest(record, bad));
    bad = r;
    bad.host_file = std::string(300, 'a');
    EXPECT_TRUE(StoreRequest(record, bad));
    EXPECT_TRUE(record == before);
}

}  // namespace
}  // namespace orkan
