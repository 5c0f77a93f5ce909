// The Query Reply that tells the host what this terminal can do.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orkan {

struct Session;

// The codes answered for a plain Query: nine, or ten with the DDM reply while a DFT transfer runs.
std::vector<uint8_t> DefaultQueryList(const Session& session);

// AID 0x88 followed by one reply per known code, in the order first requested.
std::vector<uint8_t> BuildQueryReply(const Session& session, std::span<const uint8_t> codes);

void SendQueryReply(Session& session, std::span<const uint8_t> codes);

}  // namespace orkan
