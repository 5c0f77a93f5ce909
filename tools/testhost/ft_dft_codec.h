// The structured fields of the DFT form of file transfer, seen from the host: what it writes
// (Open, Set Cursor, Insert, Get, Close) and the terminal's replies behind AID 0x88, decoded
// with every length checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "codec.h"

namespace testhost::ft {

inline constexpr uint8_t kDftId = 0xD0;
inline constexpr size_t kOpenLength = 35;
// Bytes a structured field around n data bytes adds (Insert: 10; the record adds the command
// byte and a Set Cursor field).
inline constexpr size_t kInsertHeader = 10;
inline constexpr size_t kSetCursorLength = 15;
// A client's DDM limit bounds a whole record; data per record is the limit less this.
inline constexpr size_t kLimitOverhead = 27;

enum class OpenKind { DownloadData, UploadData, Message };

// One structured field each, without the Write Structured Field command byte.
Bytes OpenField(OpenKind kind);
Bytes CloseField();
Bytes GetField();
Bytes SetCursorField();
Bytes InsertField(const uint8_t* data, size_t size);

// A Write Structured Field record: 0xF3 then the fields.
Bytes WsfRecord(std::initializer_list<const Bytes*> fields);

// A terminal's reply to a transfer request.
struct DftReply {
    enum class Kind { OpenAck, CloseAck, InsertAck, InsertNegative, GetData, GetNegative };
    Kind kind = Kind::OpenAck;
    uint32_t record = 0;     // InsertAck, GetData
    uint16_t code = 0;       // the negative responses' error code (0x2200 end of file)
    size_t data_offset = 0;  // GetData: where the data bytes start in the record
    size_t data_size = 0;
};

// Decodes an inbound record (AID first). False with a reason for anything that is not exactly
// one well-formed transfer reply.
[[nodiscard]] bool DecodeDftReply(const Bytes& record, DftReply& out, std::string& error);

// The limits of a Query Reply's DDM field (0x95), when the reply holds one.
struct DdmLimits {
    size_t inbound = 0;   // largest record the terminal sends
    size_t outbound = 0;  // largest record it takes
};
// nullopt when the reply has no DDM field; false (error set) when the Query Reply is malformed.
[[nodiscard]] bool FindDdmLimits(const Bytes& record, std::optional<DdmLimits>& out, std::string& error);

// True for a reply whose fields are Query Replies (0x81), as opposed to transfer replies.
bool IsQueryReply(const Bytes& record);

// "Open ack", "Insert ack record 3", ... for the log.
std::string DescribeReply(const DftReply& reply);

}  // namespace testhost::ft
