#include "gui/desktop_probe.h"

#include <time.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSaveFile>
#include <QScreen>
#include <QTabBar>
#include <QTextStream>
#include <QTimer>
#include <QToolBar>
#include <QWidget>
#include <cstdio>

#include "charset/display_unicode.h"
#include "display/palette.h"
#include "ds3270/screen_dump.h"
#include "gui/terminal_frame.h"
#include "gui/terminal_painter.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr int kScreenshotDelayMs = 60;   // the window system has drawn the last repaint by then
constexpr int kDialogShotDelayMs = 250;  // a dialog has been placed and drawn by then

// The clock the start-up benchmark compares with.
int64_t WallClockNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t SteadyNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

QString RectText(const char* name, const QRect& r) {
    return QString("%1 %2 %3 %4 %5\n").arg(name).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QRect Global(const QWidget& w, const QRect& r) {
    return QRect(w.mapToGlobal(r.topLeft()), r.size());
}

void WriteWhole(const QString& path, const QString& text) {
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        std::fprintf(stderr, "orkan3270: cannot write %s\n", qPrintable(path));
}

// A window title as a file name: letters and digits, everything else "_".
QString FileNameOf(QString title) {
    for (QChar& c : title)
        if (!c.isLetterOrNumber()) c = '_';
    return title.isEmpty() ? QString("untitled") : title;
}

// What kind of input a widget is, as the dialog report names it; null for anything else. The line
// edits inside spin boxes and combo boxes are theirs.
const char* ControlKind(const QWidget* w) {
    if (qobject_cast<const QCheckBox*>(w)) return "check";
    if (qobject_cast<const QRadioButton*>(w)) return "radio";
    if (qobject_cast<const QAbstractSpinBox*>(w)) return "spin";
    // A combo box one can type into is a text field with a list that Return does not close.
    if (const auto* combo = qobject_cast<const QComboBox*>(w)) return combo->isEditable() ? "text" : "combo";
    if (qobject_cast<const QAbstractItemView*>(w)) return "list";
    if (qobject_cast<const QPlainTextEdit*>(w)) return "text";
    if (qobject_cast<const QLineEdit*>(w) && !qobject_cast<const QAbstractSpinBox*>(w->parentWidget()) &&
        !qobject_cast<const QComboBox*>(w->parentWidget()))
        return "text";
    return nullptr;
}

// The text of the label that names `w` (a form row's label, or a check box's own text), blanks as "_".
QString ControlName(const QWidget& dialog, const QWidget* w) {
    QString name;
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) name = b->text();
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (name.isEmpty() && label->buddy() == w) name = label->text();
    name.remove('&').remove(':');
    name = name.trimmed().replace(' ', '_');
    return name.isEmpty() ? QString("-") : name;
}

}  // namespace

std::unique_ptr<DesktopProbe> DesktopProbe::FromEnvironment(Session& session, QWidget& window,
                                                            TerminalFrame& frame) {
    const bool paint = qEnvironmentVariableIsSet("ORKAN_FIRST_PAINT_NS");
    const QString shot = qEnvironmentVariable("ORKAN_SCREENSHOT");
    const QString text = qEnvironmentVariable("ORKAN_SCREEN_TEXT");
    const QString layout = qEnvironmentVariable("ORKAN_LAYOUT_REPORT");
    const QString dialogs = qEnvironmentVariable("ORKAN_DIALOG_SHOTS");
    const QString paint_times = qEnvironmentVariable("ORKAN_PAINT_TIMES");
    if (!paint && shot.isEmpty() && text.isEmpty() && layout.isEmpty() && dialogs.isEmpty() &&
        paint_times.isEmpty())
        return nullptr;
    std::unique_ptr<DesktopProbe> probe(new DesktopProbe(session, window, frame));
    probe->report_first_paint_ = paint;
    probe->screenshot_path_ = shot;
    probe->screen_text_path_ = text;
    probe->layout_path_ = layout;
    probe->dialog_folder_ = dialogs;
    if (!dialogs.isEmpty()) QDir().mkpath(dialogs);
    // Dialogs for their pictures, the keypad window for the report of its buttons.
    if (!dialogs.isEmpty() || !layout.isEmpty()) qApp->installEventFilter(probe.get());
    if (!paint_times.isEmpty()) {
        probe->paint_times_ = std::fopen(qPrintable(paint_times), "w");
        if (!probe->paint_times_)
            std::fprintf(stderr, "orkan3270: cannot write %s\n", qPrintable(paint_times));
    }
    return probe;
}

