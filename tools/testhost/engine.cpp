#include "engine.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "stream.h"

namespace testhost {

using namespace telnet;

namespace {

std::string RowCol(int address, int cols) {
    return std::to_string(address / cols + 1) + "," + std::to_string(address % cols + 1);
}

std::string Hex2(uint8_t b) {
    char s[4];
    std::snprintf(s, sizeof s, "%02X", b);
    return s;
}

bool ParseNumber(const std::string& s, long& out) {
    if (s.empty() || s.size() > 15) return false;
    size_t i = s[0] == '-' ? 1 : 0;
    if (i == s.size()) return false;
    long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    out = s[0] == '-' ? -v : v;
    return true;
}

}  // namespace

std::string DescribeHostRecord(const Bytes& p) {
    if (p.empty()) return "empty";
    auto wcc = [&] { return p.size() > 1 ? " wcc=" + Hex2(p[1]) : std::string(" (no WCC)"); };
    switch (p[0]) {
        case ds::kWrite:
            return "Write" + wcc();
        case ds::kEraseWrite:
            return "Erase/Write" + wcc();
        case ds::kEraseWriteAlternate:
            return "Erase/Write Alternate" + wcc();
        case ds::kEraseAllUnprotected:
            return "Erase All Unprotected";
        case ds::kReadBuffer:
            return "Read Buffer";
        case ds::kReadModified:
            return "Read Modified";
        case ds::kReadModifiedAll:
            return "Read Modified All";
        case ds::kWriteStructuredField:
            if (p.size() >= 6 && p[3] == 0x01 && p[5] == 0x02)
                return "Write Structured Field: Read Partition Query";
            if (p.size() >= 6 && p[3] == 0x01 && p[5] == 0x03)
                return "Write Structured Field: Read Partition Query List";
            return "Write Structured Field";
        default:
            return "command " + Hex2(p[0]);
    }
}

std::string CompareBuffers(const ds::Buffer& expected, const ds::Buffer& got, int positions,
                           const Codec& codec) {
    if (positions != expected.size())
        return "reply covers " + std::to_string(positions) + " positions, the screen has " +
               std::to_string(expected.size());
    for (int a = 0; a < expected.size(); ++a) {
        const ds::Cell& e = expected.at(a);
        const ds::Cell& g = got.at(a);
        const bool same =
            e.is_attr == g.is_attr && (e.is_attr ? (e.attr & 0x3E) == (g.attr & 0x3E) : e.ch == g.ch);
        if (same) continue;
        auto show = [&](const ds::Cell& c) {
            if (c.is_attr) return "attribute " + Hex2(c.attr & 0x3F);
            if (c.ch == 0) return std::string("null");
            return "'" + codec.ToUtf8(c.ch) + "' (" + Hex2(c.ch) + ")";
        };
        return "first difference at " + RowCol(a, expected.cols()) + ": expected " + show(e) + ", got " +
               show(g);
    }
    return "";
}

Engine::Engine(const EngineConfig& config, const Codec& codec, LuPool& pool, SessionLog& log, Clock clock)
    : config_(config), codec_(codec), log_(log), clock_(std::move(clock)), telnet_(config.negotiation, pool) {
    if (config_.app) vars_ = config_.app->variables;
}

std::string Engine::Trim(const std::string& s) {
    size_t end = s.size();
    while (end > 0 && s[end - 1] == ' ') --end;
    return s.substr(0, end);
}

std::string Engine::HostText(const Bytes& b) const {
    return codec_.ToUtf8(b.data(), b.size());
}

std::optional<std::string> Engine::Variable(const std::string& name) const {
    if (name == "rows") return std::to_string(buffer_.rows());
    if (name == "cols") return std::to_string(buffer_.cols());
    if (name == "alt.rows") return std::to_string(geometry_.alt_rows);
    if (name == "alt.cols") return std::to_string(geometry_.alt_cols);
    if (name == "screen") return current_;
    if (name == "checks.failed") return std::to_string(failed_checks_);
    const auto it = vars_.find(name);
    if (it == vars_.end()) return std::nullopt;
    return it->second;
}

void Engine::Close(const std::string& reason) {
    if (closing_) return;
    closing_ = true;
    close_reason_ = reason;
    log_.set_time(clock_());
    log_.Line("CLOSE", reason);
}

void Engine::Start() {
    log_.set_time(clock_());
    telnet_.Start();
    DrainTelnet();
}

void Engine::DrainTelnet() {
    Bytes b = telnet_.TakeOutput();
    if (!b.empty()) {
        log_.Line("TELNET>", DescribeTelnet(b.data(), b.size()));
        log_.Hex("HEX>", b.data(), b.size());
        out_.insert(out_.end(), b.begin(), b.end());
    }
    for (auto& ev : telnet_.TakeEvents()) HandleEvent(ev);
}

void Engine::OnBytes(const uint8_t* data, size_t size) {
    if (config_.client_log) config_.client_log->Append(data, size);
    if (closing_) return;
    log_.set_time(clock_());
    if (telnet_.mode() == TelnetServer::Mode::Negotiating) {
        log_.Line("TELNET<", DescribeTelnet(data, size));
        log_.Hex("HEX<", data, size);
    }
    telnet_.Feed(data, size);
    DrainTelnet();
}

void Engine::OnTick() {
    if (closing_) return;
    const double now = clock_();
    log_.set_time(now);
    if (!ready_ && now > config_.negotiation_timeout) {
        Close("negotiation did not finish within " +
              std::to_string(static_cast<int>(config_.negotiation_timeout)) + " s");
        return;
    }
    if (shell_) shell_->OnTick(now);
    if (waiting_ && now > waiting_->deadline) {
        log_.Line("ERROR", "no reply within " + std::to_string(static_cast<int>(config_.reply_timeout)) +
                               " s; going on");
        vars_["read.error"] = "no reply";
        if (waiting_->kind == Wait::StreamRead) {
            report_.push_back("stream: no reply to the final Read Buffer within the time-out");
        }
        Resume();
    }
}

void Engine::Resume() {
    if (!waiting_) return;
    auto resume = std::move(waiting_->resume);
    waiting_.reset();
    if (resume) resume();
}

void Engine::HandleEvent(TelnetServer::Event& ev) {
    using K = TelnetServer::Event::Kind;
    switch (ev.kind) {
        case K::Ready:
            OnReady(ev.text);
            break;
        case K::Failed:
            log_.Line("ERROR", ev.text);
            Close(ev.text);
            break;
        case K::Note:
            log_.Line("NOTE", ev.text);
            break;
        case K::Command:
            log_.Line("TELNET<", "IAC " + ev.text);
            if (ev.command == IP || ev.command == BRK)
                RunKey("attn");
            else if (ev.command == AO)
                RunKey("sysreq");
            break;
        case K::Record:
            HandleRecord(ev);
            break;
    }
}

void Engine::OnReady(const std::string& mode) {
    ready_ = true;
    const TerminalInfo& t = telnet_.terminal();
    std::string functions;
    for (uint8_t f : telnet_.functions()) functions += (functions.empty() ? "" : ",") + FunctionName(f);
    vars_["mode"] = mode;
    vars_["terminal"] = t.type;
    vars_["lu"] = telnet_.lu();
    vars_["functions"] = functions.empty() ? "none" : functions;
    log_.Line("READY", mode + " terminal=" + t.type + " lu=" + (telnet_.lu().empty() ? "-" : telnet_.lu()) +
                           (mode == "TN3270E" ? " functions=" + vars_["functions"] : ""));
    extended_ = t.extended;
    geometry_ = ds::Geometry{24, 80, t.alt_rows, t.alt_cols};
    buffer_.Reset(24, 80);
    if (telnet_.mode() == TelnetServer::Mode::Tn3270e && telnet_.HasFunction(kFnBindImage))
        SendBind("ORKHOST");
    ApplyFaultRecords();
    if (config_.query_on_connect && extended_) {
        SendQuery({}, false, [this] { StartApp(); });
    } else {
        StartApp();
    }
}

void Engine::ApplyFaultRecords() {
    const Faults& f = config_.faults;
    uint32_t state = f.seed ? f.seed : 1;
    auto random = [&] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<uint8_t>(state);
    };
    if (f.oversize) {
        Bytes big = {ds::kWrite, ds::kWccReset};
        big.resize(f.oversize, codec_.HostByte('X'));
        SendLogged(big, k3270Data, 0, "fault: oversize record", false);
    }
    if (f.garbage) {
        Bytes junk(f.garbage);
        for (auto& b : junk) b = random();
        SendLogged(junk, k3270Data, 0, "fault: garbage record");
    }
    if (f.garbage_raw) {
        Bytes junk(f.garbage_raw);
        for (auto& b : junk) b = random();
        log_.Line("SEND", "fault: " + std::to_string(junk.size()) + " raw garbage bytes, no framing");
        log_.Hex("HEX>", junk.data(), junk.size());
        out_.insert(out_.end(), junk.begin(), junk.end());
    }
}

