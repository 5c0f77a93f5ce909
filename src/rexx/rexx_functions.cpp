// The external functions by the names REXX macros call them.
#include "rexx/rexx_function_args.h"
#include "rexx/rexx_text.h"

namespace orkan {

namespace rexx_fn {

std::optional<int64_t> Integer(const Args& a, size_t i, int64_t fallback) {
    const ParsedInteger n = ParseRexxInteger(Arg(a, i));
    if (n.kind == IntegerArgument::Bad) return std::nullopt;
    return n.kind == IntegerArgument::Empty ? fallback : n.value;
}

}  // namespace rexx_fn

namespace {

using namespace rexx_fn;

constexpr RexxFunctionEntry kFunctions[] = {
    {"getvar", GetVar, true},
    {"putvar", PutVar, true},
    {"screen", Screen, false},
    {"onscreen", OnScreen, false},
    {"attribute", PlaneAttribute, false},
    {"color", PlaneColour, false},
    {"hilite", PlaneHighlight, false},
    {"rawdata", PlaneHost, false},
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

std::span<const RexxFunctionEntry> RexxFunctionTable() {
    return kFunctions;
}

}  // namespace orkan
