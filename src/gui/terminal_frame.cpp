#include "gui/terminal_frame.h"

#include <QResizeEvent>
#include <QTimer>

#include "display/font_choice.h"
#include "session/session.h"

namespace orkan {

namespace {
QString ToQString(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
}  // namespace

TerminalFrame::TerminalFrame(Session& session, QWidget* parent)
    : QWidget(parent),
      session_(session),
      terminal_(new TerminalWidget(session, state_, this)),
      status_(new StatusLineWidget(session, this)) {
    laid_out_mode_ = session.ps.size_mode;
    Relayout({Input(), std::nullopt, SizingReason::Resized, std::nullopt, std::nullopt}, true);
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

std::optional<FrameSize> TerminalFrame::Room() const {
    if (!room) return std::nullopt;
    const QSize r = room();
    if (r.width() <= 0 || r.height() <= 0) return std::nullopt;
    return FrameSize{r.width(), r.height()};
}

void TerminalFrame::Relayout(SizingInput sizing, bool chosen) {
    sizing.frame = Input();
    sizing.room = Room();
    const FontLimits limits = FontLimitsFrom(session_.settings);
    const uint8_t mode = session_.ps.size_mode;
    const SizingResult result = SizeTerminal(session_.record, limits, sizing, mode);
    const CellSize cell = result.cell;
    RememberCell(session_.record, mode, cell);
    laid_out_mode_ = mode;
    if ((chosen && !result.limited) || !chosen_cell_.Valid()) chosen_cell_ = cell;

    const QString family = ToQString(TerminalFontFamily(session_.record));
    const QString ge_family = ToQString(GraphicEscapeFontFamily(session_.settings.GEFontName));
    if (!fonts_ || cell != cell_ || family != family_ || ge_family != ge_family_) {
        fonts_ = std::make_shared<const TerminalFonts>(family, ge_family, cell);
        cell_ = cell;
        family_ = family;
        ge_family_ = ge_family;
        updateGeometry();
    }
    // The frame can never be made too small for the smallest cell (the display permitting).
    const FrameSize least = NeededFrame(sizing.frame, {limits.min_width, limits.min_height}, session_.record);
    QSize minimum(least.width, least.height);
    if (sizing.room) minimum = minimum.boundedTo(QSize(sizing.room->width, sizing.room->height));
    setMinimumSize(minimum);

    const Placement place = PlaceScreen(session_.record, sizing.frame, cell);
    const int status_height = StatusLineHeight(cell.height);
    terminal_->setGeometry(0, 0, width(), std::max(0, height() - status_height));
    terminal_->SetFonts(fonts_, QPoint(place.left, place.top));
    status_->setGeometry(0, std::max(0, height() - status_height), width(), status_height);
    status_->SetFonts(fonts_);

    if (result.clipped && on_cannot_show) {
        const QString text =
            QString(
                "The screen of %1 rows and %2 columns does not fit on this display even at the "
                "smallest font (%3 x %4 pixels), so part of it cannot be shown. A larger "
                "display, or a smaller MinFontWidth or MinFontHeight in orkan.ini, shows it "
                "whole.")
                .arg(session_.ps.rows)
                .arg(session_.ps.columns)
                .arg(limits.min_width)
                .arg(limits.min_height);
        if (text != cannot_show_told_) {
            cannot_show_told_ = text;
            // Told once the host's write is over: a message box must not open in the middle of it.
            QTimer::singleShot(0, this, [this, text] {
                if (on_cannot_show) on_cannot_show(text);
            });
        }
    }
    if (result.wanted && on_size_wanted && !resizing_) {
        resizing_ = true;
        asked_size_ = QSize(result.wanted->width, result.wanted->height);
        on_size_wanted(*asked_size_);
        resizing_ = false;
    }
}

FontStepResult TerminalFrame::StepFont(FontStep step) {
    const std::optional<CellSize> next = orkan::StepFont(cell_, step, FontLimitsFrom(session_.settings));
    if (!next) return FontStepResult::AtLimit;
    const std::optional<FrameSize> r = Room();
    if (r && !r->Holds(NeededFrame(Input(), *next, session_.record))) return FontStepResult::NoRoom;
    RememberCell(session_.record, session_.ps.size_mode, *next);
    Relayout({Input(), std::nullopt, SizingReason::FontStep, *next, std::nullopt}, true);
    return FontStepResult::Done;
}

void TerminalFrame::ScreenSizeChanged() {
    // The size the old mode had is kept for it. A constant font carries the chosen cell to the new
    // mode and asks the window to fit the new screen (or to take back the size the user had in
    // that mode); otherwise the window stays and the new mode takes its own cell, or a fit.
    const uint8_t mode = session_.ps.size_mode;
    if (laid_out_mode_ < mode_size_.size()) mode_size_[laid_out_mode_] = size();
    if (laid_out_mode_ != 255)
        RememberCell(session_.record, laid_out_mode_, chosen_cell_.Valid() ? chosen_cell_ : cell_);
    const bool keep_font = session_.record.Flag(field::KeepFontConstantOnModeSwitch);
    if (!keep_font) {
        Relayout({Input(), std::nullopt, SizingReason::KeepWindow, std::nullopt, std::nullopt}, false);
        return;
    }
    const CellSize carried = chosen_cell_.Valid() ? chosen_cell_ : cell_;
    RememberCell(session_.record, mode, carried);
    std::optional<FrameSize> back;
    if (mode < mode_size_.size() && mode_size_[mode])
        back = FrameSize{mode_size_[mode]->width(), mode_size_[mode]->height()};
    Relayout({Input(), std::nullopt, SizingReason::KeepFont, carried, back}, false);
}

void TerminalFrame::FontSettingsChanged() {
    Relayout({Input(), std::nullopt, SizingReason::Settings, std::nullopt, std::nullopt}, true);
}

QSize TerminalFrame::sizeHint() const {
    const FrameSize f = NeededFrame(Input(), cell_.Valid() ? cell_ : CellSize{9, 16}, session_.record);
    return {f.width, f.height};
}

void TerminalFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The size this frame asked for is no choice of the user's; any other size is.
    const bool asked = asked_size_ && *asked_size_ == size();
    asked_size_.reset();
    Relayout({Input(), std::nullopt, SizingReason::Resized, std::nullopt, std::nullopt}, !asked);
}

}  // namespace orkan
