#include "display/screen_model.h"

#include <utility>

#include "display/palette.h"
#include "session/session.h"

namespace orkan {

RenderOptions MakeRenderOptions(const Session& session, bool blink_off_phase, bool show_attribute_markers) {
    const SessionRecord& r = session.record;
    RenderOptions o;
    o.default_colour = RoleColour(r, role::DefaultText);
    o.find_colour = RoleColour(r, role::FindMark);
    o.blink_text_hidden = blink_off_phase && r.Number(field::BlinkingText) == 0;
    o.all_upper_case = r.Flag(field::AllUpperCase);
    o.wang = session.settings.Wang != 0;
    o.show_attribute_markers = show_attribute_markers;
    o.history_background = session.status == SessionStatus::History;
    o.display_by_field = session.settings.DisplayByField != 0;
    return o;
}

namespace {

uint32_t Positions(const PresentationSpace& ps) {
    return ps.positions <= kMaxPositions ? ps.positions : kMaxPositions;
}

FieldState StateOf(const PresentationSpace& ps, uint32_t a) {
    return {ps.planes.colour[a], ps.planes.highlight[a],
            (ps.planes.attribute[a] & fa::DisplayMask) == fa::NonDisplay};
}

}  // namespace

FieldState FieldStateEntering(const PresentationSpace& ps, uint32_t address) {
    const uint32_t n = Positions(ps);
    if (n == 0 || address >= n) return {};
    uint32_t i = address;
    for (uint32_t step = 0; step < n; ++step) {
        i = i == 0 ? n - 1 : i - 1;
        if (ps.planes.attribute[i]) return StateOf(ps, i);
    }
    return {};
}

CellLook ResolveCell(const PresentationSpace& ps, uint32_t a, FieldState& field,
                     const RenderOptions& options) {
    const Planes& p = ps.planes;
    CellLook look;
    uint8_t colour = p.colour[a];
    if (p.attribute[a]) {
        field = StateOf(ps, a);
        look.attribute = true;
        look.character = options.show_attribute_markers ? '.' : ' ';
    } else {
        look.charset = p.charset[a];
        const uint8_t highlight = p.highlight[a] ? p.highlight[a] : field.highlight;
        look.highlight = highlight & kDrawnHighlight;
        uint8_t c = p.display[a];
        if (field.non_display || c < (options.wang ? 0x0B : 0x20))
            c = ' ';
        else if (options.blink_text_hidden && (look.highlight & hl::Blink))
            c = ' ';
        else if (options.all_upper_case && look.charset != kGraphicEscapeSet)
            c = DisplayUpper(c);  // code page 310 bytes are not letters
        look.character = c;
    }
    if (colour == 0) colour = field.colour;
    if (colour == 0) colour = options.default_colour;
    look.colour = colour;
    return look;
}

void ResolveRunColours(TextRun& run, const RenderOptions& options) {
    const uint8_t pair = (run.highlight & hl::FindMark) ? options.find_colour : run.colour;
    uint8_t fg = ForegroundIndex(pair);
    uint8_t bg = BackgroundIndex(pair);
    if (run.highlight & (hl::Reverse | hl::FindMark)) std::swap(fg, bg);
    run.foreground = fg;
    run.background = options.history_background ? kHistoryBackgroundIndex : bg;
}

void ResolveRow(const PresentationSpace& ps, uint32_t row, FieldState& field, const RenderOptions& options,
                RowLook& out) {
    out.runs.clear();
    out.attribute_columns.clear();
    out.has_blink = false;
    const uint32_t columns = ps.columns;
    const uint32_t start = row * columns;
    if (columns == 0 || row >= ps.rows || start + columns > Positions(ps)) {
        out.characters.clear();
        return;
    }
    out.characters.resize(columns);
    TextRun run;
    for (uint32_t c = 0; c < columns; ++c) {
        const CellLook look = ResolveCell(ps, start + c, field, options);
        out.characters[c] = look.character;
        if (look.attribute) out.attribute_columns.push_back(uint16_t(c));
        if (look.highlight & hl::Blink) out.has_blink = true;
        if (c > 0 && look.colour == run.colour && look.highlight == run.highlight &&
            look.charset == run.charset) {
            ++run.length;
            continue;
        }
        if (c > 0) {
            ResolveRunColours(run, options);
            out.runs.push_back(run);
        }
        run = TextRun{uint16_t(c), 1, look.colour, look.highlight, look.charset, 0, 0};
    }
    ResolveRunColours(run, options);
    out.runs.push_back(run);
}

uint8_t CellColourAt(const PresentationSpace& ps, uint32_t address, const RenderOptions& options) {
    if (address >= Positions(ps)) return options.default_colour;
    FieldState field = FieldStateEntering(ps, address);
    return ResolveCell(ps, address, field, options).colour;
}

uint8_t FieldColourAt(const PresentationSpace& ps, uint32_t address, const RenderOptions& options) {
    if (address >= Positions(ps)) return options.default_colour;
    const FieldState field =
        ps.planes.attribute[address] ? StateOf(ps, address) : FieldStateEntering(ps, address);
    return field.colour ? field.colour : options.default_colour;
}

}  // namespace orkan
