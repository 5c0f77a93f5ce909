// The numbered errors of the macro language and their fixed texts. Interpreter functions return 0
// or one of these numbers; the first one ends the macro with its report.
#pragma once

#include <string>
#include <string_view>

namespace orkan {

namespace macro_error {
inline constexpr int None = 0;
inline constexpr int NameTooLong = 1;
inline constexpr int NumberTooLong = 2;
inline constexpr int Overflow = 3;
inline constexpr int SpecialTooLong = 4;
inline constexpr int IfWithoutEndIf = 5;
inline constexpr int UnknownKeyword = 6;
inline constexpr int UnexpectedText = 8;
inline constexpr int WhileWithoutEndWhile = 9;
inline constexpr int NotFound = 10;
inline constexpr int UnknownOperator = 11;
inline constexpr int Unbalanced = 12;
inline constexpr int IncompatibleTypes = 13;
inline constexpr int InvalidForText = 14;
inline constexpr int ParmCount = 16;
inline constexpr int ParmType = 17;
inline constexpr int OperandNotOperator = 18;
inline constexpr int NoFreeHandle = 19;
inline constexpr int BadOpenMode = 20;
inline constexpr int OpenFailed = 21;
inline constexpr int FileNotOpen = 22;
inline constexpr int RecordTooLong = 23;
inline constexpr int BadHandle = 24;
inline constexpr int EndOfFile = 25;
inline constexpr int ParenthesisExpected = 26;
inline constexpr int BadDebugWindowParm = 27;
inline constexpr int VariableNameTooLong = 28;
inline constexpr int ReadOnlyVariable = 29;
inline constexpr int BadKeyFunction = 30;
inline constexpr int WaitTimeout = 31;
inline constexpr int VariableTableFull = 32;
inline constexpr int CursorMoveNeedsRowCol = 33;
inline constexpr int BadSessionParm = 34;
inline constexpr int ElseWithoutIf = 35;
inline constexpr int EndIfWithoutIf = 36;
inline constexpr int BadScanEntry = 37;
inline constexpr int EndWhileWithoutWhile = 38;
inline constexpr int CaseWithoutSelect = 39;
inline constexpr int DefaultWithoutSelect = 40;
inline constexpr int EndSelectWithoutSelect = 41;
inline constexpr int NextWithoutFor = 42;
inline constexpr int ForWithoutAssignment = 43;
inline constexpr int ForWithoutTo = 44;
inline constexpr int ForNotNumeric = 45;
inline constexpr int ForBadStep = 46;
inline constexpr int ForZeroStep = 47;
inline constexpr int NextMismatch = 48;
inline constexpr int TextTooLong = 49;
inline constexpr int BreakOutsideLoop = 50;
inline constexpr int ContinueOutsideLoop = 51;
inline constexpr int ScanOverflow = 52;
inline constexpr int GotoNeedsLabel = 53;
inline constexpr int LabelNotFound = 54;
inline constexpr int TransferParm = 55;
inline constexpr int ReservedName = 56;
inline constexpr int WriteFailed = 57;
inline constexpr int GetOnOutput = 58;
inline constexpr int PutOnInput = 59;
inline constexpr int ClipboardFull = 60;
inline constexpr int InvalidValue = 61;
inline constexpr int CallNeedsSubroutine = 62;
inline constexpr int GotoNeedsPlainLabel = 63;
inline constexpr int ReturnOutsideSubroutine = 64;
inline constexpr int RecursiveCall = 65;
inline constexpr int SessionNotOpen = 66;
inline constexpr int BadSessionId = 67;
// Numbers past the fixed table, for faults the table has no word for. Their texts are our own.
inline constexpr int RunTooDeep = 68;    // RUN nested past the depth limit
inline constexpr int NotAvailable = 69;  // file transfer in a session that has none (tests, fuzzing)
inline constexpr int Refused = 70;       // a host-sent macro asked for what host macros may not do
inline constexpr int HostListFull = 71;  // XFERADDSTG past the host list's bound
inline constexpr int SessionBusy = 72;   // RUN into a session whose queue of requests stayed full
inline constexpr int Last = 72;
}  // namespace macro_error

// The text of an error number; numbers without a text of their own get error 0's.
std::string_view MacroErrorText(int number);

// Where an error happened, for its report.
struct MacroErrorSite {
    int line = 1;           // 1-based line of the current statement
    int column = 1;         // 1-based column of the last token read in that statement
    std::string statement;  // the statement's text, blanks trimmed at both ends
    int number = 0;
    int system_error = 0;  // errno of a failed open (error 21)
};

// "Macro error at line %d, near column %d", the statement, "Orkan macro error %d - %s" (and for
// error 21 the errno line), each ended by CR LF.
std::string MacroErrorReportText(const MacroErrorSite& site);
// "Macro Error in %s".
std::string MacroErrorTitle(std::string_view macro_file);

}  // namespace orkan
