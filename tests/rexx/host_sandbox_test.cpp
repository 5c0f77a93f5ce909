// The sandbox of a macro a host sent, function by function, in a session assembled as both
// programs assemble it: every row of host_sandbox.tsv runs as host macro text and is allowed,
// refused (error 70 or 1020, nothing done) or finds Regina's ways out closed. Every statement
// keyword, REXX function and Oper key function must have its row.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "config/temp_folder.h"
#include "ds3270/host_text.h"
#include "keyboard/keyboard_state.h"
#include "macro/keywords.h"
#include "rexx/rexx_calls.h"
#include "rexx_fixture.h"
#include "scripting/macro_errors.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

struct Sandbox : test::RexxFixture {
    Sandbox() {
        session().folders.settings_file = folder / "orkan.ini";
        std::ofstream(secret) << "TOPSECRET\n";
        MacroVariables& users = runtime.core().Macros().Runner().variables();
        users.at(users.Create("PW")).value = MacroValue::Text("TOPSECRET");
        ui.SetClipboardText("CLIPBOARD-SECRET");
    }

    // Runs the macro as a host sends it, to its end.
    MacroOutcome Run(std::string text) {
        ReplaceAll(text, "\\n", "\n");
        ReplaceAll(text, "SECRET", secret.string());
        ReplaceAll(text, "MARKER", marker.string());
        runtime.session().status = SessionStatus::Unlocked;
        ui.lines.clear();
        ui.shown.clear();
        outcome.reset();
        (void)dispatcher().StartText(text, MacroOrigin::Host, [this](const MacroOutcome& o) { outcome = o; });
        EXPECT_TRUE(loop.RunUntil([&] { return outcome.has_value(); }, 20s)) << text;
        EXPECT_TRUE(loop.RunUntil([&] { return rexx().RunningTasks() == 0; }, 10s));
        return outcome.value_or(MacroOutcome{});
    }
    std::string Said() const {
        std::string all = Lines();
        for (const MessageBox& b : ui.shown) all += b.title + ": " + b.text + "\n";
        return all;
    }
    std::string ScreenText() const {
        const Planes& p = runtime.session().ps.planes;
        return std::string(p.display.begin(), p.display.end());
    }

    fs::path secret = fs::path(folder.path()) / "secret.txt";
    fs::path marker = fs::path(folder.path()) / "marker";
};

