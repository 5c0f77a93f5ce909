#include "gui/desktop_probe.h"

#include <time.h>

#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QSaveFile>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "charset/display_unicode.h"
#include "ds3270/screen_dump.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr int kScreenshotDelayMs = 60;  // the window system has drawn the last repaint by then

// The clock the start-up benchmark compares with.
int64_t WallClockNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

std::unique_ptr<DesktopProbe> DesktopProbe::FromEnvironment(Session& session, QWidget& window, QWidget& terminal) {
    const bool paint = qEnvironmentVariableIsSet("ORKAN_FIRST_PAINT_NS");
    const QString shot = qEnvironmentVariable("ORKAN_SCREENSHOT");
    const QString text = qEnvironmentVariable("ORKAN_SCREEN_TEXT");
    if (!paint && shot.isEmpty() && text.isEmpty()) return nullptr;
    std::unique_ptr<DesktopProbe> probe(new DesktopProbe(session, window, terminal));
    probe->report_first_paint_ = paint;
    probe->screenshot_path_ = shot;
    probe->screen_text_path_ = text;
    return probe;
}

DesktopProbe::DesktopProbe(Session& session, QWidget& window, QWidget& terminal)
    : session_(session), window_(window), terminal_(terminal), inner_(session.view) {
    session_.view = this;
    terminal_.installEventFilter(this);
}

DesktopProbe::~DesktopProbe() {
    terminal_.removeEventFilter(this);
    if (session_.view == this) session_.view = inner_;
}

void DesktopProbe::ScreenChanged() {
    if (session_.status >= SessionStatus::Connected) screen_pending_ = true;
}

void DesktopProbe::RepaintAll() {
    inner_->RepaintAll();
    ScreenChanged();
}

void DesktopProbe::RepaintChangedRows() {
    inner_->RepaintChangedRows();
    ScreenChanged();
}

void DesktopProbe::KeyboardUnlocked() {
    inner_->KeyboardUnlocked();
    if (!screen_text_path_.isEmpty()) {
        QSaveFile file(screen_text_path_);
        const std::string text = DisplayToUtf8(DumpScreenText(session_));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), qint64(text.size())) != qint64(text.size()) ||
            !file.commit())
            std::fprintf(stderr, "orkan3270: cannot write %s\n", qPrintable(screen_text_path_));
    }
    if (!screenshot_path_.isEmpty())
        QTimer::singleShot(kScreenshotDelayMs, this, [this] { SaveScreenshot(screenshot_path_); });
}

bool DesktopProbe::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &terminal_ && event->type() == QEvent::Paint && report_first_paint_ && screen_pending_ &&
        !first_paint_reported_) {
        first_paint_reported_ = true;
        // After this paint event has been handled: the screen is then drawn.
        QTimer::singleShot(0, this, [] {
            std::fprintf(stderr, "ORKAN_FIRST_PAINT_NS=%lld\n", static_cast<long long>(WallClockNs()));
            std::fflush(stderr);
        });
    }
    return false;
}

void DesktopProbe::SaveScreenshot(const QString& path) {
    QPixmap shot;
    // What the window system shows, where it lets us read it; else what the window paints.
    if (QGuiApplication::platformName() == "xcb" && window_.screen() && window_.isVisible())
        shot = window_.screen()->grabWindow(window_.winId());
    if (shot.isNull()) shot = window_.grab();
    const QString partial = path + ".part.png";
    if (!shot.save(partial, "PNG") || !QFile::rename(partial, path)) {
        QFile::remove(path);
        if (!QFile::rename(partial, path)) std::fprintf(stderr, "orkan3270: cannot write %s\n", qPrintable(path));
    }
}

}  // namespace orkan
