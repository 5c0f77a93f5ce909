#include "gui/dialog_fit.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

namespace orkan {

QSize FittingDialogSize(QSize wanted, const QRect& work_area) {
    if (work_area.isEmpty()) return wanted;
    const QSize room = (work_area.size() - kDialogFrameAllowance).expandedTo(QSize(1, 1));
    return wanted.boundedTo(room);
}

QScrollArea* ScrollingPage(QWidget* page) {
    auto* area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setWidget(page);
    // Tab goes straight to the page's controls; the area follows the focus to show them.
    area->setFocusPolicy(Qt::NoFocus);
    return area;
}

void FitDialogToScreen(QDialog& dialog) {
    // A scroll area offers only a part of its page; the dialog's own wish is the whole page.
    QSize extra;
    for (const QScrollArea* area : dialog.findChildren<QScrollArea*>()) {
        if (!area->widget()) continue;
        const QSize page =
            area->widget()->sizeHint() + QSize(area->verticalScrollBar()->sizeHint().width(), 0);
        extra = extra.expandedTo(page - area->sizeHint());
    }
    const QSize wanted = dialog.sizeHint() + extra.expandedTo(QSize(0, 0));
    const QWidget* anchor = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    const QScreen* screen = anchor && anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect();
    const QSize size = FittingDialogSize(wanted.expandedTo(dialog.minimumSizeHint()), work);
    dialog.setMaximumSize(FittingDialogSize(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), work));
    dialog.resize(size);
}

}  // namespace orkan
