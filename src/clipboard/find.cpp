#include "clipboard/find.h"

#include <algorithm>

#include "ds3270/fields.h"
#include "session/session.h"

namespace orkan {
namespace {

uint8_t FoldCase(uint8_t c) {
    return c >= 'a' && c <= 'z' ? uint8_t(c - 0x20) : c;
}

bool IsWordCharacter(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The row as text output shows it: a password or a null is a blank here too, so a search can
// neither find nor reveal what the screen hides.
std::string RowText(const PresentationSpace& ps, uint32_t row) {
    std::string text(ps.columns, ' ');
    const uint32_t base = row * ps.columns;
    uint8_t attribute = GoverningAttribute(ps, base);
    for (uint32_t col = 0; col < ps.columns; ++col) {
        const uint32_t a = base + col;
        if (ps.planes.attribute[a]) attribute = ps.planes.attribute[a];
        text[col] = char(CellText(ps.planes.display[a], attribute, ps.planes.charset[a]));
    }
    return text;
}

bool MatchesAt(std::string_view row, size_t column, std::string_view text, uint8_t options) {
    for (size_t i = 0; i < text.size(); ++i) {
        uint8_t a = uint8_t(row[column + i]), b = uint8_t(text[i]);
        if (!(options & find_option::MatchCase)) {
            a = FoldCase(a);
            b = FoldCase(b);
        }
        if (a != b) return false;
    }
    if (!(options & find_option::WholeWords)) return true;
    const uint8_t before = column == 0 ? '$' : uint8_t(row[column - 1]);
    const size_t after_at = column + text.size();
    const uint8_t after = after_at >= row.size() ? '$' : uint8_t(row[after_at]);
    return !IsWordCharacter(before) && !IsWordCharacter(after);
}

}  // namespace

void ClearFindMarks(Session& session) {
    PresentationSpace& ps = session.ps;
    for (uint32_t a = 0; a < ps.positions; ++a) {
        if (ps.planes.highlight[a] & hl::FindMark) {
            ps.planes.highlight[a] &= uint8_t(~hl::FindMark);
            ps.MarkChanged(a);
        }
    }
    session.view->RepaintChangedRows();
    session.view->RefreshStatusLine();
}

bool FindAndMark(Session& session, std::string_view text, uint8_t options) {
    ClearFindMarks(session);
    PresentationSpace& ps = session.ps;
    if (text.empty() || text.size() >= ps.columns) return false;
    for (uint32_t row = 0; row < ps.rows; ++row) {
        const std::string line = RowText(ps, row);
        for (size_t column = 0; column + text.size() <= line.size();) {
            if (!MatchesAt(line, column, text, options)) {
                ++column;
                continue;
            }
            for (size_t i = 0; i < text.size(); ++i) {
                const uint32_t a = row * ps.columns + uint32_t(column + i);
                ps.planes.highlight[a] |= hl::FindMark;
                ps.MarkChanged(a);
            }
            column += text.size();
        }
    }
    session.view->RepaintChangedRows();
    session.view->RefreshStatusLine();
    return true;
}

bool RecordFindText(ClipboardState& clip, std::string_view text) {
    if (text.empty() || text.size() > kFindTextMax) return false;
    auto& history = clip.find_history;
    const auto found = std::find(history.begin(), history.end(), text);
    if (found != history.end()) {
        std::swap(*found, history.front());
        return true;
    }
    std::move_backward(history.begin(), history.end() - 1, history.end());
    history.front() = std::string(text);
    return true;
}

void OpenFindDialog(Session& session, ClipboardState& clip) {
    FindDialogRequest request;
    for (const std::string& t : clip.find_history)
        if (!t.empty()) request.history.push_back(t);
    request.options = uint8_t(session.record.Number(field::FindOptions));
    std::optional<FindDialogAnswer> answer;
    {
        // The dialog is the user's, whoever opened it.
        NoMacroActing dialog(session.macro_gate);
        answer = session.ui.AskFind(request);
    }
    if (!answer) {
        session.ui.ShowMessage(
            {"Orkan TN3270 Find",
             "The find dialog needs the desktop program.\nFindRepeat searches for the last text "
             "found, FindClear removes the marks.",
             Buttons::Ok, Icon::Information});
        return;
    }
    FinishFindDialog(session, clip, *answer);
}

void FinishFindDialog(Session& session, ClipboardState& clip, const FindDialogAnswer& answer) {
    ClearFindMarks(session);
    const uint8_t options =
        answer.options & (find_option::WholeWords | find_option::MatchCase | find_option::EveryScreen);
    session.record.SetNumber(field::FindOptions, options);
    const std::string_view text = answer.text;
    // Cancel stops finding again whatever the text was.
    if (!answer.ok) clip.active_find = 0;
    if (text.size() > kFindTextMax) {
        session.ui.ShowMessage(
            {"Orkan TN3270 Find",
             "The text to find may have at most " + std::to_string(kFindTextMax) + " characters.",
             Buttons::Ok, Icon::Warning});
        return;
    }
    (void)RecordFindText(clip, text);
    if (!answer.ok) return;
    if (text.empty()) return;
    (void)FindAndMark(session, text, options);
    clip.active_find = options;
}

void FindRepeat(Session& session, const ClipboardState& clip) {
    (void)FindAndMark(session, clip.find_history.front(), uint8_t(session.record.Number(field::FindOptions)));
}

void FindClear(Session& session, ClipboardState& clip) {
    ClearFindMarks(session);
    clip.active_find = 0;
}

}  // namespace orkan
