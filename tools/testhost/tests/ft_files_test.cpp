// Host files: uploads cut into records (CR LF, LRECL, padding, ASCII), downloads built from
// records, and the folder the files are seeded from and written back to.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ft_records.h"
#include "ft_store.h"
#include "helpers.h"

namespace testhost::ft {
namespace {

using test::Cp037;
using test::H;
using test::Records;
using test::ToHex;

TransferCommand Cmd(Personality p, bool ascii, bool crlf) {
    TransferCommand c;
    c.personality = p;
    c.put = true;
    c.ascii = ascii;
    c.crlf = crlf;
    return c;
}

HostFile File(char recfm, int lrecl, int blksize = 0) {
    HostFile f;
    f.recfm = recfm;
    f.lrecl = lrecl;
    f.blksize = blksize;
    return f;
}

TEST(Records, UploadsBecomeRecords) {
    for (const auto& [line, c] : test::ReadRows("records.tsv", "upload")) {
        SCOPED_TRACE("records.tsv line " + std::to_string(line) + " " + c.at(0));
        std::istringstream format(c.at(2));
        char recfm = 0;
        int lrecl = 0, blksize = 0;
        format >> recfm >> lrecl >> blksize;
        HostFile f = File(recfm, lrecl, blksize);
        const Personality p = PersonalityFromName(c.at(1)).value();
        std::string message;
        const bool ok =
            AppendUpload(H(c.at(5)), Cmd(p, c.at(3) == "ascii", c.at(4) == "crlf"), p, false, f, message);
        if (c.at(6).starts_with("TRANS")) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(message, c.at(6));
            EXPECT_EQ(f.records(), 0u) << "a refused upload leaves the file as it was";
            continue;
        }
        ASSERT_TRUE(ok) << message;
        EXPECT_EQ(Records(f), c.at(6));
    }
}

TEST(Records, AppendAddsToTheRecordsAndFitsLrecl) {
    // A CMS variable file's LRECL is its longest record, whatever was appended.
    HostFile f = File('V', 1);
    std::string message;
    ASSERT_TRUE(AppendUpload(H("41 42 43 0d 0a"), Cmd(Personality::Cms, true, true), Personality::Cms, true,
                             f, message));
    EXPECT_EQ(f.lrecl, 3);
    ASSERT_TRUE(
        AppendUpload(H("44 0d 0a"), Cmd(Personality::Cms, true, true), Personality::Cms, true, f, message));
    EXPECT_EQ(Records(f), "c1 c2 c3|c4");
    EXPECT_EQ(f.lrecl, 3);
    ASSERT_FALSE(AppendUpload(H("41 42 0d 0a"), Cmd(Personality::Tso, true, true), Personality::Tso, false, f,
                              message));
}

TEST(Records, DownloadsFromRecords) {
    HostFile fixed = File('F', 4);
    fixed.Add(H("c1 40 c2 40").data(), 4);
    fixed.Add(H("40 40 40 40").data(), 4);
    HostFile var = File('V', 80);
    var.Add(H("c1 40").data(), 2);
    var.Add(H("").data(), 0);
    for (const auto& [line, c] : test::ReadRows("records.tsv", "download")) {
        TransferCommand cmd = Cmd(Personality::Tso, c.at(2) == "ascii", c.at(3) == "crlf");
        cmd.put = false;
        EXPECT_EQ(ToHex(DownloadBytes(c.at(1) == "fixed" ? fixed : var, cmd, c.at(4) == "eof")), c.at(5))
            << "records.tsv line " << line << " " << c.at(0);
    }
}

TEST(Records, NewFileDefaults) {
    for (const auto& [line, c] : test::ReadRows("records.tsv", "new")) {
        const Personality p = PersonalityFromName(c.at(0)).value();
        TransferCommand cmd = Cmd(p, c.at(1) == "ascii", c.at(1) == "ascii");
        cmd.recfm = c.at(2) == "-" ? 0 : c.at(2)[0];
        cmd.lrecl = std::stoi(c.at(3));
        HostFile f;
        std::string message;
        const bool ok = NewFileFor(cmd, f, message);
        EXPECT_EQ(ok ? f.RecfmText() + " " + std::to_string(f.lrecl) : message, c.at(4))
            << "records.tsv line " << line;
    }
}

// A scratch folder removed with everything in it.
class Folder {
  public:
    Folder() : path_((std::filesystem::temp_directory_path() / "ft_store_XXXXXX").string()) {
        mkdtemp(path_.data());
    }
    ~Folder() { std::filesystem::remove_all(path_); }
    const std::string& path() const { return path_; }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ + "/" + name, std::ios::binary) << text;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path_ + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Has(const std::string& name) const { return std::filesystem::exists(path_ + "/" + name); }

