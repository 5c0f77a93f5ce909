#include "gui/terminal_frame.h"

#include <QResizeEvent>

#include "session/session.h"
#include "display/font_choice.h"

namespace orkan {

namespace {
QString ToQString(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
}  // namespace

TerminalFrame::TerminalFrame(Session& session, QWidget* parent)
    : QWidget(parent),
      session_(session),
      terminal_(new TerminalWidget(session, state_, this)),
      status_(new StatusLineWidget(session, this)) {
    laid_out_mode_ = session.ps.size_mode;
    Relayout(false);
}

LayoutInput TerminalFrame::Input() const {
    LayoutInput in;
    in.client_width = width();
    in.client_height = height();
    in.border = int(session_.record.Number(field::BorderSize));
    in.rows = session_.ps.rows;
    in.columns = session_.ps.columns;
    return in;
}

void TerminalFrame::Relayout(bool window_resized) {
    const LayoutInput in = Input();
    const FontLimits limits = FontLimitsFrom(session_.settings);
    const uint8_t mode = session_.ps.size_mode;
    const CellSize cell = ChooseCellSize(session_.record, limits, in, mode, window_resized);
    RememberCell(session_.record, mode, cell);
    laid_out_mode_ = mode;

    const QString family = ToQString(TerminalFontFamily(session_.record));
    const QString ge_family = ToQString(GraphicEscapeFontFamily(session_.settings.GEFontName));
    if (!fonts_ || cell != cell_ || family != family_ || ge_family != ge_family_) {
        fonts_ = std::make_shared<const TerminalFonts>(family, ge_family, cell);
        cell_ = cell;
        family_ = family;
        ge_family_ = ge_family;
        updateGeometry();
    }

    const Placement place = PlaceScreen(session_.record, in, cell);
    const int status_height = StatusLineHeight(cell.height);
    terminal_->setGeometry(0, 0, width(), std::max(0, height() - status_height));
    terminal_->SetFonts(fonts_, QPoint(place.left, place.top));
    status_->setGeometry(0, std::max(0, height() - status_height), width(), status_height);
    status_->SetFonts(fonts_);

    if (place.window_width > 0 && QSize(place.window_width, place.window_height) != size() && on_size_wanted)
        on_size_wanted(QSize(place.window_width, place.window_height));
}

bool TerminalFrame::StepFont(FontStep step) {
    const std::optional<CellSize> next = orkan::StepFont(cell_, step, FontLimitsFrom(session_.settings));
    if (!next) return false;
    RememberCell(session_.record, session_.ps.size_mode, *next);
    Relayout(false);
    return true;
}

void TerminalFrame::ScreenSizeChanged() {
    // The size the old mode had is kept for it. A constant font carries it to the new mode and
    // asks the window to fit the new screen; otherwise the window stays and the new mode takes
    // the size it had before, or a fit.
    RememberCell(session_.record, laid_out_mode_, cell_);
    const bool keep_font = session_.record.Flag(field::KeepFontConstantOnModeSwitch);
    if (keep_font) RememberCell(session_.record, session_.ps.size_mode, cell_);
    Relayout(false);
    if (keep_font && !session_.record.Flag(field::SizeWindowToFont) && on_size_wanted) {
        const Placement p = SizedWindowPlacement(Input(), cell_);
        if (QSize(p.window_width, p.window_height) != size()) on_size_wanted(QSize(p.window_width, p.window_height));
    }
}

void TerminalFrame::FontSettingsChanged() { Relayout(true); }

QSize TerminalFrame::sizeHint() const {
    const LayoutInput in = Input();
    const Placement p = SizedWindowPlacement(in, cell_.Valid() ? cell_ : CellSize{9, 16});
    return {p.window_width, p.window_height};
}

void TerminalFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout(true);
}

}  // namespace orkan
