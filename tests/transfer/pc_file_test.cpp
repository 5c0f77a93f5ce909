// The PC files on disk: a download replaces the user's file only when committed, keeps its
// permissions and links, and leaves nothing behind when thrown away; the transfer log.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "config/temp_folder.h"
#include "support/golden_file.h"
#include "transfer/pc_file.h"
#include "transfer/transfer_log.h"

namespace orkan {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempFolder;
using test::WriteText;

size_t Entries(const std::string& folder) {
    return size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

std::span<const uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// The rows of data/pc_files.tsv.
TEST(PcFile, DownloadsReplaceOrAppendOnlyWhenCommitted) {
    for (const test::TableRow& row : test::ReadTableRows("transfer/data/pc_files.tsv")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string>& c = row.cells;
        TempFolder folder;
        const std::string path = folder / "data.txt";
        if (c[1] != "-") WriteText(path, c[1]);
        OpenedDownload d = CreateDownloadFile(path, c[2] == "append");
        ASSERT_TRUE(d.target) << d.error_text;
        ASSERT_EQ(d.target->Write(Bytes("new")), 0);
        ASSERT_EQ(d.target->Complete(), 0);
        EXPECT_EQ(ReadText(path), c[1] == "-" ? "" : c[1]) << "changed before the end";
        if (c[3] == "commit") {
            EXPECT_EQ(d.target->Commit(), 0);
        }
        d.target.reset();
        if (c[4] != "-") {
            EXPECT_EQ(ReadText(path), c[4]);
        } else {
            EXPECT_FALSE(fs::exists(path));
        }
        EXPECT_EQ(Entries(folder.path()), c[4] == "-" ? 0u : 1u) << "a temporary file was left";
    }
}

TEST(PcFile, ReplacingKeepsPermissionsAndLinks) {
    TempFolder folder;
    const std::string real = folder / "real.txt";
    const std::string link = folder / "link.txt";
    WriteText(real, "old");
    chmod(real.c_str(), 0640);
    fs::create_symlink(real, link);
    OpenedDownload d = CreateDownloadFile(link, false);
    ASSERT_TRUE(d.target) << d.error_text;
    ASSERT_EQ(d.target->Write(Bytes("new")), 0);
    ASSERT_EQ(d.target->Commit(), 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadText(real), "new");
    struct stat st {};
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(PcFile, FilesThatCannotBeUsedSayWhy) {
    TempFolder folder;
    fs::create_directory(folder / "dir");
    EXPECT_EQ(CreateDownloadFile(folder / "dir", false).error_text, folder / "dir" + ": not a regular file");
    EXPECT_EQ(OpenUploadFile(folder / "dir").error_text, folder / "dir" + ": not a regular file");
    // A FIFO nobody writes to is refused at once, not waited on.
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(OpenUploadFile(folder / "fifo").error_text, folder / "fifo" + ": not a regular file");
    EXPECT_EQ(OpenUploadFile(folder / "none").error_text, folder / "none" + ": No such file or directory");
    EXPECT_EQ(
        CreateDownloadFile(folder / "no/such/folder/x", false).error_text,
        "Cannot create a temporary file in " + folder / "no/such/folder" + ": No such file or directory");
    if (geteuid() != 0) {
        fs::create_directory(folder / "locked");
        WriteText(folder / "locked/x", "old");
        chmod((folder / "locked").c_str(), 0500);
        EXPECT_EQ(CreateDownloadFile(folder / "locked/x", false).error_text,
                  "Cannot create a temporary file in " + folder / "locked" + ": Permission denied");
    }
    // A file the user made read-only is not replaced behind the protection's back.
    WriteText(folder / "kept.txt", "old");
    chmod((folder / "kept.txt").c_str(), 0444);
    for (const bool append : {false, true})
        EXPECT_EQ(CreateDownloadFile(folder / "kept.txt", append).error_text,
                  folder / "kept.txt" + ": Permission denied");
    EXPECT_EQ(ReadText(folder / "kept.txt"), "old");
}

// A file cut short or written to while it is sent ends in an error, not in a short end of file.
TEST(PcFile, AnUploadFileThatChangesWhileReadIsAnError) {
    TempFolder folder;
    const std::string path = folder / "up.txt";
    const std::pair<const char*, int> cases[] = {
        {"", 0}, {"truncate", kFileChangedError}, {"append", kFileChangedError}};
    for (const auto& [change, error] : cases) {
        SCOPED_TRACE(change);
        WriteText(path, "0123456789");
        OpenedUpload u = OpenUploadFile(path);
        ASSERT_TRUE(u.source);
        uint8_t buffer[4];
        EXPECT_EQ(u.source->Read(buffer).count, 4u);
        const std::string what = change;
        if (what == "truncate") {
            EXPECT_EQ(truncate(path.c_str(), 6), 0);
        } else if (what == "append") {
            WriteText(path, "0123456789ab");
        }
        UploadSource::Result r;
        while ((r = u.source->Read(buffer)).count != 0) {
        }
        EXPECT_EQ(r.error, error);
    }
    EXPECT_EQ(SystemErrorText(kFileChangedError), "the file changed while it was read");
}

TEST(TransferLog, KeepsTextsButNotByteCountsAndEndsEachTransferWithAnEmptyLine) {
    TempFolder folder;
    TransferLog log(folder / "appdata");  // made when first written
    std::vector<std::string> seen;
    log.on_line = [&](const std::string& line) { seen.push_back(line); };
    const std::string t = TimePrefix(0);
    EXPECT_EQ(t.size(), kTimePrefixLength);
    EXPECT_EQ(t.substr(kTimePrefixLength - 3), " - ");
    for (const std::string& text :
         {t + "Download A to b", t + "Bytes transferred = 100", t + "File transfer complete", std::string()})
        ASSERT_TRUE(log.Append(text)) << log.error();
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{t + "Download A to b", t + "File transfer complete", ""}));
    EXPECT_EQ(seen.size(), 3u);
    ASSERT_TRUE(log.Clear());
    EXPECT_TRUE(log.Lines().empty());
    TransferLog nowhere("/proc/no-such-place");
    EXPECT_FALSE(nowhere.Append("x"));
    EXPECT_NE(nowhere.error().find("transfer.log"), std::string::npos);
}

}  // namespace
}  // namespace orkan