void Engine::StartApp() {
    if (config_.stream.count > 0) {
        streaming_ = true;
        stream_sent_ = 0;
        stream_command_ = config_.stream.alternate ? ds::kEraseWriteAlternate : ds::kEraseWrite;
        stream_rows_ = config_.stream.alternate ? geometry_.alt_rows : geometry_.rows;
        stream_cols_ = config_.stream.alternate ? geometry_.alt_cols : geometry_.cols;
        stream_start_ = clock_();
        stream_bytes_ = 0;
        log_.Line("STREAM", "start: " + std::to_string(config_.stream.count) + " screens of " +
                                std::to_string(stream_rows_) + "x" + std::to_string(stream_cols_));
        return;
    }
    if (config_.transfer && config_.files) {
        ft::ShellIo io;
        io.send = [this](const Bytes& b, const std::string& label, size_t hex) {
            SendFromShell(b, label, hex);
        };
        io.log = [this](const std::string& tag, const std::string& text) { log_.Line(tag, text); };
        io.disconnect = [this](const std::string& reason) { Close(reason); };
        shell_ = std::make_unique<ft::Shell>(*config_.transfer, *config_.files, codec_, std::move(io),
                                             extended_, config_.reply_timeout);
        shell_->Start(clock_());
        return;
    }
    if (!config_.app) {
        Close("no application to serve");
        return;
    }
    if (!config_.app->on_connect.empty()) {
        RunActions(config_.app->on_connect, 0);
    } else {
        SendScreen(config_.app->start);
    }
}

bool Engine::WantsPump() const {
    return streaming_ && !closing_ && stream_sent_ < config_.stream.count;
}

