#include "api/screen_facts.h"

#include <algorithm>
#include <array>

#include "charset/display_unicode.h"
#include "display/status_line.h"
#include "ds3270/fields.h"
#include "keyboard/keyboard_state.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr std::array<std::string_view, 16> kColourNames = {
    "default", "blue",      "red",    "pink",   "green",      "turquoise",      "yellow", "white",
    "black",   "deep_blue", "orange", "purple", "pale_green", "pale_turquoise", "grey",   "white",
};

// Host colours in the order a colour byte is matched against them: where two colour roles look
// alike, the basic colours win over the extended ones and both over the neutral role.
constexpr std::array<uint8_t, 16> kColourOrder = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0};

}  // namespace

char StatusSymbolLetter(uint8_t code) {
    switch (code) {
        case status_symbol::Inhibit:
        case status_symbol::LockLeft:
            return 'X';
        case status_symbol::LockRight:
            return ' ';
        case status_symbol::ProtectedLeft:
            return '<';
        case status_symbol::ProtectedRight:
            return '-';
        case status_symbol::OverflowLeft:
            return '>';
        case status_symbol::OverflowRight:
            return '>';
        case status_symbol::Secure:
            return 'S';
        case status_symbol::NotSecure:
            return 'U';
        case status_symbol::Connected:
            return 'C';
        case status_symbol::Shift:
            return '^';
        default:
            return ' ';
    }
}

namespace {

void AppendCell(std::string& out, uint8_t display) {
    AppendUtf8(out, DisplayToUnicode(display).front());
}

std::string_view ColourName(const Session& s, uint8_t colour) {
    for (uint8_t host : kColourOrder)
        if (HostColour(s, host) == colour) return kColourNames[host];
    return "default";
}

std::string_view HighlightName(uint8_t highlight) {
    if (highlight & hl::Reverse) return "reverse";
    if (highlight & hl::Underscore) return "underscore";
    if (highlight & hl::Blink) return "blink";
    return "normal";
}

}  // namespace

uint32_t ScreenPositions(const PresentationSpace& ps) {
    return std::min({ps.positions, ps.rows * ps.columns, kMaxPositions});
}

std::vector<FieldFacts> ListFields(const PresentationSpace& ps) {
    const uint32_t n = ScreenPositions(ps);
    std::vector<uint32_t> attributes;
    for (uint32_t a = 0; a < n; ++a)
        if (ps.planes.attribute[a]) attributes.push_back(a);
    std::vector<FieldFacts> out;
    out.reserve(attributes.size());
    for (size_t i = 0; i < attributes.size(); ++i) {
        const uint32_t a = attributes[i];
        const uint32_t next = i + 1 < attributes.size() ? attributes[i + 1] : attributes[0] + n;
        out.push_back({a, (a + 1) % n, next - a - 1});
    }
    return out;
}

std::optional<FieldFacts> FieldHolding(const PresentationSpace& ps, uint32_t address) {
    const uint32_t n = ScreenPositions(ps);
    if (address >= n) return std::nullopt;
    const std::vector<FieldFacts> fields = ListFields(ps);
    for (const FieldFacts& f : fields) {
        const uint32_t offset = (address + n - f.attribute) % n;  // 0: the attribute itself
        if (offset <= f.length) return f;
    }
    return std::nullopt;
}

uint8_t AttributeOf(const PresentationSpace& ps, const FieldFacts& field) {
    return ps.planes.attribute[field.attribute];
}

