// The record dispatcher and the write processor: every record the host sends as 3270 data goes
// through ProcessHostRecord; writes store orders and data into the presentation space and end
// with AfterWrite, the WCC actions.
#pragma once

#include <cstdint>
#include <span>

#include "ds3270/addressing.h"

namespace orkan {

struct Session;

// One complete record (command byte first, Telnet framing and TN3270E header removed).
void ProcessHostRecord(Session& session, std::span<const uint8_t> record);

// A record carried by an Outbound 3270DS structured field: dispatched like a host record, except
// that a further Outbound 3270DS inside it is refused.
void ProcessEnclosedRecord(Session& session, std::span<const uint8_t> record);

// Interprets the orders and data from context.position on, until the record ends or an order
// ends it early (the outcome says how). A run of data characters is stored in one go.
[[nodiscard]] OrderOutcome ProcessOrders(Session& session, WriteContext& context);

// The WCC actions of the last write (alarm, printing, keyboard restore and what follows it).
void AfterWrite(Session& session);

// Erase All Unprotected, run for command 0x0F/0x6F.
void EraseAllUnprotected(Session& session);

}  // namespace orkan
