#include "display/screen_reading.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "ds3270/fields.h"
#include "screen/presentation_space.h"

namespace orkan {

namespace {

uint32_t Positions(const PresentationSpace& ps) {
    return std::min(ps.positions, kMaxPositions);
}

bool IsInput(uint8_t attribute) {
    return attribute && !(attribute & fa::Protected);
}

uint8_t Shown(uint8_t c) {
    return c < 0x20 || c == 0x7F ? uint8_t(' ') : c;
}

// One cell of a row as a label is read from it.
struct LabelCell {
    uint8_t shown = ' ';
    bool input = false;  // the cell belongs to an input field (its attribute included)
};

// Row `row` cell by cell, outside the screen a protected blank.
std::vector<LabelCell> LabelCells(const PresentationSpace& ps, uint32_t row) {
    std::vector<LabelCell> cells(ps.columns);
    const uint32_t positions = Positions(ps);
    const uint32_t first = row * ps.columns;
    if (first >= positions) return cells;
    uint8_t field = GoverningAttribute(ps, first);
    for (uint32_t c = 0; c < ps.columns && first + c < positions; ++c) {
        const uint32_t a = first + c;
        if (const uint8_t attribute = ps.planes.attribute[a]) {
            field = attribute;
            cells[c] = {' ', IsInput(attribute)};
            continue;
        }
        cells[c] = {Shown(CellText(ps.planes.display[a], field, ps.planes.charset[a])), IsInput(field)};
    }
    return cells;
}

bool Blank(char c) {
    return c == ' ';
}

// Leaders and marks that stand between a label and its field.
bool Leader(char c) {
    return c == ' ' || c == '.' || c == ':' || c == '=' || c == '>' || c == '-' || c == '_';
}

std::string CleanLabel(std::string text) {
    while (!text.empty() && Leader(text.back())) text.pop_back();
    // Of several phrases on the row the one nearest the field is its label.
    if (const size_t gap = text.rfind("   "); gap != std::string::npos) text.erase(0, gap + 3);
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string TextOf(const std::vector<LabelCell>& cells, size_t from, size_t to) {
    std::string text;
    for (size_t c = from; c < to; ++c) text += char(cells[c].input ? ' ' : cells[c].shown);
    return text;
}

std::string LeftLabel(const std::vector<LabelCell>& cells, uint32_t start_column) {
    // The field's own attribute stands just left of its first position (at the end of the row
    // above when the field starts a row).
    if (start_column == 0) return {};
    const size_t to = start_column - 1;
    size_t from = to;
    while (from > 0 && !cells[from - 1].input) --from;
    return CleanLabel(TextOf(cells, from, to));
}

// Above: the nearest row with protected text over the field's columns (whole words of it). Rows
// of input fields stacked under a heading are passed over; a blank protected row ends the search.
std::string LabelAbove(const PresentationSpace& ps, uint32_t row, uint32_t start_column, uint32_t length) {
    const size_t end_column =
        std::min<size_t>(ps.columns, size_t(start_column) + std::max<uint32_t>(length, 1));
    for (uint32_t r = row; r-- > 0;) {
        const std::vector<LabelCell> cells = LabelCells(ps, r);
        bool text = false, all_input = true;
        for (size_t c = start_column; c < end_column; ++c) {
            text = text || (!cells[c].input && !Blank(char(cells[c].shown)));
            all_input = all_input && cells[c].input;
        }
        if (!text) {
            if (all_input) continue;
            return {};
        }
        size_t from = start_column, to = end_column;
        const auto word = [&](size_t c) { return !cells[c].input && !Blank(char(cells[c].shown)); };
        while (from > 0 && word(from - 1)) --from;
        while (to < cells.size() && word(to)) ++to;
        return CleanLabel(TextOf(cells, from, to));
    }
    return {};
}

}  // namespace

std::string ShownRow(const PresentationSpace& ps, uint32_t row) {
    std::string out(ps.columns, ' ');
    const uint32_t positions = Positions(ps);
    const uint32_t first = row * ps.columns;
    if (first >= positions) return out;
    uint8_t field = GoverningAttribute(ps, first);
    for (uint32_t c = 0; c < ps.columns && first + c < positions; ++c) {
        const uint32_t a = first + c;
        if (const uint8_t attribute = ps.planes.attribute[a]) {
            field = attribute;
            continue;
        }
        out[c] = char(Shown(CellText(ps.planes.display[a], field, ps.planes.charset[a])));
    }
    return out;
}

std::optional<FieldSpan> FieldAt(const PresentationSpace& ps, uint32_t address) {
    const uint32_t positions = Positions(ps);
    if (address >= positions) return std::nullopt;
    const auto& attr = ps.planes.attribute;
    uint32_t at = address;
    uint32_t n = 0;
    for (; n < positions && !attr[at]; ++n) at = at == 0 ? positions - 1 : at - 1;
    if (n == positions) return std::nullopt;
    FieldSpan f{at, (at + 1) % positions, 0, attr[at]};
    for (uint32_t a = f.start; a != at && !attr[a]; a = (a + 1) % positions) ++f.length;
    return f;
}

std::string FieldLabel(const PresentationSpace& ps, const FieldSpan& field) {
    if (ps.columns == 0) return {};
    const uint32_t row = field.start / ps.columns;
    const uint32_t column = field.start % ps.columns;
    std::string label = LeftLabel(LabelCells(ps, row), column);
    if (label.empty()) label = LabelAbove(ps, row, column, field.length);
    return label;
}

std::string DescribeFieldAt(const PresentationSpace& ps, uint32_t address) {
    const std::optional<FieldSpan> field = FieldAt(ps, address);
    if (!field) return {};
    const uint8_t a = field->value;
    const bool input = IsInput(a);
    const bool hidden = (a & fa::DisplayMask) == fa::NonDisplay;

    std::string contents;
    size_t characters = 0;
    const uint32_t positions = Positions(ps);
    for (uint32_t i = 0, p = field->start; i < field->length; ++i, p = (p + 1) % positions) {
        const uint8_t c = Shown(CellText(ps.planes.display[p], 0, ps.planes.charset[p]));
        if (c != ' ') ++characters;
        if (!hidden) contents += char(c);
    }
    contents.erase(contents.find_last_not_of(' ') + 1);
    contents.erase(0, contents.find_first_not_of(' '));

    std::vector<std::string> parts;
    if (input) {
        if (std::string label = FieldLabel(ps, *field); !label.empty()) parts.push_back(std::move(label));
    }
    parts.push_back(parts.empty() ? (input ? "Input field" : "Protected field") : "input field");
    if (input && (a & fa::Numeric)) parts.push_back("numeric");
    if ((a & fa::DisplayMask) == fa::Intensified) parts.push_back("intensified");
    if (hidden) parts.push_back("hidden");
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
    if (hidden && characters > 0)
        contents = std::to_string(characters) + (characters == 1 ? " character" : " characters");
    return text + ": " + (contents.empty() ? std::string("empty") : contents);
}

}  // namespace orkan
