#include "gui/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "gui/button_editor_icons.h"
#include "gui/menu_bar.h"
#include "gui/qt_text.h"
#include "gui/qt_ui.h"
#include "gui/window_placement.h"
#include "keyboard/key_functions.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr int kSettleMs = 200;  // a move or resize is taken once the user has let go

bool OnWayland() {
    return QGuiApplication::platformName().startsWith("wayland");
}

}  // namespace

MainWindow::MainWindow(Session& session, QtUi& ui, MainWindowHost& host, QWidget* terminal)
    : session_(session), ui_(ui), host_(host) {
    setObjectName("OrkanMain");
    setWindowTitle("Orkan TN3270");
    setCentralWidget(terminal);
    setFocusProxy(terminal);
    ui_.SetParent(this);

    tool_bar_ = addToolBar("Tool Bar");
    tool_bar_->setObjectName("OrkanTool");
    tool_bar_->setMovable(false);
    tool_bar_->setFloatable(false);
    tool_bar_->setContextMenuPolicy(Qt::PreventContextMenu);
    tool_bar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);  // a button without an icon shows its text
    tool_bar_->installEventFilter(this);
    tool_bar_->hide();  // until a tool bar file gives it buttons
    // The button that shows the buttons a narrow window folds away has no text of its own.
    if (auto* more = tool_bar_->findChild<QToolButton*>("qt_toolbar_ext_button"))
        more->setAccessibleName("More Tool Bar Buttons");

    settle_timer_.setSingleShot(true);
    settle_timer_.setInterval(kSettleMs);
    QObject::connect(&settle_timer_, &QTimer::timeout, this, [this] { RememberPlacement(); });

    BuildMenuBar(1);
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenuBar(int mode) {
    if (mode == 4) {
        SetMenuBarShown(false);
        return;
    }
    const KeyBindings keys = host_.Bindings();
    MenuInputs in;
    in.keys = keys.key_count ? &keys : nullptr;
    in.available = [this](MenuNeeds n) { return host_.Available(n); };
    in.sessions = host_.Sessions();
    menu_sessions_ = in.sessions;
    in.show_window_title = session_.settings.ShowMenuWindowTitle != 0;
    in.trace_active = host_.TraceActive();
    trace_checked_ = in.trace_active;
    const auto on_command = [this](uint16_t id) { OnMenuCommand(id); };
    // A rebuild changes the bar in place: an item of it may have opened the dialog that is open now.
    if (auto* bar = qobject_cast<QMenuBar*>(menuWidget())) {
        UpdateQtMenuBar(*bar, BuildMenuModel(in), on_command);
        return;
    }
    QMenuBar* bar = BuildQtMenuBar(BuildMenuModel(in), on_command, this);
    bar->setObjectName("OrkanMenu");
    bar->setAccessibleName("Menu Bar");
    bar->installEventFilter(this);
    setMenuBar(bar);
    bar->setVisible(menu_bar_shown_);
}

void MainWindow::OnMenuCommand(uint16_t id) {
    if (id >= 1000 && id <= 1999) {
        if (const MenuEntry* e = FindMenuEntry(id)) host_.RunMenuKey(e->key_code, e->options_page);
        return;
    }
    if (id >= menu_id::SessionListFirst && id <= menu_id::SessionListLast) {
        const size_t position = size_t(id - menu_id::SessionListFirst);
        if (position < menu_sessions_.size()) host_.SessionChosen(menu_sessions_[position]);
        return;
    }
    switch (id) {
        case menu_id::ToggleToolBar:
            SetToolBarShown(!tool_bar_shown_);
            return;
        case menu_id::ToggleMenuBar:
            SetMenuBarShown(!menu_bar_shown_);
            return;
        default:
            break;
    }
    if (id >= 3000 && id <= 3999) host_.RunMenuCommand(id);
}

