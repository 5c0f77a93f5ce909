// The conditions a `wait` request waits for, read from the request and tested against the session.
// Testing is cheap and has no effects: the interface tests the conditions again after every host
// record and status change, and when a quiet time it is waiting for has passed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "api/protocol.h"

namespace orkan {

struct Session;

struct WaitCondition {
    enum class Kind : uint8_t { Unlocked, Text, Cursor, CursorInField, Changed, Disconnected };
    Kind kind = Kind::Unlocked;
    int64_t quiet_ms = 0;
    std::string text;  // display bytes
    bool at_position = false;
    uint32_t row = 0, column = 0;  // from 1
    bool ignore_case = false;
    bool absent = false;
    uint64_t since = 0;
};

// What the session alone does not hold.
struct WaitFacts {
    uint64_t seq = 0;          // host changes to the screen so far
    int64_t quiet_for_ms = 0;  // since the last one
};

// Reads the `conditions` array; false with `error` saying what is wrong.
[[nodiscard]] bool ReadConditions(const Json& conditions, std::vector<WaitCondition>& out,
                                  std::string& error);

bool ConditionHolds(const Session& session, const WaitCondition& condition, const WaitFacts& facts);

// How much longer the screen must stay quiet before an `unlocked` condition can hold; none when
// that condition waits for nothing the clock brings.
std::optional<int64_t> QuietTimeLeft(const Session& session, const WaitCondition& condition,
                                     const WaitFacts& facts);

}  // namespace orkan
