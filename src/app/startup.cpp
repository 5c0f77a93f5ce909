#include "app/startup.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/folders_setup.h"
#include "app/session_core.h"
#include "charset/display_unicode.h"
#include "config/data_file.h"
#include "config/profile_file.h"
#include "config/session_file.h"
#include "config/settings_file.h"
#include "net/host_address.h"
#include "peers/runtime_folder.h"
#include "platform/file_io.h"
#include "print/printer_target.h"
#include "session/session_charset.h"

namespace orkan {

namespace {

constexpr std::array<std::string_view, 4> kEventMacroNames = {"protect.ext", "tpxswap.ext", "locked.ext",
                                                              "unlocked.ext"};

void ProgramError(Ui& ui, const std::string& text) {
    ui.ShowMessage({std::string(kProgramErrorTitle), text, Buttons::Ok, Icon::Error});
}

// Paths are UTF-8; messages are display text (Windows-1252).
std::string Shown(std::string_view utf8) {
    return Utf8ToDisplay(utf8).text;
}

// A relative --macro name is taken in the folder the program was started in when the name is
// there (as --printer takes its file there), else in the macros folder. Whatever is there is the
// user's choice: a FIFO or a folder of that name is refused under its own name, not reported as
// missing from the macros folder.
std::string StartupMacroName(const std::string& name) {
    if (name.empty() || name.front() == '/') return name;
    std::error_code ec;
    const std::filesystem::path here = std::filesystem::current_path(ec);
    if (ec) return name;
    const std::string path = DataFilePath(name, here.string(), "mac");
    return std::filesystem::exists(path, ec) ? path : name;
}

EventMacroFiles FindEventMacros(const std::string& macros_folder) {
    EventMacroFiles files;
    for (size_t i = 0; i < kEventMacroNames.size(); ++i) {
        const std::filesystem::path path = std::filesystem::path(macros_folder) / kEventMacroNames[i];
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) files.paths[i] = path.string();
    }
    return files;
}

// Which connection values the command line names, known before the session file is read so the
// host list leaves them alone.
GivenOnCommandLine GivenBy(const CommandLine& cl) {
    GivenOnCommandLine given;
    if (cl.HostValue() && !cl.HostValue()->empty()) given = {true, true, true, true};
    given.port |= cl.Given(CmdOption::Port);
    given.tn3270e |= cl.Given(CmdOption::Tn3270e);
    given.tls |= cl.Given(CmdOption::Tls);
    given.lu_name |= cl.Given(CmdOption::LuName);
    return given;
}

CommandLineConnection ConnectionGivenBy(const CommandLine& cl, const SessionRecord& record) {
    CommandLineConnection c;
    c.host = cl.HostValue() && !cl.HostValue()->empty();
    c.port = cl.Given(CmdOption::Port);
    c.tn3270e = cl.Given(CmdOption::Tn3270e);
    c.tls = cl.Given(CmdOption::Tls);
    c.lu_name = cl.Given(CmdOption::LuName);
    c.model = RequestedModelIndex(cl).has_value() || !cl.size.empty();
    c.values = record;
    return c;
}

int ClaimSlot(const CommandLine& cl, const StartupEnvironment& env, SessionRuntime& runtime,
              StartupState& out) {
    Session& s = runtime.session();
    const RuntimeFolder folder = RuntimeFolderFor(env.env);
    if (auto problem = PrepareRuntimeFolder(folder)) {
        ProgramError(s.ui, Shown(*problem));
        return kStartupFailed;
    }
    std::string error;
    std::unique_ptr<SharedArea> area = SharedArea::Open(folder, error);
    if (!area) {
        ProgramError(s.ui, Shown(error));
        return kStartupFailed;
    }
    std::optional<int> requested;
    if (auto letter = RequestedSessionLetter(cl, s.ui))
        requested = SlotOfLetter(*letter);
    else if (cl.Given(CmdOption::Letter))
        return kStartupFailed;  // reported; another letter would mislead a script that addresses this one
    const std::string name = s.record.Text(field::SessionFile);
    const ClaimResult claim = area->Claim(requested, name);
    if (!claim.error.empty()) {
        ProgramError(s.ui, Shown(claim.error));
        return kStartupFailed;
    }
    if (!claim.slot) {
        ProgramError(s.ui, "There are " + std::to_string(kSlotCount) +
                               " sessions already active,\nwhich is the maximum number.");
        return kStartupFailed;
    }
    out.same_name_sessions = claim.same_name;
    std::unique_ptr<MessageSocket> socket =
        MessageSocket::Open(folder.path, LetterOfSlot(*claim.slot), error);
    if (!socket) {
        // The session still works; only the other sessions cannot reach it.
        s.ui.ShowMessage({std::string(kProgramErrorTitle), Shown(error), Buttons::Ok, Icon::Warning});
    }
    out.peers = std::make_unique<SessionPeers>(runtime.loop(), folder, std::move(area), std::move(socket));
    runtime.SetPeers(out.peers.get());
    out.peers->NotifySessions(0);
    return 0;
}

}  // namespace

