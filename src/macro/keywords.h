// The words of the macro language: the statement keyword table (its index is the keyword number
// used everywhere), the block keywords of the pre-scan, the operators, and the parameter lists of
// the built-in functions.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace orkan {

namespace kw {
inline constexpr int Plus = 1, Minus = 2, Bang = 3, Not = 4, Mid = 5, Left = 6, Right = 7, Str = 8, Open = 9,
                     Close = 10, Get = 11, Put = 12, Control = 13, Wait = 14, Type = 15, Key = 16, Debug = 17,
                     Screen = 18, Attribute = 19, Color = 20, Hilite = 21, OnScreen = 22, Hex = 23,
                     TimeDate = 24, WinExec = 25, SessionFn = 26, If = 27, Else = 28, EndIf = 29, While = 30,
                     EndWhile = 31, Select = 32, Case = 33, Default = 34, EndSelect = 35, For = 36, Next = 37,
                     Break = 38, Continue = 39, Exit = 40, Goto = 41, SendFile = 42, ReceiveFile = 43,
                     MessageBoxFn = 44, Chr = 45, Val = 46, Len = 47, Instr = 48, Trim = 49, Eof = 50,
                     EditBox = 51, UpperCase = 52, LowerCase = 53, GetIni = 54, PutIni = 55, SetOption = 56,
                     GetOption = 57, ShortWait = 58, Run = 59, Call = 60, Return = 61, ShellExecute = 62,
                     DebugWindow = 63, PlaySound = 64, Defined = 65, Asc = 66, Beep = 67, RawData = 68,
                     XferAddStg = 69, DataType = 70, Drop = 71, Rnd = 72, HexDec = 73, WaitUnlocked = 74;
inline constexpr int Count = 75;
}  // namespace kw

inline constexpr std::array<std::string_view, kw::Count> kStatementKeywords = {
    "",
    "+",
    "-",
    "!",
    "NOT",
    "MID",
    "LEFT",
    "RIGHT",
    "STR",
    "OPEN",
    "CLOSE",
    "GET",
    "PUT",
    "CONTROL",
    "WAIT",
    "TYPE",
    "KEY",
    "DEBUG",
    "SCREEN",
    "ATTRIBUTE",
    "COLOR",
    "HILITE",
    "ONSCREEN",
    "HEX",
    "TIMEDATE",
    "WINEXEC",
    "SESSION",
    "IF",
    "ELSE",
    "ENDIF",
    "WHILE",
    "ENDWHILE",
    "SELECT",
    "CASE",
    "DEFAULT",
    "ENDSELECT",
    "FOR",
    "NEXT",
    "BREAK",
    "CONTINUE",
    "EXIT",
    "GOTO",
    "SENDFILE",
    "RECEIVEFILE",
    "MESSAGEBOX",
    "CHR",
    "VAL",
    "LEN",
    "INSTR",
    "TRIM",
    "EOF",
    "EDITBOX",
    "UPPERCASE",
    "LOWERCASE",
    "GETINI",
    "PUTINI",
    "SETOPTION",
    "GETOPTION",
    "SHORTWAIT",
    "RUN",
    "CALL",
    "RETURN",
    "SHELLEXECUTE",
    "DEBUGWINDOW",
    "PLAYSOUND",
    "DEFINED",
    "ASC",
    "BEEP",
    "RAWDATA",
    "XFERADDSTG",
    "DATATYPE",
    "DROP",
    "RND",
    "HEXDEC",
    "WAITUNLOCKED",
};

// The keyword number of an upper-cased word; nothing for a word that is no keyword (and for "").
std::optional<int> KeywordNumber(std::string_view upper_word);

// Block kinds of the scan table.
enum class BlockKind : uint8_t {
    None = 0,
    If = 1,
    Else = 2,
    EndIf = 3,
    While = 4,
    EndWhile = 5,
    Select = 6,
    Case = 7,
    Default = 8,
    EndSelect = 9,
    For = 10,
    Next = 11,
    Break = 12,
    Continue = 13,
    Label = 14,
    Goto = 15,
    Call = 16,
    Return = 17,
    Subroutine = 18,
};
// The block kind a statement's first word makes, None for words that make no scan entry.
BlockKind BlockKindOf(std::string_view upper_word);

// Operators of expressions, numbered as the language numbers them.
namespace op {
inline constexpr int Add = 1, Sub = 2, Mul = 3, Div = 4, Rem = 5, Eq = 6, Ne = 7, Lt = 8, Gt = 9, Le = 10,
                     Ge = 11, And = 12, Or = 13, Xor = 14, LParen = 15, RParen = 16, Comma = 17, Bang = 18,
                     ExactEq = 19;
}
struct OperatorInfo {
    std::string_view text;
    int number;
    int priority;  // 0 for the parentheses and the comma
};
inline constexpr std::array<OperatorInfo, 19> kOperators = {{
    {"+", op::Add, 40},  {"-", op::Sub, 40},  {"*", op::Mul, 45},      {"/", op::Div, 45},
    {"//", op::Rem, 45}, {"=", op::Eq, 30},   {"!=", op::Ne, 30},      {"<", op::Lt, 30},
    {">", op::Gt, 30},   {"<=", op::Le, 30},  {">=", op::Ge, 30},      {"&", op::And, 20},
    {"|", op::Or, 15},   {"^", op::Xor, 10},  {"(", op::LParen, 0},    {")", op::RParen, 0},
    {",", op::Comma, 0}, {"!", op::Bang, 90}, {"==", op::ExactEq, 30},
}};
const OperatorInfo* FindOperator(std::string_view text);

// Parameter lists of the built-in functions: up to ten of num, text or any, each possibly optional
// (optional ones only at the end).
enum class Parm : uint8_t { Num, Text, Any, OptNum, OptText, OptAny };
struct FunctionSignature {
    int keyword;
    std::array<Parm, 10> parms;
    uint8_t count;
};
// The signature of keyword `keyword`, nothing for a keyword that is no function (the control
// statements, which do nothing as function terms).
const FunctionSignature* FindFunctionSignature(int keyword);

}  // namespace orkan
