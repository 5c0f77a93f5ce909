#include "gui/qt_view.h"

#include <QApplication>

#include "display/cursor.h"
#include "display/row_bands.h"
#include "keyboard/keyboard_state.h"
#include "session/session.h"

namespace orkan {

QtView::QtView(Session& session, TerminalFrame& frame) : session_(session), frame_(frame) {}

void QtView::RepaintAll() {
    TakeWholeScreen(session_.ps);
    frame_.Terminal().RepaintAll();
}

void QtView::ScreenSizeChanged() {
    frame_.ScreenSizeChanged();
    RepaintAll();
    RefreshStatusLine();
}

void QtView::RepaintChangedRows() {
    // Screens a host writes for the printer while they are collected stay off the window; the map
    // keeps them for the first repaint after.
    if (session_.ds.wcc_print_file) return;
    frame_.Terminal().RepaintRowBands(TakeChangedRowBands(session_.ps));
}

void QtView::CursorMoved() {
    frame_.Terminal().CursorMoved();
    RefreshStatusLine();
}

void QtView::RefreshStatusLine() {
    const bool indicator_shown = frame_.State().blink.MacroIndicatorShown();
    macro_letter_shown_ = session_.indicators.macro_letter && indicator_shown;
    frame_.StatusBar().ShowText(BuildStatusText(session_, indicator_shown),
                                session_.settings.StatusBarFullPaint != 0);
    // Whoever changed the selection also refreshes the status line for its size text.
    frame_.Terminal().SelectionChanged();
    if (on_status_refreshed) on_status_refreshed();
}

BlinkTick QtView::OnBlinkTimer() {
    DisplayState& state = frame_.State();
    const CursorStyle style = CursorStyleFor(session_.record, session_.keyboard->insert_mode);
    const BlinkTick tick = state.blink.Advance(style.blink, session_.selection.shown);
    frame_.Terminal().Blink(tick);
    if (session_.indicators.macro_letter && state.blink.MacroIndicatorShown() != macro_letter_shown_)
        RefreshStatusLine();
    return tick;
}

void QtView::PlaySound(Sound) {
    QApplication::beep();
}

void QtView::ToggleAttributeMarkers() {
    frame_.State().show_attribute_markers = !frame_.State().show_attribute_markers;
    RepaintAll();
}

}  // namespace orkan
