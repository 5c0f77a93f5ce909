// Everything the terminal sends to the host as 3270 data: AID keys, Read Modified, Read Buffer,
// the SSCP-LU reply. Records leave through session.sender (none while it is null).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ds3270/ds_codes.h"

namespace orkan {

struct Session;

inline constexpr int kActionAttention = 0;
inline constexpr int kActionSystemRequest = 30;
inline constexpr int kActionLast = 49;

// The AID of keyboard Action number 0..49; nothing for Attention, System Request, numbers out of
// range and extra keys whose setting is missing, malformed or 00.
std::optional<uint8_t> AidForAction(const Session& session, int action);

enum class AidKeyResult : uint8_t { Sent, NotAnAidKey, BadSetting };
// The AID key operation for keyboard Action numbers 0..49: locks the keyboard, resets the capture
// buffer, sets the current AID and sends what the key sends.
[[nodiscard]] AidKeyResult SendAidKey(Session& session, int action);

// Builds the Read Modified reply for `aid`. With `masked` set, characters of non-display fields
// are "X" (the copy for the trace).
std::vector<uint8_t> BuildReadModified(Session& session, uint8_t aid, bool masked);
// The Read Buffer reply; with `masked` set, the copy for the trace, in which characters of
// non-display fields are "X" as in the Read Modified copy.
std::vector<uint8_t> BuildReadBuffer(const Session& session, bool masked = false);

void SendReadModified(Session& session, uint8_t aid);
void SendShortRead(Session& session, uint8_t aid);
void SendReadBuffer(Session& session);
void SendAidWithCursor(Session& session, uint8_t aid);

}  // namespace orkan
