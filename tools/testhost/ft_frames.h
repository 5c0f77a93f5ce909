// The screen-frame form of a transfer: a start screen the terminal answers, a start frame, data
// frames (download) or requests it answers with encoded blocks (upload), and an end frame that
// carries the closing message. Each frame waits for its acknowledgement.
#pragma once

#include "ft_frame_codec.h"
#include "ft_protocol.h"

namespace testhost::ft {

struct FramePlan {
    bool put = false;
    Bytes download;
    bool repeat_blanks = true;  // runs of blanks as repeat orders (text downloads)
    FrameAlphabet alphabet{};
    const Codec* codec = nullptr;  // the closing message in host bytes
    TransferFaults faults;
};

class FrameTransfer final : public Protocol {
  public:
    FrameTransfer(ProtocolIo io, FramePlan plan);
    void StartData() override;
    void StartMessage(const std::string& message) override;
    Step OnRecord(const Bytes& record) override;
    Step OnTimeout() override;

  private:
    enum class State { Idle, StartScreen, StartFrame, Data, EndFrame, Done };
    void SendNext();
    Step Abort(const std::string& message);
    Step AfterBlock();
    uint8_t Sequence() const { return plan_.alphabet[sequence_ % 64]; }

    ProtocolIo io_;
    FramePlan plan_;
    State state_ = State::Idle;
    size_t offset_ = 0;
    size_t sequence_ = 0;
};

}  // namespace testhost::ft