void Engine::Pump() {
    if (!WantsPump()) return;
    const int i = stream_sent_++;
    const Bytes screen =
        StreamScreen(i, config_.stream.count, stream_rows_, stream_cols_, stream_command_, extended_, codec_);
    stream_bytes_ += screen.size();
    const bool last = stream_sent_ == config_.stream.count;
    SendLogged(screen, k3270Data, 0, "stream screen " + std::to_string(i + 1), i == 0 || last);
    if (!last) return;
    stream_expected_.Reset(stream_rows_, stream_cols_);
    std::string error;
    if (!ds::ApplyWrite(stream_expected_, screen.data(), screen.size(), geometry_, error))
        log_.Line("ERROR", "stream screen does not apply to the model: " + error);
    buffer_ = stream_expected_;
    LogScreen(buffer_);
    SendLogged({ds::kReadBuffer}, k3270Data, 0, "after the last stream screen");
    waiting_ = Waiting{Wait::StreamRead, clock_() + std::max(config_.reply_timeout, 60.0), nullptr};
}

void Engine::HandleStreamRead(const Bytes& data) {
    const double elapsed = clock_() - stream_start_;
    ReadBufferReply rb;
    std::string error;
    std::string verdict;
    if (!DecodeReadBuffer(data.data(), data.size(), stream_rows_, stream_cols_, rb, error)) {
        verdict = "the Read Buffer reply is malformed: " + error;
    } else {
        const std::string diff = CompareBuffers(stream_expected_, rb.buffer, rb.positions, codec_);
        verdict = diff.empty() ? "the Read Buffer reply matches the last screen"
                               : "the Read Buffer reply differs: " + diff;
    }
    const int n = config_.stream.count;
    char line[256];
    std::snprintf(line, sizeof line, "stream: %d screens of %dx%d, %zu bytes in %.3f s (%.1f screens/s); %s",
                  n, stream_rows_, stream_cols_, stream_bytes_, elapsed, elapsed > 0 ? n / elapsed : 0.0,
                  verdict.c_str());
    report_.push_back(line);
    log_.Line("STREAM", line);
    streaming_ = false;
    // A last screen that says so and unlocks the keyboard, so a client script can wait for it.
    ds::OrderWriter w(stream_rows_ * stream_cols_);
    w.Command(stream_command_, ds::kWccReset | ds::kWccRestore | ds::kWccResetMdt);
    w.Sba(0);
    w.Sf(ds::kAttrProtected | ds::kAttrIntensified);
    char done[80];
    std::snprintf(done, sizeof done, "STREAM DONE: %d screens in %.3f s", n, elapsed);
    Bytes b;
    for (const char* p = done; *p; ++p) b.push_back(codec_.HostByte(*p));
    w.Data(b);
    SendLogged(w.bytes(), k3270Data, 0, "stream summary");
    buffer_.Reset(stream_rows_, stream_cols_);
    std::string ignored;
    (void)ds::ApplyWrite(buffer_, w.bytes().data(), w.bytes().size(), geometry_, ignored);
}

uint16_t Engine::SendLogged(const Bytes& payload, uint8_t data_type, uint8_t response_flag,
                            const std::string& label, bool hex) {
    const bool e = telnet_.mode() == TelnetServer::Mode::Tn3270e;
    const uint16_t seq = telnet_.SendRecord(payload, data_type, response_flag);
    Bytes b = telnet_.TakeOutput();
    out_.insert(out_.end(), b.begin(), b.end());
    std::string head = e ? DataTypeName(data_type) + " seq=" + std::to_string(seq) +
                               (response_flag == kAlwaysResponse  ? " ALWAYS-RESPONSE"
                                : response_flag == kErrorResponse ? " ERROR-RESPONSE"
                                                                  : "") +
                               " "
                         : std::string();
    const std::string what = data_type == k3270Data ? DescribeHostRecord(payload) : std::string();
    log_.Line("SEND", head + std::to_string(payload.size()) + " bytes" + (what.empty() ? "" : " " + what) +
                          (label.empty() ? "" : " [" + label + "]"));
    if (hex) log_.Hex("HEX>", payload.data(), payload.size());
    return seq;
}

void Engine::SendFromShell(const Bytes& payload, const std::string& label, size_t hex_bytes) {
    SendLogged(payload, k3270Data, 0, label, false);
    log_.Hex("HEX>", payload.data(), std::min(payload.size(), hex_bytes));
    if (label.rfind("screen", 0) != 0) return;
    // Keep the model (and the log's picture) of what the READY screen shows.
    buffer_.Reset(geometry_.rows, geometry_.cols);
    std::string ignored;
    (void)ds::ApplyWrite(buffer_, payload.data(), payload.size(), geometry_, ignored);
    LogScreen(buffer_);
}

void Engine::LogScreen(const ds::Buffer& buffer) {
    if (!log_.enabled()) return;
    const auto rows = buffer.Text(codec_, '*');
    for (const auto& r : rows) log_.Line("SCREEN", "|" + r + "|");
    log_.Line("SCREEN", "cursor " + RowCol(buffer.cursor, buffer.cols()));
}

