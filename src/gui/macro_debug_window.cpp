#include "gui/macro_debug_window.h"

#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/qt_text.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr int kDefaultLeft = 10, kDefaultTop = 10, kDefaultWidth = 712, kDefaultHeight = 300;
constexpr int kTrimStep = 1000;  // lines removed at once when the list is full
constexpr std::string_view kTrimmedNote = "(earlier lines were removed)";

}  // namespace

MacroDebugWindow::MacroDebugWindow(Session& session) : QWidget(nullptr, Qt::Window), session_(session) {
    setObjectName("OrkanDebugWindow");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    list_ = new QListWidget(this);
    list_->setUniformItemSizes(true);
    layout->addWidget(list_);
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
    if (list_->count() >= kMaxLines) {
        // A debug loop must not eat the memory; what goes is said.
        const int first = trimmed_ ? 1 : 0;
        for (int i = 0; i < kTrimStep; ++i) delete list_->takeItem(first);
        if (!trimmed_) list_->insertItem(0, DisplayToQString(kTrimmedNote));
        trimmed_ = true;
    }
    list_->addItem(DisplayToQString(display_text));
    list_->setCurrentRow(list_->count() - 1);
}

void MacroDebugWindow::Apply(DebugWindowAction action) {
    switch (action) {
        case DebugWindowAction::Open:
            ShowWindow();
            raise();
            break;
        case DebugWindowAction::Close:
            // Closing drops the window and its lines; the next line opens a new one.
            list_->clear();
            trimmed_ = false;
            hide();
            break;
        case DebugWindowAction::Clear:
            list_->clear();
            trimmed_ = false;
            break;
        case DebugWindowAction::Hide: hide(); break;
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
