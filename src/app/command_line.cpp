#include "app/command_line.h"

#include "charset/display_unicode.h"
#include "config/file_name_text.h"
#include "config/profile_file.h"
#include "config/record_text.h"
#include "config/screen_size.h"
#include "net/host_address.h"

namespace orkan {

namespace {

// Tried in this order; the first whose text starts the option (upper-cased) wins.
constexpr std::array<std::string_view, kCommandLineOptions> kOptionTexts = {
    "/S", "/M", "TN3270://", "/H", "/L", "/P", "/E", "/N", "/T", "/F", "/V", "/R", "/I", "/C", "/G", "/A"};

constexpr std::string_view kSchemePrefix = "TN3270://";
constexpr std::string_view kLinkScheme = "TN3270:";

struct LongOption {
    std::string_view name;
    std::optional<CmdOption> option;  // none: a switch of its own
    bool takes_value;
};

constexpr std::array kLongOptions = {
    LongOption{"session", CmdOption::Session, true},
    LongOption{"host", CmdOption::Host, true},
    LongOption{"port", CmdOption::Port, true},
    LongOption{"lu", CmdOption::LuName, true},
    LongOption{"model", CmdOption::Model, true},
    LongOption{"trace", CmdOption::Trace, false},
    LongOption{"macro", CmdOption::Macro, true},
    LongOption{"run", CmdOption::Run, true},
    LongOption{"letter", CmdOption::Letter, true},
    LongOption{"color", CmdOption::Colour, true},
    LongOption{"settings", CmdOption::Settings, true},
    LongOption{"files", CmdOption::FilesIni, true},
    LongOption{"tls", CmdOption::Tls, true},
    LongOption{"tn3270e", CmdOption::Tn3270e, false},
    LongOption{"appdata", CmdOption::AppData, false},
    LongOption{"headless", std::nullopt, false},
    LongOption{"dump", std::nullopt, false},
    LongOption{"help", std::nullopt, false},
    LongOption{"version", std::nullopt, false},
    LongOption{"size", std::nullopt, true},
    LongOption{"printer", std::nullopt, true},
    LongOption{"url", std::nullopt, true},
    LongOption{"api", std::nullopt, false},
    LongOption{"api-socket", std::nullopt, true},
};

constexpr std::array<std::string_view, 8> kColourSchemes = {"GRAY", "RED",  "YELLOW",  "GREEN",
                                                            "CYAN", "BLUE", "MAGENTA", "BLACK"};
constexpr std::array<uint32_t, 8> kSchemeColours = {0x404040, 0x800000, 0x808000, 0x008000,
                                                    0x008080, 0x000080, 0x800080, 0x000000};

// Messages are display text (Windows-1252); what the command line hands over is UTF-8.
std::string Shown(std::string_view utf8) {
    return Utf8ToDisplay(utf8).text;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// "ROWSxCOLS" within the session dialog's limits, with its messages; the record is left alone when
// any part cannot be used.
bool ApplyScreenSize(std::string_view text, SessionRecord& record, Ui& ui) {
    text = Trim(text);
    const size_t x = text.find_first_of("xX");
    auto number = [](std::string_view digits) -> std::optional<int> {
        if (digits.empty() || digits.size() > 5) return std::nullopt;
        int n = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
            n = n * 10 + (c - '0');
        }
        return n;
    };
    const std::optional<int> rows = x == text.npos ? std::nullopt : number(text.substr(0, x));
    const std::optional<int> columns = x == text.npos ? std::nullopt : number(text.substr(x + 1));
    if (!rows || !columns) {
        ui.ShowMessage({std::string(kCommandLineErrorTitle),
                        "Screen size '" + Shown(text) + "' is invalid: give ROWSxCOLS, for example 62x160.",
                        Buttons::Ok, Icon::Error});
        return false;
    }
    bool fits = true;
    const ScreenSizeCheck width = CheckUserColumns(*columns, *rows, -1);
    const ScreenSizeCheck height = CheckUserRows(*rows, *columns, -1);
    for (const ScreenSizeCheck* check : {&width, &height}) {
        for (const MessageBox& box : check->messages) {
            // Each message once: the positions limit is found from both sides.
            if (check == &height && box.title == "Screen Size Error" && !width.messages.empty() &&
                width.messages.back().title == "Screen Size Error")
                continue;
            ui.ShowMessage(box);
            fits = false;
        }
    }
    if (!fits) return false;
    record.SetNumber(field::UserScreenWidth, uint32_t(*columns));
    record.SetNumber(field::UserScreenHeight, uint32_t(*rows));
    record.SetNumber(field::TerminalModel, kDynamicModelIndex);
    return true;
}

bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

std::string OptionName(CmdOption o) {
    return o == CmdOption::Session ? "/S" : std::string(kOptionTexts[size_t(o)]);
}

// Session names lose their quotes and folders (session files live in the application data
// folder) before the length limit applies, so a long path still names its file.
std::string_view SessionFileName(std::string_view v) {
    if (!v.empty() && v.front() == '"') v.remove_prefix(1);
    if (!v.empty() && v.back() == '"') v.remove_suffix(1);
    const size_t slash = v.find_last_of("\\/");
    if (slash != v.npos) v.remove_prefix(slash + 1);
    return Trim(v);
}

// Blank-trimmed, a single blank when empty (given without a value), at most 64 characters. Macro
// text and macro names are kept whole: a cut macro would be another macro, run all the same. So
// are the folder and settings file paths, which may be as long as any folder (the folders check
// that limit): a cut path names another file.
void StoreValue(CommandLine& out, CmdOption o, std::string_view raw) {
    std::string_view v = Trim(raw);
    if (o == CmdOption::Session) v = SessionFileName(v);
    const bool whole =
        o == CmdOption::Run || o == CmdOption::Macro || o == CmdOption::FilesIni || o == CmdOption::Settings;
    if (v.size() > kCommandLineValueLimit && !whole) {
        out.notes.push_back("The value of command line option " + OptionName(o) + " is longer than " +
                            std::to_string(kCommandLineValueLimit) + " characters and was cut to " +
                            std::to_string(kCommandLineValueLimit) + ".");
        v = Trim(v.substr(0, kCommandLineValueLimit));
    }
    std::string value(v);
    if (o == CmdOption::Session && !value.empty() &&
        (value.size() < 4 || !EqualsIgnoreCase(std::string_view(value).substr(value.size() - 4), ".ses")))
        value += ".ses";
    out.values[size_t(o)] = value.empty() ? std::string(" ") : value;
}

void InvalidOption(Ui& ui, std::string_view shown) {
    ui.ShowMessage(
        {std::string(kCommandLineErrorTitle),
         "Command line option '" + Shown(shown) +
             "' is invalid.\nPlease check the Help doc under 'Command line options' after Orkan TN3270 "
             "starts",
         Buttons::Ok, Icon::Error});
}

// The value of an option runs to the next "/" or the end.
size_t ValueEnd(std::string_view text, size_t from) {
    const size_t slash = text.find('/', from);
    return slash == text.npos ? text.size() : slash;
}

bool HostNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

bool Ipv6Character(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

void LinkRefused(Ui& ui, std::string_view link) {
    ui.ShowMessage(
        {std::string(kCommandLineErrorTitle),
         "The link '" + Shown(link) +
             "' is refused: a tn3270 link names a host and a port, as tn3270://host:port/, and nothing "
             "else.",
         Buttons::Ok, Icon::Error});
}

bool TlsValueValid(const CommandLine& cl, Ui& ui) {
    if (!cl.Given(CmdOption::Tls) || TlsChoiceFromCommandLine(cl.Value(CmdOption::Tls))) return true;
    ui.ShowMessage(
        {std::string(kCommandLineErrorTitle),
         "TLS choice '" + Shown(cl.Value(CmdOption::Tls)) +
             "' is invalid: use 0 (none), 1 (highest available), 2 (TLS 1.0), 3 (TLS 1.1), 4 (TLS 1.2) "
             "or 5 (highest available).",
         Buttons::Ok, Icon::Error});
    return false;
}

}  // namespace

std::optional<std::string> HostOfLink(std::string_view link) {
    if (!StartsWithIgnoreCase(link, kSchemePrefix)) return std::nullopt;
    std::string_view rest = link.substr(kSchemePrefix.size());
    if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    if (rest.empty() || rest.size() > kCommandLineValueLimit) return std::nullopt;
    size_t host_end = 0;
    if (rest.front() == '[') {
        host_end = rest.find(']');
        if (host_end == rest.npos || host_end == 1) return std::nullopt;
        for (char c : rest.substr(1, host_end - 1))
            if (!Ipv6Character(c)) return std::nullopt;
        ++host_end;
    } else {
        while (host_end < rest.size() && HostNameCharacter(rest[host_end])) ++host_end;
        if (host_end == 0 || rest.front() == '-' || rest.front() == '.') return std::nullopt;
    }
    if (host_end < rest.size()) {
        const std::string_view port = rest.substr(host_end);
        if (port.front() != ':' || port.size() < 2 || port.size() > 6) return std::nullopt;
        uint32_t number = 0;
        for (char c : port.substr(1)) {
            if (c < '0' || c > '9') return std::nullopt;
            number = number * 10 + uint32_t(c - '0');
        }
        if (number < 1 || number > 65535) return std::nullopt;
    }
    return std::string(rest);
}

std::string CommandLine::Value(CmdOption o) const {
    const std::string& v = values[size_t(o)];
    return v == " " ? std::string() : v;
}

std::optional<std::string> CommandLine::HostValue() const {
    if (Given(CmdOption::Host)) return Value(CmdOption::Host);
    if (Given(CmdOption::Scheme)) return Value(CmdOption::Scheme);
    return std::nullopt;
}

int ParseCommandLine(std::string_view text, CommandLine& out, Ui& ui) {
    for (std::string& v : out.values) v.clear();
    out.notes.clear();
    text = Trim(text);
    if (text.empty()) return 0;

    size_t pos = 0;
    if (StartsWithIgnoreCase(text, kLinkScheme) && !StartsWithIgnoreCase(text, kSchemePrefix)) {
        LinkRefused(ui, text);
        return 8;
    }
    if (StartsWithIgnoreCase(text, kSchemePrefix)) {
        const size_t end = ValueEnd(text, kSchemePrefix.size());
        StoreValue(out, CmdOption::Scheme, text.substr(kSchemePrefix.size(), end - kSchemePrefix.size()));
        pos = end;
        // The slash that ends the host is part of the address, not an option.
        if (pos < text.size()) {
            ++pos;
            while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
            if (pos < text.size() && text[pos] != '/') {
                InvalidOption(ui, text.substr(pos, 2));
                return 8;
            }
        }
    } else if (text.front() != '/') {
        pos = ValueEnd(text, 0);
        StoreValue(out, CmdOption::Session, text.substr(0, pos));
    }

    while (pos < text.size()) {
        std::optional<size_t> matched;
        for (size_t i = 0; i < kOptionTexts.size() && !matched; ++i)
            if (StartsWithIgnoreCase(text.substr(pos), kOptionTexts[i])) matched = i;
        if (!matched) {
            InvalidOption(ui, text.substr(pos, 2));
            return 8;
        }
        const size_t from = pos + kOptionTexts[*matched].size();
        const size_t end = ValueEnd(text, from);
        StoreValue(out, CmdOption(*matched), text.substr(from, end - from));
        pos = end;
    }
    return TlsValueValid(out, ui) ? 0 : 8;
}

int ParseCommandLine(int argc, const char* const* argv, CommandLine& out, Ui& ui) {
    struct Taken {
        CmdOption option;
        std::string value;
    };
    std::vector<Taken> taken;
    std::string rest;
    bool options_ended = false;
    bool headless = false, dump = false, help = false, version = false, api = false;
    std::string size;
    std::string printer;
    std::string api_socket;

    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i] ? argv[i] : "";
        if (!options_ended && arg == "--") {
            options_ended = true;
            continue;
        }
        if (!options_ended && arg.size() > 2 && arg.substr(0, 2) == "--") {
            std::string_view name = arg.substr(2);
            std::optional<std::string_view> inline_value;
            if (size_t eq = name.find('='); eq != name.npos) {
                inline_value = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
            const LongOption* found = nullptr;
            for (const LongOption& lo : kLongOptions)
                if (lo.name == name) found = &lo;
            if (!found || (!found->takes_value && inline_value)) {
                InvalidOption(ui, arg.substr(0, 2 + name.size()));
                return 8;
            }
            // A link handler started from the menu gets no link: "--url" alone.
            if (name == "url" && !inline_value && i + 1 >= argc) continue;
            // The value follows as "--name=value" or as the next argument.
            if (found->takes_value && !inline_value) {
                if (i + 1 >= argc || !argv[i + 1]) {
                    ui.ShowMessage({std::string(kCommandLineErrorTitle),
                                    "Command line option '--" + std::string(name) + "' needs a value.",
                                    Buttons::Ok, Icon::Error});
                    return 8;
                }
                inline_value = argv[++i];
            }
            // An empty value would read as the option not given: `--macro "$M"` with M unset
            // would run no macro and never end, `--host ""` would connect to the session file's
            // host. Only an empty LU name (the host chooses) and empty macro text mean something.
            if (found->takes_value && Trim(*inline_value).empty() && name != "lu" && name != "run" &&
                name != "url") {
                ui.ShowMessage({std::string(kCommandLineErrorTitle),
                                "Command line option '--" + std::string(name) + "' needs a value.",
                                Buttons::Ok, Icon::Error});
                return 8;
            }
            // A folder (a path ending in "/") names no session file either.
            if (name == "session" && SessionFileName(*inline_value).empty()) {
                ui.ShowMessage(
                    {std::string(kCommandLineErrorTitle),
                     "Command line option '--session' names no session file: '" + Shown(*inline_value) + "'.",
                     Buttons::Ok, Icon::Error});
                return 8;
            }
            if (name == "url") {
                const std::optional<std::string> host = HostOfLink(*inline_value);
                if (!host) {
                    LinkRefused(ui, *inline_value);
                    return 8;
                }
                taken.push_back({CmdOption::Scheme, *host});
                continue;
            }
            if (!found->option && found->takes_value) {
                std::string& to = name == "printer" ? printer : name == "api-socket" ? api_socket : size;
                to = std::string(*inline_value);
                continue;
            }
            if (!found->option) {
                headless |= name == "headless";
                dump |= name == "dump";
                help |= name == "help";
                version |= name == "version";
                api |= name == "api";
                continue;
            }
            const std::string value = found->takes_value ? std::string(*inline_value) : std::string(" ");
            taken.push_back({*found->option, value});
            continue;
        }
        if (StartsWithIgnoreCase(arg, kLinkScheme)) {
            const std::optional<std::string> host = HostOfLink(arg);
            if (!host) {
                LinkRefused(ui, arg);
                return 8;
            }
            taken.push_back({CmdOption::Scheme, *host});
            continue;
        }
        if (!rest.empty()) rest += ' ';
        rest += arg;
    }