std::optional<FieldFacts> LabelledField(const PresentationSpace& ps, std::string_view label,
                                        std::string_view where, bool& seen) {
    seen = false;
    while (!label.empty() && label.front() == ' ') label.remove_prefix(1);
    while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
    if (label.empty() || ps.columns == 0) return std::nullopt;
    const std::string cells = ScreenCells(ps);
    std::vector<FieldFacts> inputs;
    for (const FieldFacts& f : ListFields(ps))
        if (!(AttributeOf(ps, f) & fa::Protected) && f.length > 0) inputs.push_back(f);
    const uint32_t columns = ps.columns;
    for (size_t at = cells.find(label); at != std::string::npos; at = cells.find(label, at + 1)) {
        seen = true;
        const uint32_t row = uint32_t(at) / columns;
        const uint32_t first = uint32_t(at) % columns;
        const uint32_t last = uint32_t(at + label.size() - 1) % columns;
        if (where != "above") {
            for (const FieldFacts& f : inputs)
                if (f.start >= at + label.size() && f.start / columns == row) return f;
        }
        if (where != "left") {
            for (uint32_t below = row + 1; below <= row + 2; ++below) {
                for (const FieldFacts& f : inputs) {
                    const uint32_t f_first = f.start % columns;
                    const uint32_t f_last = f_first + f.length - 1;
                    if (f.start / columns == below && f_first <= last && f_last >= first) return f;
                }
            }
        }
    }
    return std::nullopt;
}

std::string ScreenCells(const PresentationSpace& ps) {
    const uint32_t n = ScreenPositions(ps);
    std::string out(n, ' ');
    uint8_t attribute = 0;
    for (uint32_t a = n; a-- > 0;) {
        if (ps.planes.attribute[a]) {
            attribute = ps.planes.attribute[a];
            break;
        }
    }
    for (uint32_t a = 0; a < n; ++a) {
        if (ps.planes.attribute[a]) {
            attribute = ps.planes.attribute[a];
            continue;
        }
        out[a] = char(CellText(ps.planes.display[a], attribute, ps.planes.charset[a]));
    }
    return out;
}

bool SessionConnected(const Session& session) {
    switch (session.status) {
        case SessionStatus::NotConnected:
        case SessionStatus::Start:
        case SessionStatus::Session:
        case SessionStatus::Rejected:
            return false;
        case SessionStatus::Connecting:
            return true;
        default:
            // A print locks the keyboard of a session that has no host too: no link, no connection.
            return session.sender != nullptr;
    }
}

bool KeyboardOpen(const Session& session) {
    return session.status == SessionStatus::Unlocked || session.status == SessionStatus::NotConnected;
}

bool InputInhibited(const Session& session) {
    return session.status == SessionStatus::Protected || session.status == SessionStatus::InsertOverflow;
}

Json PositionJson(uint32_t address, uint32_t columns) {
    if (columns == 0) return Json{{"row", 1}, {"column", 1}};
    return Json{{"row", address / columns + 1}, {"column", address % columns + 1}};
}

Json CursorJson(const Session& session) {
    return PositionJson(session.ps.cursor_address, session.ps.columns);
}

Json FieldJson(const Session& session, const FieldFacts& field) {
    const PresentationSpace& ps = session.ps;
    const uint8_t a = AttributeOf(ps, field);
    const uint8_t highlight = ps.planes.highlight[field.attribute];
    const uint32_t n = ScreenPositions(ps);
    std::string text;
    for (uint32_t i = 0; i < field.length; ++i) {
        const uint32_t p = (field.start + i) % n;
        AppendCell(text, CellText(ps.planes.display[p], a, ps.planes.charset[p]));
    }
    Json out = PositionJson(field.start, ps.columns);
    out["length"] = field.length;
    out["protected"] = (a & fa::Protected) != 0;
    out["numeric"] = (a & fa::Numeric) != 0;
    out["intensified"] = (a & fa::DisplayMask) == fa::Intensified;
    out["hidden"] = (a & fa::DisplayMask) == fa::NonDisplay;
    out["modified"] = (a & fa::Mdt) != 0;
    out["colour"] =
        (highlight & hl::FieldColour) ? ColourName(session, ps.planes.colour[field.attribute]) : "default";
    out["highlight"] = HighlightName(highlight);
    out["text"] = std::move(text);
    return out;
}

