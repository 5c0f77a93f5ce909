// The writers behind the paste forms: over the screen, one line per field, inserted, and typed.
#include <algorithm>

#include "clipboard/pasting.h"
#include "clipboard/screen_cells.h"
#include "keyboard/field_edit.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "session/session.h"

namespace orkan {
namespace {

constexpr uint32_t kTabStop = 8;

size_t LineEnd(std::string_view text, size_t from) {
    const size_t e = text.find_first_of("\r\n", from);
    return e == text.npos ? text.size() : e;
}

size_t NextLine(std::string_view text, size_t end) {
    if (end >= text.size()) return text.size();
    return text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? end + 2 : end + 1;
}

uint8_t Printable(char ch) {
    return uint8_t(ch) < 0x20 ? 0x20 : uint8_t(ch);
}

bool ProtectedField(const PresentationSpace& ps, std::optional<uint32_t> fa) {
    return fa && (ps.planes.attribute[*fa] & fa::Protected);
}

// Writes one line from `at` to the end of its row at most, under the field rules of an overlay.
class RowWriter {
  public:
    RowWriter(Session& s, uint32_t at)
        : s_(s),
          ps_(s.ps),
          at_(at),
          row_last_(at - at % s.ps.columns + s.ps.columns - 1),
          fa_(FieldAttributeAddress(s.ps, at)) {}

    bool Done() const { return at_ > row_last_; }

    void Put(uint8_t c) {
        if (Done()) return;
        Planes& p = ps_.planes;
        const uint32_t a = at_++;
        if (p.attribute[a]) {
            fa_ = a;
            return;
        }
        if (ProtectedField(ps_, fa_)) return;
        if (fa_) p.attribute[*fa_] |= fa::Mdt;
        if (s_.record.Flag(field::PrefixInputWithSpaces)) PrefixNullsWithBlanks(ps_, a);
        StoreCell(s_, a, c, 0);
    }

    // Blanks from this cell up to and including the next cell whose address is a tab stop.
    void Tab() {
        const uint32_t stop = (at_ + kTabStop - 1) / kTabStop * kTabStop;
        for (uint32_t n = stop - at_ + 1; n > 0 && !Done(); --n) Put(0x20);
    }

