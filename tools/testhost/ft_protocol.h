// One file transfer on the wire, in either form (DFT structured fields or screen frames).
// Sans-IO: records go out through ProtocolIo, the terminal's records come in through OnRecord.
// The owner runs it in two halves: the data phase (StartData ... DataDone), then the closing
// message (StartMessage ... Done); an error before any data skips the first half.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "codec.h"

namespace testhost::ft {

struct ProtocolIo {
    // A record for the terminal; `hex_bytes` of it go to the log in hex.
    std::function<void(const Bytes& record, const std::string& label, size_t hex_bytes)> send;
    std::function<void(const std::string& tag, const std::string& text)> log;
};

// Faults that act inside a transfer.
struct TransferFaults {
    bool error_instead_of_data = false;
    std::optional<uint32_t> drop_after;   // close the connection after this many data blocks
    std::optional<uint32_t> stall_after;  // stop answering after this many data blocks
    bool short_field = false;             // DFT: an Insert shorter than its own header
    bool oversize_field = false;          // DFT: an Insert larger than the terminal's limit
};

// The most an upload may bring; more is refused rather than exhausting the host's memory.
inline constexpr size_t kMaxUploadBytes = size_t{1} << 30;

enum class Step {
    Wait,      // nothing for the owner to do
    DataDone,  // the data phase ended well: the owner keeps the data and calls StartMessage
    Done,      // the transfer is over; message() says how it ended
    Drop,      // a fault asks to close the connection now
    NotMine,   // the record is no transfer reply; the transfer is abandoned
};

class Protocol {
  public:
    virtual ~Protocol() = default;
    virtual void StartData() = 0;
    virtual void StartMessage(const std::string& message) = 0;
    virtual Step OnRecord(const Bytes& record) = 0;
    // The wait for the terminal ran out.
    virtual Step OnTimeout() = 0;
    // True while only a short wait is due (the answer to an injected fault).
    virtual bool short_wait() const { return false; }

    bool stalled() const { return stalled_; }
    bool failed() const { return failed_; }
    const std::string& message() const { return message_; }
    // An upload's bytes as the terminal sent them.
    const Bytes& received() const { return received_; }
    uint32_t blocks() const { return blocks_; }

  protected:
    bool stalled_ = false;
    bool failed_ = false;
    std::string message_;
    Bytes received_;
    uint32_t blocks_ = 0;  // data blocks sent or received
};

}  // namespace testhost::ft
