// The external functions. Each checks its arguments on the task's thread and does its work on the
// event-loop thread; waits block only the task's thread.
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "clipboard/find.h"
#include "config/data_file.h"
#include "config/settings_file.h"
#include "ds3270/fields.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "macro/macro_text.h"
#include "macro/options_by_name.h"
#include "rexx/rexx_calls.h"
#include "rexx/rexx_errors.h"
#include "rexx/rexx_text.h"
#include "rexx/rexx_transfer.h"
#include "session/session.h"

namespace orkan {

namespace {

using Args = RexxArguments;
using Clock = std::chrono::steady_clock;

constexpr size_t kMaxWaitCondition = 200;
constexpr int64_t kMaxWaitSeconds = 2'147'483;  // what every event loop's timers can hold

FunctionResult Ok(std::string text = {}) { return {0, std::move(text)}; }
FunctionResult Fail(RexxContext& c, int code) { return {ShowRexxError(c, code), {}}; }
FunctionResult Bare(int value) { return {value, {}}; }

std::string Arg(const Args& a, size_t i) { return i < a.size() && a[i] ? *a[i] : std::string(); }
bool Present(const Args& a, size_t i) { return i < a.size() && a[i].has_value(); }

// An integer argument; `bad` for text that is no integer, the default for an empty one.
std::optional<int64_t> Integer(const Args& a, size_t i, int64_t fallback) {
    const ParsedInteger n = ParseRexxInteger(Arg(a, i));
    if (n.kind == IntegerArgument::Bad) return std::nullopt;
    return n.kind == IntegerArgument::Empty ? fallback : n.value;
}

std::string Hex2(uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

Session& S(RexxMacros* owner) { return owner->session(); }

// ---- Screen

struct Position {
    int64_t row = 0, column = 0;
};

// Row and column of a screen function: 1001 when they are no numbers, 1002 outside the screen.
std::optional<Position> ScreenPosition(RexxContext& c, const Args& a, int& error) {
    const ParsedInteger row = ParseRexxInteger(Arg(a, 0)), col = ParseRexxInteger(Arg(a, 1));
    if (row.kind != IntegerArgument::Value || col.kind != IntegerArgument::Value) {
        error = rexx_error::NotNumeric;
        return std::nullopt;
    }
    RexxMacros* owner = c.owner;
    const auto size = OnLoop(c, [owner] { return std::pair<int64_t, int64_t>(S(owner).ps.rows, S(owner).ps.columns); });
    if (!size) {
        error = 0;
        return std::nullopt;
    }
    if (row.value < 1 || row.value > size->first || col.value < 1 || col.value > size->second) {
        error = rexx_error::BadValue;
        return std::nullopt;
    }
    return Position{row.value, col.value};
}

template <size_t Plane>
FunctionResult PlaneFunction(RexxContext& c, const Args& a) {
    if (a.size() != 2) return Fail(c, rexx_error::ArgumentCount);
    int error = 0;
    const std::optional<Position> at = ScreenPosition(c, a, error);
    if (!at) return error ? Fail(c, error) : Ok();
    RexxMacros* owner = c.owner;
    const Position p = *at;
    const auto value = OnLoop(c, [owner, p]() -> int {
        const PresentationSpace& ps = S(owner).ps;
        if (p.row > ps.rows || p.column > ps.columns) return -1;
        const size_t i = size_t((p.row - 1) * ps.columns + p.column - 1);
        const Planes& planes = ps.planes;
        if constexpr (Plane == 0) return planes.attribute[i];
        if constexpr (Plane == 1) return planes.colour[i];
        if constexpr (Plane == 2) return planes.highlight[i];
        return planes.host[i];
    });
    if (!value) return Ok();
    if (*value < 0) return Fail(c, rexx_error::BadValue);
    return Ok(Hex2(uint8_t(*value)));
}

FunctionResult Screen(RexxContext& c, const Args& a) {
    if (a.size() < 2 || a.size() > 3) return Fail(c, rexx_error::ArgumentCount);
    int error = 0;
    const std::optional<Position> at = ScreenPosition(c, a, error);
    if (!at) return error ? Fail(c, error) : Ok();
    const ParsedInteger length = ParseRexxInteger(Arg(a, 2));
    if (length.kind == IntegerArgument::Bad) return Fail(c, rexx_error::NotNumeric);
    const int64_t wanted = length.kind == IntegerArgument::Empty ? -1 : length.value;
    if (length.kind == IntegerArgument::Value && wanted < 0) return Fail(c, rexx_error::BadValue);
    RexxMacros* owner = c.owner;
    const Position p = *at;
    const auto text = OnLoop(c, [owner, p, wanted]() -> std::optional<std::string> {
        const PresentationSpace& ps = S(owner).ps;
        if (p.row > ps.rows || p.column > ps.columns) return std::nullopt;
        const int64_t rest = int64_t(ps.columns) - p.column + 1;
        const int64_t n = wanted < 0 ? rest : wanted;
        if (n > rest) return std::nullopt;
        const size_t at = size_t((p.row - 1) * ps.columns + p.column - 1);
        uint8_t governing = GoverningAttribute(ps, uint32_t(at));
        std::string out;
        for (size_t i = at; i < at + size_t(n); ++i) {
            if (ps.planes.attribute[i]) {
                governing = ps.planes.attribute[i];
                out += ' ';
                continue;
            }
            out += char(CellText(ps.planes.display[i], governing, ps.planes.charset[i]));
        }
        return out;
    });
    if (!text) return Ok();
    if (!*text) return Fail(c, rexx_error::BadValue);
    return Ok(**text);
}

FunctionResult OnScreen(RexxContext& c, const Args& a) {
    if (a.empty() || a.size() > 3) return Fail(c, rexx_error::ArgumentCount);
    const std::string want = UpperText(Arg(a, 0));
    if (want.empty()) return Fail(c, rexx_error::BadValue);
    const std::optional<int64_t> row = Integer(a, 1, 0), col = Integer(a, 2, 0);
    if (!row || !col) return Fail(c, rexx_error::BadValue);
    const bool with_row = Present(a, 1) && !Arg(a, 1).empty();
    const bool with_col = Present(a, 2) && !Arg(a, 2).empty();
    if (with_col && !with_row) return Fail(c, rexx_error::BadValue);
    RexxMacros* owner = c.owner;
    const int64_t r = *row, k = *col;
    const auto found = OnLoop(c, [owner, want, r, k, with_row, with_col]() -> int {
        const PresentationSpace& ps = S(owner).ps;
        const int64_t rows = ps.rows, columns = ps.columns;
        int64_t first = 0, last = int64_t(ps.positions) - 1;
        if (with_row) {
            if (r < 1 || r > rows) return -1;
            first = (r - 1) * columns;
            last = first + columns - 1;
            if (with_col) {
                if (k < 1 || k > columns) return -1;
                first = last = first + k - 1;
            }
        }
        for (int64_t i = first; i <= last; ++i) {
            if (i + int64_t(want.size()) > int64_t(ps.positions)) break;
            size_t n = 0;
            while (n < want.size() && UpperByte(ps.planes.display[size_t(i) + n]) == uint8_t(want[n])) ++n;
            if (n == want.size()) {
                MacroVariableState& v = owner->variable_state();
                v.onscreen_row = int(i / columns) + 1;
                v.onscreen_col = int(i % columns) + 1;
                return 1;
            }
        }
        return 0;
    });
    if (!found) return Ok();
    if (*found < 0) return Fail(c, rexx_error::BadValue);
    return Ok(*found ? "1" : "0");
}

// ---- Variables

FunctionResult GetVar(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Bare(rexx_error::BareGetvarArguments);
    const std::optional<int> number = FindSystemVariable(UpperText(Arg(a, 0)));
    if (!number) return Fail(c, rexx_error::UnknownVariable);
    RexxMacros* owner = c.owner;
    const int n = *number;
    const auto text = OnLoop(c, [owner, n] {
        return SystemValueText(ReadSystemVariable(S(owner), owner->variable_state(), n));
    });
    return Ok(text.value_or(std::string()));
}

FunctionResult PutVar(RexxContext& c, const Args& a) {
    if (a.size() != 2) return Fail(c, rexx_error::ArgumentCount);
    const std::string name = UpperText(Arg(a, 0));
    const std::string value = Arg(a, 1);
    const std::optional<int> number = FindSystemVariable(name);
    if (!number || !kSystemVariables[size_t(*number)].assignable) return Fail(c, rexx_error::NotAssignable);
    MacroValue v;
    if (name == "CURSORPOS") {
        // A value without a comma leaves the cursor where it is.
        if (value.find(',') == std::string::npos) return Ok();
        v = MacroValue::Text(value);
    } else {
        const ParsedInteger n = ParseRexxInteger(value);
        if (n.kind != IntegerArgument::Value) return Fail(c, rexx_error::BadValue);
        v = MacroValue::Number(int32_t(n.value));
    }
    RexxMacros* owner = c.owner;
    const int n = *number;
    const auto error = OnLoop(c, [owner, n, v] { return AssignSystemVariable(S(owner), n, v); });
    if (error && *error != 0) return Fail(c, rexx_error::BadValue);
    return Ok();
}

// ---- Keyboard

FunctionResult Type(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    if (!Present(a, 0)) return Fail(c, rexx_error::BadValue);
    RexxMacros* owner = c.owner;
    const std::string text = Arg(a, 0);
    (void)OnLoop(c, [owner, text] {
        for (char ch : text) ExecuteKey(S(owner), CharCode(uint8_t(ch)), false);
        return true;
    });
    return Ok();
}

// Key functions whose a and b are row and column for the cursor first.
bool TakesPosition(uint16_t code) {
    const uint8_t n = NumberOf(code);
    if (CategoryOf(code) == KeyCategory::Oper) return n == oper_fn::SelectLocation1 || n == oper_fn::SelectLocation2;
    if (CategoryOf(code) != KeyCategory::Edit) return false;
    return n == edit_fn::SelectField || n == edit_fn::SelectLine || n == edit_fn::SelectWord ||
           n == edit_fn::MarkSelectionStart || n == edit_fn::SelectToMark || n == edit_fn::SelectJcl ||
           n == edit_fn::SelectText;
}

FunctionResult Key(RexxContext& c, const Args& a) {
    if (a.empty() || a.size() > 3) return Fail(c, rexx_error::ArgumentCount);
    RexxMacros* owner = c.owner;
    const std::string name = Arg(a, 0);
    const auto found = OnLoop(c, [owner, name] {
        const KeyList& list = S(owner).keyboard.key_list;
        uint16_t code = list.FindKeyFunction(name);
        if (code == kNoKeyFunction) return code;
        if (const KeyFunction* f = list.Find(CategoryOf(code), NumberOf(code))) code |= f->flags & kKeyWorksWhileLocked;
        return code;
    });
    if (!found) return Ok();
    const uint16_t code = *found;
    if (code == kNoKeyFunction) return Fail(c, rexx_error::UnknownKey);
    const std::string first = Arg(a, 1), second = Arg(a, 2);
    if (TakesPosition(code) && a.size() == 3) {
        const ParsedInteger row = ParseRexxInteger(first), col = ParseRexxInteger(second);
        if (row.kind != IntegerArgument::Value || col.kind != IntegerArgument::Value) return Fail(c, rexx_error::BadValue);
        const auto moved = OnLoop(c, [owner, code, r = row.value, k = col.value] {
            if (!MoveCursorTo(S(owner), r, k)) return false;
            ExecuteKey(S(owner), code, false);
            return true;
        });
        if (moved && !*moved) return Fail(c, rexx_error::BadValue);
        return Ok();
    }
    if (a.size() >= 2 && IsFunction(code, KeyCategory::Oper, oper_fn::LoadDebugScreen)) {
        (void)OnLoop(c, [owner, first] {
            if (owner->load_debug_screen) owner->load_debug_screen(first);
            return true;
        });
        return Ok();
    }
    if (a.size() >= 2 && IsFunction(code, KeyCategory::Oper, oper_fn::PrintFile)) {
        (void)OnLoop(c, [owner, first] {
            if (PrintHook* print = S(owner).hooks.print) print->PrintTextFile(first);
            return true;
        });
        return Ok();
    }
    if (a.size() >= 2 && IsFunction(code, KeyCategory::Edit, edit_fn::Find)) {
        const std::optional<int64_t> options = Integer(a, 2, 0);
        if (!options || *options < 0 || *options > 255) return Fail(c, rexx_error::BadValue);
        (void)OnLoop(c, [owner, first, o = uint8_t(*options)] {
            FinishFindDialog(S(owner), FindDialogAnswer{true, first, o});
            return true;
        });
        return Ok();
    }
    (void)OnLoop(c, [owner, code] {
        ExecuteKey(S(owner), code, false);
        return true;
    });
    return Ok();
}

// ---- Waits

// Sleeps until `deadline`; false when the task was stopped.
bool SleepUntil(RexxTask& task, Clock::time_point deadline) {
    std::unique_lock lock(task.mutex);
    task.changed.wait_until(lock, deadline, [&] { return task.stop; });
    return !task.stop;
}

FunctionResult ShortWait(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    const std::optional<int64_t> ms = Integer(a, 0, 1000);
    if (!ms || *ms < 0) return Fail(c, rexx_error::BadValue);
    (void)SleepUntil(*c.task, Clock::now() + std::chrono::milliseconds(*ms));
    return Ok();
}

void SetWaiting(RexxTask& task, bool waiting) {
    std::lock_guard lock(task.mutex);
    task.waiting = waiting;
}

// Blocks until the counter moves past `seen`, the deadline passes or the task stops. True when it
// moved.
bool AwaitHostEvent(RexxTask& task, uint64_t RexxTask::*counter, uint64_t seen, Clock::time_point deadline) {
    std::unique_lock lock(task.mutex);
    return task.changed.wait_until(lock, deadline, [&] { return task.stop || task.*counter != seen; }) && !task.stop;
}

uint64_t Counter(RexxTask& task, uint64_t RexxTask::*counter) {
    std::lock_guard lock(task.mutex);
    return task.*counter;
}

FunctionResult Wait(RexxContext& c, const Args& a) {
    if (a.empty() || a.size() > 2) return Fail(c, rexx_error::ArgumentCount);
    const ParsedInteger seconds = ParseRexxInteger(Arg(a, 0));
    if (seconds.kind != IntegerArgument::Value || seconds.value < 1 || seconds.value > kMaxWaitSeconds)
        return Fail(c, rexx_error::BadValue);
    const std::string condition = Arg(a, 1);
    if (condition.size() > kMaxWaitCondition) return Fail(c, rexx_error::BadValue);
    RexxTask& task = *c.task;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds.value);
    if (condition.empty()) {
        SetWaiting(task, true);
        (void)SleepUntil(task, deadline);
        SetWaiting(task, false);
        return Ok("0");
    }
    SetWaiting(task, true);
    FunctionResult result = Ok("0");
    for (;;) {
        // Read before the test: a host record between the test and the wait moves it.
        const uint64_t seen = Counter(task, &RexxTask::host_records);
        const std::optional<bool> met = EvaluateWaitCondition(c, condition);
        if (task.StopRequested()) break;
        if (!met) {
            result = Fail(c, rexx_error::BadValue);
            break;
        }
        if (*met) {
            result = Ok("1");
            break;
        }
        if (!AwaitHostEvent(task, &RexxTask::host_records, seen, deadline)) {
            if (!task.StopRequested()) (void)ShowRexxError(c, rexx_error::WaitTimedOut);
            break;
        }
    }
    SetWaiting(task, false);
    return result;
}

FunctionResult WaitUnlocked(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    const ParsedInteger seconds = ParseRexxInteger(Arg(a, 0));
    if (seconds.kind != IntegerArgument::Value || seconds.value < 1 || seconds.value > kMaxWaitSeconds)
        return Fail(c, rexx_error::BadValue);
    RexxTask& task = *c.task;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds.value);
    const uint64_t seen = Counter(task, &RexxTask::unlocks);
    RexxMacros* owner = c.owner;
    const auto unlocked = OnLoop(c, [owner] { return S(owner).status == SessionStatus::Unlocked; });
    if (!unlocked || *unlocked) return Ok();
    SetWaiting(task, true);
    const bool released = AwaitHostEvent(task, &RexxTask::unlocks, seen, deadline);
    SetWaiting(task, false);
    if (released || task.StopRequested()) return Ok();
    return Fail(c, rexx_error::WaitTimedOut);
}

// ---- Dialogs, windows, sounds

constexpr std::array<Buttons, 6> kButtonSets = {Buttons::Ok, Buttons::OkCancel, Buttons::AbortRetryIgnore,
                                                Buttons::YesNoCancel, Buttons::YesNo, Buttons::RetryCancel};
constexpr std::array<Icon, 4> kIcons = {Icon::None, Icon::Error, Icon::Question, Icon::Warning};

int AnswerNumber(Answer answer) {
    switch (answer) {
        case Answer::Ok: return 1;
        case Answer::Cancel: return 2;
        case Answer::Abort: return 3;
        case Answer::Retry: return 4;
        case Answer::Ignore: return 5;
        case Answer::Yes: return 6;
        case Answer::No: return 7;
    }
    return 2;
}

int64_t Modulo(int64_t x, int64_t n) { return ((x % n) + n) % n; }

std::string LineBreaks(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

FunctionResult MessageBoxFn(RexxContext& c, const Args& a) {
    if (a.size() > 4) return Fail(c, rexx_error::ArgumentCount);
    const std::optional<int64_t> icon = Integer(a, 2, 64), buttons = Integer(a, 3, 0);
    if (!icon || !buttons) return Fail(c, rexx_error::NotNumeric);
    MessageBox box;
    box.text = Present(a, 0) ? LineBreaks(Arg(a, 0)) : "Default Message";
    box.title = Present(a, 1) ? Arg(a, 1) : "Orkan TN3270 MessageBox";
    box.buttons = kButtonSets[size_t(Modulo(*buttons, 6))];
    box.icon = kIcons[size_t(Modulo(*icon, 4))];
    RexxMacros* owner = c.owner;
    const auto answer = OnLoop(c, [owner, box] { return S(owner).ui.ShowMessage(box); });
    if (!answer) return Ok();
    return Ok(std::to_string(AnswerNumber(*answer)));
}

FunctionResult EditBox(RexxContext& c, const Args& a) {
    if (a.size() > 5) return Fail(c, rexx_error::ArgumentCount);
    const std::optional<int64_t> length = Integer(a, 3, 50), width = Integer(a, 4, 150);
    if (!length || !width || *length < 1 || *length > 255 || *width < 1 || *width > 2000)
        return Fail(c, rexx_error::BadValue);
    EditBoxRequest request;
    request.prompt = Present(a, 0) ? Arg(a, 0) : "Default Message";
    request.title = Present(a, 1) ? Arg(a, 1) : "Orkan TN3270 EditBox";
    request.initial_text = Arg(a, 2);
    request.max_length = int(*length);
    request.width = int(*width);
    RexxMacros* owner = c.owner;
    const auto answer = OnLoop(c, [owner, request] { return S(owner).ui.AskEditBox(request); });
    // Cancel (and a program without a window) gives the empty text.
    return Ok(answer && *answer ? **answer : std::string());
}

FunctionResult SessionFn(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    const std::string id = Arg(a, 0);
    const char letter = id.empty() ? 0 : char(UpperByte(uint8_t(id[0])));
    if (!((letter >= 'A' && letter <= 'Z') || (letter >= '0' && letter <= '9'))) return Fail(c, rexx_error::BadValue);
    RexxMacros* owner = c.owner;
    const auto brought = OnLoop(c, [owner, letter] { return owner->environment().BringSessionToFront(letter); });
    return Ok(brought && *brought ? "0" : "1");
}

FunctionResult DebugWindowFn(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    const std::string word = UpperText(Arg(a, 0));
    DebugWindowAction action;
    if (word == "OPEN") action = DebugWindowAction::Open;
    else if (word == "CLOSE") action = DebugWindowAction::Close;
    else if (word == "CLEAR") action = DebugWindowAction::Clear;
    else if (word == "HIDE") action = DebugWindowAction::Hide;
    else return Bare(rexx_error::BareDebugWindowWord);
    RexxMacros* owner = c.owner;
    (void)OnLoop(c, [owner, action] {
        S(owner).ui.ControlDebugWindow(action);
        return true;
    });
    return Ok();
}

FunctionResult BeepFn(RexxContext& c, const Args& a) {
    if (a.empty() || a.size() > 2) return Fail(c, rexx_error::ArgumentCount);
    const ParsedInteger frequency = ParseRexxInteger(Arg(a, 0));
    const std::optional<int64_t> duration = Integer(a, 1, 100);
    if (frequency.kind != IntegerArgument::Value || frequency.value < 0 || !duration || *duration < 0)
        return Fail(c, rexx_error::BadValue);
    RexxMacros* owner = c.owner;
    (void)OnLoop(c, [owner, f = int(frequency.value), d = int(*duration)] {
        owner->environment().Beep(f, d);
        return true;
    });
    return Ok();
}

FunctionResult PlaySoundFn(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    RexxMacros* owner = c.owner;
    (void)OnLoop(c, [owner, name = Arg(a, 0)] {
        Session& s = S(owner);
        if (!name.empty() && name[0] == '(') {
            const char tone = name.size() >= 15 ? char(LowerByte(uint8_t(name[14]))) : 'm';
            const ProgramSettings& ps = s.settings;
            if (tone == 'l') owner->environment().Beep(ps.BeepPitchLow, ps.BeepDurationLow);
            else if (tone == 'h') owner->environment().Beep(ps.BeepPitchHigh, ps.BeepDurationHigh);
            else owner->environment().Beep(ps.BeepPitchMedium, ps.BeepDurationMedium);
        } else {
            owner->environment().PlaySoundFile(DataFilePath(name, s.folders.app_data, ""));
        }
        return true;
    });
    return Ok();
}

// ---- Programs and settings

bool Refused(RexxContext& c) { return c.task->restricted; }

FunctionResult ShellExecuteFn(RexxContext& c, const Args& a) {
    if (a.size() < 2 || a.size() > 5) return Fail(c, rexx_error::ArgumentCount);
    if (!Integer(a, 4, 1)) return Fail(c, rexx_error::BadValue);
    if (Refused(c)) return Fail(c, rexx_error::RefusedForHost);
    const std::string operation = UpperText(Arg(a, 0));
    const std::string file = Arg(a, 1);
    const std::vector<std::string> parameters = SplitCommandLine(Arg(a, 2));
    std::vector<std::string> argv;
    struct stat st {};
    const bool program = ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(file.c_str(), X_OK) == 0;
    if (operation.empty() || operation == "OPEN") {
        if (program) {
            argv.push_back(file);
            argv.insert(argv.end(), parameters.begin(), parameters.end());
        } else {
            argv = {"xdg-open", file};
        }
    } else if (operation == "PRINT") {
        argv = {"lp", "--", file};
    } else if (operation == "EDIT") {
        const char* editor = std::getenv("VISUAL");
        if (!editor || !*editor) editor = std::getenv("EDITOR");
        argv = {editor && *editor ? editor : "xdg-open", file};
    } else if (operation == "EXPLORE" || operation == "FIND") {
        argv = {"xdg-open", file};
    } else {
        return Ok("31");  // no program for that operation
    }
    RexxMacros* owner = c.owner;
    const std::string directory = Arg(a, 3);
    const auto rc = OnLoop(c, [owner, argv, directory] {
        const std::string folder = directory.empty() ? S(owner).folders.app_data : directory;
        return owner->environment().Spawn(argv, folder);
    });
    return Ok(rc && *rc == 0 ? "42" : "2");
}

FunctionResult WinExecFn(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    if (Refused(c)) return Fail(c, rexx_error::RefusedForHost);
    RexxMacros* owner = c.owner;
    const auto rc = OnLoop(c, [owner, argv = SplitCommandLine(Arg(a, 0))] {
        return owner->environment().Spawn(argv, S(owner).folders.app_data);
    });
    return Ok(std::to_string(rc.value_or(0)));
}

FunctionResult GetIni(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    RexxMacros* owner = c.owner;
    const auto value = OnLoop(c, [owner, key = Arg(a, 0)] {
        return GetUserVariable(S(owner).folders.settings_file, key).value;
    });
    return Ok(value.value_or(std::string()));
}

FunctionResult PutIni(RexxContext& c, const Args& a) {
    if (a.size() != 2) return Fail(c, rexx_error::ArgumentCount);
    if (Refused(c)) return Fail(c, rexx_error::RefusedForHost);
    RexxMacros* owner = c.owner;
    const auto error = OnLoop(c, [owner, key = Arg(a, 0), value = Arg(a, 1)] {
        return SetUserVariable(S(owner).folders.settings_file, key, value);
    });
    return Ok(error && *error == 0 ? "1" : "0");
}

FunctionResult SetOption(RexxContext& c, const Args& a) {
    if (a.size() != 3) return Fail(c, rexx_error::ArgumentCount);
    const ParsedInteger n = ParseRexxInteger(Arg(a, 2));
    const MacroValue value = n.kind == IntegerArgument::Value ? MacroValue::Number(int32_t(n.value))
                                                              : MacroValue::Text(Arg(a, 2));
    RexxMacros* owner = c.owner;
    const auto error = OnLoop(c, [owner, section = Arg(a, 0), option = Arg(a, 1), value] {
        return SetOptionByName(S(owner), section, option, value);
    });
    if (error && *error != 0) return Fail(c, rexx_error::SetOptionFailed);
    return Ok();
}

FunctionResult GetOption(RexxContext& c, const Args& a) {
    if (a.size() != 2) return Fail(c, rexx_error::ArgumentCount);
    RexxMacros* owner = c.owner;
    const auto read = OnLoop(c, [owner, section = Arg(a, 0), option = Arg(a, 1)]() -> std::optional<std::string> {
        MacroValue value;
        if (GetOptionByName(S(owner), section, option, value) != 0) return std::nullopt;
        return SystemValueText(value);
    });
    if (!read) return Ok();
    if (!*read) return Fail(c, rexx_error::GetOptionFailed);
    return Ok(**read);
}

FunctionResult SendFile(RexxContext& c, const Args& a) { return RexxTransfer(c, a, TransferDirection::Upload); }
FunctionResult ReceiveFile(RexxContext& c, const Args& a) { return RexxTransfer(c, a, TransferDirection::Download); }

constexpr RexxFunctionEntry kFunctions[] = {
    {"getvar", GetVar, true},
    {"putvar", PutVar, true},
    {"screen", Screen, false},
    {"onscreen", OnScreen, false},
    {"attribute", PlaneFunction<0>, false},
    {"color", PlaneFunction<1>, false},
    {"hilite", PlaneFunction<2>, false},
    {"rawdata", PlaneFunction<3>, false},
    {"type", Type, false},
    {"key", Key, false},
    {"messagebox", MessageBoxFn, false},
    {"editbox", EditBox, false},
    {"shortwait", ShortWait, false},
    {"wait", Wait, false},
    {"waitunlocked", WaitUnlocked, false},
    {"session", SessionFn, false},
    {"debugwindow", DebugWindowFn, false},
    {"beep", BeepFn, false},
    {"playsound", PlaySoundFn, false},
    {"shellexecute", ShellExecuteFn, false},
    {"winexec", WinExecFn, false},
    {"getini", GetIni, false},
    {"putini", PutIni, false},
    {"setoption", SetOption, false},
    {"getoption", GetOption, false},
    {"sendfile", SendFile, false},
    {"receivefile", ReceiveFile, false},
};

}  // namespace

std::span<const RexxFunctionEntry> RexxFunctionTable() { return kFunctions; }

}  // namespace orkan