void Engine::SendScreen(const std::string& name) {
    const script::Screen* s = config_.app ? config_.app->Find(name) : nullptr;
    if (!s) {
        SendNotice("screen '" + name + "' does not exist");
        return;
    }
    RenderContext ctx;
    ctx.codec = &codec_;
    ctx.geometry = geometry_;
    ctx.current = &buffer_;
    ctx.extended = extended_;
    ctx.lookup = [this](const std::string& n) { return Variable(n); };
    Rendered r;
    std::string error;
    if (!RenderScreen(*config_.app, *s, ctx, r, error)) {
        log_.Line("ERROR", error);
        notice_return_ = current_;
        SendNotice(error);
        return;
    }
    if (!r.note.empty()) log_.Line("NOTE", r.note);
    uint8_t rf = s->response;
    if (rf && !(telnet_.mode() == TelnetServer::Mode::Tn3270e && telnet_.HasFunction(kFnResponses))) {
        log_.Line("NOTE", "screen asks for responses, but RESPONSES was not agreed: sent without");
        vars_["response"] = "not agreed";
        rf = 0;
    }
    const uint16_t seq = SendLogged(r.record, k3270Data, rf, "screen " + name);
    if (rf) {
        pending_response_ = seq;
        vars_["response"] = "pending";
    }
    buffer_ = std::move(r.buffer);
    inputs_ = std::move(r.inputs);
    current_ = name;
    notice_return_.clear();
    for (const auto& f : inputs_) {
        ds::Field df{f.attr_address, f.start, f.length, f.bits};
        vars_[f.name] = Trim(HostText(buffer_.FieldData(df)));
    }
    LogScreen(buffer_);
}

void Engine::SendNotice(const std::string& text) {
    ds::OrderWriter w(geometry_.rows * geometry_.cols);
    w.Command(ds::kEraseWrite, ds::kWccReset | ds::kWccRestore | ds::kWccResetMdt | ds::kWccAlarm);
    auto put = [&](int address, const std::string& s) {
        w.Sba(address);
        w.Sf(ds::kAttrProtected | ds::kAttrIntensified);
        Bytes b;
        for (char c : s.substr(0, 78)) b.push_back(codec_.HostByte(c >= 0x20 && c < 0x7F ? c : '?'));
        w.Data(b);
    };
    put(0, "testhost: " + text.substr(0, 68));
    if (text.size() > 68) put(80, text.substr(68));
    put(3 * 80, "Press any key to go back.");
    w.Sba(4 * 80);
    w.Ic();
    SendLogged(w.bytes(), k3270Data, 0, "notice");
    buffer_.Reset(geometry_.rows, geometry_.cols);
    std::string ignored;
    (void)ds::ApplyWrite(buffer_, w.bytes().data(), w.bytes().size(), geometry_, ignored);
    inputs_.clear();
    if (notice_return_.empty())
        notice_return_ = current_.empty() && config_.app ? config_.app->start : current_;
    current_.clear();
    LogScreen(buffer_);
}

void Engine::SendUnlock(bool alarm) {
    const uint8_t wcc = ds::kWccRestore | (alarm ? ds::kWccAlarm : 0);
    SendLogged({ds::kWrite, wcc}, k3270Data, 0, alarm ? "unlock, alarm" : "unlock");
}

void Engine::SendBind(const std::string& plu) {
    if (!(telnet_.mode() == TelnetServer::Mode::Tn3270e && telnet_.HasFunction(kFnBindImage))) {
        log_.Line("NOTE", "BIND-IMAGE was not agreed; no BIND sent");
        vars_["bind"] = "not available (needs TN3270E with BIND-IMAGE)";
        return;
    }
    // An LU type 2 BIND: screen sizes at offsets 20-24, the PLU name at 27, the SLU name after
    // empty user data and correlation fields.
    Bytes ru = {0x31,
                0x01,
                0x03,
                0x03,
                0xB1,
                0x90,
                0x30,
                0x80,
                0x00,
                0x00,
                0x87,
                0x87,
                0x00,
                0x00,
                0x02,
                0x00,
                0x00,
                0x00,
                0x00,
                0x00,
                static_cast<uint8_t>(geometry_.rows),
                static_cast<uint8_t>(geometry_.cols),
                static_cast<uint8_t>(geometry_.alt_rows),
                static_cast<uint8_t>(geometry_.alt_cols),
                0x7F,
                0x00,
                0x00};
    ru.push_back(static_cast<uint8_t>(plu.size()));
    for (char c : plu) ru.push_back(codec_.HostByte(c));
    ru.push_back(0x00);
    ru.push_back(0x00);
    const std::string& slu = telnet_.lu();
    ru.push_back(static_cast<uint8_t>(slu.size()));
    for (char c : slu) ru.push_back(codec_.HostByte(c));
    SendLogged(ru, kBindImage, 0, "PLU " + plu + " SLU " + slu);
    bound_ = true;
    vars_["bind"] = "PLU=" + plu + " SLU=" + slu;
}

void Engine::SendQuery(const Bytes& codes, bool list, std::function<void()> resume) {
    Bytes wsf = {ds::kWriteStructuredField, 0x00, 0x00, 0x01, 0xFF, static_cast<uint8_t>(list ? 0x03 : 0x02)};
    if (list) {
        wsf.push_back(0x00);  // request type: the listed codes
        wsf.insert(wsf.end(), codes.begin(), codes.end());
    }
    const size_t length = wsf.size() - 1;
    wsf[1] = static_cast<uint8_t>(length >> 8);
    wsf[2] = static_cast<uint8_t>(length & 0xFF);
    SendLogged(wsf, k3270Data, 0, list ? "query list" : "query");
    waiting_ = Waiting{Wait::Query, clock_() + config_.reply_timeout, std::move(resume)};
}