  private:
    std::string path_;
};

TEST(FileStore, LoadsWritesBackAndReloads) {
    FileStore store(Personality::Tso, Cp037());
    std::string error;
    ASSERT_TRUE(store.Load(TESTHOST_TESTS_DIR "/store_seed", error)) << error;
    ASSERT_EQ(store.entries().size(), 4u);
    EXPECT_EQ(Records(store.Find("A.TEXT")->file),
              "c8 c5 d3 d3 d6 40 40 40 40 40|ba e7 bb 40 40 40 40 40 40 40");
    EXPECT_EQ(Records(store.Find("A.VAR")->file), "c1 c2|");
    EXPECT_EQ(store.Find("A.PDS")->members.size(), 2u);
    EXPECT_EQ(store.Find("A.EMPTY")->file.records(), 0u);

    Folder back;
    store.WriteBackTo(back.path() + "/tso");
    ASSERT_TRUE(store.SaveAll(error)) << error;
    HostFile binary = File('V', 20);
    binary.Add(H("00 ff 0d").data(), 3);
    ASSERT_TRUE(store.Store("A.NEW", "", binary, error)) << error;
    HostFile member = store.Find("A.PDS")->file;
    member.Add(H("c1 40 40 40 40 40 40 40 40 40").data(), 10);
    ASSERT_TRUE(store.Store("A.PDS", "@P", member, error)) << error;
    EXPECT_EQ(back.Read("tso/A.TEXT.txt"), "HELLO\n[X]\n");
    EXPECT_EQ(back.Read("tso/A.NEW.bin"), std::string("\0\0\0\3\0\xff\x0d", 7));
    EXPECT_EQ(back.Read("tso/A.PDS/@P.txt"), "A\n");
    EXPECT_FALSE(store.Store("A.TEXT", "M", member, error)) << "a member of a sequential data set";

    FileStore again(Personality::Tso, Cp037());
    ASSERT_TRUE(again.Load(back.path() + "/tso", error)) << error;
    ASSERT_EQ(again.entries().size(), 5u);
    for (const auto& [name, ds] : store.entries()) {
        const DataSet* other = again.Find(name);
        ASSERT_NE(other, nullptr) << name;
        EXPECT_EQ(Records(other->file), Records(ds.file)) << name;
        EXPECT_EQ(other->file.RecfmText(), ds.file.RecfmText()) << name;
        EXPECT_EQ(other->members.size(), ds.members.size()) << name;
    }
    // A file that turns binary leaves no stale text file behind.
    HostFile now_binary = store.Find("A.TEXT")->file;
    now_binary.data[0] = 0x00;
    ASSERT_TRUE(store.Store("A.TEXT", "", now_binary, error)) << error;
    EXPECT_TRUE(back.Has("tso/A.TEXT.bin"));
    EXPECT_FALSE(back.Has("tso/A.TEXT.txt"));
}

TEST(FileStore, BadSeedsAreRefusedWithTheirPlace) {
    for (const auto& [line, c] : test::ReadRows("records.tsv", "seed")) {
        Folder f;
        const Bytes catalog = test::Wire(c.at(0)), content = test::Wire(c.at(2));
        f.Write("catalog.txt", std::string(catalog.begin(), catalog.end()));
        if (c.at(1) != "-") f.Write(c.at(1), std::string(content.begin(), content.end()));
        FileStore store(PersonalityFromName(c.size() > 4 ? c.at(4) : "tso").value(), Cp037());
        std::string error;
        EXPECT_FALSE(store.Load(f.path(), error)) << "records.tsv line " << line;
        EXPECT_NE(error.find(c.at(3)), std::string::npos) << "records.tsv line " << line << ": " << error;
    }
}

TEST(FileStore, CmsNamesAndFileModes) {
    Folder f;
    f.Write("catalog.txt", "PROFILE.EXEC.A1 V 80\nNOTES.TEXT.B2 F 80\n");
    FileStore store(Personality::Cms, Cp037());
    std::string error;
    ASSERT_TRUE(store.Load(f.path(), error)) << error;
    EXPECT_EQ(store.Resolve("PROFILE EXEC A"), "PROFILE EXEC A1");
    EXPECT_EQ(store.Resolve("PROFILE EXEC A1"), "PROFILE EXEC A1");
    EXPECT_EQ(store.Resolve("NOTES TEXT B"), "NOTES TEXT B2");
    EXPECT_EQ(store.Resolve("PROFILE EXEC B"), "");
    EXPECT_EQ(store.DiskName("PROFILE EXEC A1"), "PROFILE.EXEC.A1");
}

}  // namespace
}  // namespace testhost::ft
