// Starting one transfer: the checks, the PC file, the host command typed at the cursor, and the
// state the protocol then drives (the session status becomes TR_READY).
#pragma once

#include <string>

#include "transfer/transfer_request.h"
#include "transfer/transfer_state.h"

namespace orkan {

struct Session;

struct TransferStart {
    bool started = false;
    std::string error;  // why not (already shown to the user)
    std::string macro;  // several files: the generated macro that now does the transfers
};

// Starts `request`. Refusals before anything was typed are shown as message boxes (a setting,
// a name, the session's state); a PC file that cannot be opened is shown as a progress text. On
// success `done` runs once when the transfer has ended, whichever way it ended.
[[nodiscard]] TransferStart StartTransfer(Session& session, TransferState& t, const TransferRequest& request,
                                          TransferDone done = {});

// The smallest TRANSFERBLOCKSIZE a transfer accepts.
inline constexpr uint32_t kMinimumBlockSize = 256;
// Paths longer than this cannot be kept in the request fields.
inline constexpr size_t kMaximumPathLength = 256;

// True when the PC code page the session selected for transfers is the UTF-8 one.
bool TransferFileIsUtf8(const Session& session);

}  // namespace orkan
