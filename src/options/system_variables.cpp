#include "options/system_variables.h"
#include "keyboard/keyboard_state.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "display/screen_layout.h"
#include "scripting/macro_errors.h"
#include "session/session.h"

namespace orkan {

namespace {

// The system numbers, in table order.
enum Var : int {
    Status,
    CursorCol,
    CursorRow,
    CursorPos,
    FontSize,
    TranTime,
    HostAddr,
    Socket,
    InputLen,
    TermModel,
    SessName,
    HostName,
    Port,
    WindowId,
    Version,
    LocalName,
    LocalAddr,
    StartRow,
    StartCol,
    EndRow,
    EndCol,
    KeyScanCode,
    IpName,
    TnMode,
    LuName,
    DevName,
    ScreenHeight,
    ScreenWidth,
    SelectBoxActive,
    TpxSwap,
    PassedKey,
    XferHli,
    XferDsn,
    OnScreenRow,
    OnScreenCol,
    VersionDate,
    PrintStatus,
    SnaPlu,
    SnaLu,
    ShiftKey,
    Ssl,
    KeepAliveTime,
    IpVersion,
    InsertMode,
    WindowIdList,
    TermMode,
    kVarCount
};
static_assert(kVarCount == int(kSystemVariables.size()));
static_assert(kSystemVariables[TermMode].name == "TERMMODE" &&
              kSystemVariables[CursorPos].name == "CURSORPOS");

constexpr std::string_view kVersion = "1.30";

// The statuses past TR_MESSAGE have no name of their own in the language; these follow the
// status line's words for them.
std::string_view StatusText(SessionStatus status) {
    switch (status) {
        case SessionStatus::TransferDone:
            return "TR_DONE";
        case SessionStatus::Rejected:
            return "REJECTED";
        case SessionStatus::IspfExit:
            return "ISPFEXIT";
        case SessionStatus::History:
            return "HISTORY";
        default:
            return StatusName(status);
    }
}

// The compiler's "Mmm dd yyyy" with the blank that pads a one-digit day taken out.
std::string BuildDate() {
    std::string date = __DATE__;
    if (date.size() > 4 && date[4] == ' ') date.erase(4, 1);
    return date;
}

// Tenths of a second with the point before the last digit: 250 ms reads "0.2", 12,345 ms "12.3".
std::string TransactionTime(int64_t ms) {
    const long tenths = long(std::max<int64_t>(ms, 0) / 100);
    char digits[32];
    std::snprintf(digits, sizeof digits, tenths < 10 ? "%02ld" : "%ld", tenths);
    std::string text = digits;
    text.insert(text.size() - 1, ".");
    return text;
}

std::string CellSizeText(const Session& s) {
    // The layout remembers the cell it chose for each screen size mode; a fixed size is one of them.
    std::optional<CellSize> cell = RememberedCell(s.record, s.ps.size_mode);
    if (!cell) cell = FixedCellSize(s.record);
    if (!cell) cell = RememberedCell(s.record, 1);
    const CellSize c = cell.value_or(CellSize{});
    return std::to_string(c.width) + "x" + std::to_string(c.height);
}

std::string LocalHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::string HexByte(uint8_t b) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", b);
    return text;
}

int32_t Clamped(int64_t n) {
    return int32_t(std::clamp<int64_t>(n, kMacroNumberMin, kMacroNumberMax));
}

MacroValue Num(int64_t n) {
    return MacroValue::Number(Clamped(n));
}
MacroValue Txt(std::string_view t) {
    return MacroValue::Text(t);
}

MacroValue Read(const Session& s, const MacroVariableState& state, const SessionFacts& facts, int number) {
    const PresentationSpace& ps = s.ps;
    const uint32_t columns = ps.columns == 0 ? 1 : ps.columns;
    const uint32_t cursor_row = ps.cursor_address / columns + 1;
    const uint32_t cursor_col = ps.cursor_address % columns + 1;
    switch (number) {
        case Status:
            return Txt(StatusText(s.status));
        case CursorCol:
            return Num(cursor_col);
        case CursorRow:
            return Num(cursor_row);
        case CursorPos:
            return Txt(std::to_string(cursor_row) + "," + std::to_string(cursor_col));
        case FontSize:
            return Txt(CellSizeText(s));
        case TranTime:
            return Txt(TransactionTime(s.ds.response_time_ms));
        case HostAddr:
            return Txt(facts.HostAddress());
        case Socket:
            return Num(facts.Socket());
        case InputLen:
            return Txt(std::to_string(facts.LastRecordLength()));
        case TermModel:
            return Num(int64_t(s.record.Number(field::TerminalModel)) + 2);
        case SessName:
            return Txt(s.record.Text(field::SessionName));
        case HostName: {
            const std::string host = s.record.Text(field::HostName);
            return Txt(std::string_view(host).substr(0, host.find(':')));
        }
        case Port:
            return Num(s.record.Number(field::Port));
        case WindowId:
            return Txt(std::string(1, s.letter));
        case Version:
            return Txt(kVersion);
        case LocalName:
            return Txt(LocalHostName());
        case LocalAddr:
            return Txt(facts.LocalAddress());
        case StartRow:
            return Num(s.selection.Top() + 1);
        case StartCol:
            return Num(s.selection.Left() + 1);
        case EndRow:
            return Num(s.selection.Bottom() + 1);
        case EndCol:
            return Num(s.selection.Right() + 1);
        case KeyScanCode:
            return Txt(HexByte(s.keyboard->last_virtual_key));
        case IpName:
            return Txt(s.record.Text(field::IpName));
        case TnMode:
            return Txt(s.link.tn3270e_active ? "TN3270E" : "TN3270");
        case LuName:
            return Txt(s.record.Text(field::LuName));
        case DevName:
            return Txt(s.link.assigned_lu_name);
        case ScreenHeight:
            return Num(ps.rows);
        case ScreenWidth:
            return Num(ps.columns);
        case SelectBoxActive:
            return Num(s.selection.shown ? 1 : 0);
        case TpxSwap:
            return Txt(s.ds.session_manager_name);
        case PassedKey:
            return Txt(state.passed_key);
        case XferHli:
            return Txt(s.record.Text(field::TransferQualifier));
        // The data set whose members the Members button lists (ork$lstd.mac reads it).
        case XferDsn:
            return Txt(s.record.Text(field::DownloadMemberList));
        case OnScreenRow:
            return Num(state.onscreen_row);
        case OnScreenCol:
            return Num(state.onscreen_col);
        case VersionDate:
            return Txt(BuildDate());
        case PrintStatus:
            return Txt(facts.PrintStatus());
        case SnaPlu:
            return Txt(s.link.bound_plu_name);
        case SnaLu:
            return Txt(s.link.bound_secondary_name);
        case ShiftKey:
            return Num(int(s.keyboard->last_modifier));
        case Ssl:
            return Txt(s.link.tls_active ? "SSL" : "");
        case KeepAliveTime:
            return Num(s.settings.KeepAliveTime);
        case IpVersion: {
            const std::string address = facts.HostAddress();
            if (address.empty()) return Txt("");
            return Txt(address.find(':') != std::string::npos ? "IPv6" : "IPv4");
        }
        case InsertMode:
            return Txt(s.keyboard->insert_mode ? "Insert" : "Normal");
        case WindowIdList: {
            std::string letters = facts.SessionLetters();
            return Txt(letters.empty() ? std::string(1, s.letter) : letters);
        }
        case TermMode:
            return Num(ps.size_mode == 2 ? 2 : 1);
        default:
            return Txt("");
    }
}

// An optionally signed decimal after leading blanks, up to its first other character. Digits past
// what any screen could use are not read on, so a long number never overflows.
int64_t LeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        n = std::min<int64_t>(n * 10 + (text[i] - '0'), 1'000'000'000);
    return negative ? -n : n;
}

}  // namespace