DesktopProbe::DesktopProbe(Session& session, QWidget& window, TerminalFrame& frame)
    : session_(session), window_(window), frame_(frame), terminal_(frame.Terminal()), inner_(session.view) {
    session_.view = this;
    terminal_.installEventFilter(this);
}

// The window may be gone by now; a filter object that goes is taken off the watched objects' lists
// by Qt itself.
DesktopProbe::~DesktopProbe() {
    if (session_.view == this) session_.view = inner_;
    if (paint_times_) std::fclose(paint_times_);
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
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.commit())
            std::fprintf(stderr, "orkan3270: cannot write %s\n", qPrintable(screen_text_path_));
    }
    if (!screenshot_path_.isEmpty() || !layout_path_.isEmpty())
        QTimer::singleShot(kScreenshotDelayMs, this, [this] {
            // The report first: a test that sees the new picture finds the report that goes with it.
            if (!layout_path_.isEmpty()) SaveLayoutReport(layout_path_);
            if (!screenshot_path_.isEmpty()) SaveScreenshot(screenshot_path_);
        });
}

void DesktopProbe::SaveLayoutReport(const QString& path) {
    const TerminalWidget& t = frame_.Terminal();
    const StatusLineWidget& status = frame_.StatusBar();
    const StatusGeometry g = status.Geometry();
    const size_t cells = session_.ps.columns ? session_.ps.columns - 1 : 0;
    const QRect text_cells(g.text_left, g.text_top, int(cells) * g.cell.width, g.cell.height);
    const Palette palette = BuildPalette(session_.record);
    QString out;
    out += RectText("client", window_.geometry());
    out += RectText("frame", window_.frameGeometry());
    if (window_.screen()) out += RectText("work", window_.screen()->availableGeometry());
    out += RectText("screen", Global(t, t.ScreenRect()));
    out += RectText("status", Global(status, status.rect()));
    out += RectText("status_frame", Global(status, g.frame));
    out += RectText("status_text", Global(status, text_cells));
    if (const QMenuBar* bar = window_.findChild<QMenuBar*>(); bar && bar->isVisible())
        for (QAction* a : bar->actions())
            out +=
                RectText(qPrintable("menu " + a->text().remove('&')), Global(*bar, bar->actionGeometry(a)));
    if (const QToolBar* tools = window_.findChild<QToolBar*>(); tools && tools->isVisible())
        out += RectText("toolbar", Global(*tools, tools->rect()));
    out += QString("cell %1 %2\n").arg(frame_.Cell().width).arg(frame_.Cell().height);
    out += QString("status_cell %1 %2\n").arg(g.cell.width).arg(g.cell.height);
    out += QString("size %1 %2\n").arg(session_.ps.rows).arg(session_.ps.columns);
    // The buttons of the tool bar and of a shown keypad, by label, for tests that click them.
    auto buttons = [&out](const QWidget* panel, const char* kind) {
        if (!panel || !panel->isVisible()) return;
        for (const QAbstractButton* b : panel->findChildren<QAbstractButton*>()) {
            if (!b->isVisible() || b->text().isEmpty()) continue;
            QString name = b->text();
            name.remove('&').replace(' ', '_');
            out += RectText(qPrintable(QString(kind) + " " + name), Global(*b, b->rect()));
        }
    };
    buttons(window_.findChild<QWidget*>("OrkanTool"), "toolbutton");
    buttons(window_.findChild<QWidget*>("OrkanKeyPad"), "padbutton");
    out += QString("status_colours %1 %2\n")
               .arg(ToQColor(palette[RoleForegroundIndex(session_.record, role::StatusLine)]).name().mid(1))
               .arg(ToQColor(palette[RoleBackgroundIndex(session_.record, role::StatusLine)]).name().mid(1));
    WriteWhole(path, out);
}