  private:
    Session& s_;
    PresentationSpace& ps_;
    uint32_t at_;
    uint32_t row_last_;
    std::optional<uint32_t> fa_;
};

// The next unprotected field's attribute after `from`, scanning round the screen once.
std::optional<uint32_t> NextUnprotectedField(const PresentationSpace& ps, uint32_t from) {
    uint32_t a = from;
    for (uint32_t n = 0; n < ps.positions; ++n) {
        a = a + 1 >= ps.positions ? 0 : a + 1;
        const uint8_t attr = ps.planes.attribute[a];
        if (attr && !(attr & fa::Protected)) return a;
    }
    return std::nullopt;
}

}  // namespace

OverlayResult PasteOverlay(Session& session, ClipboardState& clip, size_t from, uint32_t row_limit) {
    PresentationSpace& ps = session.ps;
    const std::string& text = clip.paste_text;
    OverlayResult result;
    if (ps.positions == 0 || ps.columns == 0) return result;
    if (ps.cursor_address >= ps.positions) ps.cursor_address = 0;
    const uint32_t column = ps.cursor_address % ps.columns;
    uint32_t row = ps.cursor_address / ps.columns;
    result.last_row = row;
    size_t pos = std::min(from, text.size());
    while (pos < text.size() && row < ps.rows && (row_limit == kNoRowLimit || result.rows < row_limit)) {
        const size_t end = LineEnd(text, pos);
        RowWriter writer(session, row * ps.columns + column);
        if (end == pos) writer.Put(0x20);
        for (size_t i = pos; i < end && !writer.Done(); ++i) {
            if (text[i] == '\t')
                writer.Tab();
            else
                writer.Put(Printable(text[i]));
        }
        result.last_row = row++;
        ++result.rows;
        pos = NextLine(text, end);
    }
    clip.continuation = pos < text.size() ? std::optional<size_t>(pos) : std::nullopt;
    return result;
}

void PasteField(Session& session, ClipboardState& clip, size_t from) {
    PresentationSpace& ps = session.ps;
    if (ps.positions == 0) return;
    if (ps.cursor_address >= ps.positions) ps.cursor_address = 0;
    auto field = FieldAttributeAddress(ps, ps.cursor_address);
    if (!field) {
        (void)PasteOverlay(session, clip, from, kNoRowLimit);
        return;
    }
    if (ps.planes.attribute[*field] & fa::Protected) field = NextUnprotectedField(ps, *field);
    if (!field) return;
    const std::string& text = clip.paste_text;
    const uint32_t first_field = *field;
    size_t pos = std::min(from, text.size());
    while (pos < text.size()) {
        Planes& p = ps.planes;
        const uint32_t fa = *field;
        p.attribute[fa] |= fa::Mdt;
        const size_t end = LineEnd(text, pos);
        uint32_t a = fa + 1 >= ps.positions ? 0 : fa + 1;
        for (size_t i = pos; i < end && !p.attribute[a]; ++i) {
            StoreCell(session, a, Printable(text[i]), p.colour[fa]);
            a = a + 1 >= ps.positions ? 0 : a + 1;
        }
        pos = NextLine(text, end);
        field = NextUnprotectedField(ps, fa);
        if (!field || *field == first_field) break;
    }
    clip.continuation = pos < text.size() ? std::optional<size_t>(pos) : std::nullopt;
}

void PasteInsert(Session& session, ClipboardState& clip, size_t from, bool ask) {
    PresentationSpace& ps = session.ps;
    const std::string& text = clip.paste_text;
    if (ps.positions == 0 || ps.columns == 0) return;
    if (ps.cursor_address >= ps.positions) ps.cursor_address = 0;
    uint32_t lines = 0, width = 0;
    for (size_t pos = std::min(from, text.size()); pos < text.size(); ++lines) {
        const size_t end = LineEnd(text, pos);
        width = std::max(width, uint32_t(end - pos));
        pos = NextLine(text, end);
    }
    const uint32_t column = ps.cursor_address % ps.columns;
    const uint32_t first_row = ps.cursor_address / ps.columns;
    const uint32_t last_row = std::min(ps.rows - 1, first_row + std::max(lines, 1u) - 1);

    // The rows that open room: [start, end] of the field on the row, outside protected fields.
    struct Room {
        uint32_t start, end;
    };
    std::vector<Room> rooms;
    bool short_of_room = false;
    for (uint32_t row = first_row; row <= last_row; ++row) {
        const uint32_t start = row * ps.columns + column;
        if (ps.planes.attribute[start] || ProtectedField(ps, FieldAttributeAddress(ps, start))) continue;
        const uint32_t end = FieldEndOnRow(ps, start);
        uint32_t used = start;  // one past the last character above 0x20
        for (uint32_t a = start; a <= end; ++a)
            if (ps.planes.display[a] > 0x20) used = a + 1;
        if (end + 1 - used < width) short_of_room = true;
        rooms.push_back({start, end});
    }
    if (short_of_room && ask && session.record.Flag(field::NotifyUserOnInsertError)) {
        const Answer a = session.ui.ShowMessage({"PasteInsert Data Loss",
                                                 "This function will cause loss of data at the\nright side "
                                                 "of the current fields.\n\nDo you want to continue?",
                                                 Buttons::OkCancel, Icon::Question});
        if (a != Answer::Ok) return;
    }
    for (const Room& r : rooms) {
        for (uint32_t a = r.end + 1; a-- > r.start;) {
            if (a + width <= r.end) MoveCell(ps, a, a + width);
        }
        for (uint32_t a = r.start; a <= r.end && a < r.start + width; ++a) StoreCell(session, a, 0, 0);
    }
    (void)PasteOverlay(session, clip, from, kNoRowLimit);
}

void PasteByTyping(Session& session, ClipboardState& clip, size_t from) {
    const std::string text = clip.paste_text.substr(std::min(from, clip.paste_text.size()));
    clip.typing_paste = true;
    bool skipped = false;
    for (char ch : text) {
        // A refused character locks the keyboard as it would under the fingers: the rest is not
        // typed into whatever field the cursor has reached.
        if (session.status == SessionStatus::Protected || session.status == SessionStatus::InsertOverflow)
            break;
        if (ch == '\r') continue;
        if (ch == '\n') {
            ExecuteKey(session, MakeKeyCode(KeyCategory::Edit, edit_fn::NewLine, kKeyWorksWhileLocked));
            skipped = false;
            continue;
        }
        if (ch == '\t') {
            if (!skipped)
                ExecuteKey(session, MakeKeyCode(KeyCategory::Edit, edit_fn::Tab, kKeyWorksWhileLocked));
            skipped = false;
            continue;
        }
        ExecuteKey(session, CharCode(Printable(ch), kKeyWorksWhileLocked));
        skipped = session.keyboard->skipped_to_next_field;
    }
    clip.typing_paste = false;
    clip.continuation.reset();
}

}  // namespace orkan
