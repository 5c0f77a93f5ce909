#include "gui/macro_debug_window.h"

#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/qt_text.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr int kDefaultLeft = 10, kDefaultTop = 10, kDefaultWidth = 712, kDefaultHeight = 300;
constexpr int kFlushMs = 50;
constexpr std::string_view kTrimmedNote = "(earlier lines were removed)";

}  // namespace

MacroDebugWindow::MacroDebugWindow(Session& session, int max_lines)
    : QWidget(nullptr, Qt::Window), session_(session), max_lines_(std::max(2, max_lines)) {
    setObjectName("OrkanDebugWindow");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    list_ = new QListWidget(this);
    list_->setUniformItemSizes(true);
    list_->setAccessibleName("Debug lines");
    layout->addWidget(list_);
    flush_timer_.setSingleShot(true);
    flush_timer_.setInterval(kFlushMs);
    connect(&flush_timer_, &QTimer::timeout, this, [this] { Flush(); });
}

void MacroDebugWindow::ShowWindow() {
    if (!placed_) {
        placed_ = true;
        setWindowTitle(QString("%1 - Debug Window").arg(QChar(session_.letter)));
        const SessionRecord& r = session_.record;
        int width = r.Signed(field::DebugWindowWidth), height = r.Signed(field::DebugWindowHeight);
        if (width <= 0 || height <= 0) {
            width = kDefaultWidth;
            height = kDefaultHeight;
        }
        int left = r.Signed(field::DebugWindowLeft), top = r.Signed(field::DebugWindowTop);
        if (left < 0 || top < 0) {
            left = kDefaultLeft;
            top = kDefaultTop;
        }
        resize(width, height);
        move(left, top);
    }
    if (!isVisible()) show();
}

void MacroDebugWindow::AddLine(std::string_view display_text) {
    ShowWindow();
    pending_.append(DisplayToQString(display_text));
    // A debug loop must not eat the memory, not even between two flushes.
    if (pending_.size() > max_lines_) {
        pending_.removeFirst();
        trimmed_ = true;
    }
    if (!flush_timer_.isActive()) flush_timer_.start();
}

void MacroDebugWindow::Flush() {
    flush_timer_.stop();
    if (pending_.isEmpty()) return;
    list_->setUpdatesEnabled(false);
    list_->addItems(pending_);
    pending_.clear();
    // Older lines go when there are too many, and the first line says that some went.
    const int note = note_shown_ ? 1 : 0;
    const int excess = list_->count() - note - (max_lines_ - 1);
    if (excess > 0) {
        list_->model()->removeRows(note, excess);
        trimmed_ = true;
    }
    if (trimmed_ && !note_shown_) {
        list_->insertItem(0, DisplayToQString(kTrimmedNote));
        note_shown_ = true;
    }
    list_->setCurrentRow(list_->count() - 1);
    list_->setUpdatesEnabled(true);
}

void MacroDebugWindow::Empty() {
    flush_timer_.stop();
    pending_.clear();
    list_->clear();
    trimmed_ = false;
    note_shown_ = false;
}

void MacroDebugWindow::Apply(DebugWindowAction action) {
    switch (action) {
        case DebugWindowAction::Open:
            ShowWindow();
            raise();
            break;
        case DebugWindowAction::Close:
            // Closing drops the window and its lines; the next line opens a new one.
            Empty();
            hide();
            break;
        case DebugWindowAction::Clear:
            Empty();
            break;
        case DebugWindowAction::Hide:
            hide();
            break;
    }
}

void MacroDebugWindow::RememberPlace() {
    if (!placed_ || !isVisible()) return;
    SessionRecord& r = session_.record;
    const QRect g = geometry();
    r.SetNumber(field::DebugWindowLeft, uint32_t(std::clamp(g.left(), -32768, 32767)));
    r.SetNumber(field::DebugWindowTop, uint32_t(std::clamp(g.top(), -32768, 32767)));
    r.SetNumber(field::DebugWindowWidth, uint32_t(std::clamp(g.width(), 0, 32767)));
    r.SetNumber(field::DebugWindowHeight, uint32_t(std::clamp(g.height(), 0, 32767)));
}

void MacroDebugWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    RememberPlace();
}

void MacroDebugWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RememberPlace();
}

}  // namespace orkan
