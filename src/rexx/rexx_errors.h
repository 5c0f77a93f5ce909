// The error numbers of the REXX external functions and EXECIO, and their texts from rexxerr.lst
// (a first line of its own, then one line per code: four digits, a blank, the text).
#pragma once

#include <string>

namespace orkan {

namespace rexx_error {
inline constexpr int Reported = 1000;    // what a function returns after its error text
inline constexpr int NotNumeric = 1001;  // a screen function's number that does not parse
inline constexpr int BadValue = 1002;    // out of range or not a number
inline constexpr int ArgumentCount = 1003;
inline constexpr int UnknownVariable = 1004;
inline constexpr int NotAssignable = 1005;
inline constexpr int UnknownKey = 1006;
inline constexpr int MacroNotFound = 1007;
inline constexpr int WaitTimedOut = 1008;
inline constexpr int SetOptionFailed = 1009;
inline constexpr int GetOptionFailed = 1010;
inline constexpr int CommandTooLong = 1011;
inline constexpr int ExecioNotStar = 1012;
inline constexpr int ExecioNotAvailable = 1013;  // an operation this program does not have
inline constexpr int ExecioBadOperation = 1014;
inline constexpr int ExecioCannotRead = 1015;
inline constexpr int ExecioCannotWrite = 1016;
inline constexpr int ExecioBadCount = 1017;
inline constexpr int ExecioBadForm = 1018;
inline constexpr int ExecioClipboardFull = 1019;
inline constexpr int RefusedForHost = 1020;  // a macro a host sent may not start programs or write settings
// Bare results that raise the interpreter's error without a text.
inline constexpr int BareGetvarArguments = -1;
inline constexpr int BareTransferKeyword = 32775;
inline constexpr int BareDebugWindowWord = 32795;
}  // namespace rexx_error

// "Error %04d - text" for `code`, from the rexxerr.lst at `list_path`; a code the list lacks (or a
// list that cannot be read) keeps its number with a general text.
std::string RexxErrorText(int code, const std::string& list_path);

}  // namespace orkan