    if (int rc = ParseCommandLine(rest, out, ui); rc != 0) return rc;
    for (const Taken& t : taken) StoreValue(out, t.option, t.value);
    if (!TlsValueValid(out, ui)) return 8;
    out.size = size;
    // The interface has no window: it is the headless program's.
    out.headless = headless || api || !api_socket.empty();
    out.dump = dump;
    out.help = help;
    out.version = version;
    out.printer = printer;
    out.api = api;
    out.api_socket = api_socket;
    return 0;
}

std::string CommandLineUsage(std::string_view program) {
    return "Usage: " + std::string(program) +
           " [options] [session] [tn3270://host:port/] [/S session /H host /P port ...]\n"
           "       " +
           std::string(program) +
           " --url tn3270://host:port/\n"
           "\n"
           "  --session NAME     session file in the application data folder (.ses is added)\n"
           "  --host HOST[:PORT] connect to this host with a fresh host entry\n"
           "  --port N           port number\n"
           "  --lu NAME          LU name to ask for\n"
           "  --model N          terminal model 2, 3, 4, 5 or dynamic (the session's own size)\n"
           "  --size ROWSxCOLS   dynamic screen size: 24 to 200 rows, 80 to 200 columns, 16383 cells at "
           "most\n"
           "  --tn3270e          negotiate TN3270E\n"
           "  --tls N            TLS: 0 none, 1 highest, 2 TLS 1.0, 3 TLS 1.1, 4 TLS 1.2, 5 highest\n"
           "                     (any other value: status 8); a host the host list does not name\n"
           "                     must show a certificate that names it\n"
           "  --url LINK         a tn3270://host[:port][/] link, as the desktop passes it; anything\n"
           "                     else is refused with status 8\n"
           "  --trace            trace from the start\n"
           "  --macro NAME       macro file to run once the host has answered (headless without a\n"
           "                     host: at once, in a session that never connects); a relative NAME\n"
           "                     is taken in the current folder first, then in the macros folder\n"
           "  --run TEXT         macro statements to run at start-up\n"
           "  --letter L         session letter A-Z or 0-9\n"
           "  --color NAME       GRAY, RED, YELLOW, GREEN, CYAN, BLUE, MAGENTA or BLACK\n"
           "  --settings NAME    settings file instead of orkan.ini\n"
           "  --files PATH       folder file instead of files.ini\n"
           "  --appdata          use the per-user application data folder\n"
           "  --headless         run without a window\n"
           "  --dump             print each host screen (headless)\n"
           "  --printer NAME     print to a CUPS queue, <default>, or a file ending in .pdf or .txt\n"
           "  --api              (headless) take requests as JSON lines on stdin, answer on stdout\n"
           "  --api-socket PATH  (headless) the same on a Unix socket made at PATH (docs/api.md)\n"
           "  --help, --version\n"
           "\n"
           "Headless with --macro or --run, the program ends when that macro ends. Exit status:\n"
           "  the macro's EXIT code modulo 256 (0 when it ends without EXIT)\n"
           "  2  the macro ended with an error (the report is on stderr) or could not be loaded\n"
           "  4  the macro was stopped before its end (stop key, EDITBOX answered with Cancel)\n"
           "Otherwise, and before the macro starts:\n"
           "  0  closed on request (SIGINT, SIGTERM, SIGHUP, closed from another session)\n"
           "  3  the connection failed or ended and nothing reconnects it\n"
           "  8  start-up failed (command line, a bad --tls value or link, folders, key.lst, session\n"
           "     file, no free session)\n"
           "With --api or --api-socket the program ends with 0 at `quit`, the end of stdin or a signal;\n"
           "a connection that ends is reported to the client (docs/api.md).\n"
           "Message boxes print on stderr with the answer given (the safest one: Cancel, No); an\n"
           "EDITBOX is answered with Cancel. Macro DEBUG lines print on stderr as \"Debug: text\".\n"
           "Files are transferred with the macro functions SENDFILE and RECEIVEFILE: 0 when the\n"
           "host completed the transfer, 1 when it failed (the reason is on stderr).\n";
}

bool SetSessionNameFromCommandLine(const CommandLine& cl, SessionRecord& record, Ui& ui) {
    if (!cl.Given(CmdOption::Session)) return true;
    const std::string name = cl.Value(CmdOption::Session);
    if (name.empty()) return true;
    auto stored = PathToStoredName(name);
    if (!stored) {
        ui.ShowMessage(
            {std::string(kCommandLineErrorTitle),
             "The session file name \"" + Shown(name) + "\" holds characters that cannot be stored.",
             Buttons::Ok, Icon::Error});
        return false;
    }
    return StoreRecordText(record, field::SessionFile, *stored, "session file name", ui);
}

std::optional<char> RequestedSessionLetter(const CommandLine& cl, Ui& ui) {
    if (!cl.Given(CmdOption::Letter)) return std::nullopt;
    const std::string v = cl.Value(CmdOption::Letter);
    if (v.size() == 1) {
        const char c = v[0];
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
        if (c >= 'a' && c <= 'z') return char(c - 'a' + 'A');
    }
    ui.ShowMessage({std::string(kCommandLineErrorTitle),
                    "Session letter '" + Shown(v) + "' is invalid: use a letter A to Z or a digit 0 to 9.",
                    Buttons::Ok, Icon::Error});
    return std::nullopt;
}

std::optional<uint8_t> RequestedModelIndex(const CommandLine& cl) {
    const std::string v = std::string(Trim(cl.Value(CmdOption::Model)));
    if (v.size() == 1 && v[0] >= '2' && v[0] <= '5') return uint8_t(v[0] - '2');
    if (EqualsIgnoreCase(v, "dynamic")) return kDynamicModelIndex;
    return std::nullopt;
}

std::optional<uint8_t> TlsChoiceFromCommandLine(std::string_view value) {
    value = Trim(value);
    if (value.size() == 1 && value[0] >= '0' && value[0] <= '4') return uint8_t(value[0] - '0');
    if (value == "5") return tls_choice::Highest;
    return std::nullopt;
}

std::optional<uint8_t> ColourSchemeIndex(std::string_view name) {
    name = Trim(name);
    for (size_t i = 0; i < kColourSchemes.size(); ++i)
        if (EqualsIgnoreCase(name, kColourSchemes[i])) return uint8_t(i);
    return std::nullopt;
}

bool ApplyCommandLineToRecord(const CommandLine& cl, SessionRecord& record, GivenOnCommandLine& given,
                              HostSecurity& security, Ui& ui) {
    bool ok = true;
    auto bad_value = [&](const std::string& text) {
        ui.ShowMessage({std::string(kCommandLineErrorTitle), text, Buttons::Ok, Icon::Error});
        ok = false;
    };

    if (auto host = cl.HostValue(); host && !host->empty()) {
        SessionRecord fresh = record;
        // A port in the host that cannot be used is a command-line error here, not a failed
        // connection later.
        const HostAddressResult parsed = ParseHostAddress(*host, 23);
        if (!parsed.ok()) {
            bad_value(Shown(parsed.error) + ".");
        } else if (StoreRecordText(fresh, field::HostName, *host, "host name", ui) &&
                   StoreRecordText(fresh, field::IpName, *host, "host name", ui)) {
            fresh.SetNumber(field::Port, 23);
            fresh.SetNumber(field::Tn3270e, 1);
            fresh.SetNumber(field::TlsChoice, tls_choice::None);
            [[maybe_unused]] const bool cleared = fresh.SetText(field::LuName, "");
            record = fresh;
            security = HostSecurity{};
            given = {true, true, true, true};
        } else {
            ok = false;
        }
    }
    if (cl.Given(CmdOption::LuName)) {
        // Given empty: no LU name, the host chooses.
        std::string lu = cl.Value(CmdOption::LuName);
        if (lu == " ") lu.clear();
        // The host is asked for this name as it stands: a blank or a control character in it
        // would be refused only when connecting.
        std::string shown;
        for (char c : lu.substr(0, 80)) shown.push_back(c > 0x20 && c < 0x7F ? c : '?');
        if (shown != lu.substr(0, 80))
            bad_value("LU name '" + shown + "' is invalid: use at most " + std::to_string(field::LuName.max) +
                      " printable characters without blanks.");
        else if (StoreRecordText(record, field::LuName, lu, "LU name", ui))
            given.lu_name = true;
        else
            ok = false;
    }
    if (cl.Given(CmdOption::Port)) {
        const std::string v = cl.Value(CmdOption::Port);
        long port = 0;
        bool digits = !v.empty() && v.size() <= 5;
        for (char c : v) {
            digits = digits && c >= '0' && c <= '9';
            if (digits) port = port * 10 + (c - '0');
        }
        if (digits && port >= 1 && port <= 65535) {
            record.SetNumber(field::Port, uint32_t(port));
            given.port = true;
        } else {
            bad_value("Port '" + Shown(v) + "' is invalid: use a number from 1 to 65535.");
        }
    }
    if (cl.Given(CmdOption::Tn3270e)) {
        record.SetNumber(field::Tn3270e, 1);
        given.tn3270e = true;
    }
    const std::optional<uint8_t> model = RequestedModelIndex(cl);
    if (model) {
        record.SetNumber(field::TerminalModel, *model);
    } else if (cl.Given(CmdOption::Model)) {
        bad_value("Model '" + Shown(cl.Value(CmdOption::Model)) + "' is invalid: use 2, 3, 4, 5 or dynamic.");
    }
    if (!cl.size.empty()) {
        if (model && *model != kDynamicModelIndex) {
            bad_value("--size gives the dynamic size; it cannot be used with model " +
                      Shown(cl.Value(CmdOption::Model)) + ".");
        } else if (!ApplyScreenSize(cl.size, record, ui)) {
            ok = false;
        }
    }
    if (const auto tls = TlsChoiceFromCommandLine(cl.Value(CmdOption::Tls));
        cl.Given(CmdOption::Tls) && tls) {
        record.SetNumber(field::TlsChoice, *tls);
        given.tls = true;
    } else if (cl.Given(CmdOption::Tls)) {
        ok = TlsValueValid(cl, ui) && ok;
    }
    if (cl.Given(CmdOption::Colour)) {
        const std::string name = cl.Value(CmdOption::Colour);
        if (auto scheme = ColourSchemeIndex(name)) {
            record.SetNumber(field::ColourTag, *scheme | 0x80u);
            const uint32_t entry = record.Number(field::ColourTagEntry);
            if (entry > 7 && entry < 16) record.SetSessionColour(int(entry), kSchemeColours[*scheme]);
        } else {
            bad_value("Colour scheme '" + Shown(name) +
                      "' is unknown: use GRAY, RED, YELLOW, GREEN, CYAN, BLUE, MAGENTA or BLACK.");
        }
    }
    return ok;
}

}  // namespace orkan
