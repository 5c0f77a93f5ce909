// Printing as the session drives it: outputs named by the printer, two-up sheets, the status while
// printing, CUPS through lp, text files and what the host sends to the printer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <sstream>

#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "platform/scoped_timers.h"
#include "print/print_rig.h"
#include "print/print_spool.h"
#include "print/printer_profile.h"
#include "support/golden_file.h"
#include "support/loopback.h"

namespace orkan {
namespace {

using test::PrintRig;
using test::ReadText;

void SetTwoUp(Session& s, int profile, bool two_up) {
    PrinterProfile p = ReadPrinterProfile(s.record, profile);
    p.two_up = two_up;
    WritePrinterProfile(s.record, profile, p);
}

// The words of a text print, "|" between them; a form feed, which starts a sheet, is the word "/".
std::string Words(std::string text) {
    for (size_t at = 0; (at = text.find('\f', at)) != std::string::npos; at += 3) text.replace(at, 1, " / ");
    std::istringstream in(text);
    std::string out;
    for (std::string word; in >> word;) out += (out.empty() ? "" : "|") + word;
    return out;
}

TEST(Printing, TextOutputListsTheScreenAndRestoresTheStatus) {
    PrintRig rig;
    rig.printing->state().printer = rig.folder / "out.txt";
    rig.Show({{0, 1, std::nullopt, "HELLO"}, {2, 0, 0x0C, "password"}, {2, 20, 0x28, "shown"}});
    (void)rig.session().record.SetText(field::UserName, "User &L &T");
    rig.session().status = SessionStatus::Unlocked;
    rig.printing->PrintScreen(false);
    EXPECT_EQ(rig.Messages(), "");
    const std::string text = ReadText(rig.folder / "out.txt");
    EXPECT_EQ(text.substr(0, text.find("shown") + 6),
              "User A UNLOCKED\n\n HELLO\n\n" + std::string(21, ' ') + "shown\n");
    EXPECT_EQ(text.size(), text.find("shown") + 6 + 21);  // 24 rows
    EXPECT_EQ(rig.session().status, SessionStatus::Unlocked);
    EXPECT_EQ(rig.printing->state().status_text, "1of1");
}

TEST(Printing, TwoUpSheetsFollowWhatHappensBetweenThePrints) {
    const struct {
        const char* name;
        int between;  // 0 nothing, 1 a key, 2 a host write, 3 the time-out
        const char* sheets;
        const char* status;
    } cases[] = {
        {"key between", 1, "FIRST|SECOND", "2of2"},
        {"host write between", 2, "FIRST|SECOND", "2of2"},
        {"nothing between", 0, "FIRST", "1of1"},
        {"time-out", 3, "FIRST", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PrintRig rig;
        Session& s = rig.session();
        SetTwoUp(s, 0, true);
        rig.printing->state().printer = rig.folder / "out.txt";
        rig.Show({{0, 0, std::nullopt, "FIRST"}});
        rig.printing->PrintScreen(false);
        if (c.between == 1) {
            ExecuteKey(s, MakeKeyCode(KeyCategory::Edit, edit_fn::Home));
            EXPECT_FALSE(rig.printing->state().pending);
        }
        if (c.between == 1 || c.between == 2) rig.Show({{0, 0, std::nullopt, "SECOND"}});
        if (c.between == 3) {
            for (int second = 0; second < s.settings.PrintTimeout; ++second) rig.printing->Tick();
        } else {
            ExecuteKey(s, MakeKeyCode(KeyCategory::Oper, oper_fn::PrintScreen));
        }
        EXPECT_EQ(Words(ReadText(rig.folder / "out.txt")), c.sheets);
        EXPECT_EQ(rig.printing->state().status_text, c.status);
        EXPECT_EQ(rig.printing->state().stored, nullptr);
        EXPECT_EQ(rig.Messages(), "");
    }
}

TEST(Printing, AMissingPrinterLeavesTheSessionAsItWas) {
    for (const test::TableRow& row : test::ReadTableRows("print/data/missing_printers.tsv")) {
        SCOPED_TRACE(row.where);
        PrintRig rig;
        Session& s = rig.session();
        SetTwoUp(s, 0, true);
        s.status = SessionStatus::Unlocked;
        rig.printing->state().printer = row.cells.at(0);
        rig.printing->PrintScreen(false);
        ASSERT_TRUE(rig.WaitForJobs());  // CUPS is asked about a queue beside the loop
        EXPECT_EQ(rig.Messages(), "Printer Error: Printer not found - " + row.cells.at(1));
        EXPECT_EQ(s.status, SessionStatus::Unlocked);
        EXPECT_EQ(rig.printing->state().stored, nullptr);  // not even the first screen of a two-up sheet
        EXPECT_EQ(rig.printing->state().status_text, "");
        EXPECT_EQ(rig.printing->state().active_jobs, 0);
        // A text file (a host's print macro) meets the same refusal and leaves the keyboard free.
        test::WriteText(rig.folder / "report.txt", "REPORT 4711\n");
        rig.printing->PrintFile(rig.folder / "report.txt");
        ASSERT_TRUE(rig.WaitForJobs());
        EXPECT_EQ(rig.Messages(), "Printer Error: Printer not found - " + row.cells.at(1));
        EXPECT_EQ(s.status, SessionStatus::Unlocked);
        EXPECT_EQ(rig.printing->state().active_jobs, 0);
    }
}

TEST(Printing, QueuesGetThePdfThroughLpAndItsFailuresAreReported) {
    PrintRig rig;
    Session& s = rig.session();
    rig.Show({{0, 0, std::nullopt, "QUEUED"}});
    s.status = SessionStatus::Unlocked;
    rig.printing->PrintScreen(false);            // "<default>" is the queue lpstat names
    EXPECT_EQ(s.status, SessionStatus::Locked);  // until lp has ended
    ASSERT_TRUE(rig.WaitForJobs());
    EXPECT_EQ(rig.LpArguments().substr(0, 39), "-d office -t Orkan TN3270 Screen Print ");
    EXPECT_EQ(rig.LpFile().substr(0, 8), "%PDF-1.4");
    EXPECT_EQ(s.status, SessionStatus::Unlocked);
    EXPECT_EQ(rig.Messages(), "");

    // A failing lp is reported; a host write while lp still runs keeps the status it gives.
    test::WriteText(rig.folder / "lp.exit", "3\n");
    test::WriteText(rig.folder / "lp.sleep", "0.3\n");
    s.status = SessionStatus::SysLock;
    rig.printing->PrintScreen(false);
    rig.Show({{0, 0, std::nullopt, "REPLY"}});  // keyboard restore
    EXPECT_EQ(s.status, SessionStatus::Unlocked);
    ASSERT_TRUE(rig.WaitForJobs());
    EXPECT_EQ(rig.Messages(), "Printer Error: Printing to office failed: " + rig.folder / "lp" +
                                  " ended with exit status 3.\nlp: printer on fire");
    EXPECT_EQ(s.status, SessionStatus::Unlocked);  // not set back to SYSLOCK
}

// The loop goes on while CUPS is asked about the printer, and the sheet shows the screen the key
// found, not host data that came meanwhile; jobs keep their order; a print asked for just before
// the end still reaches lp.
TEST(Printing, ThePrinterLookUpRunsBesideTheLoop) {
    PrintRig rig;
    Session& s = rig.session();
    test::WriteText(rig.folder / "lpstat.hold", "");
    rig.Show({{0, 0, std::nullopt, "BEFORE"}});
    s.status = SessionStatus::Unlocked;
    rig.printing->state().printer = "office";
    rig.printing->PrintScreen(false);  // back at once, with lpstat held
    EXPECT_EQ(rig.printing->JobsRunning(), 1u);
    EXPECT_EQ(s.status, SessionStatus::Locked);
    rig.Show({{0, 0, std::nullopt, "AFTER!"}});
    std::filesystem::remove(rig.folder / "lpstat.hold");
    ASSERT_TRUE(rig.WaitForJobs());
    EXPECT_EQ(rig.Messages(), "");
    if (test::HavePoppler()) {
        const std::string text = test::PdfText(rig.folder / "lp.job");
        EXPECT_NE(text.find("BEFORE"), std::string::npos) << text;
        EXPECT_EQ(text.find("AFTER!"), std::string::npos) << text;
    }

    // Jobs reach lp in the order they were asked for, however long CUPS takes over each printer.
    std::filesystem::remove(rig.folder / "lp.log");
    test::WriteText(rig.folder / "in.txt", "TEXT\n");
    rig.printing->state().printer = "slow";
    rig.printing->PrintFile(rig.folder / "in.txt");
    rig.printing->state().printer = "office";
    rig.printing->PrintScreen(false);
    ASSERT_TRUE(rig.WaitForJobs());
    std::istringstream log(ReadText(rig.folder / "lp.log"));
    std::map<long, std::string> started;  // by process id: the order lp was started in
    for (std::string line; std::getline(log, line);)
        started[std::stol(line)] = line.substr(line.find(' ') + 1);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started.begin()->second.rfind("-d slow -t Orkan TN3270 File Print", 0), 0u)
        << started.begin()->second;
    EXPECT_EQ(started.rbegin()->second.rfind("-d office -t Orkan TN3270 Screen Print", 0), 0u)
        << started.rbegin()->second;

    std::filesystem::remove(rig.folder / "lp.job");
    test::WriteText(rig.folder / "lpstat.sleep", "0.2\n");
    rig.printing->PrintScreen(false);
    rig.printing.reset();  // waits for lpstat's answer and for lp, which reads the job's file
    EXPECT_EQ(ReadText(rig.folder / "lp.job").substr(0, 5), "%PDF-");
    EXPECT_EQ(rig.Messages(), "");
}

TEST(Printing, PrintScreenAskUsesTheDialogsPrinterForTheRestOfTheRun) {
    PrintRig rig;
    Session& s = rig.session();
    s.status = SessionStatus::Unlocked;
    rig.printing->RunOper(oper_fn::PrintScreenAsk);  // no dialog here
    EXPECT_NE(rig.Messages().find("Print Screen Ask needs the print dialog"), std::string::npos);

    rig.ui.can_ask = true;
    rig.ui.dialog_answer = PrintDialogAnswer{};
    rig.ui.dialog_answer->printer = rig.folder / "chosen.txt";
    rig.printing->RunOper(oper_fn::PrintScreenAsk);
    EXPECT_EQ(rig.ui.asked, (std::vector<std::string>{"<default>", "<default>"}));
    EXPECT_TRUE(std::filesystem::exists(rig.folder / "chosen.txt"));
    EXPECT_EQ(rig.printing->CurrentPrinter(), rig.folder / "chosen.txt");

    rig.ui.dialog_answer.reset();
    rig.printing->RunOper(oper_fn::PrintScreenAsk);
    EXPECT_EQ(rig.Messages(), "");
    EXPECT_EQ(s.status, SessionStatus::Unlocked);
    EXPECT_FALSE(rig.printing->RunOper(oper_fn::SaveScreen));
}

TEST(Printing, TextFilesAndTheirErrors) {
    PrintRig rig;
    Session& s = rig.session();
    rig.printing->state().printer = rig.folder / "file.txt";
    test::WriteText(rig.folder / "in.txt", std::string(200, 'x') + "\n");
    rig.printing->PrintFile(rig.folder / "in.txt");
    EXPECT_EQ(ReadText(rig.folder / "file.txt"), std::string(132, 'x') + "\n" + std::string(68, 'x') + "\n");
    rig.printing->PrintFile(rig.folder / "missing.txt");
    EXPECT_EQ(rig.Messages(), "File Open Error: Error opening file " + rig.folder / "missing.txt" +
                                  " for printing\nNo such file or directory");
    // A FIFO or a device is refused at once, both as a file to print and as the WCC print file.
    const std::string fifo = rig.folder / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        rig.printing->PrintFile(path);
        rig.printing->CopyFileToPrinter(path, rig.folder / "wcc.txt");
        const std::string refusal =
            "File Open Error: Error opening file " + path + " for printing\nThe name is not a regular file.";
        EXPECT_EQ(rig.Messages(), refusal + " | " + refusal);
    }
    rig.printing->RunOper(oper_fn::PrintFile);  // no file dialog here
    EXPECT_NE(rig.Messages().find("Print File needs the name of the file"), std::string::npos);
    // A profile whose edges give no area prints with the defaults, after saying so.
    PrinterProfile p = ReadPrinterProfile(s.record, kTextFileProfile);
    p.edges[0] = {90, 5, 10, 95};
    WritePrinterProfile(s.record, kTextFileProfile, p);
    rig.printing->PrintFile(rig.folder / "in.txt");
    EXPECT_NE(rig.Messages().find("Printer profile 6 has unusable portrait edges"), std::string::npos);
    // A second job into the same text file follows the first after a form feed.
    const std::string job = std::string(132, 'x') + "\n" + std::string(68, 'x') + "\n";
    EXPECT_EQ(ReadText(rig.folder / "file.txt"), job + "\f" + job);
}

TEST(Printing, AccumulatedWccPrintsGoToTheWccPrinterThroughLp) {
    PrintRig rig;
    Session& s = rig.session();
    s.settings.WCCPrintAccumulate = 1;
    s.record.SetNumber(field::HostInitiatedPrinting, 1);
    s.folders.settings_file = rig.folder / "orkan.ini";
    test::WriteText(s.folders.settings_file, "[Orkan]\nWCCPrinterName1=office\n");
    rig.Show({{0, 0, std::nullopt, "PAGE \xC9"}}, 0xC8);  // start printer
    rig.Show({{0, 0, std::nullopt, "TWO"}}, 0xC8);
    rig.Show({{0, 0, std::nullopt, "done"}}, 0xC3);  // no start printer: the file goes out
    ASSERT_TRUE(rig.WaitForJobs());
    EXPECT_EQ(rig.LpFile(), "PAGE \xC3\x89 TWO ");  // UTF-8 for CUPS
    EXPECT_EQ(rig.LpArguments().substr(0, 36), "-d office -t Orkan TN3270 File Print");
    EXPECT_EQ(rig.Messages(), "");
}

// A print job that overruns its time: asked to end, killed when it will not, and the loop goes on
// serving the session meanwhile.

TEST(PrintSpool, AnOverrunJobIsStoppedWithoutHoldingTheLoop) {
    test::TempFolder dir;
    const std::string told = dir / "told";
    const struct {
        const char* what;
        std::string lp;
    } cases[] = {
        {"ends when asked", "#!/bin/sh\nexec sleep 30\n"},
        // Notes that it was asked, and goes on: only a kill ends it.
        {"goes on when asked", "#!/bin/sh\ntrap 'touch " + told + "' TERM\nwhile :; do sleep 0.05; done\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string lp = dir / "lp";
        test::WriteText(lp, c.lp);
        ASSERT_EQ(chmod(lp.c_str(), 0700), 0);
        PollEventLoop loop;
        PrintPrograms programs;
        programs.lp = lp;
        programs.job_timeout = std::chrono::milliseconds(100);
        PrintSpool spool(loop, programs);
        std::optional<ChildResult> result;
        SpoolRequest request;
        request.queue = "queue";
        request.file = dir / "job.txt";
        spool.Submit(request, [&](const ChildResult& r) { result = r; });
        // The loop's other work goes on between the request to end and the kill.
        bool served_while_stopping = false;
        ScopedTimers other_work(loop);
        other_work.Start(0, std::chrono::milliseconds(10), false, [&] {
            if (!result && access(told.c_str(), F_OK) == 0) served_while_stopping = true;
        });
        ASSERT_TRUE(loop.RunUntil([&] { return result.has_value(); }, std::chrono::seconds(30)));
        EXPECT_TRUE(result->timed_out);
        EXPECT_EQ(result->Describe(), "no answer in time, stopped");
        EXPECT_EQ(spool.Running(), 0u);
        if (c.lp.find("trap") != std::string::npos) {
            EXPECT_TRUE(served_while_stopping);
        }
    }
}

}  // namespace
}  // namespace orkan
