#include "capture/screen_text.h"

#include <cstdio>

#include "charset/display_unicode.h"
#include "display/palette.h"
#include "display/screen_model.h"
#include "ds3270/fields.h"
#include "session/session.h"

namespace orkan {

namespace {

uint32_t Positions(const PresentationSpace& ps) {
    return std::min(ps.positions, kMaxPositions);
}

// Rows that lie wholly inside the planes.
uint32_t WholeRows(const PresentationSpace& ps) {
    if (ps.columns == 0) return 0;
    return std::min(ps.rows, Positions(ps) / ps.columns);
}

std::string HtmlColour(Rgb rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", unsigned(rgb >> 16) & 0xFF, unsigned(rgb >> 8) & 0xFF,
                  unsigned(rgb) & 0xFF);
    return text;
}

void AppendHtmlCharacter(std::string& out, uint8_t display) {
    switch (display) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        // Unescaped, "&lt;" on the screen would show as "<" in the browser.
        case '&':
            out += "&amp;";
            break;
        default:
            AppendUtf8(out, DisplayToUnicode(display));
    }
}

}  // namespace

std::string ScreenAsText(const Session& session) {
    const PresentationSpace& ps = session.ps;
    const Planes& p = ps.planes;
    const bool underscores = session.settings.CopyUnderscores != 0;
    const uint32_t rows = WholeRows(ps);
    std::string out;
    out.reserve(size_t(rows) * (ps.columns + 1) + 2);

    // The field that runs into address 0 from the end of the screen.
    uint8_t attribute = 0, field_highlight = 0;
    for (uint32_t a = Positions(ps); a-- > 0;) {
        if (p.attribute[a]) {
            attribute = p.attribute[a];
            field_highlight = p.highlight[a];
            break;
        }
    }
    for (uint32_t row = 0; row < rows; ++row) {
        for (uint32_t column = 0; column < ps.columns; ++column) {
            const uint32_t a = row * ps.columns + column;
            if (p.attribute[a]) {
                attribute = p.attribute[a];
                field_highlight = p.highlight[a];
            }
            uint8_t c = CellText(p.display[a], attribute, p.charset[a]);
            if (c == ' ' && underscores && !p.attribute[a] &&
                ((p.highlight[a] | field_highlight) & hl::Underscore))
                c = '_';
            AppendUtf8(out, DisplayToUnicode(c));
        }
        out += '\n';
    }
    out += "\n\n";
    return out;
}

std::string ScreenAsHtml(const Session& session, bool show_attribute_markers) {
    const PresentationSpace& ps = session.ps;
    const Palette palette = BuildPalette(session.record);
    const RenderOptions options = MakeRenderOptions(session, false, show_attribute_markers);
    const uint8_t table_index = options.history_background
                                    ? kHistoryBackgroundIndex
                                    : RoleBackgroundIndex(session.record, role::DefaultText);

    std::string out =
        "<table border=\"0\" bgcolor=\"" + HtmlColour(palette[table_index]) + "\"><tr><td><pre>\n";
    FieldState field = FieldStateEntering(ps, 0);
    const uint32_t rows = WholeRows(ps);
    for (uint32_t row = 0; row < rows; ++row) {
        if (row > 0) out += '\n';
        TextRun run;
        std::string text;
        auto flush = [&] {
            if (text.empty()) return;
            ResolveRunColours(run, options);
            const Rgb background = palette[run.background];
            std::string span = "<font color=\"" + HtmlColour(palette[run.foreground]) + "\"";
            // Reverse video, and any background the window would fill other than the table's own.
            if ((run.highlight & hl::Reverse) || run.background != table_index)
                span += " style=\"background-color:" + HtmlColour(background) + "\"";
            span += ">";
            span += run.Underscore() ? "<u>" + text + "</u>" : text;
            out += span + "</font>";
            text.clear();
        };
        for (uint32_t column = 0; column < ps.columns; ++column) {
            const uint32_t a = row * ps.columns + column;
            const CellLook look = ResolveCell(ps, a, field, options);
            // A non-display field shows nothing, not even its underline.
            const uint8_t highlight = field.non_display && !look.attribute ? 0 : look.highlight;
            uint8_t c = look.character;
            if (!look.attribute && look.charset == kGraphicEscapeSet) c = CellText(c, 0, kGraphicEscapeSet);
            if (column == 0 || look.colour != run.colour || highlight != run.highlight ||
                look.charset != run.charset) {
                flush();
                run = TextRun{uint16_t(column), 0, look.colour, highlight, look.charset, 0, 0};
            }
            ++run.length;
            AppendHtmlCharacter(text, c);
        }
        flush();
    }
    out += "</pre></td></tr></table>\n<br><br>\n";
    return out;
}

}  // namespace orkan