MacroValue ReadSystemVariable(const Session& session, const MacroVariableState& state, int number) {
    static const SessionFacts no_facts;
    return Read(session, state, state.facts ? *state.facts : no_facts, number);
}

std::string SystemValueText(const MacroValue& value) {
    return value.IsNumber() ? std::to_string(value.number) : value.text;
}

bool MoveCursorTo(Session& session, int64_t row, int64_t column) {
    PresentationSpace& ps = session.ps;
    if (row < 1 || row > int64_t(ps.rows) || column < 1 || column > int64_t(ps.columns)) return false;
    ps.cursor_address = uint32_t(row - 1) * ps.columns + uint32_t(column - 1);
    session.view->CursorMoved();
    return true;
}

std::optional<CursorPosition> ParseCursorPosition(std::string_view text) {
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    return CursorPosition{LeadingNumber(text.substr(0, comma)), LeadingNumber(text.substr(comma + 1))};
}

int AssignSystemVariable(Session& session, int number, const MacroValue& value) {
    if (number < 0 || number >= kVarCount || !kSystemVariables[size_t(number)].assignable)
        return macro_error::ReadOnlyVariable;
    const PresentationSpace& ps = session.ps;
    const int64_t row = ps.columns == 0 ? 1 : ps.cursor_address / ps.columns + 1;
    const int64_t column = ps.columns == 0 ? 1 : ps.cursor_address % ps.columns + 1;
    bool moved = true;
    switch (number) {
        case CursorCol:
            if (!value.IsNumber()) return macro_error::ParmType;
            moved = MoveCursorTo(session, row, value.number);
            break;
        case CursorRow:
            if (!value.IsNumber()) return macro_error::ParmType;
            moved = MoveCursorTo(session, value.number, column);
            break;
        default: {
            if (!value.IsText()) return macro_error::ParmType;
            const std::optional<CursorPosition> to = ParseCursorPosition(value.text);
            if (!to) return macro_error::None;
            moved = MoveCursorTo(session, to->row, to->column);
            break;
        }
    }
    return moved ? macro_error::None : macro_error::InvalidValue;
}

}  // namespace orkan