TEST(HostSandbox, EveryFunctionHasItsAnswer) {
    // kind, name, answer and the macro (none for an Oper key function)
    std::vector<test::TableRow> rows = test::ReadTableRows("rexx/host_sandbox.tsv");
    std::map<std::string, std::vector<std::string>> named;
    for (test::TableRow& r : rows) {
        r.cells.resize(4);
        named[r.cells[0]].push_back(r.cells[1]);
    }
    auto listed = [&](const std::string& kind, std::string_view name) {
        const auto& names = named[kind];
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (size_t k = 1; k < kStatementKeywords.size(); ++k)
        EXPECT_TRUE(listed("own", kStatementKeywords[k])) << kStatementKeywords[k] << " has no row";
    for (const RexxFunctionEntry& f : RexxFunctionTable())
        EXPECT_TRUE(listed("rexx", f.name)) << f.name << " has no row";

    Sandbox box;
    for (const KeyFunction& f : box.runtime.session().keyboard->key_list.Functions(KeyCategory::Oper))
        EXPECT_TRUE(listed("oper", f.name)) << f.name << " has no row";
    const AsciiHost ascii = box.runtime.session().link.ascii_host;

    for (const test::TableRow& row : rows) {
        const std::string &kind = row.cells[0], &name = row.cells[1], &answer = row.cells[2];
        const bool own = kind == "own" || kind == "oper";
        const std::string text = kind == "oper" ? "KEY(\"" + name + "\")"
                                 : own          ? row.cells[3]
                                                : "/* REXX */\n" + row.cells[3];
        const MacroOutcome o = box.Run(text);
        const std::string said = box.Said();
        const std::string where = row.where + " (" + name + ")\n" + said;
        EXPECT_FALSE(fs::exists(box.marker)) << where;
        for (const std::string& secret : {box.ScreenText(), said}) {
            EXPECT_EQ(secret.find("TOPSECRET"), std::string::npos) << where;
            EXPECT_EQ(secret.find("CLIPBOARD-SECRET"), std::string::npos) << where;
        }
        EXPECT_EQ(box.ui.ClipboardText(), "CLIPBOARD-SECRET") << where;
        EXPECT_TRUE(box.frame.arrangements.empty() && box.frame.close_requests == 0) << where;
        EXPECT_EQ(box.runtime.session().link.ascii_host, ascii) << where;
        if (answer == "allowed") {
            EXPECT_EQ(o.end, MacroOutcome::End::Finished) << where;
        } else if (answer == "refused") {
            // A refused command fails with its RC as commands do; the rest end the macro.
            if (kind != "builtin") {
                EXPECT_EQ(o.end, MacroOutcome::End::Error) << where;
            }
            if (own) {
                EXPECT_EQ(o.error, macro_error::Refused) << where;
                // Reported at the refused statement, the macro's one line.
                EXPECT_NE(said.find("error at line 1,"), std::string::npos) << where;
            } else {
                EXPECT_NE(said.find("Error 1020"), std::string::npos) << where;
            }
        } else {
            ASSERT_EQ(answer, "closed") << where;
            EXPECT_EQ(said.find("REACHED"), std::string::npos) << where;
        }
    }
    // Nothing of it was kept: no option, no setting, no file, no change to the user's variables.
    const MacroVariables& users = box.runtime.core().Macros().Runner().variables();
    ASSERT_GE(users.Find("PW"), 0);
    EXPECT_EQ(users.at(users.Find("PW")).value.text, "TOPSECRET");
    EXPECT_FALSE(fs::exists(box.runtime.session().folders.settings_file));
    EXPECT_NE(box.runtime.session().record.Text(field::HostName), "evil.example");
}

// Allowed, a host's program starts with its command line split as the user's own would be.
TEST(HostSandbox, AllowHostMacrosGivesTheUsersPower) {
    Sandbox box;
    box.runtime.session().settings.AllowHostMacros = 1;
    const fs::path made = box.marker.string() + " two";
    for (const std::string text :
         {"A = WINEXEC(\"touch \"\"MARKER two\"\"\")", "/* REXX */\nx = winexec('touch \"MARKER two\"')"}) {
        fs::remove(made);
        EXPECT_EQ(box.Run(text).end, MacroOutcome::End::Finished) << box.Said();
        for (int i = 0; i < 1000 && !fs::exists(made); ++i)
            (void)box.loop.RunUntil([] { return false; }, 10ms);
        EXPECT_TRUE(fs::exists(made)) << text;
    }
}

TEST(HostSandbox, TheMacroFileIsPrivateAndNoUsersName) {
    test::TempFolder folder;
    const fs::path target = fs::path(folder.path()) / "target.txt";
    struct Case {
        std::string_view what;
        std::function<void(const fs::path&)> plant;
        bool created;
    } cases[] = {
        {"nothing there", [](const fs::path&) {}, true},
        {"a leftover of ours", [](const fs::path& p) { std::ofstream(p) << "old"; }, true},
        {"a link", [&](const fs::path& p) { fs::create_symlink(target, p); }, false},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }, false},
    };
    for (const Case& c : cases) {
        std::ofstream(target) << "KEEP";
        const fs::path path = fs::path(folder.path()) / "ork$A$exec.mac";
        fs::remove_all(path);
        c.plant(path);
        std::string reason;
        const FilePtr file = CreateHostMacroFile(path.string(), reason);
        EXPECT_EQ(file != nullptr, c.created) << c.what << ": " << reason;
        EXPECT_EQ(test::ReadText(target.string()), "KEEP") << c.what;
        if (c.created) {
            EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write);
            EXPECT_EQ(fs::file_size(path), 0u) << c.what;
        }
    }
    for (const char* name : {"ork$A$exec", "ORK$7$EXEC.MAC", "/some/folder/ork$b$exec.mac"})
        EXPECT_TRUE(IsHostMacroFileName(name)) << name;
    for (const char* name : {"ork$A$xfer", "ork$AB$exec", "work$A$exec", "ork$A$exec.rexx"})
        EXPECT_FALSE(IsHostMacroFileName(name)) << name;
}

}  // namespace
}  // namespace orkan