void MainWindow::SetToolBar(const PanelLayout& layout) {
    capture_buttons_.clear();
    // One row of tool buttons in the file's order (row, then column): the tool bar folds what does
    // not fit behind its extension button, so it never holds the window wider than the screen.
    std::vector<const PanelButton*> order;
    for (const PanelButton& b : layout.buttons) order.push_back(&b);
    std::stable_sort(order.begin(), order.end(), [](const PanelButton* a, const PanelButton* b) {
        return a->row != b->row ? a->row < b->row : a->column < b->column;
    });
    const bool tips = session_.record.Flag(field::ShowTooltips);
    // Actions are reused and the ones left over hidden: removing one deletes its button, and the
    // click that loaded the new file may still be on its way out of that button.
    const QList<QAction*> actions = tool_bar_->actions();
    tool_buttons_ = 0;
    for (const PanelButton* b : order) {
        QAction* action = nullptr;
        if (tool_buttons_ < actions.size()) {
            action = actions[tool_buttons_];
        } else {
            action = tool_bar_->addAction(QString());
            QObject::connect(action, &QAction::triggered, this, [this, action] {
                host_.RunButtonKey(KeyFileKind::Toolbar, uint16_t(action->data().toUInt()));
            });
            if (QWidget* button = tool_bar_->widgetForAction(action)) button->setFocusPolicy(Qt::NoFocus);
        }
        ++tool_buttons_;
        action->setText(ButtonLabelText(b->label));
        action->setIcon(b->icon.empty() ? QIcon() : ButtonIcon(b->icon));
        action->setData(uint(b->code));
        action->setEnabled(b->enabled);
        action->setToolTip(tips && !b->tip.empty() ? DisplayToQString(b->tip) : QString());
        const bool capture = IsFunction(b->code, KeyCategory::Oper, oper_fn::CaptureToggle);
        action->setCheckable(capture);
        action->setChecked(capture && session_.indicators.capture_active);
        if (capture) capture_buttons_.push_back(action);
        action->setVisible(true);
    }
    for (qsizetype i = tool_buttons_; i < actions.size(); ++i) actions[i]->setVisible(false);
    tool_bar_->setVisible(tool_buttons_ > 0 && tool_bar_shown_);
}

void MainWindow::SetKeyPad(const PanelLayout& layout) {
    if (!keypad_window_) {
        auto* pad =
            new ButtonPanel([this](uint16_t code) { host_.RunButtonKey(KeyFileKind::Keypad, code); }, this);
        pad->setWindowFlags(Qt::Tool);
        pad->setObjectName("OrkanKeyPad");
        pad->setWindowTitle("Key Pad");
        pad->setFocusPolicy(Qt::NoFocus);
        pad->setAttribute(Qt::WA_ShowWithoutActivating);
        keypad_window_ = pad;
    }
    keypad_window_->SetLayout(layout, session_.record.Flag(field::ShowTooltips));
    if (keypad_window_->ButtonCount() == 0)
        keypad_window_->hide();
    else
        keypad_window_->adjustSize();
}

void MainWindow::ShowCaptureState(bool on) {
    // A checkable button flips itself when clicked; the session's switch says what it really is.
    for (QAction* a : capture_buttons_) a->setChecked(on);
}

void MainWindow::ShowTraceState(bool on) {
    if (on != trace_checked_) BuildMenuBar(2);
}

void MainWindow::ToggleKeyPad() {
    if (!keypad_window_ || keypad_window_->ButtonCount() == 0) {
        ui_.ShowMessage({"Orkan TN3270", "There is no keypad file to show.", Buttons::Ok, Icon::Information});
        return;
    }
    keypad_window_->setVisible(!keypad_window_->isVisible());
}

QMenu* MainWindow::WindowMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* tool = menu->addAction(tool_bar_shown_ ? "Hide Tool Bar" : "Show Tool Bar");
    QAction* bar = menu->addAction(menu_bar_shown_ ? "Hide Menu Bar" : "Show Menu Bar");
    tool->setData(int(menu_id::ToggleToolBar));
    bar->setData(int(menu_id::ToggleMenuBar));
    QObject::connect(menu, &QMenu::triggered, this,
                     [this](QAction* a) { OnMenuCommand(uint16_t(a->data().toInt())); });
    return menu;
}

void MainWindow::ShowWindowMenuAt(const QPoint& global) {
    WindowMenu()->popup(global);
}

void MainWindow::SetToolBarShown(bool shown) {
    tool_bar_shown_ = shown;
    if (tool_buttons_ == 0) return;
    tool_bar_->setVisible(shown);
}

void MainWindow::SetMenuBarShown(bool shown) {
    menu_bar_shown_ = shown;
    if (QWidget* bar = menuWidget()) bar->setVisible(shown);
}

void MainWindow::OpenMenuBar() {
    QMenuBar* bar = qobject_cast<QMenuBar*>(menuWidget());
    if (!bar || !menu_bar_shown_ || bar->actions().isEmpty()) return;
    bar->setFocus(Qt::MenuBarFocusReason);
    bar->setActiveAction(bar->actions().first());
}