void Engine::SendRead(uint8_t command, Wait kind, std::vector<script::Action> actions, size_t next) {
    SendLogged({command}, k3270Data, 0, "");
    waiting_ = Waiting{kind, clock_() + config_.reply_timeout,
                       [this, actions = std::move(actions), next] { RunActions(actions, next); }};
}

void Engine::HandleRecord(const TelnetServer::Event& ev) {
    const Bytes& d = ev.data;
    std::string head =
        ev.has_header ? DataTypeName(ev.data_type) + " seq=" + std::to_string(ev.seq) + " " : "";
    if (ev.has_header && ev.data_type == kResponse)
        head += ev.response_flag == 0 ? "POSITIVE " : ev.response_flag == 1 ? "NEGATIVE " : "";
    log_.Line("RECV", head + std::to_string(d.size()) + " bytes");
    // A transfer's data blocks show their headers only.
    log_.Hex("HEX<", d.data(), shell_ ? std::min<size_t>(d.size(), 64) : d.size());
    if (ev.has_header) {
        switch (ev.data_type) {
            case k3270Data:
                break;
            case kResponse:
                HandleResponse(ev);
                return;
            case kSscpLuData:
                if (waiting_ && waiting_->kind == Wait::SscpLu) {
                    HandleSscpReply(d);
                } else {
                    log_.Line("NOTE", "SSCP-LU data nobody asked for; ignored");
                }
                return;
            default:
                log_.Line("NOTE", DataTypeName(ev.data_type) + " record ignored");
                return;
        }
    }
    if (waiting_) {
        switch (waiting_->kind) {
            case Wait::Query:
                HandleQueryReply(d);
                return;
            case Wait::ReadBuffer:
                HandleReadBuffer(d);
                return;
            case Wait::ReadModified:
                HandleReadModified(d);
                return;
            case Wait::StreamRead:
                waiting_.reset();
                HandleStreamRead(d);
                return;
            case Wait::SscpLu:
                log_.Line("NOTE", "3270 data while waiting for SSCP-LU data; taken as the reply");
                HandleSscpReply(d);
                return;
        }
    }
    if (shell_) {
        shell_->OnRecord(d, clock_());
        return;
    }
    if (d.size() == 1 && d[0] == 0x6B) {
        log_.Line("NOTE", "print text acknowledged");
        return;
    }
    if (!d.empty() && d[0] == ds::kAidStructuredField) {
        log_.Line("NOTE", "structured-field reply nobody asked for");
        QueryReply q;
        std::string error;
        if (!DecodeQueryReply(d.data(), d.size(), q, error))
            log_.Line("ERROR", "bad structured-field reply: " + error);
        return;
    }
    HandleAttention(d);
}

void Engine::HandleAttention(const Bytes& data) {
    AidRecord r;
    std::string error;
    if (!DecodeAidRecord(data.data(), data.size(), r, error)) {
        log_.Line("ERROR", "bad inbound record: " + error);
        SendUnlock(true);
        return;
    }
    const std::string aid = ds::AidToName(r.aid);
    vars_["aid"] = aid;
    std::string summary = "AID=" + aid;
    if (r.cursor) {
        vars_["cursor"] = RowCol(*r.cursor, buffer_.cols());
        vars_["cursor.row"] = std::to_string(*r.cursor / buffer_.cols() + 1);
        vars_["cursor.col"] = std::to_string(*r.cursor % buffer_.cols() + 1);
        summary += " cursor=" + vars_["cursor"];
    }
    summary += " fields=" + std::to_string(r.fields.size());
    log_.Line("INPUT", summary);
    modified_.clear();
    std::string modified_list;
    for (const auto& f : r.fields) {
        const std::string text = HostText(f.data);
        const auto it = std::find_if(inputs_.begin(), inputs_.end(),
                                     [&](const NamedField& n) { return n.start == f.address; });
        std::string name;
        if (f.address < 0) {
            name = "input";
        } else if (it != inputs_.end()) {
            name = it->name;
        } else {
            name = AutoFieldName(f.address, buffer_.cols());
            log_.Line("NOTE", "modified data at " + RowCol(f.address, buffer_.cols()) +
                                  " is not at the start of an input field");
        }
        vars_[name] = Trim(text);
        modified_.insert(name);
        modified_list += (modified_list.empty() ? "" : ",") + name;
        log_.Line("FIELD",
                  name + (f.address >= 0 ? " " + RowCol(f.address, buffer_.cols()) : "") + " " + Quote(text));
        // Keep the model in step with what the terminal now holds.
        if (f.address >= 0 && f.address < buffer_.size()) {
            if (const auto attr = buffer_.GoverningAttribute(f.address))
                buffer_.at(*attr).attr |= ds::kAttrMdt;
            int a = f.address;
            size_t k = 0;
            while (!buffer_.at(a).is_attr) {
                buffer_.at(a).ch = k < f.data.size() ? f.data[k] : 0;
                ++k;
                a = buffer_.Next(a);
                if (a == f.address) break;
            }
        }
    }
    vars_["modified"] = modified_list;
    if (r.cursor && *r.cursor < buffer_.size()) buffer_.cursor = *r.cursor;
    if (r.aid == ds::kAidClear) {
        // Clear empties the terminal's buffer and returns it to the default size.
        buffer_.Reset(geometry_.rows, geometry_.cols);
        inputs_.clear();
    }
    if (current_.empty() && !notice_return_.empty()) {
        const std::string back = notice_return_;
        notice_return_.clear();
        SendScreen(back);
        return;
    }
    RunKey(aid);
}

