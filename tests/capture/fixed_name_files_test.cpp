// Files written at fixed or guessable names, with a symbolic link planted at the name first (to a
// file of the user's, and dangling): the link is never followed, and the user is told which file
// was refused. Below them, the opening rule itself.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "capture/asm_listing.h"
#include "capture/debug_screen.h"
#include "dialog_ui.h"
#include "ds3270/host_text.h"
#include "keyboard/key_functions.h"
#include "platform/file_io.h"
#include "print/printer_target.h"
#include "record/macro_recorder.h"
#include "support/recording_ui.h"
#include "support/running_session.h"
#include "transfer/multiple_transfer.h"
#include "transfer/transfer_log.h"

namespace orkan {
namespace {

namespace fs = std::filesystem;

const std::string kUsersText = "the user's own file\n";

class FixedNameFiles : public ::testing::Test, public test::RunningSession<> {
  protected:
    FixedNameFiles() {
        EXPECT_EQ(Start({"--headless", "--host", "127.0.0.1:2023", "--printer", printer.c_str()}), 0);
        EXPECT_TRUE(Connect({"F5C3 11C150 1D60 D5C1D4C5 1D40 13 FFEF"}));
    }

    const std::string printer = folder / "printed.txt";
};

TEST_F(FixedNameFiles, ALinkAtTheNameIsRefusedAndNamed) {
    const std::string letter(1, session().letter);
    const fs::path data = session().folders.app_data;
    const fs::path macros =
        session().folders.temp_macros.empty() ? session().folders.macros : session().folders.temp_macros;
    ASSERT_TRUE(session().record.SetText(field::SaveScreenFile, "saved"));
    const fs::path printable = folder / "printable.txt";
    std::ofstream(printable) << "a line to print\n";

    std::string error;  // what a writer reports itself; the rest tell the user
    const struct {
        const char* what;
        fs::path path;
        std::function<void()> write;
    } writers[] = {
        {"trace", data / ("session" + letter + ".trc"), [&] { (void)runtime.core().StartTraceAtStartUp(); }},
        {"save screen", fs::path(session().folders.screens) / "saved.txt",
         [&] { (void)runtime.core().RunOper(oper_fn::SaveScreen); }},
        {"save screen appending", fs::path(session().folders.screens) / "saved.txt",
         [&] { (void)runtime.core().RunOper(oper_fn::SaveScreenAppend); }},
        {"debug screen", data / "dump.dbg", [&] { (void)SaveDebugScreen(session(), "dump"); }},
        {"data-stream listing", data / "orkan.asm", [&] { (void)MakeAsmStatements(session()); }},
        {"host print text", data / ("ork$" + letter + "$prnt.txt"),
         [&] {
             CollectHostText(session(), HostTextKind::Print, std::vector<uint8_t>{0xC1, 0xC2});
             FinishHostText(session());  // the next write's text starts a new file
         }},
        {"transfer macro", macros / ("ork$" + letter + "$xfer.mac"),
         [&] { (void)WriteTransferMacro(session(), "x", error); }},
        {"transfer log", data / "transfer.log",
         [&] {
             TransferLog log(data);
             (void)log.Append("x");
             error = log.error();
         }},
        {"recording", macros / "recorded.mac",
         [&] {
             MacroRecorder& recorder = runtime.core().Recorder();
             // A recording whose file was refused goes on, to be stopped again.
             if (!recorder.Active()) (void)recorder.Start({(macros / "recorded.mac").string(), "", false});
             (void)recorder.Stop();
         }},
        {"print file", folder / "printed.txt", [&] { runtime.core().Print().PrintFile(printable); }},
    };
    for (const auto& w : writers) {
        for (const bool dangling : {false, true}) {
            SCOPED_TRACE(std::string(w.what) + (dangling ? ", dangling link" : ", link to a file"));
            fs::create_directories(w.path.parent_path());
            const fs::path users = folder / "users-file";
            fs::remove(users);
            if (!dangling) {
                std::ofstream(users) << kUsersText;
                fs::permissions(users, fs::perms(0644));
            }
            fs::remove(w.path);
            fs::create_symlink(users, w.path);
            error.clear();
            w.write();
            const std::string told = error.empty() ? LastMessage() : error;
            EXPECT_TRUE(fs::is_symlink(w.path));
            EXPECT_EQ(fs::exists(users), !dangling);
            if (!dangling) {
                EXPECT_EQ(test::ReadText(users), kUsersText);
                EXPECT_EQ(test::ModeOf(users), 0644u);
            }
            EXPECT_NE(told.find(w.path.filename().string()), std::string::npos) << told;
            fs::remove(w.path);
            ui.shown.clear();
        }
    }
}

TEST(FileOpening, WhatIsAtTheNameDecides) {
    enum class There { Nothing, File, Link, Fifo, NoFolder };
    struct Case {
        There there;
        WriteMode mode;
        FileAccess access;
        int error;             // 0: opened
        std::string contents;  // after "new" was written
        mode_t file_mode;
        MissingFolder missing = MissingFolder::Make;
    };
    const Case cases[] = {
        {There::Nothing, WriteMode::Replace, FileAccess::Private, 0, "new", 0600},
        {There::NoFolder, WriteMode::Append, FileAccess::Private, 0, "new", 0600},
        {There::NoFolder, WriteMode::Replace, FileAccess::Shared, ENOENT, "", 0, MissingFolder::Fail},
        {There::File, WriteMode::Replace, FileAccess::Private, 0, "new", 0600},
        {There::File, WriteMode::Replace, FileAccess::Shared, 0, "new", 0644},
        {There::File, WriteMode::Append, FileAccess::Shared, 0, "old\nnew", 0644},
        {There::File, WriteMode::CreateNew, FileAccess::Private, EEXIST, "old\n", 0644},
        {There::Link, WriteMode::Append, FileAccess::Private, ELOOP, "", 0},
        {There::Link, WriteMode::CreateNew, FileAccess::Shared, EEXIST, "", 0},
        {There::Fifo, WriteMode::Append, FileAccess::Shared, EINVAL, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        test::TempFolder folder;
        const fs::path path = folder / (c.there == There::NoFolder ? "made/file" : "file");
        const fs::path elsewhere = folder / "elsewhere";
        std::ofstream(elsewhere) << "old\n";
        if (c.there == There::File) {
            std::ofstream(path) << "old\n";
            fs::permissions(path, fs::perms(0644));
        }
        if (c.there == There::Link) fs::create_symlink(elsewhere, path);
        if (c.there == There::Fifo) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        }
        errno = 0;
        const int fd = OpenForWriting(path, c.mode, c.access, c.missing);
        EXPECT_EQ(fd < 0 ? errno : 0, c.error);
        if (fd >= 0) {
            EXPECT_EQ(WriteAllBytes(fd, std::span(reinterpret_cast<const uint8_t*>("new"), 3)), 0);
            ::close(fd);
        }
        EXPECT_EQ(test::ReadText(elsewhere), "old\n") << "never written through a link";
        if (c.there != There::Link && c.there != There::Fifo) {
            EXPECT_EQ(test::ReadText(path), c.contents);
            EXPECT_EQ(test::ModeOf(path), c.file_mode);
        }
    }
}

}  // namespace
}  // namespace orkan