bool PrepareDefaultSession(Session& session, const std::string& program_data) {
    session.record = DefaultSessionRecord();
    session.settings = ProgramSettings{};
    session.folders = Folders{};
    session.folders.program_data = program_data;
    return RebuildCharset(session);
}

int PrepareSession(const CommandLine& cl, const StartupEnvironment& env, SessionRuntime& runtime,
                   StartupState& out) {
    Session& s = runtime.session();
    Ui& ui = s.ui;
    for (const std::string& note : cl.notes) ui.ShowMessage({std::string(kCommandLineErrorTitle), note});
    // Before the change to the documents folder, so a relative output file is where it was named.
    if (!cl.printer.empty()) runtime.core().Print().state().printer = PrinterNameForRun(cl.printer);
    const std::string startup_macro = StartupMacroName(cl.Value(CmdOption::Macro));

    if (!ResolveFolders(FolderRequestFrom(cl, env.program_data), env.env, s.folders, ui))
        return kStartupFailed;
    if (!PrepareAppData(s.folders, ui)) return kStartupFailed;
    if (env.change_directory && ::chdir(s.folders.documents.c_str()) != 0) {
        // Relative names then resolve against wherever the program was started; worth a word only.
        ui.ShowMessage({std::string(kFolderErrorTitle),
                        "The documents folder " + Shown(s.folders.documents) + " cannot be entered (" +
                            std::strerror(errno) + ").",
                        Buttons::Ok, Icon::Warning});
    }

    if (!LoadKeyList(s.folders, out.key_list, ui)) return kStartupFailed;

    const ProfileLoad ini = LoadProfile(s.folders.settings_file);
    if (ini.result == ReadResult::Error || ini.result == ReadResult::TooLarge) {
        ProgramError(ui, "The settings file " + Shown(s.folders.settings_file) + " cannot be read (" +
                             FileErrorReason(ini.error) + ").");
        return kStartupFailed;
    }
    ReportSettingsProblems(ui, s.folders.settings_file, LoadProgramSettings(ini.text, s.settings, env.env));

    out.trace_from_start = cl.Given(CmdOption::Trace);
    out.event_macros = FindEventMacros(s.folders.macros);
    out.run_text = cl.Value(CmdOption::Run);
    out.startup_macro = startup_macro;
    SessionMacros& macros = runtime.core().Macros();
    macros.SetEventMacroFiles(out.event_macros.paths);

    SessionFileState& state = runtime.file_state();
    state.given = GivenBy(cl);
    const bool named = cl.Given(CmdOption::Session) && !cl.Value(CmdOption::Session).empty();
    const std::string name = named ? cl.Value(CmdOption::Session) : ReadLastSession(ini.text);
    SessionRecord record = DefaultSessionRecord();
    // Without a window nobody sees the standard session stand in for the one named: a script that
    // named its session must not find itself on another host.
    if (!LoadStartupSession({ui, s.folders, s.settings}, name, record, state, !named || ui.CanAsk()))
        return kStartupFailed;

    // A value that cannot be used has been reported. The program does not go on without it: a
    // script that named port 2023 must not find itself on the file's port 23.
    if (!ApplyCommandLineToRecord(cl, record, state.given, state.security, ui)) return kStartupFailed;
    // A host given on the command line that the host list knows connects with the entry's
    // certificate files and checks; any other gets those of a new host.
    if (const auto host = cl.HostValue(); host && !host->empty()) {
        const HostList hosts = LoadHostList(ini.text, ui);
        // An entry named "name:port" as given, else "name:port" finds the entry "name" as "name" with
        // --port does.
        const std::string given = record.Text(field::HostName);
        std::optional<size_t> i = FindHost(hosts, given);
        if (const HostAddressResult parsed = ParseHostAddress(given, 23); !i && parsed.ok())
            i = FindHost(hosts, parsed.address.host);
        state.keep_alive = i ? hosts.entries[*i].keep_alive : -1;
        if (i) state.security = hosts.entries[*i].security;
    }
    s.record = record;
    runtime.SetCommandLineConnection(ConnectionGivenBy(cl, record));
    macros.SetStartupMacro(out.startup_macro);

    if (!RebuildCharset(s)) return kStartupFailed;

    if (env.claim_slot) {
        if (int rc = ClaimSlot(cl, env, runtime, out); rc != 0) return rc;
    }
    // The trace file is named after the session letter, which the slot gave. A file that cannot
    // be made has been reported; the session runs without a trace.
    if (out.trace_from_start) [[maybe_unused]]
        const bool tracing = runtime.core().StartTraceAtStartUp();
    // /R's text starts with the session complete (its first statements run once the loop turns).
    if (cl.Given(CmdOption::Run)) macros.RunStartupText(out.run_text);
    return 0;
}

}  // namespace orkan
