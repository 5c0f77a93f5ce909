// The transfer command as typed on a READY screen, per host personality:
//   TSO  IND$FILE PUT|GET name [ASCII] [CRLF] [APPEND] [RECFM(x)] [LRECL(n)] [BLKSIZE(n)]
//        [SPACE(p,s)|SPACE(p s)|SPACE(p)] [TRACKS|CYLINDERS|AVBLOCK[(n)]]
//   CMS  IND$FILE PUT|GET fn ft [fm] [( options [)]]
//   CICS IND$FILE PUT|GET name [( options [)]]
// Case does not matter; names are kept in upper case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace testhost::ft {

enum class Personality { Tso, Cms, Cics };
std::optional<Personality> PersonalityFromName(std::string_view name);  // "tso", "cms", "cics"
const char* PersonalityName(Personality p);                             // "tso", ...

struct TransferCommand {
    Personality personality = Personality::Tso;
    bool put = false;    // PUT: terminal to host; GET: host to terminal
    std::string name;    // TSO: data set (fully qualified, no quotes); CMS "FN FT FM"; CICS queue
    std::string member;  // TSO: member of a partitioned data set, or empty
    bool ascii = false;
    bool crlf = false;
    bool append = false;
    char recfm = 0;        // 0 (not given), 'F', 'V' or 'U'
    bool blocked = false;  // FB, VB
    int lrecl = 0;         // 0 = not given
    int blksize = 0;
    int space_primary = 0, space_secondary = 0;
    std::string space_unit;  // TRACKS, CYLINDERS, AVBLOCK or empty
    int avblock = 0;

    // The name as the host shows it: 'A.B(C)' for TSO, "FN FT FM", the queue name.
    std::string Display() const;
};

// True when the command's first word is IND$FILE.
bool IsTransferCommand(std::string_view text);

// Parses the command. `prefix` qualifies unquoted TSO names. False with the host's message
// (identifier included) when the command is not valid.
[[nodiscard]] bool ParseTransferCommand(Personality personality, std::string_view text,
                                        const std::string& prefix, TransferCommand& out,
                                        std::string& message);

// Upper case of ASCII letters, the rest unchanged.
std::string Upper(std::string_view s);

}  // namespace testhost::ft
