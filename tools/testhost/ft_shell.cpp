#include "ft_shell.h"

#include <sstream>

#include "ds.h"
#include "ft_lists.h"
#include "inbound.h"

namespace testhost::ft {

namespace {

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(Upper(text));
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// KEY(value) → value.
bool Argument(const std::string& word, const std::string& key, std::string& value) {
    if (word.size() < key.size() + 2 || word.compare(0, key.size() + 1, key + "(") != 0 || word.back() != ')')
        return false;
    value = word.substr(key.size() + 1, word.size() - key.size() - 2);
    return true;
}

}  // namespace

Shell::Shell(const TransferConfig& config, FileStore& store, const Codec& codec, ShellIo io, bool can_query,
             double reply_timeout)
    : config_(config),
      store_(store),
      codec_(codec),
      io_(std::move(io)),
      can_query_(can_query),
      reply_timeout_(reply_timeout) {}

void Shell::Start(double) {
    switch (config_.personality) {
        case Personality::Tso:
            Output("IKJ56455I " + config_.user + " LOGON IN PROGRESS");
            Output("ORKAN TEST HOST - TSO WITH THE IND$FILE TRANSFER PROGRAM");
            break;
        case Personality::Cms:
            Output("VM/ESA ONLINE - ORKAN TEST HOST - CMS WITH THE IND$FILE TRANSFER PROGRAM");
            break;
        case Personality::Cics:
            Output("DFHCE3549 Sign-on is complete (Language ENU).");
            Output("ORKAN TEST HOST - CICS WITH THE IND$FILE TRANSACTION");
            break;
    }
    Prompt();
    Show();
}

void Shell::Output(const std::string& line) {
    if (line.empty()) {
        pending_.emplace_back();
        return;
    }
    for (size_t at = 0; at < line.size(); at += kShellLineWidth)
        pending_.push_back(line.substr(at, kShellLineWidth));
}

void Shell::Prompt(bool ok) {
    switch (config_.personality) {
        case Personality::Tso:
            Output("READY");
            break;
        case Personality::Cms:
            Output(ok ? "Ready;" : "Ready(00028);");
            break;
        case Personality::Cics:
            break;
    }
}

void Shell::Show() {
    // Output that does not fit below what is shown starts a fresh screen; only output longer
    // than a screen waits for the operator: TSO ends the page with " ***", CMS shows MORE...
    const bool tso = config_.personality == Personality::Tso;
    if (shown_.size() + pending_.size() > kShellOutputRows) shown_.clear();
    if (pending_.size() <= kShellOutputRows) {
        shown_.insert(shown_.end(), pending_.begin(), pending_.end());
        pending_.clear();
        state_ = State::Ready;
    } else {
        const size_t take = tso ? kShellOutputRows - 1 : kShellOutputRows;
        shown_.assign(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(take));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(take));
        if (tso) shown_.emplace_back(" ***");
        state_ = State::Paging;
    }
    status_ = config_.personality != Personality::Cms ? ""
              : state_ == State::Paging               ? "MORE...   ORKVM"
                                                      : "RUNNING   ORKVM";
    Draw();
}

void Shell::Draw() {
    ds::OrderWriter w(24 * 80);
    w.Command(ds::kEraseWrite, ds::kWccReset | ds::kWccRestore | ds::kWccResetMdt);
    w.Sba(0);
    w.Sf(ds::kAttrProtected);
    // Lines echo what the terminal typed (a file name with an accent): each character in the
    // code page, '?' where it has none, never a byte that would read as an order.
    auto text = [&](const std::string& s) {
        std::string note;
        Bytes b = HostText(codec_, s, note);
        for (uint8_t& x : b)
            if (x < 0x40) x = codec_.HostByte('?');
        w.Data(b);
    };
    for (size_t r = 0; r < shown_.size(); ++r) {
        if (shown_[r].empty()) continue;
        w.Sba(static_cast<int>(r) * 80 + 1);
        text(shown_[r]);
    }
    w.Sba(kShellInputStart - 1);
    w.Sf(0);
    w.Sba(kShellStatusStart - 1);
    w.Sf(ds::kAttrProtected | ds::kAttrIntensified);
    if (!status_.empty()) text(status_);
    w.Sba(kShellInputStart);
    w.Ic();
    io_.send(w.bytes(), state_ == State::Paging ? "screen, more to come" : "screen", SIZE_MAX);
}

