// The task thread's side: RexxStart with the ORKAN environment, the exits, the subcommand handler
// and the one entry point of every external function.
#include <cstring>

#define INCL_REXXSAA
#include <rexxsaa.h>

#include "clipboard/clipboard_text.h"
#include "config/file_name_text.h"
#include "rexx/execio.h"
#include "rexx/rexx_calls.h"
#include "rexx/rexx_errors.h"
#include "rexx/rexx_halt.h"
#include "rexx/rexx_text.h"
#include "session/session.h"

namespace orkan {

namespace {

thread_local RexxContext* t_context = nullptr;

constexpr size_t kFirstWordLimit = 20;
constexpr int kLimitTraceLines = 12;
char kSubcommandArea[] = "Subcommand work area";
char kExitArea[] = "Exit work area";

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

// A result of any length: the interpreter's own buffer when it fits, else memory it frees.
bool SetResult(PRXSTRING out, std::string_view text) {
    if (text.size() > out->strlength || !out->strptr) {
        char* memory = static_cast<char*>(RexxAllocateMemory(ULONG(text.size() + 1)));
        if (!memory) return false;
        out->strptr = memory;
    }
    if (!text.empty()) std::memcpy(out->strptr, text.data(), text.size());
    out->strlength = ULONG(text.size());
    return true;
}

// The program's variables through the variable pool, by symbolic name.
class PoolVariables final : public RexxVariables {
  public:
    bool Set(std::string_view name, std::string_view value) override {
        SHVBLOCK block{};
        MAKERXSTRING(block.shvname, const_cast<char*>(name.data()), ULONG(name.size()));
        MAKERXSTRING(block.shvvalue, const_cast<char*>(value.data()), ULONG(value.size()));
        block.shvcode = RXSHV_SYSET;
        return RexxVariablePool(&block) <= RXSHV_NEWV && !(block.shvret & RXSHV_BADN);
    }
    std::optional<std::string> Fetch(std::string_view name) override {
        SHVBLOCK block{};
        MAKERXSTRING(block.shvname, const_cast<char*>(name.data()), ULONG(name.size()));
        MAKERXSTRING(block.shvvalue, nullptr, 0);
        block.shvcode = RXSHV_SYFET;
        const ULONG rc = RexxVariablePool(&block);
        std::optional<std::string> value;
        if (!(block.shvret & (RXSHV_BADN | RXSHV_MEMFL)) && rc <= (RXSHV_NEWV | RXSHV_TRUNC)) {
            value = block.shvvalue.strptr ? std::string(block.shvvalue.strptr, block.shvvalue.strlength)
                                          : std::string();
            if (block.shvret & RXSHV_NEWV) value = Upper(name);
        }
        if (block.shvvalue.strptr) RexxFreeMemory(block.shvvalue.strptr);
        return value;
    }
    bool Drop(std::string_view name) override {
        SHVBLOCK block{};
        MAKERXSTRING(block.shvname, const_cast<char*>(name.data()), ULONG(name.size()));
        block.shvcode = RXSHV_SYDRO;
        return RexxVariablePool(&block) <= RXSHV_NEWV && !(block.shvret & RXSHV_BADN);
    }
};

int RunExecioCommand(RexxContext& c, std::string_view arguments) {
    // EXECIO works on this thread: the permission is asked of the program's gate first.
    RexxMacros* owner = c.owner;
    const auto allowed = OnLoop(c, [owner] { return owner->session().macro_gate.Permit(Capability::Files); });
    if (!allowed || !*allowed) return rexx_error::RefusedForHost;
    PoolVariables variables;
    ExecioPlace place;
    place.folder = c.task->data_folder;
    place.read_clipboard = [&c]() -> std::optional<std::string> {
        RexxMacros* owner = c.owner;
        return OnLoop(c, [owner] { return ReadClipboardText(owner->session()); }).value_or(std::nullopt);
    };
    place.write_clipboard = [&c](const std::string& text) {
        RexxMacros* owner = c.owner;
        (void)OnLoop(c, [owner, text] {
            WriteClipboardText(owner->session(), text);
            return true;
        });
    };
    return RunExecio(arguments, variables, place);
}

// EXECUTE name: what a recorded macro key plays back. The macro starts as that key would start it
// (a REXX macro beside this one); RC 0 when it was asked for.
int RunMacroCommand(RexxContext& c, std::string_view rest) {
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
    if (rest.empty()) {
        TaskDebugLine(c, "EXECUTE needs the name of a macro");
        return 8;
    }
    RexxMacros* owner = c.owner;
    (void)OnLoop(c, [owner, name = StoredNameToPath(rest)] {
        if (MacroHook* macros = owner->session().hooks.macros) macros->StartMacroFile(name);
        return true;
    });
    return 0;
}

APIRET APIENTRY Subcommand(PRXSTRING command, PUSHORT flags, PRXSTRING result) {
    *flags = RXSUBCOM_OK;
    RexxContext* c = t_context;
    if (!c) {
        *flags = RXSUBCOM_FAILURE;
        return SetResult(result, "8") ? 0 : 1;
    }
    RexxTask& task = *c->task;
    const std::string_view text(command->strptr ? command->strptr : "",
                                command->strptr ? command->strlength : 0);
    // A clause that is only a function call: its result arrives here, and is no command.
    if (task.ignore_next_command && text == task.last_function_result) {
        task.ignore_next_command = false;
        return SetResult(result, "0") ? 0 : 1;
    }
    task.ignore_next_command = false;
    task.refused = false;
    if (!PassPauseGate(*c)) return SetResult(result, "0") ? 0 : 1;
    int rc;
    if (text.size() > kMaxCommandText) {
        rc = ShowRexxError(*c, rexx_error::CommandTooLong);
    } else {
        const size_t blank = text.find(' ');
        const std::string word = Upper(text.substr(0, blank));
        const std::string_view rest =
            blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
        if (word.size() < kFirstWordLimit && word == "EXECIO") {
            rc = RunExecioCommand(*c, rest);
            if (rc != 0) rc = ShowRexxError(*c, rc);
            if (rc != 0)
                TaskDebugLine(*c, "Error executing subcommand " + word + " - rc=" + std::to_string(rc));
        } else if (word == "EXECUTE") {
            rc = RunMacroCommand(*c, rest);
            if (task.refused) rc = ShowRexxError(*c, rexx_error::RefusedForHost);
        } else {
            TaskDebugLine(*c, "Unknown Orkan command - " + word);
            rc = 8;
        }
    }
    return SetResult(result, std::to_string(rc)) ? 0 : 1;
}

// The process environment and the current folder: closed to a program that may not reach files
// and programs.
LONG RefuseForSandbox(RexxContext& c) {
    (void)ShowRexxError(c, rexx_error::RefusedForHost);
    return RXEXIT_RAISE_ERROR;
}

LONG APIENTRY Exit(LONG function, LONG subfunction, PEXIT parameters) {
    RexxContext* c = t_context;
    if (function == RXINI) {
        if (c) c->task->started = true;
        return RXEXIT_HANDLED;
    }
    if (!c) return RXEXIT_NOT_HANDLED;
    if (function == RXCMD && c->task->Sandboxed()) {
        auto* p = reinterpret_cast<RXCMDHST_PARM*>(parameters);
        const std::string_view environment(reinterpret_cast<const char*>(p->rxcmd_address),
                                           p->rxcmd_addressl);
        if (Upper(environment) == "ORKAN") return RXEXIT_NOT_HANDLED;
        // Not run: a command that failed, RC 1020.
        (void)ShowRexxError(*c, rexx_error::RefusedForHost);
        p->rxcmd_flags.rxfcfail = 1;
        return SetResult(&p->rxcmd_retc, std::to_string(rexx_error::RefusedForHost)) ? RXEXIT_HANDLED
                                                                                     : RXEXIT_RAISE_ERROR;
    }
    if (function == RXENV) return c->task->Sandboxed() ? RefuseForSandbox(*c) : RXEXIT_NOT_HANDLED;
    if (function != RXSIO) return RXEXIT_NOT_HANDLED;
    switch (subfunction) {
        case RXSIOSAY:
        case RXSIOTRC: {
            // After a stop the halt's own report is no news to anyone.
            if (!PassPauseGate(*c)) return RXEXIT_HANDLED;
            const RXSTRING& s = reinterpret_cast<RXSIOSAY_PARM*>(parameters)->rxsio_string;
            // A program halted at a limit reports every call it was in: the first ones and the
            // error itself say it.
            const std::string_view line(s.strptr ? s.strptr : "", s.strptr ? s.strlength : 0);
            if (subfunction == RXSIOTRC && c->task->limit != RexxLimit::None &&
                line.substr(0, 6) != "Error " && ++c->task->limit_trace_lines > kLimitTraceLines) {
                if (c->task->limit_trace_lines == kLimitTraceLines + 1)
                    TaskDebugLine(*c, "       ... (the calls further out are left out)");
                return RXEXIT_HANDLED;
            }
            TaskDebugLine(*c, std::string(s.strptr ? s.strptr : "", s.strptr ? s.strlength : 0));
            return RXEXIT_HANDLED;
        }
        case RXSIOTRD: {
            // No console to read from: PULL and interactive tracing read empty lines, never block.
            auto* p = reinterpret_cast<RXSIOTRD_PARM*>(parameters);
            p->rxsiotrd_retc.strlength = 0;
            return RXEXIT_HANDLED;
        }
        case RXSIODTR: {
            auto* p = reinterpret_cast<RXSIODTR_PARM*>(parameters);
            p->rxsiodtr_retc.strlength = 0;
            return RXEXIT_HANDLED;
        }
        default:
            return RXEXIT_NOT_HANDLED;
    }
}

APIRET APIENTRY Function(PCSZ name, ULONG argc, PRXSTRING argv, PCSZ, PRXSTRING result) {
    RexxContext* c = t_context;
    if (!c) return 1;
    RexxTask& task = *c->task;
    task.ignore_next_command = true;
    task.last_function_result.clear();
    if (!PassPauseGate(*c)) return SetResult(result, "") ? 0 : 1;
    const std::string lower = [&] {
        std::string out(name ? name : "");
        for (char& ch : out)
            if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
        return out;
    }();
    const RexxFunctionEntry* entry = nullptr;
    for (const RexxFunctionEntry& e : RexxFunctionTable())
        if (e.name == lower) entry = &e;
    if (!entry) return 1;
    RexxArguments args;
    for (ULONG i = 0; i < argc; ++i) {
        if (argv[i].strptr)
            args.emplace_back(std::string(argv[i].strptr, argv[i].strlength));
        else
            args.emplace_back(std::nullopt);
    }
    task.refused = false;
    FunctionResult r = entry->function(*c, args);
    if (task.StopRequested()) {
        HaltThisRexxProgram();
        return SetResult(result, "") ? 0 : 1;
    }
    if (task.refused) {
        // Whatever the function made of it, a refused capability is the program's error.
        if (r.code != rexx_error::Reported) (void)ShowRexxError(*c, rexx_error::RefusedForHost);
        task.refused = false;
        return APIRET(rexx_error::Reported);
    }
    if (r.code != 0) return APIRET(r.code);
    if (entry->clears_ignore) task.ignore_next_command = false;
    task.last_function_result = r.text;
    return SetResult(result, r.text) ? 0 : 1;
}

void RegisterHandlers() {
    for (const RexxFunctionEntry& e : RexxFunctionTable()) {
        const std::string name(e.name);
        (void)RexxRegisterFunctionExe(name.c_str(), &Function);
    }
    (void)RexxRegisterSubcomExe("ORKAN", &Subcommand, reinterpret_cast<PUCHAR>(kSubcommandArea));
    (void)RexxRegisterExitExe("INIT", &Exit, reinterpret_cast<PUCHAR>(kExitArea));
}

}  // namespace

RexxContext* CurrentRexxContext() {
    return t_context;
}
void SetCurrentRexxContext(RexxContext* context) {
    t_context = context;
}

void TaskDebugLine(RexxContext& c, std::string text) {
    RexxMacros* owner = c.owner;
    (void)OnLoop(c, [owner, text = std::move(text)] {
        owner->session().ui.AddDebugLine(text);
        return true;
    });
}

int ShowRexxError(RexxContext& c, int code) {
    // After a refusal the refusal is the error, whatever the function would have said.
    if (c.task->refused) code = rexx_error::RefusedForHost;
    // The list is read on the loop's thread: a locked-down task's thread opens no file.
    RexxMacros* owner = c.owner;
    (void)OnLoop(c, [owner, code] {
        owner->session().ui.AddDebugLine(RexxErrorText(code, owner->ErrorListPath()));
        return true;
    });
    return rexx_error::Reported;
}

bool PassPauseGate(RexxContext& c) {
    RexxTask& task = *c.task;
    std::unique_lock lock(task.mutex);
    task.changed.wait(lock, [&] { return !task.paused || task.stop; });
    if (task.stop) {
        lock.unlock();
        HaltThisRexxProgram();
        return false;
    }
    return true;
}

int RunRexxProgram(RexxMacros& owner, RexxTask& task, const std::string& source, long& start_result) {
    RexxContext context{&owner, &task};
    RexxContext* outer = t_context;
    t_context = &context;
    RegisterHandlers();
    AcceptRexxHalt(true);
    RXSTRING instore[2];
    MAKERXSTRING(instore[0], const_cast<char*>(source.data()), ULONG(source.size()));
    MAKERXSTRING(instore[1], nullptr, 0);
    RXSYSEXIT exits[] = {{const_cast<char*>("INIT"), RXINI}, {const_cast<char*>("INIT"), RXSIO},
                         {const_cast<char*>("INIT"), RXFNC}, {const_cast<char*>("INIT"), RXCMD},
                         {const_cast<char*>("INIT"), RXENV}, {nullptr, RXENDLST}};
    char buffer[250];
    RXSTRING result;
    MAKERXSTRING(result, buffer, sizeof buffer);
    SHORT rc = 0;
    const LONG call_type = RXCOMMAND | (task.Sandboxed() ? RXRESTRICTED : 0);
    start_result = long(RexxStart(0, nullptr, "ORKAN", instore, "ORKAN", call_type, exits, &rc, &result));
    if (instore[1].strptr) RexxFreeMemory(instore[1].strptr);
    // The whole result, not the interpreter's 16-bit copy of it.
    int code = 0;
    if (result.strptr) {
        const ParsedInteger n = ParseRexxInteger(std::string_view(result.strptr, result.strlength));
        if (n.kind == IntegerArgument::Value) code = int(n.value);
        if (result.strptr != buffer) RexxFreeMemory(result.strptr);
    }
    t_context = outer;
    return code;
}

std::optional<bool> EvaluateWaitCondition(RexxContext& c, const std::string& condition) {
    long start_result = 0;
    const int rc = RunRexxProgram(*c.owner, *c.task, "return " + condition + "\n", start_result);
    if (start_result != 0) return std::nullopt;
    return rc != 0;
}

}  // namespace orkan
