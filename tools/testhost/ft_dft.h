// The DFT form of a transfer: Open, Insert or Get blocks, Close, then the closing message as
// its own Open/Insert/Close. Every acknowledgement and record number is checked; the terminal's
// announced limits bound what goes out, and what comes in may not exceed them or the host's own.
#pragma once

#include "ft_dft_codec.h"
#include "ft_protocol.h"

namespace testhost::ft {

struct DftPlan {
    bool put = false;           // upload: the host sends Gets
    Bytes download;             // bytes a download sends
    size_t block = 0;           // data bytes per Insert
    size_t client_inbound = 0;  // the terminal's announced inbound limit (a whole record)
    size_t own_inbound = 0;     // the host's own limit
    TransferFaults faults;
};

class DftTransfer final : public Protocol {
  public:
    DftTransfer(ProtocolIo io, DftPlan plan);
    void StartData() override;
    void StartMessage(const std::string& message) override;
    Step OnRecord(const Bytes& record) override;
    Step OnTimeout() override;
    bool short_wait() const override { return state_ == State::FaultReply; }

  private:
    enum class State { Idle, OpenData, Data, CloseData, FaultReply, OpenMessage, InsertMessage, Done };
    void SendInsert();
    void SendFaultInsert();
    void SendClose(const std::string& pending);
    Step Abort(const std::string& message);
    Step AfterBlock();

    ProtocolIo io_;
    DftPlan plan_;
    State state_ = State::Idle;
    size_t offset_ = 0;    // download bytes sent
    uint32_t taken_ = 0;   // data records the terminal took (a refused Insert is not one)
    std::string pending_;  // the message that follows a Close after an error
    std::string closing_;  // the message being sent
};

}  // namespace testhost::ft
