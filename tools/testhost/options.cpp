#include "options.h"

#include <cerrno>
#include <cstdlib>

namespace testhost {

namespace {

bool ParseCount(const std::string& text, long min, long max, long& out) {
    if (text.empty() || text.size() > 12) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (errno || v < min || v > max) return false;
    out = v;
    return true;
}

}  // namespace

const char* UsageText() {
    return "Usage: testhost [options]\n"
           "A TN3270/TN3270E host for tests, demos and benchmarks.\n"
           "\n"
           "  --listen ADDR         address to listen on (default 127.0.0.1; ::1 works)\n"
           "  --port N              port; 0 (default) picks a free one. The port is always the\n"
           "                        first line on standard output\n"
           "  --app PATH            application script, or a folder holding one *.app file\n"
           "                        (default: the demo application)\n"
           "  --check               load the application, report errors and exit\n"
           "  --codepage NAME       host code page known to iconv (default IBM-037)\n"
           "  --lu-pool NAMES       LU names to assign: A,B or ranges LU001-LU010\n"
           "                        (default ORKLU001-ORKLU032)\n"
           "  --reject REASON       refuse every TN3270E device request with this reason\n"
           "                        (number or name, e.g. 1 or DEVICE-IN-USE)\n"
           "  --no-tn3270e          offer plain TN3270 only\n"
           "  --functions LIST      TN3270E functions offered (default BIND-IMAGE,RESPONSES,SYSREQ;\n"
           "                        'none' for none)\n"
           "  --no-query            do not send a Query when a session starts\n"
           "  --fault KIND[=VALUE]  close-after=N, byte-per-write, slow=MS, oversize[=BYTES],\n"
           "                        garbage[=N], garbage-raw[=N], refuse[=REASON], seed=N,\n"
           "                        ft-error, ft-drop=N, ft-no-answer[=N], ft-short-sf,\n"
           "                        ft-oversize-sf, ft-no-program\n"
           "                        (repeatable)\n"
           "  --transfer SYSTEM     serve a READY screen of tso, cms or cics with the IND$FILE\n"
           "                        transfer program instead of an application\n"
           "  --transfer-files DIR  host files: DIR/tso, DIR/cms, DIR/cics (read, and written\n"
           "                        back); default: the built-in samples, kept in memory\n"
           "  --transfer-mode MODE  auto (DFT when the terminal offers it), dft or frames\n"
           "  --transfer-limit N    largest transfer record the host takes and sends (default 32767)\n"
           "  --transfer-user ID    TSO prefix of unquoted data set names (default ORKUSER)\n"
           "  --transfer-eof        end ASCII downloads with 0x1A\n"
           "  --transfer-no-repeat  no repeat orders in screen-frame downloads\n"
           "  --stream N            benchmark: send N full screens, then a Read Buffer; print the time\n"
           "  --stream-alternate    draw the stream at the alternate size (Erase/Write Alternate)\n"
           "  --tls-cert FILE       serve TLS with this certificate (PEM) ...\n"
           "  --tls-key FILE        ... and this private key (PEM)\n"
           "  --log FILE            session log ('-' = standard error; %n = one file per session)\n"
           "  --client-log FILE     every byte the clients send, raw, appended to FILE\n"
           "  --once                serve one session, then exit\n"
           "  --max-sessions N      serve N sessions, then exit\n"
           "  --reply-timeout S     seconds to wait for a read or query reply (default 10)\n"
           "  --help, --version\n"
           "\n"
           "Exit status: 0 done, 1 could not start, 2 bad command line or application,\n"
           "3 a 'check' in the application failed.\n";
}

bool ParseFault(const std::string& text, Options& out, std::string& error) {
    const size_t eq = text.find('=');
    const std::string name = text.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : text.substr(eq + 1);
    const bool has_value = eq != std::string::npos;
    Faults& f = out.engine.faults;
    long n = 0;
    auto bad = [&](const std::string& what) {
        error = "--fault " + text + ": " + what;
        return false;
    };
    if (name == "close-after") {
        if (!ParseCount(value, 0, 1L << 40, n)) return bad("want close-after=BYTES");
        f.close_after = static_cast<size_t>(n);
    } else if (name == "byte-per-write") {
        if (has_value) return bad("takes no value");
        f.byte_per_write = true;
    } else if (name == "slow") {
        if (!ParseCount(value, 0, 600000, n)) return bad("want slow=MILLISECONDS (at most 600000)");
        f.slow_ms = static_cast<int>(n);
    } else if (name == "oversize") {
        n = 262144;
        if (has_value && !ParseCount(value, 3, 64L << 20, n)) return bad("want oversize=BYTES (3 to 64 MiB)");
        f.oversize = static_cast<size_t>(n);
    } else if (name == "garbage" || name == "garbage-raw") {
        n = 512;
        if (has_value && !ParseCount(value, 1, 16L << 20, n))
            return bad("want " + name + "=BYTES (1 to 16 MiB)");
        (name == "garbage" ? f.garbage : f.garbage_raw) = static_cast<size_t>(n);
    } else if (name == "refuse") {
        const auto r = telnet::ReasonFromText(has_value ? value : "DEVICE-IN-USE");
        if (!r) return bad("unknown reason");
        out.engine.negotiation.reject_reason = *r;
    } else if (name == "ft-error" || name == "ft-short-sf" || name == "ft-oversize-sf" ||
               name == "ft-no-program") {
        if (has_value) return bad("takes no value");
        ft::TransferConfig& t = out.transfer_config;
        if (name == "ft-error") t.faults.error_instead_of_data = true;
        if (name == "ft-short-sf") t.faults.short_field = true;
        if (name == "ft-oversize-sf") t.faults.oversize_field = true;
        if (name == "ft-no-program") t.no_program = true;
    } else if (name == "ft-drop") {
        if (!ParseCount(value, 0, 0xFFFFFFFFL, n)) return bad("want ft-drop=BLOCKS");
        out.transfer_config.faults.drop_after = static_cast<uint32_t>(n);
    } else if (name == "ft-no-answer") {
        n = 0;
        if (has_value && !ParseCount(value, 0, 0xFFFFFFFFL, n)) return bad("want ft-no-answer[=BLOCKS]");
        out.transfer_config.faults.stall_after = static_cast<uint32_t>(n);
    } else if (name == "seed") {
        if (!ParseCount(value, 0, 0xFFFFFFFFL, n)) return bad("want seed=NUMBER");
        f.seed = static_cast<uint32_t>(n);
    } else {
        return bad(
            "unknown fault (want close-after=N, byte-per-write, slow=MS, oversize[=N], garbage[=N], "
            "garbage-raw[=N], refuse[=REASON], seed=N, ft-error, ft-drop=N, ft-no-answer[=N], ft-short-sf, "
            "ft-oversize-sf, ft-no-program)");
    }
    return true;
}

bool ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool inline_value = false;
        if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            inline_value = true;
        }
        auto take = [&](std::string& into) {
            if (inline_value) {
                into = value;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        auto flag = [&] {
            if (inline_value) {
                error = arg + " takes no value";
                return false;
            }
            return true;
        };
        std::string v;
        long n = 0;
        if (arg == "--listen") {
            if (!take(out.listen)) return false;
            if (out.listen.empty()) return error = "--listen needs an address", false;
        } else if (arg == "--port") {
            if (!take(v)) return false;
            if (!ParseCount(v, 0, 65535, n)) return error = "--port wants 0 to 65535", false;
            out.port = static_cast<int>(n);
        } else if (arg == "--app") {
            if (!take(out.app)) return false;
        } else if (arg == "--check") {
            if (!flag()) return false;
            out.check_only = true;
        } else if (arg == "--codepage") {
            if (!take(out.codepage)) return false;
        } else if (arg == "--lu-pool") {
            if (!take(out.lu_pool)) return false;
        } else if (arg == "--reject") {
            if (!take(v)) return false;
            const auto r = telnet::ReasonFromText(v);
            if (!r)
                return error = "--reject: unknown reason '" + v +
                               "' (a number 0-255 or a name such as DEVICE-IN-USE)",
                       false;
            out.engine.negotiation.reject_reason = *r;
        } else if (arg == "--no-tn3270e") {
            if (!flag()) return false;
            out.engine.negotiation.offer_tn3270e = false;
        } else if (arg == "--functions") {
            if (!take(v)) return false;
            out.engine.negotiation.functions.clear();
            size_t p = 0;
            while (v != "none" && p <= v.size()) {
                size_t comma = v.find(',', p);
                if (comma == std::string::npos) comma = v.size();
                const std::string name = v.substr(p, comma - p);
                p = comma + 1;
                const auto fn = telnet::FunctionFromName(name);
                if (!fn)
                    return error = "--functions: unknown function '" + name +
                                   "' (BIND-IMAGE, DATA-STREAM-CTL, RESPONSES, SCS-CTL-CODES, SYSREQ)",
                           false;
                out.engine.negotiation.functions.insert(*fn);
            }
        } else if (arg == "--no-query") {
            if (!flag()) return false;
            out.engine.query_on_connect = false;
        } else if (arg == "--fault") {
            if (!take(v) || !ParseFault(v, out, error)) return false;
        } else if (arg == "--stream") {
            if (!take(v)) return false;
            if (!ParseCount(v, 1, 100000000, n))
                return error = "--stream wants a number of screens (1 or more)", false;
            out.engine.stream.count = static_cast<int>(n);
        } else if (arg == "--stream-alternate") {
            if (!flag()) return false;
            out.engine.stream.alternate = true;
        } else if (arg == "--transfer") {
            if (!take(v)) return false;
            const auto p = ft::PersonalityFromName(v);
            if (!p) return error = "--transfer wants tso, cms or cics, not '" + v + "'", false;
            out.transfer = true;
            out.transfer_config.personality = *p;
        } else if (arg == "--transfer-files") {
            if (!take(out.transfer_files)) return false;
            if (out.transfer_files.empty()) return error = "--transfer-files needs a folder", false;
        } else if (arg == "--transfer-mode") {
            if (!take(v)) return false;
            if (v == "auto")
                out.transfer_config.mode = ft::WireMode::Auto;
            else if (v == "dft")
                out.transfer_config.mode = ft::WireMode::Dft;
            else if (v == "frames")
                out.transfer_config.mode = ft::WireMode::Frames;
            else
                return error = "--transfer-mode wants auto, dft or frames, not '" + v + "'", false;
        } else if (arg == "--transfer-limit") {
            if (!take(v)) return false;
            if (!ParseCount(v, 64, 65535, n))
                return error = "--transfer-limit wants 64 to 65535 bytes", false;
            out.transfer_config.own_limit = static_cast<size_t>(n);
        } else if (arg == "--transfer-user") {
            if (!take(v)) return false;
            v = ft::Upper(v);
            bool valid = !v.empty() && v.size() <= 7 &&
                         ((v[0] >= 'A' && v[0] <= 'Z') || v[0] == '#' || v[0] == '@' || v[0] == '$');
            for (char c : v)
                valid = valid && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#' || c == '@' ||
                                  c == '$');
            if (!valid)
                return error = "--transfer-user wants a TSO user id (1 to 7 letters, digits, #, @, $)", false;
            out.transfer_config.user = v;
        } else if (arg == "--transfer-eof") {
            if (!flag()) return false;
            out.transfer_config.eof_mark = true;
        } else if (arg == "--transfer-no-repeat") {
            if (!flag()) return false;
            out.transfer_config.repeat_blanks = false;
        } else if (arg == "--tls-cert") {
            if (!take(out.tls_cert)) return false;
        } else if (arg == "--tls-key") {
            if (!take(out.tls_key)) return false;
        } else if (arg == "--log") {
            if (!take(out.log)) return false;
        } else if (arg == "--client-log") {
            if (!take(out.client_log)) return false;
        } else if (arg == "--once") {
            if (!flag()) return false;
            out.max_sessions = 1;
        } else if (arg == "--max-sessions") {
            if (!take(v)) return false;
            if (!ParseCount(v, 1, 1000000, n))
                return error = "--max-sessions wants a number of 1 or more", false;
            out.max_sessions = static_cast<int>(n);
        } else if (arg == "--reply-timeout") {
            if (!take(v)) return false;
            if (!ParseCount(v, 1, 86400, n))
                return error = "--reply-timeout wants seconds, 1 to 86400", false;
            out.engine.reply_timeout = static_cast<double>(n);
        } else if (arg == "--help" || arg == "-h") {
            out.help = true;
        } else if (arg == "--version") {
            out.version = true;
        } else {
            error = "unknown option '" + args[i] + "' (see --help)";
            return false;
        }
    }
    if (out.transfer && out.engine.stream.count > 0) {
        error = "--transfer and --stream exclude each other";
        return false;
    }
    if (out.transfer && !out.app.empty()) {
        error = "--transfer serves its own READY screen; it takes no --app";
        return false;
    }
    if (out.tls_cert.empty() != out.tls_key.empty()) {
        error = "--tls-cert and --tls-key go together";
        return false;
    }
    return true;
}

}  // namespace testhost
