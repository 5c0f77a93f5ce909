// The host file transfer protocol in both of its wire forms: DFT structured fields (ID 0xD0)
// and screen frames. Host records come in through the data stream while the session status is
// TR_READY or above; answers leave through session.sender; the state is the TransferState the caller owns
// (the session's transfer client).
//
// A transfer succeeds only on the host's completion message. Anything else — the host's error
// message, a failure on our side, the user's cancel, a time-out, a lost connection — ends it as
// failed, and a download then leaves the user's file as it was.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orkan {

struct Session;
struct TransferState;

// One structured field of the transfer family: length, 0xD0, request code, parameters.
void HandleTransferField(Session& session, TransferState& t, std::span<const uint8_t> field);

// A record that is not a structured field, starting with its command. True when it was a
// transfer frame and must not reach the screen.
[[nodiscard]] bool HandleTransferFrame(Session& session, TransferState& t, std::span<const uint8_t> record);

// The user stops the transfer: the PC file is closed at once (a download's data is thrown away)
// and the host hears of it at its next request. The transfer ends when the host has answered.
void CancelTransfer(Session& session, TransferState& t);

// The transfer ends failed now, without waiting for the host (it stopped answering, or the
// connection ended). A status of the transfer becomes UNLOCKED; any other status stays.
void AbortTransfer(Session& session, TransferState& t, const std::string& reason);

// The largest number of encoded bytes an upload frame carries: a 24x80 frame has room for
// about 1,900 once the frame's own bytes are taken off.
inline constexpr size_t kUploadFrameCapacity = 1900;
// File bytes a screen-frame upload takes at most per frame.
inline constexpr size_t kUploadFrameRead = 1000;

}  // namespace orkan