void Engine::RunKey(const std::string& key) {
    if (waiting_) {
        log_.Line("NOTE", key + " while waiting for a reply; ignored");
        return;
    }
    if (!config_.app || !ready_) return;
    const bool is_aid = key != "attn" && key != "sysreq";
    auto matches = [&](const script::Rule& rule) {
        const bool key_ok = std::any_of(rule.keys.begin(), rule.keys.end(), [&](const std::string& k) {
            return k == key || (k == "any" && is_aid);
        });
        if (!key_ok) return false;
        return std::all_of(rule.conditions.begin(), rule.conditions.end(),
                           [&](const script::Condition& c) { return Evaluate(c); });
    };
    const script::Screen* s = config_.app->Find(current_);
    const std::vector<const std::vector<script::Rule>*> sets = {s ? &s->rules : nullptr, &config_.app->rules};
    for (const auto* rules : sets) {
        if (!rules) continue;
        for (const auto& rule : *rules) {
            if (matches(rule)) {
                log_.Line("RULE", "screen " + (current_.empty() ? std::string("-") : current_) + " line " +
                                      std::to_string(rule.line) + " for " + key);
                RunActions(rule.actions, 0);
                return;
            }
        }
    }
    log_.Line("NOTE", "no rule for " + key + " on screen " +
                          (current_.empty() ? std::string("-") : current_) +
                          (is_aid ? "; keyboard unlocked" : ""));
    if (is_aid) SendUnlock(true);
}

std::string Engine::ConditionText(const script::Condition& c) const {
    using Op = script::Condition::Op;
    if (c.op == Op::Modified) return "modified " + c.lhs;
    if (c.op == Op::NotModified) return "unmodified " + c.lhs;
    static constexpr const char* kOps[] = {"==", "!=", "<", "<=", ">", ">="};
    return c.lhs + " " + kOps[static_cast<int>(c.op)] + " " + Quote(c.rhs);
}

bool Engine::Evaluate(const script::Condition& c) const {
    using Op = script::Condition::Op;
    if (c.op == Op::Modified) return modified_.count(c.lhs) != 0;
    if (c.op == Op::NotModified) return modified_.count(c.lhs) == 0;
    const std::string lhs = Trim(Variable(c.lhs).value_or(""));
    const std::string rhs = Trim(script::Expand(c.rhs, [this](const std::string& n) { return Variable(n); }));
    long a = 0, b = 0;
    int cmp;
    if (ParseNumber(lhs, a) && ParseNumber(rhs, b)) {
        cmp = a < b ? -1 : a > b ? 1 : 0;
    } else {
        cmp = lhs.compare(rhs);
        cmp = cmp < 0 ? -1 : cmp > 0 ? 1 : 0;
    }
    switch (c.op) {
        case Op::Eq:
            return cmp == 0;
        case Op::Ne:
            return cmp != 0;
        case Op::Lt:
            return cmp < 0;
        case Op::Le:
            return cmp <= 0;
        case Op::Gt:
            return cmp > 0;
        case Op::Ge:
            return cmp >= 0;
        default:
            return false;
    }
}

