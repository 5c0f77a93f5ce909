// What the external functions share: their results, their arguments, and the list of them.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "rexx/rexx_calls.h"

namespace orkan {

struct Session;

namespace rexx_fn {

using Args = RexxArguments;

inline FunctionResult Ok(std::string text = {}) {
    return {0, std::move(text)};
}
// The error's text into the debug window; the interpreter then raises its error for the call.
inline FunctionResult Fail(RexxContext& c, int code) {
    return {ShowRexxError(c, code), {}};
}
// A value that raises the interpreter's error without a text.
inline FunctionResult Bare(int value) {
    return {value, {}};
}

inline std::string Arg(const Args& a, size_t i) {
    return i < a.size() && a[i] ? *a[i] : std::string();
}
inline bool Present(const Args& a, size_t i) {
    return i < a.size() && a[i].has_value();
}
// An integer argument: nothing for text that is no integer, `fallback` for an empty one.
std::optional<int64_t> Integer(const Args& a, size_t i, int64_t fallback);
inline Session& S(RexxMacros* owner) {
    return owner->session();
}

// rexx_screen_functions.cpp
FunctionResult PlaneAttribute(RexxContext& c, const Args& a);
FunctionResult PlaneColour(RexxContext& c, const Args& a);
FunctionResult PlaneHighlight(RexxContext& c, const Args& a);
FunctionResult PlaneHost(RexxContext& c, const Args& a);
FunctionResult Screen(RexxContext& c, const Args& a);
FunctionResult OnScreen(RexxContext& c, const Args& a);
FunctionResult GetVar(RexxContext& c, const Args& a);
FunctionResult PutVar(RexxContext& c, const Args& a);
FunctionResult Type(RexxContext& c, const Args& a);
FunctionResult Key(RexxContext& c, const Args& a);
// rexx_wait_functions.cpp
FunctionResult ShortWait(RexxContext& c, const Args& a);
FunctionResult Wait(RexxContext& c, const Args& a);
FunctionResult WaitUnlocked(RexxContext& c, const Args& a);
// rexx_system_functions.cpp
FunctionResult MessageBoxFn(RexxContext& c, const Args& a);
FunctionResult EditBox(RexxContext& c, const Args& a);
FunctionResult SessionFn(RexxContext& c, const Args& a);
FunctionResult DebugWindowFn(RexxContext& c, const Args& a);
FunctionResult BeepFn(RexxContext& c, const Args& a);
FunctionResult PlaySoundFn(RexxContext& c, const Args& a);
FunctionResult ShellExecuteFn(RexxContext& c, const Args& a);
FunctionResult WinExecFn(RexxContext& c, const Args& a);
FunctionResult GetIni(RexxContext& c, const Args& a);
FunctionResult PutIni(RexxContext& c, const Args& a);
FunctionResult SetOption(RexxContext& c, const Args& a);
FunctionResult GetOption(RexxContext& c, const Args& a);
FunctionResult SendFile(RexxContext& c, const Args& a);
FunctionResult ReceiveFile(RexxContext& c, const Args& a);

}  // namespace rexx_fn
}  // namespace orkan
