// Macros a host sends, against a session whose every way out counts: programs, other sessions,
// sounds and files (the macro environment), the clipboard and dialogs (the Ui), program operations
// (the Oper hook), options, settings and transfers (the session's record, the settings file and
// the transfer state, compared before and after), macro starts (a macro file that must never run).
// Reaching any of them aborts.
//
// Input: the first byte chooses. Even: the rest is own-language macro text, run as a host sends it.
// Odd: calls of the REXX macros' functions as a host's REXX macro makes them (the interpreter
// itself runs on threads of its own and is left out): each call is a function-number byte, an
// argument-count byte and that many arguments, each ended by 0x00. The waiting functions are left
// out: they only sleep.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "harness.h"
#include "keyboard/keyboard.h"
#include "rexx/rexx_calls.h"
#include "session/session.h"
#include "transfer/transfer_client.h"

namespace {

using orkan::fuzz::Reached;

class CountingUi final : public orkan::Ui {
  public:
    orkan::Answer ShowMessage(const orkan::MessageBox&) override { return orkan::Answer::Ok; }
    std::string ClipboardText() const override { Reached("the clipboard"); }
    void SetClipboardText(std::string_view) override { Reached("the clipboard"); }
    std::optional<std::string> AskEditBox(const orkan::EditBoxRequest&) override {
        Reached("an input dialog");
    }
    std::optional<std::string> AskFileName(const orkan::FileDialogRequest&) override {
        Reached("a file dialog");
    }
};

class CountingOper final : public orkan::OperHook {
  public:
    bool RunOper(uint8_t) override { Reached("a program operation"); }
};

// What the canary macros type: a text made anew for each run, so no stored input holds it, and
// looked for by hash, so the fuzzer's comparison tracing never sees it. A host macro may type any
// text it can name; only the canary can type this one.
uint64_t Fnv1a(std::string_view text) {
    uint64_t h = 14695981039346656037ull;
    for (const char c : text) h = (h ^ uint8_t(c)) * 1099511628211ull;
    return h;
}

const std::string& CanaryText() {
    static const std::string text = [] {
        std::random_device random;
        std::string t = "Canary";
        for (int i = 0; i < 16; ++i) t += char('a' + random() % 26);
        return t;
    }();
    return text;
}

bool ShowsCanary(std::string_view screen) {
    static const uint64_t canary_hash = Fnv1a(CanaryText());
    const size_t n = CanaryText().size();
    for (size_t at = 0; at + n <= screen.size(); ++at)
        if (Fnv1a(screen.substr(at, n)) == canary_hash) return true;
    return false;
}

// The fuzzer's own folder: the macros folder with a macro no start may reach, and the place of a
// settings file nothing may write.
const std::string& Folder() {
    static const std::string& folder = []() -> const std::string& {
        const std::string& own = orkan::fuzz::OwnFolder();
        std::ofstream(own + "/canary.mac") << "TYPE(\"" << CanaryText() << "\")\r\n";
        std::ofstream(own + "/canary2.mac") << "/* REXX */\r\ncall type '" << CanaryText() << "'\r\n";
        return own;
    }();
    return folder;
}

struct World {
    World() {
        session.folders.app_data = session.folders.macros = session.folders.temp_macros = Folder();
        session.folders.settings_file = Folder() + "/orkan.ini";
        session.folders.program_data = Folder();
        session.hooks.oper = &oper;
        session.status = orkan::SessionStatus::Unlocked;
    }
    void Check() const {
        if (!(session.record == record)) Reached("the options");
        if (transfer.state().active || !transfer.state().host_list.entries.empty()) Reached("file transfer");
        if (std::filesystem::exists(session.folders.settings_file)) Reached("the settings file");
        const auto& display = session.ps.planes.display;
        const std::string screen(display.begin(), display.end());
        if (ShowsCanary(screen)) Reached("a macro file");
    }

    CountingUi ui;
    orkan::Session session{ui};
    orkan::Keyboard keyboard{session};
    orkan::SessionRecord record = session.record;
    orkan::fuzz::TurnLoop loop;
    orkan::TransferClient transfer{session, loop};  // its own rights check, as in the program
    orkan::fuzz::SealedEnvironment environment;
    CountingOper oper;
};

void RunRexxFunctions(World& w, const uint8_t* data, size_t size) {
    orkan::RexxMacros rexx(w.session, w.loop, w.environment);
    orkan::RexxTask task;
    task.permissions = orkan::MacroPermissions::HostMacro();
    // What starting a task gives it: its way to the loop and its data folder.
    task.mailbox = std::make_shared<orkan::LoopMailbox>(w.loop);
    task.data_folder = w.session.folders.app_data;
    orkan::RexxContext context{&rexx, &task};
    const auto table = orkan::RexxFunctionTable();
    size_t at = 0;
    while (at + 2 <= size) {
        const orkan::RexxFunctionEntry& entry = table[data[at] % table.size()];
        size_t count = data[at + 1] % 6;
        at += 2;
        orkan::RexxArguments args;
        while (count-- > 0 && at <= size) {
            const auto* end = static_cast<const uint8_t*>(std::memchr(data + at, 0, size - at));
            const size_t n = end ? size_t(end - (data + at)) : size - at;
            args.emplace_back(std::string(reinterpret_cast<const char*>(data + at), n));
            at += n + 1;
        }
        if (entry.name == "wait" || entry.name == "shortwait" || entry.name == "waitunlocked") continue;
        task.refused = false;
        (void)entry.function(context, args);
        w.Check();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    World w;
    if (data[0] % 2 == 0)
        orkan::fuzz::RunHostMacro(w.session, w.loop, w.environment,
                                  std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), 200,
                                  true);
    else
        RunRexxFunctions(w, data + 1, size - 1);
    w.Check();
    return 0;
}
