// What both wire forms share: answers to the host, progress texts, and the end of a transfer.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "interfaces/ui.h"

namespace orkan {

struct Session;
struct TransferState;

// Transfer texts are UTF-8 (they name PC files); message boxes take display bytes.
MessageBox ForUi(MessageBox box);

void SendToHost(Session& session, std::span<const uint8_t> record);
void PostText(Session& session, TransferState& t, const std::string& text);
// "Bytes transferred = %s", the status line's count and the progress bar.
void PostByteCount(Session& session, TransferState& t);
std::string FormattedCount(const Session& session, const TransferState& t, uint64_t count);

// A failure on our side during the data phase: the error text is shown, the transfer is marked
// failed and its PC file closed (a download's temporary file removed). The host is told by the
// caller, and the transfer ends when the host has answered.
void FailOnOurSide(Session& session, TransferState& t, const std::string& shown, const std::string& failure);

// The host's closing message ends the transfer (display bytes, already cleaned, identifier
// included). Progress texts themselves are UTF-8.
void EndWithHostMessage(Session& session, TransferState& t, const std::string& message);

// Ends an active transfer as failed, at once; `reason` is shown unless it was already.
void EndFailedNow(Session& session, TransferState& t, const std::string& reason, bool reason_shown,
                  bool host_screen_follows);

}  // namespace orkan