void DesktopProbe::SaveDialog(QWidget* dialog) {
    const QString base = dialog_folder_ + "/" + FileNameOf(dialog->windowTitle());
    QString out = RectText("dialog", dialog->frameGeometry());
    if (dialog->screen()) out += RectText("work", dialog->screen()->availableGeometry());
    for (const QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>())
        for (QAbstractButton* b : box->buttons()) {
            if (!b->isVisible()) continue;
            QString name = b->text();
            name.remove('&').replace(' ', '_');
            out += RectText(qPrintable("button " + name), Global(*b, b->rect()));
        }
    // Every input a user can reach now, and the tabs of tabbed pages.
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled()) continue;
        if (const char* kind = ControlKind(w)) {
            out += RectText(qPrintable(QString("control %1 %2").arg(kind, ControlName(*dialog, w))),
                            Global(*w, w->rect()));
        } else if (const auto* tabs = qobject_cast<const QTabBar*>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                out += RectText(qPrintable(QString("tab %1").arg(i + 1)), Global(*w, tabs->tabRect(i)));
        }
    }
    out += QString("serial %1\n").arg(++dialog_serial_);
    // The picture first: a test that sees the text finds the picture whole.
    if (!dialog->grab().save(base + ".png", "PNG"))
        std::fprintf(stderr, "orkan3270: cannot write %s.png\n", qPrintable(base));
    WriteWhole(base + ".txt", out);
}

bool DesktopProbe::TimedPaint(QEvent* event) {
    if (!paint_times_) return false;
    const QRect area = static_cast<QPaintEvent*>(event)->region().boundingRect();
    const int64_t start = SteadyNs();
    // The filter sits in front of the widget: the widget paints here, and the event goes no further.
    static_cast<QObject&>(terminal_).event(event);
    const int64_t end = SteadyNs();
    const CellSize cell = frame_.Cell();
    const int64_t cells = cell.width > 0 && cell.height > 0
                              ? int64_t(area.width() / cell.width) * (area.height() / cell.height)
                              : 0;
    std::fprintf(paint_times_, "paint %lld %lld\n", static_cast<long long>((end - start) / 1000),
                 static_cast<long long>(cells));
    for (const int64_t key : keys_waiting_)
        std::fprintf(paint_times_, "key %lld\n", static_cast<long long>((end - key) / 1000));
    keys_waiting_.clear();
    std::fflush(paint_times_);
    return true;
}

bool DesktopProbe::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &terminal_ && paint_times_) {
        if (event->type() == QEvent::KeyPress) keys_waiting_.push_back(SteadyNs());
        if (event->type() == QEvent::Paint && !report_first_paint_) return TimedPaint(event);
    }
    if (!layout_path_.isEmpty() && event->type() == QEvent::Show && watched->objectName() == "OrkanKeyPad")
        QTimer::singleShot(kDialogShotDelayMs, this, [this] { SaveLayoutReport(layout_path_); });
    if (!dialog_folder_.isEmpty() && event->type() == QEvent::Show && qobject_cast<QMenu*>(watched)) {
        QFile log(dialog_folder_ + "/menus.txt");
        if (log.open(QIODevice::Append))
            log.write(("menu " + static_cast<QMenu*>(watched)->title().remove('&') + "\n").toUtf8());
    }
    if (!dialog_folder_.isEmpty() && event->type() == QEvent::Show && watched->isWidgetType()) {
        // A dialog or window of its own shown, or a part of one (another page): its picture and
        // report once it is drawn. Menus, lists that drop down and tips are parts of their window.
        QWidget* dialog = static_cast<QWidget*>(watched)->window();
        const Qt::WindowType type = dialog->windowType();
        if (dialog != &window_ && type != Qt::Popup && type != Qt::ToolTip &&
            !dialog->property("orkanShotPending").toBool()) {
            dialog->setProperty("orkanShotPending", true);
            QPointer<QWidget> shown(dialog);
            QTimer::singleShot(kDialogShotDelayMs, this, [this, shown] {
                if (!shown) return;
                shown->setProperty("orkanShotPending", false);
                if (shown->isVisible()) SaveDialog(shown);
            });
        }
    }
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
        if (!QFile::rename(partial, path))
            std::fprintf(stderr, "orkan3270: cannot write %s\n", qPrintable(path));
    }
}

}  // namespace orkan
