#include "display/status_line.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "ds3270/fields.h"
#include "keyboard/keyboard_state.h"
#include "session/session.h"

namespace orkan {

namespace {

using namespace std::string_view_literals;

std::string Symbols(std::initializer_list<uint8_t> codes) {
    return std::string(codes.begin(), codes.end());
}

bool Blank(uint8_t c) {
    return c == ' ' || c == 0;
}

// Reads the screen's display characters; everything outside the screen reads as a blank.
class ScreenText {
  public:
    explicit ScreenText(const PresentationSpace& ps) : ps_(ps) {}
    uint32_t Rows() const { return ps_.rows; }
    uint32_t Columns() const { return ps_.columns; }
    uint8_t At(uint32_t row, uint32_t column) const {
        if (row >= ps_.rows || column >= ps_.columns) return ' ';
        const uint32_t a = row * ps_.columns + column;
        return a < std::min(ps_.positions, kMaxPositions) ? ps_.planes.display[a] : ' ';
    }

    // `word` at the second character of `row`, standing alone between blanks.
    bool WordAt(uint32_t row, std::string_view word) const {
        if (!Blank(At(row, 0))) return false;
        for (size_t i = 0; i < word.size(); ++i)
            if (At(row, uint32_t(1 + i)) != uint8_t(word[i])) return false;
        return Blank(At(row, uint32_t(1 + word.size())));
    }

    // A positive decimal number at `column` after leading blanks, followed by a blank.
    std::optional<int> NumberAt(uint32_t row, uint32_t column) const {
        while (column < ps_.columns && At(row, column) == ' ') ++column;
        int value = 0, digits = 0;
        for (; column < ps_.columns; ++column) {
            const uint8_t c = At(row, column);
            if (c < '0' || c > '9') break;
            if (++digits > 9) return std::nullopt;  // more than any panel shows
            value = value * 10 + (c - '0');
        }
        if (digits == 0 || value == 0 || !Blank(At(row, column))) return std::nullopt;
        return value;
    }

    // The split-screen divider: dots in columns 1, 4, 7 and 10 with blanks between them.
    bool IsDivider(uint32_t row) const {
        for (uint32_t c = 1; c <= 10; ++c)
            if (At(row, c) != ((c - 1) % 3 == 0 ? '.' : ' ')) return false;
        return true;
    }

  private:
    const PresentationSpace& ps_;
};

constexpr std::array kEditorWords = {"EDIT"sv,     "VIEW"sv,     "ISREDDE"sv,  "ISREDDE2"sv,
                                     "ISREDDE3"sv, "ISREDDE4"sv, "ISREDDE5"sv, "SDSF EDIT"sv};
constexpr std::array kBrowserWords = {"BROWSE"sv, "ISFEPAN4"sv, "ISRBROBA"sv};

template <size_t N>
bool AnyWordAt(const ScreenText& s, uint32_t row, const std::array<std::string_view, N>& words) {
    return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return s.WordAt(row, w); });
}

// The editor's data area starts after the six-digit line numbers and their attribute.
constexpr uint32_t kEditorDataColumn = 8;
// The browser's data area starts after the row's attribute.
constexpr uint32_t kBrowserDataColumn = 1;

void Put(StatusText& t, long at, std::string_view text, bool symbols = false) {
    for (size_t i = 0; i < text.size(); ++i) {
        const long cell = at + long(i);
        if (cell < 0 || cell >= long(kStatusCells)) continue;
        t.cells[size_t(cell)] = uint8_t(text[i]);
        t.symbols.set(size_t(cell), symbols && IsSymbolCode(uint8_t(text[i])));
    }
}

}  // namespace

std::string StatusTextFor(SessionStatus status, const SessionRecord& record,
                          const StatusIndicators& indicators, uint32_t history_depth) {
    using namespace status_symbol;
    switch (status) {
        case SessionStatus::NotConnected:
            return "Disconnect";
        case SessionStatus::Start:
            return "Start";
        case SessionStatus::Session:
            return "Session";
        case SessionStatus::Connecting: {
            const int timeout = int(record.Number(field::ConnectionTimeout));
            if (indicators.connect_seconds_left >= 0 && indicators.connect_seconds_left < timeout - 2)
                return "Connect " + std::to_string(indicators.connect_seconds_left);
            return "Connecting";
        }
        case SessionStatus::Connected:
            return "Connected";
        case SessionStatus::Unlocked:
            return " ";
        case SessionStatus::Locked:
            return Symbols({Inhibit, ' ', LockLeft, LockRight});
        case SessionStatus::SysLock:
            return Symbols({Inhibit}) + " SYSTEM";
        case SessionStatus::Protected:
            return Symbols({ProtectedLeft, ProtectedRight});
        case SessionStatus::InsertOverflow:
            return Symbols({OverflowLeft, OverflowRight});
        case SessionStatus::TransferReady:
            return "$ Ready";
        case SessionStatus::TransferData:
            return "$ " + indicators.transfer_count;
        case SessionStatus::TransferMessage:
            return "$ Message";
        case SessionStatus::TransferDone:
            return "$ Done";
        case SessionStatus::Rejected:
            return "Rejected";
        case SessionStatus::IspfExit:
            return "Ispf Exit";
        case SessionStatus::History:
            return "Screen -" + std::to_string(history_depth);
    }
    return {};
}

