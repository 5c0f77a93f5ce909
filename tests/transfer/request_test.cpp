// Requests: the host command for every host system and option, the PC path, and the dialog fields
// kept in the session record.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "config/session_record.h"
#include "support/golden_file.h"
#include "transfer/transfer_request.h"
#include "transfer_session.h"

namespace orkan {
namespace {

using namespace test;

TransferRequest Request(TransferDirection d, HostSystem system, const char* host_file, bool text = true) {
    TransferRequest r;
    r.direction = d;
    r.host_system = system;
    r.host_file = host_file;
    SetTextMode(r, text);
    return r;
}

// The rows of data/commands.tsv.
TEST(TransferCommand, ForEveryHostSystemAndOption) {
    const std::map<std::string, HostSystem> systems = {
        {"tso", HostSystem::Tso}, {"cms", HostSystem::Cms}, {"cics", HostSystem::Cics}};
    TransferSession t;
    Session& s = t.session();
    ASSERT_TRUE(s.record.SetText(field::DownProgram, "ind$file"));
    ASSERT_TRUE(s.record.SetText(field::UpProgram, "ind$file"));
    for (const TableRow& row : ReadTableRows("transfer/data/commands.tsv")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string>& c = row.cells;
        ASSERT_EQ(c.size(), 7u);
        TransferRequest r = Request(c[0] == "up" ? TransferDirection::Upload : TransferDirection::Download,
                                    systems.at(c[1]), c[2].c_str());
        std::istringstream options(c[3]);
        for (std::string o; options >> o;) {
            const std::string value = o.substr(o.find('=') + 1);
            if (o == "binary")
                SetTextMode(r, false);
            else if (o == "crlf")
                r.crlf = true;
            else if (o == "append")
                r.append = true;
            else if (o.starts_with("space="))
                std::sscanf(value.c_str(), "%u,%u", &r.space_primary, &r.space_secondary);
            else if (o == "tracks" || o == "cylinders")
                r.space_unit = o == "tracks" ? SpaceUnit::Tracks : SpaceUnit::Cylinders;
            else if (o.starts_with("blksize="))
                r.blksize = uint32_t(std::stoul(value));
            else if (o.starts_with("lrecl="))
                r.lrecl = uint32_t(std::stoul(value));
            else if (o.starts_with("recfm="))
                r.recfm = value == "F" ? RecordFormat::Fixed : RecordFormat::Variable;
            else if (o.starts_with("extra="))
                r.macro_extra = value;
            else
                ADD_FAILURE() << "unknown option " << o;
        }
        r.additional = c[4];
        ASSERT_TRUE(s.record.SetText(field::DownAdditionalParameters, c[5]));
        EXPECT_EQ(BuildTransferCommand(s, r), c[6]);
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
    for (const TableRow& row : ReadTableRows("transfer/data/pc_paths.tsv")) {
        TransferRequest r;
        r.pc_file = row.cells[0];
        r.pc_directory = row.cells[1];
        EXPECT_EQ(FullPcPath(s, r), row.cells[2]) << row.where;
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
