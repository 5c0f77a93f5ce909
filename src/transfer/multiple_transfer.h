// Several files in one request: names with '*' on both sides, or several entries chosen in the
// source list (host names for downloads, PC files for uploads), become a macro of single
// ReceiveFile/SendFile statements that the macro runner then works through.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interfaces/ui.h"
#include "transfer/transfer_request.h"

namespace orkan {

struct Session;

struct Expansion {
    enum class Kind { Single, Macro, Refused };
    Kind kind = Kind::Single;
    std::string macro;   // Kind::Macro: the statements, UTF-8, one per line
    MessageBox refusal;  // Kind::Refused: what to show
};

// Decides between a single transfer and a generated macro for `request` and `list`.
Expansion ExpandMultipleTransfer(const Session& session, const TransferRequest& request,
                                 const TransferList& list);

// The wildcard match of a source pattern against a list entry. The variable part is the name
// segment (between '.', '/' or apostrophes, and blanks in a host name) that holds the last wildcard
// position, with the characters a host name cannot hold made '#'. Host names compare without regard
// to case; PC names keep theirs.
struct WildcardMatch {
    bool matched = false;
    std::string variable;
};
WildcardMatch MatchWildcard(const Session& session, std::string_view pattern, std::string_view entry,
                            bool host_name);

// A text as a macro string constant: in double quotes, a double quote doubled. Nothing when the
// text cannot be one (a byte below 0x0E, or longer than a macro text may be).
std::optional<std::string> MacroString(std::string_view text);

// Writes `macro` to ork$<letter>$xfer.mac in the temporary macro folder: its path, or nothing with
// `error` set.
std::optional<std::string> WriteTransferMacro(const Session& session, const std::string& macro,
                                              std::string& error);

// The regular files of a PC folder, sorted by name (an upload's source list).
std::vector<std::string> ListPcFolder(const std::string& folder);

// The member-level host name: data set (apostrophes removed) + "(member)", in apostrophes when
// the data set name had one or a qualifier is given.
std::string MemberHostName(std::string_view data_set, std::string_view member, bool qualified);

}  // namespace orkan
