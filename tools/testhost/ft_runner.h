// One transfer from the typed command to its closing message: picks DFT or screen frames, finds
// or prepares the host file, runs the protocol and keeps what an upload brought.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ft_command.h"
#include "ft_dft_codec.h"
#include "ft_protocol.h"
#include "ft_store.h"

namespace testhost::ft {

enum class WireMode { Auto, Dft, Frames };

struct TransferConfig {
    Personality personality = Personality::Tso;
    WireMode mode = WireMode::Auto;
    size_t own_limit = 32767;      // the largest inbound record the host takes, and sends
    std::string user = "ORKUSER";  // TSO prefix of unqualified names
    bool eof_mark = false;         // 0x1A after ASCII downloads
    bool repeat_blanks = true;     // screen-frame downloads: runs of blanks as repeat orders
    bool no_program = false;       // the host has no transfer program
    TransferFaults faults;
};

class TransferRunner {
  public:
    TransferRunner(const TransferConfig& config, FileStore& store, const Codec& codec, ProtocolIo io);

    // Starts the transfer the command asks for. `limits` is the terminal's DDM offer, if any.
    void Begin(const std::string& command, const std::optional<DdmLimits>& limits, double now);
    Step OnRecord(const Bytes& record, double now);
    Step OnTimeout(double now);

    bool short_wait() const { return protocol_ && protocol_->short_wait(); }
    bool stalled() const { return protocol_ && protocol_->stalled(); }
    const std::string& message() const;
    bool failed() const { return refused_ || (protocol_ && protocol_->failed()); }

  private:
    Step Continue(Step step, double now);
    // The message that ends a good data phase: stores an upload first.
    std::string Finish();
    // Sets up the transfer; false with the message that refuses it.
    bool Prepare(std::string& message);

    const TransferConfig& config_;
    FileStore& store_;
    const Codec& codec_;
    ProtocolIo io_;
    std::unique_ptr<Protocol> protocol_;
    TransferCommand command_;
    std::string key_;  // the store's name of the file
    HostFile target_;  // an upload's file: attributes (and records when appending)
    Bytes download_;   // a download's bytes until the protocol takes them
    bool fit_lrecl_ = false;
    double started_ = 0;
    size_t bytes_ = 0;      // bytes the data phase moves
    bool refused_ = false;  // ended by a message before any data
    std::string fallback_message_;
};

}  // namespace testhost::ft