void MainWindow::PlaceFromRecord(int same_name_sessions) {
    std::vector<ScreenRect> areas;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect a = s->availableGeometry();
        areas.push_back({a.x(), a.y(), a.width(), a.height()});
    }
    const WindowPlacement stored = StoredPlacement(session_.record);
    const WindowPlacement p = PlaceOnScreens(stored, areas, same_name_sessions, session_.settings.CascadeX,
                                             session_.settings.CascadeY);
    if (p.frame.width > 0 && p.frame.height > 0) resize(p.frame.width, p.frame.height);
    // Wayland places windows itself; the stored position is kept for desktops that let us.
    if (!OnWayland()) move(p.frame.left, p.frame.top);
    if (p.maximised) setWindowState(windowState() | Qt::WindowMaximized);
    placed_ = true;
    // Beside a running session of the same name the window stands a cascade step off its own
    // place; that step is not the user's choice, so the session keeps its place until the user
    // moves the window.
    cascade_ = {};
    if (same_name_sessions > 0) {
        const WindowPlacement own = PlaceOnScreens(stored, areas, 0, 0, 0);
        cascade_ = Cascade{QPoint(own.frame.left, own.frame.top), std::nullopt};
    }
}

void MainWindow::RememberPlacement() {
    if (!placed_ || isMinimized()) return;
    const QRect normal = isMaximized() ? normalGeometry() : QRect(pos(), size());
    WindowPlacement now;
    now.frame = {normal.x(), normal.y(), normal.width(), normal.height()};
    now.maximised = isMaximized();
    if (cascade_ && !now.maximised) {
        // The first place taken is where the window system put the cascaded window.
        if (!cascade_->shown_at) cascade_->shown_at = normal.topLeft();
        if (*cascade_->shown_at == normal.topLeft()) {
            now.frame.left = cascade_->own_place.x();
            now.frame.top = cascade_->own_place.y();
        } else {
            cascade_.reset();
        }
    }
    StorePlacement(session_.record, now, !OnWayland());
}

void MainWindow::Arrange(Arrangement what, int64_t value) {
    switch (what) {
        case Arrangement::Cascade: {
            const QRect area = screen() ? screen()->availableGeometry() : QRect();
            const int step = int(std::clamp<int64_t>(value, 0, 36));
            showNormal();
            move(area.left() + step * session_.settings.CascadeX,
                 area.top() + step * session_.settings.CascadeY);
            raise();
            break;
        }
        case Arrangement::Minimise:
            showMinimized();
            break;
        case Arrangement::Restore:
            showNormal();
            break;
        case Arrangement::Maximise:
            showMaximized();
            break;
        case Arrangement::BringToFront:
            BringForward();
            break;
    }
}

void MainWindow::BringForward() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

QSize MainWindow::Chrome(const QWidget* terminal) const {
    // Once laid out, the difference is exact; before, the bars' own heights tell it.
    if (terminal->width() > 0 && terminal->height() > 0 && isVisible()) return size() - terminal->size();
    int height = 0;
    if (menuWidget() && menu_bar_shown_) height += menuWidget()->sizeHint().height();
    if (tool_bar_ && !tool_bar_->isHidden()) height += tool_bar_->sizeHint().height();
    return {0, height};
}

QSize MainWindow::TerminalRoom(const QWidget* terminal) const {
    if (isMaximized() || isFullScreen()) return terminal->size();
    const QScreen* s = screen();
    if (!s) return {};
    const QSize decoration = frameGeometry().size() - geometry().size();
    return s->availableGeometry().size() - decoration - Chrome(terminal);
}

void MainWindow::TerminalSizeWanted(QWidget* terminal, QSize size) {
    if (isMaximized() || isFullScreen()) return;
    const QSize room = TerminalRoom(terminal);
    if (room.isValid() && !room.isEmpty()) size = size.boundedTo(room);
    resize(Chrome(terminal) + size);
    // A window that grew past the edge of its screen comes back onto it.
    if (!screen() || OnWayland()) return;
    const QRect area = screen()->availableGeometry();
    const QRect outer = frameGeometry();
    QPoint to = outer.topLeft();
    to.setX(std::max(area.left(), std::min(to.x(), area.right() + 1 - outer.width())));
    to.setY(std::max(area.top(), std::min(to.y(), area.bottom() + 1 - outer.height())));
    if (to != outer.topLeft()) move(to);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu && (watched == menuWidget() || watched == tool_bar_)) {
        ShowWindowMenuAt(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    RememberPlacement();
    if (!host_.WindowClosing()) {
        event->ignore();
        return;
    }
    if (keypad_window_) keypad_window_->close();
    event->accept();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    settle_timer_.start();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    settle_timer_.start();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) settle_timer_.start();
}

}  // namespace orkan
