// What printing keeps for one session between key presses: the printer chosen for this run, the
// screen a two-up print holds back for its second half, and the status text macros read.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "screen/presentation_space.h"
#include "session/selection.h"
#include "session/session_status.h"

namespace orkan {

// A screen stored for the first half of a two-up sheet: all six planes, its size and the
// selection shown when it was stored.
struct StoredPrintScreen {
    Planes planes;
    uint32_t rows = 0;
    uint32_t columns = 0;
    Selection selection;
};

struct PrintState {
    // The printer of this run (UTF-8: a CUPS queue, "<default>", or a .pdf/.txt path): set by
    // --printer or the print dialog; empty means the session's PrinterName.
    std::string printer;

    // Two-up: the first screen, "1of2" / "2of2" / "1of1" (the PRINTSTATUS variable), the seconds
    // left before the first screen prints alone, and whether nothing has happened since it was stored.
    std::unique_ptr<StoredPrintScreen> stored;
    std::string status_text;
    int countdown = 0;
    bool pending = false;

    // Jobs printed into each output file in this run: later PDF jobs go to numbered files beside
    // the first, later text jobs are appended, so no print overwrites an earlier one.
    std::map<std::string, int> file_jobs;

    // The keyboard lock that printing holds, and the status it replaced.
    int active_jobs = 0;
    bool holds_lock = false;
    SessionStatus status_before = SessionStatus::NotConnected;
};

}  // namespace orkan
