// Word wrap: typed text flows like a paragraph through an area of rows that share one field
// layout. The right column of the area is kept free: a word that would reach it goes to the next
// row, so a character typed into the right column carries its word down with the cursor.
#include <algorithm>
#include <string>
#include <vector>

#include "ds3270/fields.h"
#include "keyboard/field_edit.h"
#include "keyboard/keyboard_state.h"
#include "session/session.h"
#include "session/session_charset.h"

namespace orkan {
namespace {

constexpr uint32_t kMinWidth = 20;
constexpr uint32_t kMinRows = 2;

struct Area {
    uint32_t top = 0, bottom = 0;  // rows
    uint32_t left = 0, right = 0;  // columns
    uint32_t Width() const { return right - left + 1; }
};

// Attribute columns of a row with their protection: two rows of one area must match.
std::vector<std::pair<uint32_t, bool>> FieldPattern(const PresentationSpace& ps, uint32_t row) {
    std::vector<std::pair<uint32_t, bool>> pattern;
    for (uint32_t c = 0; c < ps.columns; ++c) {
        const uint8_t a = ps.planes.attribute[row * ps.columns + c];
        if (a) pattern.emplace_back(c, (a & fa::Protected) != 0);
    }
    return pattern;
}

bool RowAreaWritable(const PresentationSpace& ps, uint32_t row, uint32_t left) {
    const uint8_t a = GoverningAttribute(ps, row * ps.columns + left);
    return !(a & fa::Protected);
}

bool FindArea(const PresentationSpace& ps, uint32_t typed, Area& area) {
    if (typed >= ps.positions || ps.planes.attribute[typed] || ps.rows < kMinRows) return false;
    const uint32_t cols = ps.columns;
    area.top = typed / cols;
    const uint32_t column = typed % cols;
    area.left = 0;
    for (uint32_t c = column; c-- > 0;) {
        if (ps.planes.attribute[area.top * cols + c]) {
            area.left = c + 1;
            break;
        }
    }
    area.right = cols - 1;
    for (uint32_t c = column + 1; c < cols; ++c) {
        if (ps.planes.attribute[area.top * cols + c]) {
            area.right = c - 1;
            break;
        }
    }
    if (area.Width() < kMinWidth || area.top + 2 > ps.rows) return false;
    const auto pattern = FieldPattern(ps, area.top);
    area.bottom = area.top;
    // Down to the second-to-last row; a row whose area lies in a protected field is not text.
    while (area.bottom + 2 < ps.rows && FieldPattern(ps, area.bottom + 1) == pattern &&
           RowAreaWritable(ps, area.bottom + 1, area.left))
        ++area.bottom;
    return area.bottom - area.top + 1 >= kMinRows;
}

uint8_t Cell(const PresentationSpace& ps, uint32_t row, uint32_t column) {
    return ps.planes.display[row * ps.columns + column];
}

// The last row of the text: the first row of the area that is all blank (included) or the row
// before the first that has no blank at all.
uint32_t TextBottom(const PresentationSpace& ps, const Area& area, bool& enough) {
    uint32_t last = area.top;
    enough = false;
    for (uint32_t r = area.top; r <= area.bottom; ++r) {
        uint32_t blanks = 0;
        for (uint32_t c = area.left; c <= area.right; ++c) blanks += Cell(ps, r, c) <= 0x20;
        if (blanks == 0) break;
        last = r;
        enough = r > area.top;
        if (blanks == area.Width()) break;
    }
    return last;
}

std::string RowText(const PresentationSpace& ps, const Area& area, uint32_t row) {
    std::string text;
    for (uint32_t c = area.left; c <= area.right; ++c) {
        const uint8_t ch = Cell(ps, row, c);
        text += char(ch < 0x20 ? 0x20 : ch);
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// Lays the text out in rows of at most `room` characters, breaking between words; a word longer
// than a row is cut. Blanks where a row breaks are dropped.
std::vector<std::string> Fill(const std::string& text, size_t room) {
    std::vector<std::string> rows(1);
    size_t i = 0;
    while (i < text.size()) {
        const bool blank = text[i] == ' ';
        size_t j = i;
        while (j < text.size() && (text[j] == ' ') == blank) ++j;
        std::string run = text.substr(i, j - i);
        i = j;
        std::string& row = rows.back();
        if (blank) {
            if (row.empty() && rows.size() > 1) continue;
            if (row.size() + run.size() > room) {
                rows.emplace_back();
                continue;
            }
            row += run;
            continue;
        }
        if (row.size() + run.size() <= room) {
            row += run;
            continue;
        }
        if (row.find_first_not_of(' ') != std::string::npos) {
            rows.back().erase(rows.back().find_last_not_of(' ') + 1);
            rows.emplace_back();
        }
        while (rows.back().size() + run.size() > room) {
            const size_t take = room - rows.back().size();
            rows.back() += run.substr(0, take);
            run.erase(0, take);
            rows.emplace_back();
        }
        rows.back() += run;
    }
    return rows;
}

}  // namespace

void WordWrap(Session& session, WrapCause cause) {
    if (!session.keyboard->word_wrap && !session.settings.WordWrapAlways) return;
    PresentationSpace& ps = session.ps;
    KeyboardState& kb = *session.keyboard;
    const uint32_t typed = kb.last_typed_position;
    Area area;
    if (!FindArea(ps, typed, area)) return;
    bool enough = false;
    const uint32_t bottom = TextBottom(ps, area, enough);
    if (!enough) return;

    bool right_used = false;
    for (uint32_t r = area.top; r <= bottom; ++r) right_used = right_used || Cell(ps, r, area.right) > 0x20;
    const uint32_t typed_column = typed % ps.columns;
    if (cause == WrapCause::Typing && !right_used) {
        if (typed_column == area.right && area.top < bottom && !kb.pending_dead_key)
            ps.cursor_address = (area.top + 1) * ps.columns + area.left;
        return;
    }

    uint32_t word = 0;  // the top row's last word, when it reaches the right column
    for (uint32_t c = area.right + 1; c-- > area.left && Cell(ps, area.top, c) > 0x20;) ++word;

    std::string text;
    for (uint32_t r = area.top; r <= bottom; ++r) {
        if (r > area.top) text += ' ';
        text += RowText(ps, area, r);
    }
    text.erase(text.find_last_not_of(' ') + 1);
    const std::vector<std::string> rows = Fill(text, area.Width() - 1);
    // What would not fit stays where it is: reflowing must never lose text.
    if (rows.size() > bottom - area.top + 1) return;

    Planes& p = ps.planes;
    for (uint32_t r = area.top; r <= bottom; ++r) {
        const std::string& line = r - area.top < rows.size() ? rows[r - area.top] : std::string();
        for (uint32_t c = area.left; c <= area.right; ++c) {
            const uint32_t a = r * ps.columns + c;
            const size_t i = c - area.left;
            const uint8_t ch = i < line.size() ? uint8_t(line[i]) : 0x20;
            if (p.display[a] != ch || p.colour[a] != 0) ps.MarkChanged(a);
            p.display[a] = ch;
            p.host[a] = DisplayToHost(session, ch);
            p.colour[a] = 0;
            if (ch != 0x20) ps.MarkTyped(a);
        }
        const int32_t fa = FindFieldAttribute(ps, r * ps.columns + area.left);
        if (fa >= 0) p.attribute[uint32_t(fa)] |= fa::Mdt;
    }
    if (word > 0 && typed_column + word > area.right && area.top < bottom) {
        const uint32_t into_word = typed_column + 1 - (area.right + 1 - word);
        ps.cursor_address = (area.top + 1) * ps.columns + area.left + into_word;
        kb.insert_mode = true;
        session.view->RefreshStatusLine();
    }
    session.view->RepaintChangedRows();
}

}  // namespace orkan
