// The paste key functions: which writer each form uses, Paste Window and Flow, Paste Repeat,
// Paste Continue and Paste JCL.
#include <algorithm>

#include "clipboard/copying.h"
#include "clipboard/pasting.h"
#include "clipboard/screen_cells.h"
#include "clipboard/selecting.h"
#include "keyboard/keyboard_state.h"
#include "session/session.h"

namespace orkan {
namespace {

void MoveCursorToEnd(Session& s, ClipboardState& clip) {
    PresentationSpace& ps = s.ps;
    const size_t length = clip.single_line_length;
    if (!s.record.Flag(field::MoveCursorToEndOnPaste) || length == 0 || ps.columns == 0) return;
    if (ps.cursor_address % ps.columns + length < ps.columns) ps.cursor_address += uint32_t(length);
}

void Finish(Session& s) {
    s.view->RepaintChangedRows();
    s.view->CursorMoved();
    s.view->RefreshStatusLine();
}

void WindowPaste(Session& s, ClipboardState& clip, const CellRect& window, size_t from) {
    ShowSelection(s, window);
    ClearSelectionArea(s);
    clip.paste_window = window;
    clip.last_mode = PasteMode::Window;
    s.ps.cursor_address = window.top * s.ps.columns + window.left;
    (void)PasteOverlay(s, clip, from, window.Height());
}

void PasteWindow(Session& s, ClipboardState& clip, bool flow) {
    const auto rect = SelectedRect(s);
    if (!rect) {
        s.ui.ShowMessage(
            {"Orkan TN3270 PasteWindow/PasteFlow",
             "You need to draw a window with the mouse to indicate\nthe area where you want the text "
             "to be pasted",
             Buttons::Ok, Icon::Information});
        return;
    }
    if (!GetPasteText(s, clip, nullptr)) return;
    clip.paste_text = BreakIntoLines(flow ? FlowText(clip.paste_text) : clip.paste_text, rect->Width());
    WindowPaste(s, clip, *rect, 0);
}

void PasteRepeat(Session& s, ClipboardState& clip) {
    PresentationSpace& ps = s.ps;
    if (ps.positions == 0 || ps.columns == 0) return;
    const uint32_t cursor = ps.cursor_address < ps.positions ? ps.cursor_address : 0;
    const uint32_t column = cursor % ps.columns;
    for (uint32_t row = cursor / ps.columns; row < ps.rows;) {
        ps.cursor_address = row * ps.columns + column;
        const OverlayResult r = PasteOverlay(s, clip, 0, kNoRowLimit);
        if (r.rows == 0) break;
        row = r.last_row + 1;
    }
    ps.cursor_address = cursor;
    clip.continuation.reset();
}

void PasteContinue(Session& s, ClipboardState& clip) {
    if (!clip.continuation) return;
    const size_t from = *clip.continuation;
    switch (clip.last_mode) {
        case PasteMode::Overlay:
            (void)PasteOverlay(s, clip, from, kNoRowLimit);
            break;
        case PasteMode::Field:
            PasteField(s, clip, from);
            break;
        case PasteMode::Insert:
            PasteInsert(s, clip, from, true);
            break;
        case PasteMode::Window: {
            const PresentationSpace& ps = s.ps;
            CellRect w = clip.paste_window;
            if (w.bottom >= ps.rows || w.right >= ps.columns) return;  // the screen shrank under it
            WindowPaste(s, clip, w, from);
            break;
        }
    }
}

// The first line of the paste text, characters below 0x20 left out.
std::string FirstLine(const std::string& text) {
    std::string line;
    for (char ch : text) {
        if (ch == '\r' || ch == '\n') break;
        if (uint8_t(ch) >= 0x20) line.push_back(ch);
    }
    return line;
}

// Paste JCL over one row's span; false when the span is not on one row.
bool ReplaceJcl(Session& s, const CellRect& span, const std::string& line) {
    PresentationSpace& ps = s.ps;
    Planes& p = ps.planes;
    if (span.top != span.bottom) return false;
    const uint32_t start = span.top * ps.columns + span.left;
    const uint32_t end = span.top * ps.columns + span.right;
    const auto fa = FieldAttributeAddress(ps, start);
    if (fa && (p.attribute[*fa] & fa::Protected)) return true;
    const uint8_t colour = fa ? p.colour[*fa] : 0;
    // The rest of the field moves within the field: past its end would overwrite the next
    // field's attribute and text.
    const uint32_t field_end = FieldEndOnRow(ps, start);
    const uint32_t old_length = end - start + 1;
    const uint32_t new_length = uint32_t(std::min<size_t>(line.size(), field_end - start + 1));
    Planes& planes = p;
    const auto move = [&](uint32_t from, uint32_t to) {
        planes.display[to] = planes.display[from];
        planes.colour[to] = planes.colour[from];
        planes.highlight[to] = planes.highlight[from];
        planes.charset[to] = planes.charset[from];
        planes.host[to] = planes.host[from];
        ps.MarkChanged(to);
    };
    if (new_length < old_length) {
        const uint32_t gap = old_length - new_length;
        for (uint32_t a = end + 1; a <= field_end; ++a) move(a, a - gap);
        for (uint32_t a = field_end + 1 - gap; a <= field_end; ++a) StoreCell(s, a, 0, colour);
    } else if (new_length > old_length) {
        const uint32_t grow = new_length - old_length;
        for (uint32_t a = field_end + 1; a-- > end + 1;)
            if (a + grow <= field_end) move(a, a + grow);
    }
    for (uint32_t i = 0; i < new_length; ++i) StoreCell(s, start + i, uint8_t(line[i]), colour);
    if (fa) p.attribute[*fa] |= fa::Mdt;
    return true;
}

void RunPasteForm(Session& s, ClipboardState& clip, PasteForm form, const std::string* macro_text);

void PasteJcl(Session& s, ClipboardState& clip, const std::string* macro_text) {
    JclResult jcl = ClassifyJcl(s);
    if (jcl.kind == JclClass::Word) {
        // The word around the cursor, as Select Word takes it.
        const PresentationSpace& ps = s.ps;
        const uint32_t at = ps.cursor_address;
        const uint32_t row_start = at - at % ps.columns, row_last = row_start + ps.columns - 1;
        const auto in_word = [&](uint32_t a) {
            return ps.planes.display[a] > 0x20 && !ps.planes.attribute[a];
        };
        uint32_t first = at, last = at;
        while (first > row_start && in_word(first - 1)) --first;
        while (last < row_last && in_word(last + 1)) ++last;
        jcl.rect = {at / ps.columns, first % ps.columns, at / ps.columns, last % ps.columns};
        jcl.kind = JclClass::Selection;
    }
    if (jcl.kind == JclClass::Selection && jcl.rect.top == jcl.rect.bottom) {
        if (!GetPasteText(s, clip, macro_text)) return;
        const std::string line = FirstLine(clip.paste_text);
        if (ReplaceJcl(s, jcl.rect, line)) {
            clip.continuation.reset();
            return;
        }
    }
    RunPasteForm(s, clip, PasteForm::Paste, macro_text);
}

void RunPasteForm(Session& s, ClipboardState& clip, PasteForm form, const std::string* macro_text) {
    const bool shown = s.selection.shown;
    switch (form) {
        case PasteForm::Paste: {
            const uint32_t option = s.record.Number(field::Paste);
            if (option == 0 || (option == 2 && !s.keyboard->insert_mode))
                return RunPasteForm(s, clip, PasteForm::Overlay, macro_text);
            if (option <= 2) return RunPasteForm(s, clip, PasteForm::Insert, macro_text);
            return RunPasteForm(s, clip, PasteForm::Field, macro_text);
        }
        case PasteForm::Overlay:
            if (shown || !GetPasteText(s, clip, macro_text)) return;
            clip.last_mode = PasteMode::Overlay;
            // Typing is the overlay's own form: the writers of the other forms keep their rules.
            if (s.settings.PasteByTyping) return PasteByTyping(s, clip, 0);
            (void)PasteOverlay(s, clip, 0, kNoRowLimit);
            return MoveCursorToEnd(s, clip);
        case PasteForm::Insert:
            if (shown || !GetPasteText(s, clip, macro_text)) return;
            clip.last_mode = PasteMode::Insert;
            PasteInsert(s, clip, 0, macro_text == nullptr);
            return MoveCursorToEnd(s, clip);
        case PasteForm::Field:
            if (shown || !GetPasteText(s, clip, macro_text)) return;
            clip.last_mode = PasteMode::Field;
            PasteField(s, clip, 0);
            return MoveCursorToEnd(s, clip);
        case PasteForm::ByTyping:
            if (!GetPasteText(s, clip, macro_text)) return;
            return PasteByTyping(s, clip, 0);
        case PasteForm::Window:
            return PasteWindow(s, clip, false);
        case PasteForm::Flow:
            return PasteWindow(s, clip, true);
        case PasteForm::Repeat:
            if (!GetPasteText(s, clip, macro_text)) return;
            clip.last_mode = PasteMode::Overlay;
            return PasteRepeat(s, clip);
        case PasteForm::Continue:
            return PasteContinue(s, clip);
        case PasteForm::Jcl:
            return PasteJcl(s, clip, macro_text);
    }
}

}  // namespace

void RunPaste(Session& session, ClipboardState& clip, PasteForm form, const std::string* macro_text) {
    if (session.ps.positions == 0 || session.ps.columns == 0) return;
    RunPasteForm(session, clip, form, macro_text);
    clip.cycle_cursor = session.ps.cursor_address;
    Finish(session);
}

}  // namespace orkan
