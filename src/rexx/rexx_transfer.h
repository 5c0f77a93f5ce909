// sendfile and receivefile: one transfer request from the function's arguments, started by the
// session's transfer client on the event-loop thread; the task waits for its end.
#pragma once

#include "rexx/rexx_calls.h"
#include "transfer/transfer_state.h"

namespace orkan {

FunctionResult RexxTransfer(RexxContext& c, const RexxArguments& args, TransferDirection direction);

}  // namespace orkan
