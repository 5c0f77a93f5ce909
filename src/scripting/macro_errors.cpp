#include "scripting/macro_errors.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/file_io.h"

namespace orkan {

namespace {

// Index = error number. Empty entries have no text of their own.
constexpr std::array<std::string_view, macro_error::Last + 1> kErrorTexts = {
    "Unknown Error - Contact Orkan TN3270 Support",
    "Keyword or Variable name is too long",
    "Numeric constant is too many characters",
    "Numeric overflow during evaluation",
    "Special character string is too long",
    "If without Endif was seen",
    "Unknown keyword seen",
    "Unknown parameter seen",
    "Unexpected text seen",
    "While without EndWhile was seen",
    "Variable or function not found",
    "Unknown operator",
    "Unbalanced parenthesis",
    "Incompatible variable type for operation",
    "Operation invalid for text variable types",
    "Unknown function",
    "Invalid number of parms for function",
    "Invalid type of parm for function",
    "Operand seen where an operation was expected",
    "No more available file handles",
    "Invalid open-file action",
    "File open error",
    "File is not open",
    "Record too long",
    "Invalid file handle",
    "End of file",
    "Left parenthesis expected to follow function name",
    "Invalid DebugWindow parm",
    "Variable name is too long",
    "Reserved system variable cannot be altered",
    "Invalid Key Function",
    "Timeout while waiting for condition to be true",
    "Variable table overflow",
    "Cursor move key functions need row,col parms",
    "NextSession parm invalid",
    "Else was seen without a previous If",
    "EndIf was seen without a previous If",
    "Internal error - Invalid scan table address",
    "EndWhile was seen without a previous While",
    "Case was seen without a previous Select",
    "Default was seen without a previous Select",
    "EndSelect was seen without a previous Select",
    "Next was seen without a previous For",
    "Assignment not seen on a For statement",
    "For statement was seen without To parameter",
    "For statement must be all numeric values",
    "Step is the only statement that can follow To",
    "Value for Step cannot be zero",
    "Next variable does not match previous For",
    "String variable too long (more than 255 bytes)",
    "Break invalid outside of For/While block",
    "Continue invalid outside of For/While block",
    "Scan area overflow.  Program may be too large",
    "Goto can only have a label",
    "Label not found",
    "File Transfer parm error.  See Help info for an example",
    "Variable name is a reserved word or function name",
    "An error occurred while writing to a file",
    "Get function cannot be used for file open for output",
    "Put function cannot be used for file open for input",
    "Clipboard is full",
    "Invalid Parameter Value",
    "Call function does not specify a subroutine address",
    "Goto statement does not specify a label address",
    "Return seen outside of subroutine",
    "Attempt to call a subroutine recursively",
    "Session id specified on Run statement is not an open window",
    "Session id invalid, must be A-Z or 0-9",
    "Macros started by RUN are nested too deeply (more than 32 levels)",
    "File transfer is not available in this session",
    "Not allowed in a macro sent by the host (host macros are restricted)",
    "The host list of the file transfer is full",
    "The session named on the Run statement is busy: its queue of requests stayed full",
};

}  // namespace

std::string_view MacroErrorText(int number) {
    if (number < 0 || number > macro_error::Last || kErrorTexts[size_t(number)].empty())
        return kErrorTexts[0];
    return kErrorTexts[size_t(number)];
}

namespace {

// A long statement is shown around the place of the error: a line of a megabyte would make a
// report that neither a message box nor a terminal can show.
constexpr size_t kShownStatement = 240;

std::string ShownStatement(const std::string& statement, int column) {
    if (statement.size() <= kShownStatement) return statement;
    const size_t at = std::min(size_t(std::max(column, 1) - 1), statement.size());
    const size_t from =
        std::min(at > kShownStatement / 2 ? at - kShownStatement / 2 : 0, statement.size() - kShownStatement);
    return (from > 0 ? "..." : "") + statement.substr(from, kShownStatement) +
           (from + kShownStatement < statement.size() ? "..." : "");
}

}  // namespace

std::string MacroErrorReportText(const MacroErrorSite& site) {
    char line[96];
    std::snprintf(line, sizeof line, "Macro error at line %d, near column %d\r\n", site.line, site.column);
    std::string text = line;
    text += ShownStatement(site.statement, site.column);
    text += "\r\n";
    std::snprintf(line, sizeof line, "Orkan macro error %d - ", site.number);
    text += line;
    text += MacroErrorText(site.number);
    text += "\r\n";
    if (site.number == macro_error::OpenFailed) {
        std::snprintf(line, sizeof line, "Windows errno (from fopen) = %d\r\n", site.system_error);
        text += line;
        // The number alone tells a user little: the reason in words follows.
        if (site.system_error != 0) text += FileErrorText(site.system_error) + "\r\n";
    }
    return text;
}

std::string MacroErrorTitle(std::string_view macro_file) {
    return "Macro Error in " + std::string(macro_file);
}

}  // namespace orkan
