#include "ft_runner.h"

#include <algorithm>
#include <cstdio>

#include "ft_dft.h"
#include "ft_frames.h"
#include "ft_messages.h"

namespace testhost::ft {

namespace {

// A file's attributes without its records.
HostFile AttributesOf(const HostFile& f) {
    HostFile a;
    a.recfm = f.recfm;
    a.blocked = f.blocked;
    a.lrecl = f.lrecl;
    a.blksize = f.blksize;
    return a;
}

const char* Kind(Personality p) {
    switch (p) {
        case Personality::Tso:
            return "Data set";
        case Personality::Cms:
            return "File";
        case Personality::Cics:
            return "Queue";
    }
    return "File";
}

}  // namespace

TransferRunner::TransferRunner(const TransferConfig& config, FileStore& store, const Codec& codec,
                               ProtocolIo io)
    : config_(config), store_(store), codec_(codec), io_(std::move(io)) {}

const std::string& TransferRunner::message() const {
    return protocol_ ? protocol_->message() : fallback_message_;
}

bool TransferRunner::Prepare(std::string& message) {
    const TransferCommand& cmd = command_;
    const std::string shown = cmd.Display();
    const std::string resolved = store_.Resolve(cmd.name);
    DataSet* ds = resolved.empty() ? nullptr : store_.Find(resolved);
    auto refuse = [&](Msg id, const std::string& text) {
        message = Message(id, text);
        return false;
    };
    if (!cmd.put) {
        if (!ds) return refuse(Msg::NotFound, std::string(Kind(cmd.personality)) + " not found: " + shown);
        const HostFile* file = &ds->file;
        if (ds->partitioned) {
            if (cmd.member.empty()) return refuse(Msg::NoMember, shown + " is partitioned: name a member");
            const auto it = ds->members.find(cmd.member);
            if (it == ds->members.end()) return refuse(Msg::NotFound, "Member not found: " + shown);
            file = &it->second;
        } else if (!cmd.member.empty()) {
            return refuse(Msg::NoMember, "'" + cmd.name + "' is not partitioned");
        }
        download_ = DownloadBytes(*file, cmd, config_.eof_mark);
        return true;
    }
    if (!cmd.member.empty()) {
        if (!ds) return refuse(Msg::NotFound, "Data set not found: '" + cmd.name + "'");
        if (!ds->partitioned) return refuse(Msg::NoMember, "'" + cmd.name + "' is not partitioned");
        key_ = resolved;
        const auto it = ds->members.find(cmd.member);
        target_ = it != ds->members.end() && cmd.append ? it->second : AttributesOf(ds->file);
        return true;
    }
    if (ds) {
        if (ds->partitioned) return refuse(Msg::NoMember, shown + " is partitioned: name a member");
        key_ = resolved;
        target_ = cmd.append ? ds->file : AttributesOf(ds->file);
        fit_lrecl_ = cmd.personality == Personality::Cms && target_.recfm == 'V' && cmd.lrecl == 0;
        if (cmd.recfm || cmd.lrecl || cmd.blksize)
            io_.log("NOTE", "transfer: " + shown + " exists; its RECFM " + ds->file.RecfmText() +
                                " and LRECL " + std::to_string(ds->file.lrecl) + " stay");
        return true;
    }
    key_ = cmd.name;
    if (cmd.personality == Personality::Cms && key_[key_.size() - 2] == ' ') key_ += '1';
    if (!NewFileFor(cmd, target_, message)) return false;
    fit_lrecl_ = cmd.personality == Personality::Cms && target_.recfm == 'V' && cmd.lrecl == 0;
    return true;
}

void TransferRunner::Begin(const std::string& command, const std::optional<DdmLimits>& limits, double now) {
    started_ = now;
    bool dft = config_.mode == WireMode::Dft || (config_.mode == WireMode::Auto && limits);
    DdmLimits lim = limits.value_or(DdmLimits{4096, 4096});
    if (dft && !limits) io_.log("NOTE", "transfer: DFT forced without a DDM offer; limits of 4096 assumed");
    if (dft && (lim.outbound <= kLimitOverhead || lim.inbound <= kLimitOverhead)) {
        io_.log("ERROR", "transfer: the terminal's DDM limits (in " + std::to_string(lim.inbound) + ", out " +
                             std::to_string(lim.outbound) +
                             ") leave no room for data; screen frames instead");
        dft = false;
    }
    std::string message;
    bool ok = ParseTransferCommand(config_.personality, command, config_.user, command_, message) &&
              Prepare(message);
    if (ok && config_.faults.error_instead_of_data) {
        ok = false;
        message = Message(Msg::Injected, "Error message instead of data (injected fault)");
    }
    bytes_ = download_.size();
    std::string how;
    if (dft) {
        DftPlan plan;
        plan.put = command_.put;
        plan.download = std::move(download_);
        plan.block = std::min(lim.outbound, config_.own_limit) - kLimitOverhead;
        plan.client_inbound = lim.inbound;
        plan.own_inbound = config_.own_limit;
        plan.faults = config_.faults;
        how = "DFT, " + std::to_string(plan.block) + " bytes per block, terminal limits in " +
              std::to_string(lim.inbound) + " out " + std::to_string(lim.outbound);
        protocol_ = std::make_unique<DftTransfer>(io_, std::move(plan));
    } else {
        FramePlan plan;
        plan.put = command_.put;
        plan.download = std::move(download_);
        plan.repeat_blanks = config_.repeat_blanks && command_.ascii;
        plan.alphabet = MakeFrameAlphabet(codec_);
        plan.codec = &codec_;
        plan.faults = config_.faults;
        how = "screen frames";
        protocol_ = std::make_unique<FrameTransfer>(io_, std::move(plan));
    }
    if (!ok) {
        io_.log("TRANSFER", "refused (" + how + "): " + message);
        refused_ = true;
        protocol_->StartMessage(message);
        return;
    }
    io_.log("TRANSFER", std::string(command_.put ? "PUT " : "GET ") + command_.Display() +
                            (command_.ascii ? " ASCII" : "") + (command_.crlf ? " CRLF" : "") +
                            (command_.append ? " APPEND" : "") + " by " + how);
    protocol_->StartData();
}

std::string TransferRunner::Finish() {
    if (!command_.put) return CompleteMessage();
    HostFile file = std::move(target_);
    std::string message;
    if (!AppendUpload(protocol_->received(), command_, config_.personality, fit_lrecl_, file, message))
        return message;
    std::string error;
    if (!store_.Store(key_, command_.member, std::move(file), error)) {
        io_.log("ERROR", "transfer: " + error);
        return Message(Msg::HostError, "The host could not keep the file: " + error);
    }
    return CompleteMessage();
}

Step TransferRunner::Continue(Step step, double now) {
    if (step == Step::DataDone) {
        const std::string message = Finish();
        refused_ = message != CompleteMessage();
        const double seconds = now - started_;
        const size_t moved = command_.put ? protocol_->received().size() : bytes_;
        char rate[96];
        std::snprintf(rate, sizeof rate, "%zu bytes in %.3f s (%.1f MB/s)", moved, seconds,
                      seconds > 0 ? static_cast<double>(moved) / 1e6 / seconds : 0.0);
        io_.log("TRANSFER",
                std::string("data done, ") + std::to_string(protocol_->blocks()) + " blocks, " + rate);
        protocol_->StartMessage(message);
        return Step::Wait;
    }
    if (step == Step::Done) io_.log("TRANSFER", (failed() ? "ended: " : "complete: ") + protocol_->message());
    return step;
}

Step TransferRunner::OnRecord(const Bytes& record, double now) {
    if (!protocol_) return Step::NotMine;
    return Continue(protocol_->OnRecord(record), now);
}

Step TransferRunner::OnTimeout(double now) {
    if (!protocol_) return Step::Done;
    return Continue(protocol_->OnTimeout(), now);
}

}  // namespace testhost::ft