void Shell::OnRecord(const Bytes& record, double now) {
    switch (state_) {
        case State::Query:
            if (IsQueryReply(record)) {
                std::optional<DdmLimits> limits;
                std::string error;
                if (!FindDdmLimits(record, limits, error))
                    io_.log("ERROR", "transfer: bad Query Reply: " + error);
                io_.log("FT", limits ? "Query Reply offers DDM: inbound " + std::to_string(limits->inbound) +
                                           ", outbound " + std::to_string(limits->outbound)
                                     : std::string("Query Reply without DDM"));
                BeginRunner(limits, now);
                return;
            }
            io_.log("NOTE", "transfer: an attention instead of the Query Reply; transfer abandoned");
            EndTransfer();
            break;
        case State::Transfer:
            Handle(runner_->OnRecord(record, now), &record, now);
            return;
        case State::Silent:
            io_.log("NOTE", "fault: the unanswered transfer command ends with this attention");
            EndTransfer();
            break;
        default:
            break;
    }
    Attention(record, now);
}

void Shell::OnTick(double now) {
    if (deadline_ == 0 || now < deadline_) return;
    deadline_ = 0;
    if (state_ == State::Query) {
        io_.log("NOTE", "transfer: no Query Reply within the time-out; screen frames");
        BeginRunner(std::nullopt, now);
    } else if (state_ == State::Transfer && !runner_->stalled()) {
        Handle(runner_->OnTimeout(now), nullptr, now);
    }
}

void Shell::Handle(Step step, const Bytes* record, double now) {
    switch (step) {
        case Step::Wait:
        case Step::DataDone:
            deadline_ = runner_->stalled()
                            ? 0
                            : now + (runner_->short_wait() ? std::min(2.0, reply_timeout_) : reply_timeout_);
            return;
        case Step::Drop:
            io_.disconnect("fault: connection dropped during a transfer");
            return;
        case Step::Done:
            Output(runner_->message());
            EndTransfer();
            Prompt();
            Show();
            return;
        case Step::NotMine:
            io_.log("NOTE", "transfer: the terminal sent something else; transfer abandoned");
            EndTransfer();
            if (record) Attention(*record, now);
            return;
    }
}

void Shell::EndTransfer() {
    runner_.reset();
    deadline_ = 0;
    state_ = State::Ready;
}

void Shell::Attention(const Bytes& record, double now) {
    if (!record.empty() && record[0] == ds::kAidStructuredField) {
        // Terminals need not answer the Close that follows a closing message; some do.
        if (record == Bytes{0x88, 0x00, 0x05, 0xD0, 0x41, 0x09})
            io_.log("NOTE", "transfer: a late Close acknowledgement; ignored");
        else
            io_.log("NOTE", "structured-field reply nobody asked for; ignored");
        return;
    }
    AidRecord r;
    std::string error;
    if (!DecodeAidRecord(record.data(), record.size(), r, error)) {
        io_.log("ERROR", "bad inbound record: " + error);
        Draw();
        return;
    }
    if (state_ == State::Paging) {
        shown_.clear();
        Show();
        return;
    }
    if (r.aid == ds::kAidClear) {
        shown_.clear();
        Prompt();
        Show();
        return;
    }
    if (r.aid != ds::kAidEnter) {
        Draw();
        return;
    }
    std::string text;
    for (const auto& f : r.fields)
        if (f.address == kShellInputStart) text = codec_.ToUtf8(f.data.data(), f.data.size());
    Command(Trim(text), now);
}

