#include "ft_frames.h"

#include "ds.h"
#include "ft_messages.h"

namespace testhost::ft {

namespace {

constexpr size_t kHexHead = 48;

}  // namespace

FrameTransfer::FrameTransfer(ProtocolIo io, FramePlan plan) : io_(std::move(io)), plan_(std::move(plan)) {}

void FrameTransfer::StartData() {
    io_.send(FrameStartScreen(), "transfer: screen-frame start screen", SIZE_MAX);
    state_ = State::StartScreen;
}

void FrameTransfer::StartMessage(const std::string& message) {
    message_ = message;
    const std::string wire = WireText(message);
    // The message may name the file as typed, accents and all.
    std::string note;
    Bytes text = HostText(*plan_.codec, wire, note);
    for (uint8_t& x : text)
        if (x < 0x40) x = plan_.codec->HostByte('?');
    io_.send(FrameEnd(text), "transfer: end frame \"" + wire + "\"", SIZE_MAX);
    state_ = State::EndFrame;
}

void FrameTransfer::SendNext() {
    ++sequence_;
    if (plan_.put) {
        io_.send(FrameRequest(Sequence()), "transfer: upload request " + std::to_string(blocks_ + 1),
                 SIZE_MAX);
        return;
    }
    Bytes encoded;
    const size_t taken = EncodeFrameData(plan_.download.data() + offset_, plan_.download.size() - offset_,
                                         plan_.repeat_blanks, encoded);
    offset_ += taken;
    ++blocks_;
    io_.send(FrameData(Sequence(), encoded),
             "transfer: data frame " + std::to_string(blocks_) + ", " + std::to_string(taken) + " bytes in " +
                 std::to_string(encoded.size()),
             kHexHead);
}

Step FrameTransfer::Abort(const std::string& message) {
    io_.log("ERROR", "transfer: " + message);
    failed_ = true;
    if (state_ == State::EndFrame) {
        state_ = State::Done;
        return Step::Done;
    }
    StartMessage(message);
    return Step::Wait;
}

Step FrameTransfer::AfterBlock() {
    const TransferFaults& f = plan_.faults;
    if (f.drop_after && blocks_ >= *f.drop_after) {
        io_.log("NOTE", "fault: dropping the connection after " + std::to_string(blocks_) + " frames");
        return Step::Drop;
    }
    if (f.stall_after && blocks_ >= *f.stall_after) {
        io_.log("NOTE", "fault: no more answers after " + std::to_string(blocks_) + " frames");
        stalled_ = true;
    }
    return Step::Wait;
}

Step FrameTransfer::OnRecord(const Bytes& r) {
    // A silent host still hears the operator: an attention ends the transfer.
    if (stalled_) return Step::NotMine;
    const bool pa1 = !r.empty() && r[0] == ds::kAidPA1;
    switch (state_) {
        case State::StartScreen:
            if (!IsFrameStartReply(r)) return Step::NotMine;
            io_.send(FrameStart(), "transfer: start frame", SIZE_MAX);
            state_ = State::StartFrame;
            return Step::Wait;
        case State::StartFrame:
            if (pa1) return Abort(Message(Msg::Canceled, "Transfer canceled by the terminal (PA1)"));
            if (!IsFrameAck(r)) return Abort(Message(Msg::Protocol, "The start frame was not acknowledged"));
            state_ = State::Data;
            if (!plan_.put && plan_.download.empty()) {
                state_ = State::Idle;
                return Step::DataDone;
            }
            SendNext();
            return Step::Wait;
        case State::Data:
            if (pa1) return Abort(Message(Msg::Canceled, "Transfer canceled by the terminal (PA1)"));
            if (plan_.put) {
                UploadBlock block;
                std::string error;
                if (!DecodeUploadReply(r, Sequence(), plan_.alphabet, block, error))
                    return Abort(Message(Msg::Protocol, "Bad upload block: " + error));
                if (block.end_of_file) {
                    io_.log("FT", "end of file after " + std::to_string(blocks_) + " frames, " +
                                      std::to_string(received_.size()) + " bytes");
                    state_ = State::Idle;
                    return Step::DataDone;
                }
                if (received_.size() + block.data.size() > kMaxUploadBytes)
                    return Abort(Message(Msg::HostError, "The file is larger than the host takes (" +
                                                             std::to_string(kMaxUploadBytes) + " bytes)"));
                ++blocks_;
                received_.insert(received_.end(), block.data.begin(), block.data.end());
                io_.log("FT", "upload block " + std::to_string(blocks_) + ", " +
                                  std::to_string(block.data.size()) + " bytes");
            } else {
                if (!IsFrameAck(r))
                    return Abort(Message(Msg::Protocol,
                                         "Data frame " + std::to_string(blocks_) + " was not acknowledged"));
                io_.log("FT", "data frame " + std::to_string(blocks_) + " acknowledged");
                if (offset_ >= plan_.download.size()) {
                    state_ = State::Idle;
                    return Step::DataDone;
                }
            }
            if (const Step s = AfterBlock(); s != Step::Wait || stalled_) return s;
            SendNext();
            return Step::Wait;
        case State::EndFrame:
            if (!IsFrameAck(r)) {
                io_.log("ERROR", "transfer: the end frame was not acknowledged");
                failed_ = true;
            } else {
                io_.log("FT", "end frame acknowledged");
            }
            state_ = State::Done;
            return Step::Done;
        default:
            return Step::NotMine;
    }
}

Step FrameTransfer::OnTimeout() {
    if (stalled_) return Step::Wait;
    failed_ = true;
    if (state_ == State::EndFrame) {
        io_.log("ERROR", "transfer: the terminal did not take the closing message");
    } else {
        message_ = Message(Msg::Protocol, "No reply from the terminal; transfer abandoned");
        io_.log("ERROR", "transfer: " + message_);
    }
    state_ = State::Done;
    return Step::Done;
}

}  // namespace testhost::ft
