// One loaded macro: its normalised source, the scan table the pre-scan builds from it (blocks
// matched, labels resolved), and where execution stands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "macro/keywords.h"
#include "macro/macro_scanner.h"
#include "session/macro_permissions.h"

namespace orkan {

// Entry 0 is never used; an entry's links are entry numbers (0 = none).
struct ScanEntry {
    uint32_t statement = 0;
    BlockKind kind = BlockKind::None;
    uint32_t depth = 0;
    uint32_t text = 0;   // offset of the statement in the source
    uint32_t link1 = 0;  // by kind: ELSE of an IF, WHILE of an ENDWHILE, SELECT of a CASE, FOR of a
                         // NEXT, the loop of a BREAK/CONTINUE, the active CALL of a subroutine label
    uint32_t link2 = 0;  // by kind: the closer of a block, the label of GOTO/CALL, the subroutine of
                         // a RETURN
    // FOR only, set when the FOR executes. The variable is kept by name and looked up again at
    // NEXT, since DROP() may have removed it in between.
    std::string loop_variable;
    int32_t limit = 0;
    int32_t step = 0;
};

// The pre-scan refuses a program with this many entries (23,402 usable).
inline constexpr uint32_t kScanTableEntries = 23'403;

struct MacroProgram {
    std::string file_name;  // as opened; in the error title
    std::string name;       // file name without its extension; in the running-macro question
    std::string source;     // normalised and terminated (macro_source.h)
    std::vector<ScanEntry> scan;
    std::vector<uint32_t> entry_of_statement;  // statement number -> first scan entry, 0 none
    CharacterClasses classes;

    // Execution state.
    uint32_t current = 0;           // offset of the statement that executes next
    uint32_t statement_number = 1;  // 32 bits: long macros never wrap
    uint32_t last_token_start = 0;  // for the error column
    bool jumped = false;
    MacroPermissions permissions = MacroPermissions::Full();  // a host's macro: the host allow-list

    // SENDFILE and RECEIVEFILE suspend their statement until the transfer ends and then run it
    // again from its start: the results of the transfer terms that already ended in it are
    // handed back in order instead of starting those transfers again.
    std::vector<int32_t> transfer_results;
    size_t transfer_replay = 0;
    // A wildcard request of this statement runs its generated macro as a child; when the statement
    // runs again, the term's result says whether every transfer of that macro succeeded.
    bool generated_transfers = false;
    bool generated_failed = false;
    // Set by a transfer term of the statement being executed: the statement keeps its transfer
    // results for when it runs again.
    bool suspended_for_transfer = false;

    bool AtEnd() const { return source[current] == 0x1A; }
    // On to the statement after the current one.
    void Advance() {
        current = StatementAfter(source, StatementEnd(source, current));
        ++statement_number;
    }
    uint32_t FindScanEntry(uint32_t statement) const {
        return statement < entry_of_statement.size() ? entry_of_statement[statement] : 0;
    }
};

// Builds the scan table; 0, or an error number with `current`, `statement_number` and
// `last_token_start` left at the failing statement for the report. On success execution is set to
// start at the first statement.
[[nodiscard]] int PreScan(MacroProgram& program);

}  // namespace orkan