void Shell::Command(const std::string& text, double now) {
    const std::vector<std::string> words = Words(text);
    if (words.empty()) {
        Prompt();
        Show();
        return;
    }
    Output(text);
    if (IsTransferCommand(text)) {
        if (config_.no_program) {
            io_.log("NOTE", "fault: no transfer program");
            switch (config_.personality) {
                case Personality::Tso:
                    Output("IKJ56500I COMMAND IND$FILE NOT FOUND");
                    break;
                case Personality::Cms:
                    Output("Unknown CP/CMS command");
                    break;
                case Personality::Cics:
                    Output("DFHAC2001 Transaction 'IND$' is not recognized.");
                    break;
            }
            Prompt(false);
            Show();
            return;
        }
        StartTransfer(text, now);
        return;
    }
    if (config_.personality != Personality::Cics && (words[0] == "LOGOFF" || words[0] == "LOG")) {
        io_.disconnect("the operator logged off");
        return;
    }
    switch (config_.personality) {
        case Personality::Tso:
            TsoCommand(words);
            break;
        case Personality::Cms:
            CmsCommand(words);
            break;
        case Personality::Cics:
            if (words[0] == "CESF") {
                io_.disconnect("the operator signed off");
                return;
            }
            Output("DFHAC2001 Transaction '" + words[0].substr(0, 4) + "' is not recognized.");
            break;
    }
    Show();
}

void Shell::TsoCommand(const std::vector<std::string>& w) {
    std::vector<std::string> lines;
    if (w[0] == "LISTCAT" || w[0] == "LISTC") {
        std::string level = config_.user;
        for (size_t i = 1; i < w.size(); ++i) {
            std::string v;
            if (Argument(w[i], "LEVEL", v) || Argument(w[i], "LVL", v)) level = v;
        }
        if (level.size() > 1 && level.front() == '\'' && level.back() == '\'')
            level = level.substr(1, level.size() - 2);
        ListCatalog(store_, level, lines);
    } else if (w[0] == "LISTDS" || w[0] == "LISTD") {
        if (w.size() < 2) {
            lines.emplace_back("IKJ56700A ENTER DATA SET NAME");
        } else {
            std::string name = w[1];
            if (name.size() > 1 && name.front() == '\'' && name.back() == '\'')
                name = name.substr(1, name.size() - 2);
            else
                name = config_.user + "." + name;
            const bool members = w.size() > 2 && (w[2] == "MEMBERS" || w[2] == "MEM");
            ListDataSet(store_, name, members, lines);
        }
    } else {
        lines.push_back("IKJ56500I COMMAND " + w[0] + " NOT FOUND");
    }
    for (const auto& l : lines) Output(l);
    Prompt();
}

void Shell::CmsCommand(const std::vector<std::string>& w) {
    std::vector<std::string> lines;
    bool ok = true;
    if (w[0] == "LISTFILE" || w[0] == "LISTF" || w[0] == "L") {
        ok = ListFiles(store_, w.size() > 1 ? w[1] : "*", w.size() > 2 ? w[2] : "*",
                       w.size() > 3 ? w[3] : "A", lines);
    } else {
        lines.emplace_back("Unknown CP/CMS command");
        ok = false;
    }
    for (const auto& l : lines) Output(l);
    Prompt(ok);
}

void Shell::StartTransfer(const std::string& text, double now) {
    command_ = text;
    if (config_.faults.stall_after && *config_.faults.stall_after == 0) {
        io_.log("NOTE", "fault: the transfer command gets no answer");
        state_ = State::Silent;
        return;
    }
    // Nothing may be written until the transfer ends: a write that restores the keyboard
    // would end the terminal's wait for the transfer.
    if (config_.mode != WireMode::Frames && can_query_) {
        io_.send({ds::kWriteStructuredField, 0x00, 0x05, 0x01, 0xFF, 0x02}, "transfer: Query", SIZE_MAX);
        state_ = State::Query;
        deadline_ = now + reply_timeout_;
        return;
    }
    BeginRunner(std::nullopt, now);
}

void Shell::BeginRunner(const std::optional<DdmLimits>& limits, double now) {
    ProtocolIo io{io_.send, io_.log};
    runner_ = std::make_unique<TransferRunner>(config_, store_, codec_, io);
    state_ = State::Transfer;
    runner_->Begin(command_, limits, now);
    deadline_ = now + reply_timeout_;
}

}  // namespace testhost::ft
