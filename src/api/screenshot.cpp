#include "api/screenshot.h"

#include "api/screen_facts.h"
#include "charset/display_unicode.h"
#include "display/font_choice.h"
#include "display/palette.h"
#include "display/screen_model.h"
#include "display/status_line.h"
#include "session/session.h"

namespace orkan {

namespace {

char32_t FirstCodePoint(std::u32string_view text) {
    return text.empty() ? U' ' : text.front();
}

}  // namespace

ScreenImage BuildScreenImage(const Session& session) {
    const PresentationSpace& ps = session.ps;
    const Palette palette = BuildPalette(session.record);
    const RenderOptions options = MakeRenderOptions(session, false, false);
    const uint32_t positions = ScreenPositions(ps);
    ScreenImage image;
    image.columns = ps.columns;
    image.rows = (ps.columns ? positions / ps.columns : 0) + 1;
    image.family = TerminalFontFamily(session.record);
    image.fallback_family = std::string(kThinFamily);
    image.cells.resize(size_t(image.rows) * image.columns);

    FieldState field = FieldStateEntering(ps, 0);
    for (uint32_t a = 0; a < positions; ++a) {
        const CellLook look = ResolveCell(ps, a, field, options);
        // A non-display field shows nothing, not even its underline.
        const uint8_t highlight = field.non_display && !look.attribute ? 0 : look.highlight;
        TextRun run{0, 1, look.colour, highlight, look.charset, 0, 0};
        ResolveRunColours(run, options);
        ImageCell& cell = image.cells[a];
        cell.foreground = palette[run.foreground];
        cell.background = palette[run.background];
        cell.underscore = run.Underscore();
        if (look.attribute || field.non_display) continue;
        cell.character = look.charset == kGraphicEscapeSet
                             ? FirstCodePoint(GraphicEscapeToUnicode(look.character))
                             : FirstCodePoint(DisplayToUnicode(look.character));
    }

    const StatusText status = BuildStatusText(session);
    const Rgb status_fg = palette[RoleForegroundIndex(session.record, role::StatusLine)];
    const Rgb status_bg = palette[RoleBackgroundIndex(session.record, role::StatusLine)];
    image.rule_colour = status_fg;
    const size_t first = size_t(image.rows - 1) * image.columns;
    for (uint32_t c = 0; c < image.columns; ++c) {
        ImageCell& cell = image.cells[first + c];
        cell.foreground = status_fg;
        cell.background = status_bg;
        if (c >= kStatusCells) continue;
        const uint8_t byte = status.cells[c];
        cell.character = status.IsSymbol(c) ? char32_t(uint8_t(StatusSymbolLetter(byte)))
                                            : FirstCodePoint(DisplayToUnicode(byte ? byte : ' '));
    }
    return image;
}

ScreenshotResult DrawScreenshot(const Session& session, std::string& png, std::string& error) {
    const PngEngine* engine = LoadPngEngine(error);
    if (!engine) return ScreenshotResult::NoEngine;
    if (!engine->render_png(BuildScreenImage(session), png, error)) return ScreenshotResult::Failed;
    return ScreenshotResult::Ok;
}

}  // namespace orkan