std::optional<std::string> IspfPositionText(const PresentationSpace& ps, int ispf_offset) {
    const ScreenText s(ps);
    const uint32_t columns = s.Columns();
    if ((columns != 80 && columns != 132) || ps.cursor_address >= std::min(ps.positions, kMaxPositions))
        return std::nullopt;
    const uint32_t row = ps.cursor_address / columns;
    const uint32_t column = ps.cursor_address % columns;
    // Numbers sit at the same distance from the right edge on both widths.
    const uint32_t name_number_column = columns - 12;   // column 68 of 80
    const uint32_t browse_number_column = columns - 8;  // column 72 of 80

    // A split screen: the panel that holds the cursor starts after the nearest divider above it.
    long top = 0;
    for (long r = long(row); r >= 0; --r) {
        if (!s.IsDivider(uint32_t(r))) continue;
        if (long(row) - r < 5) return std::nullopt;
        top = r + 1;
        break;
    }
    const long below = long(row) - top;  // rows from the panel's top to the cursor
    const auto text = [&](int first_column, uint32_t data_start) -> std::optional<std::string> {
        if (column < data_start) return std::nullopt;
        return std::to_string(row + 1) + "/" + std::to_string(long(first_column) + long(column - data_start));
    };
    const uint32_t classic = uint32_t(top + 2);
    const uint32_t named = uint32_t(top);
    if (AnyWordAt(s, classic, kEditorWords) && below >= ispf_offset + 4 && column >= kEditorDataColumn) {
        if (auto n = s.NumberAt(classic, name_number_column)) return text(*n, kEditorDataColumn);
        return std::nullopt;
    }
    if (AnyWordAt(s, named, kEditorWords) && below >= ispf_offset + 3 && column >= kEditorDataColumn) {
        if (auto n = s.NumberAt(named, name_number_column)) return text(*n, kEditorDataColumn);
        return std::nullopt;
    }
    if (AnyWordAt(s, classic, kBrowserWords) && below >= ispf_offset + 4) {
        if (auto n = s.NumberAt(classic, browse_number_column)) return text(*n, kBrowserDataColumn);
        return std::nullopt;
    }
    if (AnyWordAt(s, named, kBrowserWords) && below >= 3) {
        if (auto n = s.NumberAt(named, name_number_column)) return text(*n, kBrowserDataColumn);
    }
    return std::nullopt;
}

std::string PositionText(const Session& session) {
    const Selection& sel = session.selection;
    if (sel.shown) return std::to_string(sel.Height()) + "x" + std::to_string(sel.Width());
    const PresentationSpace& ps = session.ps;
    if (session.record.Flag(field::ModifyColInIspfEdit))
        if (auto ispf = IspfPositionText(ps, session.settings.IspfOffset)) return *ispf;
    const uint32_t columns = std::max<uint32_t>(ps.columns, 1);
    return std::to_string(ps.cursor_address / columns + 1) + "," +
           std::to_string(ps.cursor_address % columns + 1);
}

StatusText BuildStatusText(const Session& session, bool macro_indicator_shown) {
    using namespace status_symbol;
    const StatusIndicators& extras = session.indicators;
    const uint32_t history_depth = session.hooks.history ? session.hooks.history->Depth() : 0;
    const int paste_repeat_buffer =
        session.hooks.clipboard ? session.hooks.clipboard->PasteRepeatBuffer() : -1;
    StatusText t;
    const long c = long(session.ps.columns);
    Put(t, 0, extras.capture_active ? "C" : "M");
    if (session.status >= SessionStatus::Connected) Put(t, 1, Symbols({Connected}), true);
    Put(t, 2, Symbols({session.link.tls_active ? Secure : NotSecure}), true);
    Put(t, 5, StatusTextFor(session.status, session.record, extras, history_depth), true);

    const long room = c - 29;
    if (room > 0) {
        std::string user = extras.user_text ? *extras.user_text : session.record.Text(field::StatusLine);
        if (long(user.size()) > room) user.resize(size_t(room));
        Put(t, 16 + (room - long(user.size())) / 2, user);
    }

    if (extras.macro_letter && macro_indicator_shown) Put(t, c - 14, std::string(1, extras.macro_letter));
    if (paste_repeat_buffer >= 0 && paste_repeat_buffer <= 9)
        Put(t, c - 13, std::string(1, char('0' + paste_repeat_buffer)));
    else if (session.keyboard->word_wrap)
        Put(t, c - 13, "w");
    switch (session.keyboard->last_modifier) {
        case Modifier::Shift:
            Put(t, c - 12, Symbols({Shift}), true);
            break;
        case Modifier::Ctrl:
            Put(t, c - 12, Symbols({Ctrl}), true);
            break;
        case Modifier::Alt:
            Put(t, c - 12, Symbols({Alt}), true);
            break;
        case Modifier::None:
            break;
    }
    if (session.record.Flag(field::NumericFieldLock)) {
        const uint8_t attribute = GoverningAttribute(session.ps, session.ps.cursor_address);
        if (attribute && !(attribute & fa::Protected) && (attribute & fa::Numeric)) Put(t, c - 11, "N");
    }
    Put(t, c - 10, session.keyboard->caps_lock ? "A" : "a");
    if (session.keyboard->insert_mode) Put(t, c - 9, "^");

    if (session.record.Flag(field::RowColOnStatusLine)) {
        const std::string position = PositionText(session);
        Put(t, c - 1 - long(position.size()), position);
    }
    return t;
}

std::vector<CellRun> ChangedCells(const StatusText& before, const StatusText& after) {
    std::vector<CellRun> runs;
    for (size_t i = 0; i < kStatusCells; ++i) {
        if (before.cells[i] == after.cells[i] && before.IsSymbol(i) == after.IsSymbol(i)) continue;
        if (!runs.empty() && size_t(runs.back().first + runs.back().count) == i)
            ++runs.back().count;
        else
            runs.push_back({uint16_t(i), 1});
    }
    return runs;
}

std::vector<CellRun> StatusLine::Update(const StatusText& next) {
    std::vector<CellRun> runs = ChangedCells(text_, next);
    text_ = next;
    return runs;
}

}  // namespace orkan
