#include "gui/macro_timing_trace.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cstdio>

#include "session/session.h"

namespace orkan {

namespace {

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool MacroTimingTrace::Wanted() {
    return qEnvironmentVariableIsSet("ORKAN_MACRO_TRACE");
}

MacroTimingTrace::MacroTimingTrace(const Session& session, QWidget& status_line)
    : session_(session), status_line_(status_line) {
    qApp->installEventFilter(this);
}

MacroTimingTrace::~MacroTimingTrace() {
    if (qApp) qApp->removeEventFilter(this);
}

bool MacroTimingTrace::eventFilter(QObject* watched, QEvent* event) {
    const char letter = session_.indicators.macro_letter;
    if (letter != letter_) {
        if (letter == 0) {
            std::fprintf(stderr, "orkan3270: trace %lld macro letter gone\n", NowNs());
            std::fflush(stderr);
        }
        letter_ = letter;
    }
    // A key event reaches its window once, then the widgets; the window's delivery is the arrival.
    if (event->type() == QEvent::KeyPress && qobject_cast<QWindow*>(watched) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Pause) {
        std::fprintf(stderr, "orkan3270: trace %lld key Pause\n", NowNs());
        std::fflush(stderr);
    } else if (event->type() == QEvent::Paint && watched == &status_line_) {
        std::fprintf(stderr, "orkan3270: trace %lld status letter %c\n", NowNs(), letter ? letter : '-');
        std::fflush(stderr);
    }
    return false;
}

}  // namespace orkan
