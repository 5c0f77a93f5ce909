// Dialogs that fit the screen they open on: a dialog whose content is taller or wider than the
// screen's work area takes the largest size that fits, and its long pages scroll, so its buttons
// are always on the screen (a 1366x768 laptop display included).
#pragma once

#include <QRect>
#include <QSize>

class QDialog;
class QScrollArea;
class QWidget;

namespace orkan {

// Room the window system's frame (title bar, edges) takes around a dialog, kept free of the work area.
inline constexpr QSize kDialogFrameAllowance{16, 48};

// `wanted`, made no larger than the work area less the frame allowance.
QSize FittingDialogSize(QSize wanted, const QRect& work_area);

// `page` inside a scroll area that has no frame of its own and scrolls only what does not fit.
QScrollArea* ScrollingPage(QWidget* page);

// Resizes `dialog` to its content's natural size (pages in scroll areas at their full size) or
// the largest that fits the work area of the screen it opens on, and keeps it on that screen.
void FitDialogToScreen(QDialog& dialog);

}  // namespace orkan
