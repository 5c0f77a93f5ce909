// The requests on the screen and the keyboard: connect and disconnect, screen, text, move, type,
// key, fill and wait.
#include <algorithm>

#include "api/api_session.h"
#include "api/screen_facts.h"
#include "app/command_line.h"
#include "app/session_runtime.h"
#include "charset/display_unicode.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "net/host_address.h"
#include "options/options_by_name.h"
#include "session/session.h"

namespace orkan {

namespace {

std::string Ms(int64_t ms) {
    return std::to_string(ms) + " ms";
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Parameters.

int64_t ApiSession::TimeoutParam() const {
    return IntParam(current_->request.params, "timeout_ms").value_or(kDefaultTimeoutMs);
}

std::optional<uint32_t> ApiSession::AddressParam(const char* row_name, const char* column_name) {
    const Json& p = current_->request.params;
    const std::optional<int64_t> row = IntParam(p, row_name);
    const std::optional<int64_t> column = IntParam(p, column_name);
    const PresentationSpace& ps = session().ps;
    if (!row || !column || *row > int64_t(ps.rows) || *column > int64_t(ps.columns) ||
        uint32_t((*row - 1) * ps.columns + *column - 1) >= ScreenPositions(ps)) {
        Fail(ErrorCode::OutOfRange,
             "Row " + std::to_string(row.value_or(0)) + " column " + std::to_string(column.value_or(0)) +
                 " is not on the " + std::to_string(ps.rows) + "x" + std::to_string(ps.columns) + " screen.");
        return std::nullopt;
    }
    return uint32_t((*row - 1) * ps.columns + *column - 1);
}

std::optional<std::string> ApiSession::DisplayParam(const char* name, bool typing) {
    DisplayText display = Utf8ToDisplay(StringParam(current_->request.params, name).value_or(""));
    if (!display.failures.empty()) {
        Fail(ErrorCode::BadRequest, "\"" + std::string(name) +
                                        "\" holds a character the session cannot show: " +
                                        DescribeUnconvertible(display.failures.front()) + ".");
        return std::nullopt;
    }
    if (typing) {
        const auto control =
            std::find_if(display.text.begin(), display.text.end(), [](char c) { return uint8_t(c) < 0x20; });
        if (control != display.text.end()) {
            Fail(ErrorCode::BadRequest, "\"" + std::string(name) +
                                            "\" holds a control character at character " +
                                            std::to_string(control - display.text.begin()) +
                                            ": send Tab, NewLine and the like with the key request.");
            return std::nullopt;
        }
    }
    return std::move(display.text);
}

// ---------------------------------------------------------------------------------------------
// Connecting.

void ApiSession::OnConnect() {
    Session& s = session();
    const Json& p = current_->request.params;
    if (SessionConnected(s))
        return Fail(ErrorCode::AlreadyConnected, "The session is connected; disconnect first.");

    // The same values the command line takes, with the same checks and messages.
    CommandLine cl;
    auto give = [&](CmdOption option, const std::string& value) {
        cl.values[size_t(option)] = value.empty() ? " " : value;
    };
    const std::optional<std::string> host = StringParam(p, "host");
    if (host) give(CmdOption::Host, *host);
    if (auto port = IntParam(p, "port")) give(CmdOption::Port, std::to_string(*port));
    if (auto lu = StringParam(p, "lu")) give(CmdOption::LuName, *lu);
    if (auto size = StringParam(p, "size")) cl.size = *size;
    if (const auto model = p.find("model"); model != p.end())
        give(CmdOption::Model,
             model->is_string() ? model->get<std::string>() : std::to_string(model->get<int>()));
    if (const auto tls = p.find("tls"); tls != p.end())
        give(CmdOption::Tls,
             tls->is_boolean() ? (tls->get<bool>() ? "1" : "0") : std::to_string(tls->get<int>()));
    const std::optional<bool> tn3270e = BoolParam(p, "tn3270e");
    if (tn3270e.value_or(false)) give(CmdOption::Tn3270e, " ");

    // A refused request leaves the session as it was: a later connect without a host must not
    // go to the host of one that was refused.
    SessionFileState& state = runtime_.file_state();
    const SessionRecord before = s.record;
    const SessionFileState state_before = state;
    const CommandLineConnection given_before = runtime_.GivenConnection();
    auto refuse = [&](const std::string& message) {
        s.record = before;
        state = state_before;
        runtime_.SetCommandLineConnection(given_before);
        Fail(ErrorCode::BadRequest, message);
    };
    SessionRecord record = s.record;
    // Said here in the request's words; the command line's check names its option.
    if (const auto model = p.find("model"); p.contains("size") && model != p.end() && !model->is_string())
        return refuse("\"size\" gives the dynamic size; it cannot be used with model " +
                      std::to_string(model->get<int>()) + ".");
    const uint64_t shown = ui_.Shown();
    if (!ApplyCommandLineToRecord(cl, record, state.given, state.security, ui_))
        return refuse(LastMessageSince(shown));
    if (host) state.keep_alive = -1;  // a new host, as its certificate settings are
    if (tn3270e == false) {
        record.SetNumber(field::Tn3270e, 0);
        state.given.tn3270e = true;
    }
    if (record.Text(field::IpName).empty() && record.Text(field::HostName).empty())
        return refuse("The session names no host: give \"host\".");
    s.record = record;
    // As the command line's values: this connection's, never written into the session file.
    const std::optional<std::string> code_page = StringParam(p, "code_page");
    CommandLineConnection given;
    given.host = host.has_value();
    given.port = p.contains("port");
    given.lu_name = p.contains("lu");
    given.tls = p.contains("tls");
    given.tn3270e = tn3270e.has_value();
    given.model = p.contains("model") || p.contains("size");
    given.screen_code_page = given.keyboard_code_page = code_page.has_value();
    given.values = s.record;
    // Given before the code page is set: a changed option saves the session file at once.
    runtime_.SetCommandLineConnection(given);
    if (code_page) {
        const DisplayText name = Utf8ToDisplay(*code_page);
        const std::string refused = "The code page \"" + *code_page + "\" is not in country.lst.";
        if (!name.failures.empty()) return refuse(refused);
        if (SetOptionByName(s, "MISC", "SCREEN", MacroValue::Text(name.text)) != 0) return refuse(refused);
        // The key layout follows when country.lst has one of that name (most code pages have
        // none); typed text does not go through it, so the session's layout may stay.
        given.keyboard_code_page = SetOptionByName(s, "MISC", "KEYBOARD", MacroValue::Text(name.text)) == 0;
        given.values = s.record;
        runtime_.SetCommandLineConnection(std::move(given));
    }

    std::string target = s.record.Text(field::IpName);
    if (target.empty()) target = s.record.Text(field::HostName);
    const HostAddressResult address = ParseHostAddress(target, uint16_t(s.record.Number(field::Port)));
    if (address.ok()) {
        const bool v6 = address.address.host.find(':') != std::string::npos;
        target = (v6 ? "[" + address.address.host + "]" : address.address.host) + ":" +
                 std::to_string(address.address.port);
    }
    target = DisplayToUtf8(target);
    const uint64_t generation = current_->generation;
    end_text_.clear();
    // The runtime's own countdown ends a connection that hangs; a session without one gets ours.
    const int64_t countdown = int64_t(s.record.Number(field::ConnectionTimeout)) * 1000;
    const int64_t limit = countdown > 0 ? countdown + 5000 : 2 * kDefaultTimeoutMs;
    current_->step = [this, target] {
        Session& s = session();
        if (SessionConnected(s) && s.status != SessionStatus::Connecting)
            return Answer(Json{{"host", target}, {"status", StatusJson(s)}});
        // A refused device is answered when the frame says so, after its message.
        if (!SessionConnected(s) && s.status != SessionStatus::Rejected)
            Fail(ErrorCode::ConnectFailed,
                 end_text_.empty() ? "The connection ended before the host answered." : end_text_);
    };
    timers_.Start(kStepTimer, std::chrono::milliseconds(limit), true, [this, generation, limit] {
        if (!IsCurrent(generation)) return;
        runtime_.core().RunOper(oper_fn::Disconnect);
        Fail(ErrorCode::ConnectFailed, "The host did not answer within " + Ms(limit) + ".");
    });
    // A host that accepts and says nothing would hold every request behind this one.
    current_->cancel = [this, generation] {
        if (!IsCurrent(generation)) return;
        runtime_.core().RunOper(oper_fn::Disconnect);
        if (IsCurrent(generation))
            Fail(ErrorCode::ConnectFailed,
                 "The connection was cancelled after " + Ms(Now() - current_->started_ms) + ".");
    };
    runtime_.StartSession(StartMode::Interactive);
    if (IsCurrent(generation)) RunStep();
}

void ApiSession::OnDisconnect() {
    if (SessionConnected(session())) runtime_.core().RunOper(oper_fn::Disconnect);
    Answer(Json{{"status", StatusJson(session())}});
}

// ---------------------------------------------------------------------------------------------
// Reading the screen.

void ApiSession::OnScreen() {
    const Json& p = current_->request.params;
    Json screen = ScreenJson(session(), seq_, BoolParam(p, "fields").value_or(true));
    if (BoolParam(p, "trace").value_or(false)) screen["trace"] = trace_tail_.ToJson();
    Answer(std::move(screen));
}

void ApiSession::OnText() {
    const std::optional<uint32_t> at = AddressParam("row", "column");
    if (!at) return;
    const PresentationSpace& ps = session().ps;
    const std::string cells = ScreenCells(ps);
    const int64_t length =
        IntParam(current_->request.params, "length").value_or(int64_t(ps.columns - *at % ps.columns));
    // Fewer characters than asked for would pass unnoticed: a length past the screen's end is refused.
    if (size_t(length) > cells.size() - *at)
        return Fail(ErrorCode::OutOfRange,
                    std::to_string(length) + " characters from row " + std::to_string(*at / ps.columns + 1) +
                        " column " + std::to_string(*at % ps.columns + 1) + " run past the end of the " +
                        std::to_string(ps.rows) + "x" + std::to_string(ps.columns) + " screen.");
    const std::string_view part = std::string_view(cells).substr(*at, size_t(length));
    std::string text;
    for (char c : part) AppendUtf8(text, DisplayToUnicode(uint8_t(c)).front());
    Answer(Json{{"text", std::move(text)}});
}

void ApiSession::OnMove() {
    const std::optional<uint32_t> at = AddressParam("row", "column");
    if (!at) return;
    session().ps.cursor_address = *at;
    Answer(Json{{"cursor", CursorJson(session())}});
}

// ---------------------------------------------------------------------------------------------
// The keyboard.

void ApiSession::WhenKeyboardOpen(std::function<void()> then) {
    Session& s = session();
    if (KeyboardOpen(s)) return then();
    if (InputInhibited(s))
        return Fail(ErrorCode::InputInhibited, "A key error holds the keyboard: send Reset first.",
                    Json{{"typed", 0}, {"status", StatusJson(s)}});
    const int64_t timeout = TimeoutParam();
    WaitFor(
        [this, then] {
            Session& s = session();
            if (s.status == SessionStatus::Unlocked) {
                current_->step = nullptr;
                then();
            } else if (InputInhibited(s)) {
                Fail(ErrorCode::InputInhibited, "A key error holds the keyboard: send Reset first.",
                     Json{{"typed", 0}, {"status", StatusJson(s)}});
            } else if (!SessionConnected(s)) {
                Fail(ErrorCode::Disconnected, "The connection ended while waiting for the keyboard.");
            }
        },
        timeout,
        [this, timeout](bool cancelled) {
            Fail(ErrorCode::KeyboardLocked,
                 cancelled ? "The request was cancelled after " + Ms(Now() - current_->started_ms) +
                                 " while the keyboard was locked."
                           : "The keyboard stayed locked for " + Ms(timeout) + ".",
                 Json{{"status", StatusJson(session())}});
        });
}

bool ApiSession::TypeDisplayText(std::string_view text) {
    Session& s = session();
    own_keys_ = true;
    for (size_t i = 0; i < text.size(); ++i) {
        ExecuteKey(s, CharCode(uint8_t(text[i])), false);
        if (InputInhibited(s)) {
            AfterOwnKeys();
            Fail(ErrorCode::InputInhibited,
                 "The field rules refused character " + std::to_string(i + 1) + " at row " +
                     std::to_string(s.ps.cursor_address / s.ps.columns + 1) + " column " +
                     std::to_string(s.ps.cursor_address % s.ps.columns + 1) + ".",
                 Json{{"typed", i}, {"status", StatusJson(s)}});
            return false;
        }
    }
    AfterOwnKeys();
    return true;
}

void ApiSession::OnType() {
    const Json& p = current_->request.params;
    const std::optional<std::string> text = DisplayParam("text", true);
    if (!text) return;
    const bool positioned = p.contains("row") || p.contains("column");
    if (positioned && !AddressParam("row", "column")) return;
    if (!SessionConnected(session()))
        return Fail(ErrorCode::NotConnected, "Typing needs a connected session.");
    WhenKeyboardOpen([this, text = *text, positioned] {
        if (positioned) {
            const std::optional<uint32_t> at = AddressParam("row", "column");
            if (!at) return;
            session().ps.cursor_address = *at;
        }
        if (TypeDisplayText(text)) Answer(Json{{"cursor", CursorJson(session())}});
    });
}

void ApiSession::OnKey() {
    Session& s = session();
    const Json& p = current_->request.params;
    const std::string name = *StringParam(p, "key");
    const KeyList& list = s.keyboard->key_list;
    uint16_t code = list.FindKeyFunction(name);
    if (code == kNoKeyFunction)
        return Fail(ErrorCode::UnknownKey, "There is no key function \"" + name + "\" in key.lst.");
    if (const KeyFunction* f = list.Find(CategoryOf(code), NumberOf(code)))
        code |= f->flags & kKeyWorksWhileLocked;
    const bool positioned = p.contains("row") || p.contains("column");
    if (positioned && !AddressParam("row", "column")) return;
    // An attention key is for the host: without one it would go nowhere and seem sent.
    if (CategoryOf(code) == KeyCategory::Action && !SessionConnected(s))
        return Fail(ErrorCode::NotConnected, "The key " + name + " needs a connected session.");
    auto run = [this, code, positioned] {
        Session& s = session();
        if (positioned) {
            const std::optional<uint32_t> at = AddressParam("row", "column");
            if (!at) return;
            s.ps.cursor_address = *at;
            // Select Location goes where the mouse pressed: the position given is that place.
            s.keyboard->mouse_cell = ScreenCell{*at / s.ps.columns, *at % s.ps.columns};
        }
        own_keys_ = true;
        ExecuteKey(s, code, false);
        AfterOwnKeys();
        const KeyCategory category = CategoryOf(code);
        if (InputInhibited(s) && (category == KeyCategory::Edit || category == KeyCategory::Char))
            return Fail(ErrorCode::InputInhibited, "The field rules refused the key.",
                        Json{{"typed", 0}, {"status", StatusJson(s)}});
        Answer(Json{{"cursor", CursorJson(s)}, {"seq", seq_}});
    };
    if (CategoryOf(code) == KeyCategory::Oper || WorksWhileLocked(code)) return run();
    WhenKeyboardOpen(run);
}

void ApiSession::OnFill() {
    const Json& p = current_->request.params;
    const std::optional<std::string> text = DisplayParam("text", true);
    if (!text) return;
    const bool by_label = p.contains("label");
    if (by_label == (p.contains("row") || p.contains("column")))
        return Fail(ErrorCode::BadRequest, "\"fill\" needs either \"row\" and \"column\" or \"label\".");
    std::optional<std::string> label;
    if (by_label && !(label = DisplayParam("label", false))) return;
    if (!by_label && !AddressParam("row", "column")) return;
    if (!SessionConnected(session()))
        return Fail(ErrorCode::NotConnected, "Typing needs a connected session.");
    WhenKeyboardOpen([this, text = *text, label] {
        Session& s = session();
        const PresentationSpace& ps = s.ps;
        std::optional<FieldFacts> field;
        if (label) {
            bool seen = false;
            const std::string where = StringParam(current_->request.params, "label_position").value_or("any");
            field = LabelledField(ps, *label, where, seen);
            const std::string shown = DisplayToUtf8(*label);
            if (!seen)
                return Fail(ErrorCode::LabelNotFound, "The label \"" + shown + "\" is not on the screen.");
            if (!field)
                return Fail(ErrorCode::FieldNotFound,
                            "No input field goes with the label \"" + shown + "\".");
        } else {
            const std::optional<uint32_t> at = AddressParam("row", "column");
            if (!at) return;
            field = FieldHolding(ps, *at);
            if (!field || (AttributeOf(ps, *field) & fa::Protected) || field->length == 0)
                return Fail(ErrorCode::FieldNotFound, "There is no input field at row " +
                                                          std::to_string(*at / ps.columns + 1) + " column " +
                                                          std::to_string(*at % ps.columns + 1) + ".");
        }
        if (text.size() > field->length)
            return Fail(ErrorCode::FieldOverflow, "The text has " + std::to_string(text.size()) +
                                                      " characters; the field holds " +
                                                      std::to_string(field->length) + ".");
        s.ps.cursor_address = field->start;
        own_keys_ = true;
        ExecuteKey(s, MakeKeyCode(KeyCategory::Edit, edit_fn::EraseEOF), false);
        if (!TypeDisplayText(text)) return;
        const std::optional<FieldFacts> after = FieldHolding(s.ps, field->start);
        Answer(Json{{"field", FieldJson(s, after.value_or(*field))}});
    });
}

// ---------------------------------------------------------------------------------------------
// Waits.

void ApiSession::OnWait() {
    const Json& p = current_->request.params;
    std::vector<WaitCondition> conditions;
    std::string error;
    if (!ReadConditions(p["conditions"], conditions, error)) return Fail(ErrorCode::BadRequest, error);
    const bool any = StringParam(p, "match").value_or("all") == "any";
    const bool for_disconnect = std::any_of(conditions.begin(), conditions.end(), [](const WaitCondition& c) {
        return c.kind == WaitCondition::Kind::Disconnected;
    });
    const int64_t timeout = TimeoutParam();
    auto fail = [this, any](ErrorCode code, const std::string& message) {
        const Json& p = current_->request.params;
        Fail(code, message,
             Json{{"condition", Json{{"conditions", p["conditions"]}, {"match", any ? "any" : "all"}}},
                  {"waited_ms", Now() - current_->started_ms},
                  {"screen", BriefScreenJson(session())},
                  {"trace", trace_tail_.ToJson()}});
    };
    current_->step_reads_only = true;
    WaitFor(
        [this, conditions, any, for_disconnect, fail] {
            Session& s = session();
            const WaitFacts facts{seq_, Now() - last_change_ms_};
            auto holds = [&](const WaitCondition& c) { return ConditionHolds(s, c, facts); };
            const bool met = any ? std::any_of(conditions.begin(), conditions.end(), holds)
                                 : std::all_of(conditions.begin(), conditions.end(), holds);
            if (met) return Answer(Json{{"waited_ms", Now() - current_->started_ms}, {"seq", seq_}});
            if (!for_disconnect && !SessionConnected(s))
                return fail(ErrorCode::Disconnected, "The connection ended during the wait.");
            std::optional<int64_t> quiet;
            for (const WaitCondition& c : conditions)
                if (const auto left = QuietTimeLeft(s, c, facts))
                    quiet = std::min(quiet.value_or(*left), *left);
            if (quiet)
                timers_.Start(kQuietTimer, std::chrono::milliseconds(*quiet), true, [this] { RunStep(); });
        },
        timeout,
        [this, fail, timeout](bool cancelled) {
            fail(ErrorCode::Timeout, cancelled ? "The wait was cancelled after " +
                                                     Ms(Now() - current_->started_ms) +
                                                     "; the conditions did not hold."
                                               : "The conditions did not hold within " + Ms(timeout) + ".");
        });
}

}  // namespace orkan