Json StatusJson(const Session& session) {
    const SessionStatus st = session.status;
    Json reason = nullptr;
    switch (st) {
        case SessionStatus::Unlocked:
            break;
        case SessionStatus::NotConnected:
        case SessionStatus::Start:
        case SessionStatus::Session:
            reason = "not_connected";
            break;
        case SessionStatus::Connecting:
            reason = "connecting";
            break;
        case SessionStatus::Connected:
        case SessionStatus::Locked:
            reason = "host";
            break;
        case SessionStatus::SysLock:
            reason = "system";
            break;
        case SessionStatus::Protected:
            reason = "protected";
            break;
        case SessionStatus::InsertOverflow:
            reason = "insert_overflow";
            break;
        case SessionStatus::TransferReady:
        case SessionStatus::TransferData:
        case SessionStatus::TransferMessage:
        case SessionStatus::TransferDone:
            reason = "transfer";
            break;
        case SessionStatus::Rejected:
            reason = "rejected";
            break;
        case SessionStatus::IspfExit:
            reason = "ispf_exit";
            break;
        case SessionStatus::History:
            reason = "history";
            break;
    }
    std::string_view word = StatusName(st);
    if (st == SessionStatus::TransferDone)
        word = "TR_DONE";
    else if (st == SessionStatus::Rejected)
        word = "REJECTED";
    else if (st == SessionStatus::IspfExit)
        word = "ISPFEXIT";
    else if (st == SessionStatus::History)
        word = "HISTORY";
    const bool connecting = st == SessionStatus::Connecting;
    return Json{{"connection", !SessionConnected(session) ? "not_connected"
                               : connecting               ? "connecting"
                                                          : "connected"},
                {"session_status", word},
                {"keyboard", st == SessionStatus::Unlocked ? "unlocked" : "locked"},
                {"lock_reason", reason},
                {"insert", session.keyboard->insert_mode},
                {"tls", session.link.tls_active},
                {"tn3270e", session.link.tn3270e_active},
                {"lu", DisplayToUtf8(session.link.assigned_lu_name)}};
}

StatusInputs StatusInputsOf(const Session& session) {
    return {int(session.status), session.keyboard->insert_mode, session.link.tls_active,
            session.link.tn3270e_active, session.link.assigned_lu_name};
}

std::string StatusLineText(const Session& session) {
    const StatusText status = BuildStatusText(session);
    size_t end = kStatusCells;
    while (end > 0 && (status.cells[end - 1] == ' ' || status.cells[end - 1] == 0) &&
           !status.IsSymbol(end - 1))
        --end;
    std::string out;
    for (size_t i = 0; i < end; ++i) {
        if (status.IsSymbol(i))
            out += StatusSymbolLetter(status.cells[i]);
        else
            AppendCell(out, status.cells[i] ? status.cells[i] : ' ');
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::vector<std::string> ScreenRows(const Session& session) {
    const PresentationSpace& ps = session.ps;
    const std::string cells = ScreenCells(ps);
    std::vector<std::string> rows;
    if (ps.columns == 0) return rows;
    for (uint32_t start = 0; start + ps.columns <= cells.size(); start += ps.columns) {
        std::string row;
        for (uint32_t c = 0; c < ps.columns; ++c) AppendCell(row, uint8_t(cells[start + c]));
        rows.push_back(std::move(row));
    }
    return rows;
}

Json ScreenJson(const Session& session, uint64_t seq, bool with_fields) {
    Json out{{"seq", seq},
             {"rows", session.ps.rows},
             {"columns", session.ps.columns},
             {"cursor", CursorJson(session)},
             {"text", ScreenRows(session)},
             {"status", StatusJson(session)},
             {"status_line", StatusLineText(session)}};
    if (with_fields) {
        Json fields = Json::array();
        for (const FieldFacts& f : ListFields(session.ps)) fields.push_back(FieldJson(session, f));
        out["fields"] = std::move(fields);
    }
    return out;
}

Json BriefScreenJson(const Session& session) {
    return Json{{"text", ScreenRows(session)},
                {"status_line", StatusLineText(session)},
                {"status", StatusJson(session)}};
}

}  // namespace orkan
