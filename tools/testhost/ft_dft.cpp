#include "ft_dft.h"

#include <algorithm>
#include <utility>

#include "ft_messages.h"

namespace testhost::ft {

namespace {

constexpr size_t kHexHead = 48;  // data records show their headers in the log, not their data

}  // namespace

DftTransfer::DftTransfer(ProtocolIo io, DftPlan plan) : io_(std::move(io)), plan_(std::move(plan)) {
    plan_.block = std::max<size_t>(plan_.block, 1);
}

void DftTransfer::StartData() {
    const Bytes open = OpenField(plan_.put ? OpenKind::UploadData : OpenKind::DownloadData);
    io_.send(WsfRecord({&open}), "transfer: Open FT:DATA", SIZE_MAX);
    state_ = State::OpenData;
}

void DftTransfer::StartMessage(const std::string& message) {
    closing_ = message;
    message_ = message;
    const Bytes open = OpenField(OpenKind::Message);
    io_.send(WsfRecord({&open}), "transfer: Open FT:MSG", SIZE_MAX);
    state_ = State::OpenMessage;
}

void DftTransfer::SendInsert() {
    const size_t n = std::min(plan_.block, plan_.download.size() - offset_);
    const Bytes cursor = SetCursorField();
    const Bytes insert = InsertField(plan_.download.data() + offset_, n);
    offset_ += n;
    ++blocks_;
    io_.send(WsfRecord({&cursor, &insert}),
             "transfer: Insert record " + std::to_string(blocks_) + ", " + std::to_string(n) + " bytes",
             kHexHead);
}

void DftTransfer::SendFaultInsert() {
    const Bytes cursor = SetCursorField();
    Bytes insert;
    std::string label;
    if (plan_.faults.short_field) {
        // An Insert field whose length (7) leaves no room for the data header it announces.
        insert = {0x00, 0x07, kDftId, 0x47, 0x04, 0xC0, 0x80};
        label = "fault: Insert field of 7 bytes, shorter than its header";
    } else {
        // Data beyond the terminal's announced limit, whatever it measures.
        Bytes junk(plan_.block + kLimitOverhead + 1024, 0x58);
        insert = InsertField(junk.data(), junk.size());
        label = "fault: Insert of " + std::to_string(junk.size()) + " bytes, over the terminal's limit";
    }
    io_.send(WsfRecord({&cursor, &insert}), label, kHexHead);
    failed_ = true;
    state_ = State::FaultReply;
}

void DftTransfer::SendClose(const std::string& pending) {
    pending_ = pending;
    const Bytes close = CloseField();
    io_.send(WsfRecord({&close}), "transfer: Close", SIZE_MAX);
    state_ = State::CloseData;
}

Step DftTransfer::Abort(const std::string& message) {
    io_.log("ERROR", "transfer: " + message);
    failed_ = true;
    if (state_ == State::OpenMessage || state_ == State::InsertMessage) {
        // The closing message itself went wrong: end without another.
        const Bytes close = CloseField();
        io_.send(WsfRecord({&close}), "transfer: Close", SIZE_MAX);
        message_ = message;
        state_ = State::Done;
        return Step::Done;
    }
    SendClose(message);
    return Step::Wait;
}

Step DftTransfer::AfterBlock() {
    const TransferFaults& f = plan_.faults;
    if (f.drop_after && blocks_ >= *f.drop_after) {
        io_.log("NOTE", "fault: dropping the connection after " + std::to_string(blocks_) + " blocks");
        return Step::Drop;
    }
    if (f.stall_after && blocks_ >= *f.stall_after) {
        io_.log("NOTE", "fault: no more answers after " + std::to_string(blocks_) + " blocks");
        stalled_ = true;
        return Step::Wait;
    }
    return Step::Wait;
}

Step DftTransfer::OnRecord(const Bytes& r) {
    // A silent host still hears the operator: an attention ends the transfer.
    if (stalled_) return !r.empty() && r[0] == 0x88 ? Step::Wait : Step::NotMine;
    if (r.empty() || r[0] != 0x88 || state_ == State::Idle || state_ == State::Done) return Step::NotMine;
    if (state_ == State::FaultReply) {
        DftReply reply;
        std::string why;
        io_.log("NOTE",
                "transfer: the terminal answered the faulty field: " +
                    (DecodeDftReply(r, reply, why) ? DescribeReply(reply) : "malformed (" + why + ")"));
        SendClose(Message(Msg::Injected, "Transfer ended by an injected fault"));
        return Step::Wait;
    }
    if (state_ == State::Data && plan_.put) {
        const size_t limit = std::min(plan_.client_inbound, plan_.own_inbound);
        if (r.size() > limit) {
            const bool own = plan_.own_inbound <= plan_.client_inbound;
            return Abort(
                Message(Msg::Protocol, "Block of " + std::to_string(r.size()) + " bytes exceeds " +
                                           (own ? "the host's limit of " : "the terminal's own limit of ") +
                                           std::to_string(limit)));
        }
    }
    DftReply reply;
    std::string error;
    if (!DecodeDftReply(r, reply, error)) return Abort(Message(Msg::Protocol, "Bad reply: " + error));
    using K = DftReply::Kind;
    auto unexpected = [&](const std::string& wanted) {
        return Abort(Message(Msg::Protocol, DescribeReply(reply) + " while waiting for " + wanted));
    };
    switch (state_) {
        case State::OpenData:
            if (reply.kind != K::OpenAck) return unexpected("the Open acknowledgement");
            io_.log("FT", "Open acknowledged");
            state_ = State::Data;
            if (!plan_.put && (plan_.faults.short_field || plan_.faults.oversize_field)) {
                SendFaultInsert();
                return Step::Wait;
            }
            if (plan_.put) {
                const Bytes get = GetField();
                io_.send(WsfRecord({&get}), "transfer: Get", SIZE_MAX);
            } else if (plan_.download.empty()) {
                SendClose("");
            } else {
                SendInsert();
            }
            return Step::Wait;
        case State::Data:
            if (plan_.put) {
                if (reply.kind == K::GetNegative) {
                    if (reply.code != 0x2200)
                        return Abort(Message(Msg::Canceled,
                                             "Transfer canceled by the terminal: " + DescribeReply(reply)));
                    io_.log("FT", "end of file after " + std::to_string(blocks_) + " blocks, " +
                                      std::to_string(received_.size()) + " bytes");
                    SendClose("");
                    return Step::Wait;
                }
                if (reply.kind != K::GetData) return unexpected("data");
                if (reply.record != blocks_ + 1)
                    return Abort(Message(Msg::Protocol, "Record number " + std::to_string(reply.record) +
                                                            ", expected " + std::to_string(blocks_ + 1)));
                if (received_.size() + reply.data_size > kMaxUploadBytes)
                    return Abort(Message(Msg::HostError, "The file is larger than the host takes (" +
                                                             std::to_string(kMaxUploadBytes) + " bytes)"));
                ++blocks_;
                ++taken_;
                received_.insert(received_.end(), r.begin() + static_cast<std::ptrdiff_t>(reply.data_offset),
                                 r.end());
                io_.log("FT", DescribeReply(reply));
                if (const Step s = AfterBlock(); s != Step::Wait || stalled_) return s;
                const Bytes get = GetField();
                io_.send(WsfRecord({&get}), "transfer: Get", SIZE_MAX);
                return Step::Wait;
            }
            if (reply.kind == K::InsertNegative)
                return Abort(
                    Message(Msg::Canceled, "Transfer canceled by the terminal: " + DescribeReply(reply)));
            if (reply.kind != K::InsertAck) return unexpected("an Insert acknowledgement");
            if (reply.record != blocks_)
                return Abort(Message(Msg::Protocol, "Acknowledged record " + std::to_string(reply.record) +
                                                        ", expected " + std::to_string(blocks_)));
            io_.log("FT", DescribeReply(reply));
            ++taken_;
            if (const Step s = AfterBlock(); s != Step::Wait || stalled_) return s;
            if (offset_ < plan_.download.size()) {
                SendInsert();
            } else {
                SendClose("");
            }
            return Step::Wait;
        case State::CloseData:
            if (reply.kind != K::CloseAck) return unexpected("the Close acknowledgement");
            io_.log("FT", "Close acknowledged");
            if (!pending_.empty()) {
                StartMessage(std::exchange(pending_, {}));
                return Step::Wait;
            }
            state_ = State::Idle;
            return Step::DataDone;
        case State::OpenMessage:
            if (reply.kind != K::OpenAck) return unexpected("the Open acknowledgement");
            {
                // The message travels in ASCII, as the terminal shows it untranslated.
                const std::string wire = WireText(closing_);
                Bytes text(wire.begin(), wire.end());
                text.push_back('$');
                const Bytes cursor = SetCursorField();
                const Bytes insert = InsertField(text.data(), text.size());
                io_.send(WsfRecord({&cursor, &insert}), "transfer: Insert message \"" + wire + "\"",
                         SIZE_MAX);
            }
            state_ = State::InsertMessage;
            return Step::Wait;
        case State::InsertMessage: {
            if (reply.kind != K::InsertAck) return unexpected("the message's acknowledgement");
            // Terminals count the message as record 1, or go on from the data records they took: a
            // terminal that refused an Insert (its cancel) did not count that one.
            if (reply.record != 1 && reply.record != taken_ + 1)
                return Abort(Message(Msg::Protocol, "Message acknowledged as record " +
                                                        std::to_string(reply.record) + ", expected 1 or " +
                                                        std::to_string(taken_ + 1)));
            io_.log("FT", "message acknowledged as record " + std::to_string(reply.record));
            // The terminal does not answer this last Close, so nothing waits for it.
            const Bytes close = CloseField();
            io_.send(WsfRecord({&close}), "transfer: Close (not answered)", SIZE_MAX);
            state_ = State::Done;
            return Step::Done;
        }
        default:
            return Step::NotMine;
    }
}

Step DftTransfer::OnTimeout() {
    if (stalled_) return Step::Wait;
    if (state_ == State::FaultReply) {
        io_.log("NOTE", "transfer: no answer to the faulty field");
        SendClose(Message(Msg::Injected, "Transfer ended by an injected fault"));
        return Step::Wait;
    }
    failed_ = true;
    if (state_ == State::OpenMessage || state_ == State::InsertMessage) {
        // The screen still shows the message the terminal did not take.
        io_.log("ERROR", "transfer: the terminal did not take the closing message");
    } else {
        message_ = Message(Msg::Protocol, "No reply from the terminal; transfer abandoned");
        io_.log("ERROR", "transfer: " + message_);
    }
    state_ = State::Done;
    return Step::Done;
}

}  // namespace testhost::ft
