// The command line: GNU long options and a lone tn3270://host:port/ argument are taken out of
// argv first; the remaining arguments are joined with blanks and read in the program's own
// "/S session /H host ..." syntax, the same text a desktop shortcut or a new-session request holds.
// A link comes from outside (a web page, a mail): the desktop entry passes it with --url, and
// any argument that starts "tn3270:" must be exactly tn3270://host[:port][/], so a link can never
// carry options (/R macro text, /G settings, /F folders).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/host_list.h"
#include "config/session_record.h"
#include "interfaces/ui.h"

namespace orkan {

// The option table, in the order options are tried.
enum class CmdOption : uint8_t {
    Session,   // /S or a bare first word
    Macro,     // /M: macro run once the first host data has arrived
    Scheme,    // TN3270://host:port/ at the very start: used as /H
    Host,      // /H
    LuName,    // /L
    Port,      // /P
    Tn3270e,   // /E
    Model,     // /N: 2, 3, 4 or 5
    Trace,     // /T
    FilesIni,  // /F: the folder file to use instead of files.ini
    Tls,       // /V: TLS protocol number
    Run,       // /R: macro source text run at start-up
    Letter,    // /I: session letter
    Colour,    // /C: colour scheme by name
    Settings,  // /G: settings file name instead of orkan.ini
    AppData,   // /A: use the per-user application data folder
};
inline constexpr size_t kCommandLineOptions = 16;
inline constexpr size_t kCommandLineValueLimit = 64;
inline constexpr std::string_view kCommandLineErrorTitle = "Orkan TN3270 Command Line Option Error";

struct CommandLine {
    // Empty: not given; a single blank: given without a value.
    std::array<std::string, kCommandLineOptions> values;
    // --size ROWSxCOLS (long option only): the user's own screen size, which selects the dynamic model.
    std::string size;
    bool headless = false;
    bool dump = false;
    bool help = false;
    bool version = false;
    std::string printer;  // --printer: a CUPS queue, "<default>", or a .pdf/.txt file for this run
    // The automation interface: --api (stdin and stdout) or --api-socket PATH.
    bool api = false;
    std::string api_socket;
    // Values that were cut to kCommandLineValueLimit characters, for the caller to show.
    std::vector<std::string> notes;

    bool Given(CmdOption o) const { return !values[size_t(o)].empty(); }
    // The value without the "given" marker blank.
    std::string Value(CmdOption o) const;
    // /H, else the host of the tn3270:// form.
    std::optional<std::string> HostValue() const;
};

// The program's own syntax. Returns 0, or 8 after the invalid-option message.
[[nodiscard]] int ParseCommandLine(std::string_view text, CommandLine& out, Ui& ui);

// argv as Linux hands it over. Returns 0, or 8 after a message. "--url" as the last argument
// (a link handler started without a link) is no link.
[[nodiscard]] int ParseCommandLine(int argc, const char* const* argv, CommandLine& out, Ui& ui);

// What --help prints.
std::string CommandLineUsage(std::string_view program);

// Start-up: the host, LU name, port, TN3270E, model and TLS values of the command line override the
// loaded session's; /C sets the colour tag; /S names the session file. `given` records which
// connection values the host list must leave alone, and `security` is cleared for /H (a fresh host
// entry has no certificates). A value that cannot be used is reported and skipped; false then, and
// start-up ends.
[[nodiscard]] bool ApplyCommandLineToRecord(const CommandLine& cl, SessionRecord& record,
                                            GivenOnCommandLine& given, HostSecurity& security, Ui& ui);

// The session file named by /S (with ".ses"), stored in the record's name field; false after a
// message when it cannot be stored.
[[nodiscard]] bool SetSessionNameFromCommandLine(const CommandLine& cl, SessionRecord& record, Ui& ui);

// /I: A-Z, a-z (as A-Z) or 0-9. None when not given, or after a message when invalid.
std::optional<char> RequestedSessionLetter(const CommandLine& cl, Ui& ui);

// /N or --model: 2..5 as the terminal model index 0..3, "dynamic" (any case) as 4. None when not
// given or not one of these (ApplyCommandLineToRecord reports it).
std::optional<uint8_t> RequestedModelIndex(const CommandLine& cl);

// /V as the session's TLS choice: 0..4 as they are, 5 the highest available (TLS 1.3 included).
// Anything else is none: the parser refuses it rather than connect without TLS.
std::optional<uint8_t> TlsChoiceFromCommandLine(std::string_view value);

// "host", "host:port" of a link tn3270://host[:port][/] (a host name, or an IPv6 address in
// brackets; a port 1-65535); none for anything else.
std::optional<std::string> HostOfLink(std::string_view link);

// /C: GRAY, RED, YELLOW, GREEN, CYAN, BLUE, MAGENTA, BLACK (any case) as 0..7.
std::optional<uint8_t> ColourSchemeIndex(std::string_view name);

}  // namespace orkan