void Engine::RunActions(std::vector<script::Action> actions, size_t from) {
    using K = script::Action::Kind;
    auto lookup = [this](const std::string& n) { return Variable(n); };
    for (size_t i = from; i < actions.size() && !closing_; ++i) {
        const script::Action& a = actions[i];
        switch (a.kind) {
            case K::Goto:
                SendScreen(a.name);
                break;
            case K::Set:
                vars_[a.name] = script::Expand(a.text, lookup);
                break;
            case K::Stay:
                SendScreen(current_.empty() ? config_.app->start : current_);
                break;
            case K::Unlock:
                SendUnlock(false);
                break;
            case K::ReadBuffer:
                SendRead(ds::kReadBuffer, Wait::ReadBuffer, actions, i + 1);
                return;
            case K::ReadModified:
            case K::ReadModifiedAll:
                vars_["read.kind"] = a.kind == K::ReadModified ? "read-modified" : "read-modified-all";
                SendRead(a.kind == K::ReadModified ? ds::kReadModified : ds::kReadModifiedAll,
                         Wait::ReadModified, actions, i + 1);
                return;
            case K::Query:
            case K::QueryList: {
                auto rest = [this, actions, i] { RunActions(actions, i + 1); };
                SendQuery(a.codes, a.kind == K::QueryList, rest);
                return;
            }
            case K::SscpLu: {
                if (!(telnet_.mode() == TelnetServer::Mode::Tn3270e && telnet_.HasFunction(kFnBindImage))) {
                    log_.Line("NOTE", "SSCP-LU data needs TN3270E with BIND-IMAGE; skipped");
                    vars_["sscp.input"] = "(not available: needs TN3270E with BIND-IMAGE)";
                    break;
                }
                if (bound_) {
                    SendLogged({0x32, 0x01}, kUnbind, 0, "before SSCP-LU data");
                    bound_ = false;
                }
                // "\n" in the text starts a new line (NL).
                Bytes b = {0x0C};  // form feed: a clean screen
                const std::string text = script::Expand(a.text, lookup);
                for (size_t k = 0; k < text.size(); ++k) {
                    if (text[k] == '\\' && k + 1 < text.size() && text[k + 1] == 'n') {
                        b.push_back(0x15);
                        ++k;
                    } else {
                        b.push_back(codec_.HostByte(text[k]));
                    }
                }
                SendLogged(b, kSscpLuData, 0, "SSCP-LU message");
                buffer_.Reset(geometry_.rows, geometry_.cols);
                inputs_.clear();
                waiting_ = Waiting{Wait::SscpLu, clock_() + std::max(config_.reply_timeout, 300.0),
                                   [this, actions, i] { RunActions(actions, i + 1); }};
                return;
            }
            case K::PrintText: {
                // Host print text: structured field 0x0F, qualifier 0x1F, print selector; "\n" a line end.
                Bytes b = {ds::kWriteStructuredField, 0x00, 0x00, 0x0F, 0x1F, 0x00, 0x00, 0x00};
                const std::string text = script::Expand(a.text, lookup);
                for (size_t k = 0; k < text.size(); ++k) {
                    if (text[k] == '\\' && k + 1 < text.size() && text[k + 1] == 'n') {
                        b.push_back(0x25);
                        ++k;
                    } else {
                        b.push_back(codec_.HostByte(text[k]));
                    }
                }
                const size_t length = b.size() - 1;
                b[1] = static_cast<uint8_t>(length >> 8);
                b[2] = static_cast<uint8_t>(length & 0xFF);
                SendLogged(b, k3270Data, 0, "print text");
                break;
            }
            case K::AsciiHost: {
                telnet_.AskAsciiHost();
                Bytes b = telnet_.TakeOutput();
                log_.Line("TELNET>", DescribeTelnet(b.data(), b.size()) + " [ASCII mode]");
                out_.insert(out_.end(), b.begin(), b.end());
                ascii_host_ = true;
                break;
            }
            case K::RemoteMacro: {
                std::ifstream in(a.name, std::ios::binary);
                std::ostringstream text;
                text << in.rdbuf();
                std::vector<Bytes> records;
                std::string error;
                if (!in || text.str().size() > (1u << 20) ||
                    !hostile::RemoteMacroRecords(text.str(), ascii_host_, codec_, records, error)) {
                    log_.Line("ERROR", "remote macro " + a.name +
                                           " not sent: " + (error.empty() ? "cannot read it" : error));
                    break;
                }
                for (const Bytes& r : records) SendLogged(r, k3270Data, 0, "remote macro text");
                break;
            }
            case K::Bind:
                SendBind(a.name);
                break;
            case K::Unbind:
                if (telnet_.mode() == TelnetServer::Mode::Tn3270e && telnet_.HasFunction(kFnBindImage)) {
                    SendLogged({0x32, 0x01}, kUnbind, 0, "");
                    bound_ = false;
                    vars_["bind"] = "unbound";
                } else {
                    log_.Line("NOTE", "UNBIND needs TN3270E with BIND-IMAGE; skipped");
                }
                break;
            case K::Disconnect:
                Close("the application disconnects");
                return;
            case K::Check: {
                const bool ok = Evaluate(a.cond);
                if (!ok) ++failed_checks_;
                log_.Line("CHECK", std::string(ok ? "PASS " : "FAIL ") + ConditionText(a.cond) + " (is " +
                                       Quote(Variable(a.cond.lhs).value_or("")) + ", line " +
                                       std::to_string(a.line) + ")");
                break;
            }
            case K::Log:
                log_.Line("APP", script::Expand(a.text, lookup));
                break;
        }
    }
}

void Engine::HandleQueryReply(const Bytes& data) {
    QueryReply q;
    std::string error;
    if (!DecodeQueryReply(data.data(), data.size(), q, error)) {
        log_.Line("ERROR", "bad Query Reply: " + error);
        vars_["query.error"] = error;
        Resume();
        return;
    }
    std::string codes;
    for (uint8_t c : q.codes) codes += (codes.empty() ? "" : " ") + QueryCodeName(c);
    vars_["query.codes"] = codes;
    vars_["query.count"] = std::to_string(q.codes.size());
    vars_["query.usable"] =
        q.usable_rows ? std::to_string(q.usable_rows) + "x" + std::to_string(q.usable_cols) : "-";
    vars_["query.partition"] = q.alt_rows ? std::to_string(q.default_rows) + "x" +
                                                std::to_string(q.default_cols) + " alt " +
                                                std::to_string(q.alt_rows) + "x" + std::to_string(q.alt_cols)
                                          : "-";
    vars_["query.colours"] = std::to_string(q.colours);
    vars_["query.highlights"] = std::to_string(q.highlights);
    std::string modes;
    for (uint8_t m : q.reply_modes) modes += (modes.empty() ? "" : " ") + std::to_string(m);
    vars_["query.modes"] = modes.empty() ? "-" : modes;
    vars_.erase("query.error");
    log_.Line("QUERY", "replies: " + codes);
    log_.Line("QUERY", "usable area " + vars_["query.usable"] + ", partition " + vars_["query.partition"] +
                           ", " + vars_["query.colours"] + " colours, " + vars_["query.highlights"] +
                           " highlights");
    auto fits = [](int r, int c) { return r >= 24 && c >= 80 && r <= 255 && c <= 255 && r * c <= 16383; };
    if (fits(q.alt_rows, q.alt_cols)) {
        geometry_.alt_rows = q.alt_rows;
        geometry_.alt_cols = q.alt_cols;
    } else if (telnet_.terminal().dynamic && fits(q.usable_rows, q.usable_cols)) {
        geometry_.alt_rows = q.usable_rows;
        geometry_.alt_cols = q.usable_cols;
    }
    Resume();
}

