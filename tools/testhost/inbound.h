// Decoding of what a terminal sends: attention records (AID, cursor, modified fields), Read
// Buffer replies and Query Replies. Every length is checked against what remains.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ds.h"

namespace testhost {

struct InboundField {
    int address = -1;  // first data position; -1 for data of an unformatted screen
    Bytes data;        // host bytes (GE characters as their byte)
};

struct AidRecord {
    uint8_t aid = 0;
    std::optional<int> cursor;  // absent in a short read (PA keys, Clear)
    std::vector<InboundField> fields;
};

// An AID record or a Read Modified reply.
[[nodiscard]] bool DecodeAidRecord(const uint8_t* data, size_t size, AidRecord& out, std::string& error);

struct ReadBufferReply {
    uint8_t aid = 0;
    int cursor = 0;
    ds::Buffer buffer;
    int positions = 0;  // positions the reply covered
};

// A Read Buffer reply for a buffer of the given size, in field, extended-field or character mode.
[[nodiscard]] bool DecodeReadBuffer(const uint8_t* data, size_t size, int rows, int cols,
                                    ReadBufferReply& out, std::string& error);

struct QueryReply {
    std::vector<uint8_t> codes;  // reply codes in the order received
    std::vector<uint8_t> summary;
    int usable_cols = 0, usable_rows = 0;
    int default_cols = 0, default_rows = 0, alt_cols = 0, alt_rows = 0;  // implicit partition
    int colours = 0;
    int highlights = 0;
    std::vector<uint8_t> reply_modes;

    bool Has(uint8_t code) const;
};

[[nodiscard]] bool DecodeQueryReply(const uint8_t* data, size_t size, QueryReply& out, std::string& error);

// The readable name of a query reply code ("usable-area" for 0x81).
std::string QueryCodeName(uint8_t code);

}  // namespace testhost