void Engine::HandleReadBuffer(const Bytes& data) {
    ReadBufferReply rb;
    std::string error;
    vars_["read.kind"] = "read-buffer";
    if (!DecodeReadBuffer(data.data(), data.size(), buffer_.rows(), buffer_.cols(), rb, error)) {
        log_.Line("ERROR", "bad Read Buffer reply: " + error);
        vars_["read.error"] = error;
        vars_["read.match"] = "malformed";
        Resume();
        return;
    }
    vars_.erase("read.error");
    const auto fields = rb.buffer.Fields();
    int inputs = 0;
    for (const auto& f : fields) inputs += (f.attr & ds::kAttrProtected) ? 0 : 1;
    const std::string diff = CompareBuffers(buffer_, rb.buffer, rb.positions, codec_);
    vars_["read.aid"] = ds::AidToName(rb.aid);
    vars_["read.cursor"] = RowCol(rb.cursor, buffer_.cols());
    vars_["read.positions"] = std::to_string(rb.positions);
    vars_["read.fields"] = std::to_string(fields.size());
    vars_["read.inputs"] = std::to_string(inputs);
    vars_["read.match"] = diff.empty() ? "yes" : "no: " + diff;
    // The reply's view of each named input field.
    std::string values;
    for (const auto& nf : inputs_) {
        ds::Field f{nf.attr_address, nf.start, nf.length, nf.bits};
        const std::string v = Trim(HostText(rb.buffer.FieldData(f)));
        vars_["read." + nf.name] = v;
        values += (values.empty() ? "" : " ") + nf.name + "=" + (nf.nondisplay() ? "(hidden)" : v);
    }
    vars_["read.values"] = values;
    log_.Line("READ", "Read Buffer reply: AID=" + vars_["read.aid"] + " cursor=" + vars_["read.cursor"] +
                          " positions=" + vars_["read.positions"] + " fields=" + vars_["read.fields"] +
                          " match=" + vars_["read.match"]);
    for (const auto& nf : inputs_)
        log_.Line("FIELD",
                  nf.name + " " + RowCol(nf.start, buffer_.cols()) + " " + Quote(vars_["read." + nf.name]));
    Resume();
}

void Engine::HandleReadModified(const Bytes& data) {
    AidRecord r;
    std::string error;
    if (!DecodeAidRecord(data.data(), data.size(), r, error)) {
        log_.Line("ERROR", "bad Read Modified reply: " + error);
        vars_["read.error"] = error;
        Resume();
        return;
    }
    vars_.erase("read.error");
    vars_["read.aid"] = ds::AidToName(r.aid);
    vars_["read.cursor"] = r.cursor ? RowCol(*r.cursor, buffer_.cols()) : "-";
    vars_["read.fields"] = std::to_string(r.fields.size());
    std::string values;
    for (const auto& f : r.fields) {
        const auto it = std::find_if(inputs_.begin(), inputs_.end(),
                                     [&](const NamedField& n) { return n.start == f.address; });
        const std::string name = f.address < 0         ? "input"
                                 : it != inputs_.end() ? it->name
                                                       : AutoFieldName(f.address, buffer_.cols());
        const std::string v = Trim(HostText(f.data));
        vars_["read." + name] = v;
        const bool hidden = it != inputs_.end() && it->nondisplay();
        values += (values.empty() ? "" : " ") + name + "=" + (hidden ? "(hidden)" : v);
        log_.Line("FIELD", name + (f.address >= 0 ? " " + RowCol(f.address, buffer_.cols()) : "") + " " +
                               Quote(HostText(f.data)));
    }
    vars_["read.values"] = values.empty() ? "(none)" : values;
    log_.Line("READ", vars_["read.kind"] + " reply: AID=" + vars_["read.aid"] +
                          " cursor=" + vars_["read.cursor"] + " fields=" + vars_["read.fields"]);
    if (vars_["read.kind"] == "read-modified-all") {
        for (int a = 0; a < buffer_.size(); ++a)
            if (buffer_.at(a).is_attr) buffer_.at(a).attr &= static_cast<uint8_t>(~ds::kAttrMdt);
    }
    Resume();
}

void Engine::HandleResponse(const TelnetServer::Event& ev) {
    const bool positive = ev.response_flag == 0;
    const bool expected = pending_response_ && *pending_response_ == ev.seq;
    std::string text = std::string(positive ? "positive" : "negative") + " seq=" + std::to_string(ev.seq);
    if (!ev.data.empty()) text += " code=" + Hex2(ev.data[0]);
    if (!expected)
        text += pending_response_ ? " (expected seq=" + std::to_string(*pending_response_) + ")"
                                  : " (not asked for)";
    vars_["response"] = text;
    log_.Line("RESPONSE", text);
    if (expected) pending_response_.reset();
}

void Engine::HandleSscpReply(const Bytes& data) {
    Bytes text;
    for (uint8_t b : data)
        if (b != 0) text.push_back(b);
    vars_["sscp.input"] = Trim(HostText(text));
    log_.Line("SSCP", "input " + Quote(vars_["sscp.input"]));
    Resume();
}

}  // namespace testhost
