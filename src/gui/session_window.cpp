#include "gui/session_window.h"

#include <time.h>

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSaveFile>
#include <QScreen>
#include <QToolBar>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>

#include "session/session.h"
#include "charset/display_unicode.h"
#include "charset/session_charset.h"
#include "clipboard/clipboard.h"
#include "ds3270/screen_dump.h"
#include "gui/info_windows.h"
#include "gui/menu_bar.h"
#include "gui/options_dialog.h"
#include "gui/qt_text.h"
#include "gui/qt_ui.h"

namespace orkan {

namespace {

constexpr int kSettleMs = 200;  // a move or resize is taken once the user has let go
constexpr int kScreenshotDelayMs = 60;

constexpr uint16_t EditCode(uint8_t n) { return MakeKeyCode(KeyCategory::Edit, n, kKeyWorksWhileLocked); }
constexpr uint8_t kCopy = 3, kCut = 4, kPasteOverlay = 20, kPasteInsert = 56;

bool OnWayland() { return QGuiApplication::platformName().startsWith("wayland"); }

MouseModifiers ModifiersOf(Qt::KeyboardModifiers m) {
    return {bool(m & Qt::ShiftModifier), bool(m & Qt::ControlModifier), bool(m & Qt::AltModifier)};
}

bool SameFontSettings(const SessionRecord& a, const SessionRecord& b) {
    for (const FieldDef* f : {&field::FontName, &field::TrueTypeFontName})
        if (a.Text(*f) != b.Text(*f)) return false;
    for (const FieldDef* f : {&field::TrueType, &field::CellWidth, &field::CellHeight, &field::BorderSize,
                              &field::SizeWindowToFont})
        if (a.Number(*f) != b.Number(*f)) return false;
    return true;
}

}  // namespace

int64_t WallClockNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// ---- DesktopView

void DesktopView::RepaintAll() {
    view_.RepaintAll();
    window_.OnScreenChanged();
}
void DesktopView::ScreenSizeChanged() { view_.ScreenSizeChanged(); }
void DesktopView::RepaintChangedRows() {
    view_.RepaintChangedRows();
    window_.OnScreenChanged();
}
void DesktopView::CursorMoved() { view_.CursorMoved(); }
void DesktopView::RefreshStatusLine() { view_.RefreshStatusLine(); }
void DesktopView::PlaySound(Sound) { QApplication::beep(); }
void DesktopView::ShowWindowOnUpdate() { window_.OnShowWindowOnUpdate(); }
void DesktopView::KeyboardUnlocked() { window_.OnKeyboardUnlocked(); }

// ---- SessionWindow

SessionWindow::SessionWindow(Session& session, QtUi& ui)
    : session_(session), ui_(ui), frame_(new TerminalFrame(session)), previous_view_(session.view) {
    setObjectName("OrkanMain");
    setWindowTitle("Orkan TN3270");
    setCentralWidget(frame_);
    view_ = std::make_unique<QtView>(session, *frame_);
    desktop_view_ = std::make_unique<DesktopView>(*view_, *this);
    session.view = desktop_view_.get();
    ui_.SetParent(this);
    frame_->on_size_wanted = [this](QSize s) { SizeWanted(s); };

    TerminalWidget& t = frame_->Terminal();
    t.setFocusPolicy(Qt::StrongFocus);
    // Dead keys reach the keyboard map only as plain key events; an input method would swallow them.
    t.setAttribute(Qt::WA_InputMethodEnabled, false);
    t.installEventFilter(this);
    frame_->setFocusProxy(&t);
    setFocusProxy(&t);
    frame_->StatusBar().installEventFilter(this);

    tool_bar_ = addToolBar("Tool Bar");
    tool_bar_->setObjectName("OrkanTool");
    tool_bar_->setMovable(false);
    tool_bar_->setFloatable(false);
    tool_bar_->setContextMenuPolicy(Qt::PreventContextMenu);
    tool_bar_->installEventFilter(this);
    tool_bar_->hide();  // until a tool bar file gives it buttons

    settle_timer_.setSingleShot(true);
    settle_timer_.setInterval(kSettleMs);
    QObject::connect(&settle_timer_, &QTimer::timeout, this, [this] { AfterMoveOrResize(); });

    BuildMenuBar(1);
}

SessionWindow::~SessionWindow() {
    if (session_.view == desktop_view_.get()) session_.view = previous_view_;
    if (keypad_window_) delete keypad_window_.data();
}

bool SessionWindow::Available(MenuNeeds needs) const {
    const SessionHooks& h = session_.hooks;
    switch (needs) {
        case MenuNeeds::Nothing: return true;
        case MenuNeeds::Clipboard: return ClipboardAvailable();
        case MenuNeeds::Find: return h.find != nullptr;
        case MenuNeeds::Macros: return h.macros != nullptr;
        case MenuNeeds::Transfer: return h.transfer != nullptr;
        case MenuNeeds::Printing: return h.print != nullptr;
        case MenuNeeds::ScreenSave: return h.capture != nullptr;
        // Not built in this version: there is nothing yet that could do them.
        case MenuNeeds::Trace:
        case MenuNeeds::DebugScreens:
        case MenuNeeds::Listing:
        case MenuNeeds::Help:
        case MenuNeeds::KeyEditors: return false;
    }
    return false;
}

void SessionWindow::BuildMenuBar(int mode) {
    if (mode == 4) {
        SetMenuBarShown(false);
        return;
    }
    const KeyBindings keys = Bindings();
    MenuInputs in;
    in.keys = keys.key_count ? &keys : nullptr;
    in.available = [this](MenuNeeds n) { return Available(n); };
    in.sessions = Sessions();
    in.show_window_title = session_.settings.ShowMenuWindowTitle != 0;
    in.trace_active = session_.trace != nullptr;
    QMenuBar* bar = BuildQtMenuBar(BuildMenuModel(in), [this](uint16_t id) { OnMenuCommand(id); });
    bar->setObjectName("OrkanMenu");
    bar->installEventFilter(this);
    setMenuBar(bar);  // the old bar goes later: a command may be running from it now
    bar->setVisible(menu_bar_shown_);
}

int SessionWindow::TakeOptionsPage() {
    const int page = options_page_;
    options_page_ = 0;
    return page;
}

void SessionWindow::OnMenuCommand(uint16_t id) {
    if (id >= 1000 && id <= 1999) {
        const MenuEntry* e = FindMenuEntry(id);
        if (!e) return;
        if (e->options_page >= 1 && e->options_page <= 9) options_page_ = e->options_page;
        RunKey(e->key_code);
        options_page_ = 0;
        return;
    }
    if (id >= menu_id::SessionListFirst && id <= menu_id::SessionListLast) {
        SessionChosen(size_t(id - menu_id::SessionListFirst));
        return;
    }
    switch (id) {
        case menu_id::ToggleToolBar: SetToolBarShown(!tool_bar_shown_); return;
        case menu_id::ToggleMenuBar: SetMenuBarShown(!menu_bar_shown_); return;
        default: break;
    }
    if (id >= 3000 && id <= 3999) RunMenuCommand(id);
}

void SessionWindow::RunMenuCommand(uint16_t id) {
    if (id == menu_id::About) ShowAboutBox(this);
}

void SessionWindow::SetToolBar(const PanelLayout& layout) {
    tool_bar_->clear();
    // One row of tool buttons in the file's order (row, then column): the tool bar folds what does
    // not fit behind its extension button, so it never holds the window wider than the screen.
    std::vector<const PanelButton*> order;
    for (const PanelButton& b : layout.buttons) order.push_back(&b);
    std::stable_sort(order.begin(), order.end(), [](const PanelButton* a, const PanelButton* b) {
        return a->row != b->row ? a->row < b->row : a->column < b->column;
    });
    const bool tips = session_.record.Flag(field::ShowTooltips);
    for (const PanelButton* b : order) {
        QAction* action = tool_bar_->addAction(DisplayToQString(b->label));
        if (tips && !b->tip.empty()) action->setToolTip(DisplayToQString(b->tip));
        const uint16_t code = b->code;
        QObject::connect(action, &QAction::triggered, this, [this, code] { RunKey(code); });
        if (QWidget* button = tool_bar_->widgetForAction(action)) button->setFocusPolicy(Qt::NoFocus);
    }
    tool_bar_->setVisible(!order.empty() && tool_bar_shown_);
}

void SessionWindow::SetKeyPad(const PanelLayout& layout) {
    const bool was_visible = keypad_window_ && keypad_window_->isVisible();
    if (keypad_window_) delete keypad_window_.data();
    if (layout.buttons.empty()) return;
    auto* pad = new ButtonPanel(layout, [this](uint16_t code) { RunKey(code); },
                                session_.record.Flag(field::ShowTooltips), this);
    pad->setWindowFlags(Qt::Tool);
    pad->setObjectName("OrkanKeyPad");
    pad->setWindowTitle("Key Pad");
    pad->setFocusPolicy(Qt::NoFocus);
    pad->setAttribute(Qt::WA_ShowWithoutActivating);
    keypad_window_ = pad;
    if (was_visible) pad->show();
}

void SessionWindow::ShowKeyPad() {
    if (!keypad_window_) {
        ui_.ShowMessage({"Orkan TN3270", "There is no keypad file to show.", Buttons::Ok, Icon::Information});
        return;
    }
    keypad_window_->setVisible(!keypad_window_->isVisible());
}

QMenu* SessionWindow::WindowMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* tool = menu->addAction(tool_bar_shown_ ? "Hide Tool Bar" : "Show Tool Bar");
    QAction* bar = menu->addAction(menu_bar_shown_ ? "Hide Menu Bar" : "Show Menu Bar");
    tool->setData(int(menu_id::ToggleToolBar));
    bar->setData(int(menu_id::ToggleMenuBar));
    QObject::connect(menu, &QMenu::triggered, this, [this](QAction* a) { OnMenuCommand(uint16_t(a->data().toInt())); });
    return menu;
}

void SessionWindow::ShowWindowMenuAt(const QPoint& global) { WindowMenu()->popup(global); }

void SessionWindow::SetToolBarShown(bool shown) {
    tool_bar_shown_ = shown;
    if (tool_bar_->actions().isEmpty()) return;
    tool_bar_->setVisible(shown);
}

void SessionWindow::SetMenuBarShown(bool shown) {
    menu_bar_shown_ = shown;
    if (QWidget* bar = menuWidget()) bar->setVisible(shown);
}

void SessionWindow::ShowOptionsDialog(int page) {
    if (page == 0) page = TakeOptionsPage();
    CountryLists lists;
    // Without the list the code pages stay as they are named; the message has been shown.
    [[maybe_unused]] const bool listed = LoadCountryList(session_, CountryListMode::List, &lists);
    OptionsPagesAvailable pages;
    pages.page_setup = session_.hooks.print != nullptr;
    pages.transfer = session_.hooks.transfer != nullptr;
    OptionsDialog dialog(ui_, session_.record, page >= 1 ? page : last_options_page_, lists, pages, this);
    const int result = dialog.exec();
    last_options_page_ = dialog.CurrentPage();
    if (result == QDialog::Accepted) ApplyOptions(dialog.Record());
}

void SessionWindow::ApplyOptions(const SessionRecord& changed) {
    const SessionRecord before = session_.record;
    session_.record = changed;
    const bool code_pages = before.Text(field::ScreenCodePage) != changed.Text(field::ScreenCodePage) ||
                            before.Text(field::KeyboardCodePage) != changed.Text(field::KeyboardCodePage) ||
                            before.Text(field::PcCodePage) != changed.Text(field::PcCodePage);
    // A failure has been shown; the tables in use stay.
    if (code_pages) [[maybe_unused]] const bool rebuilt = RebuildCharset(session_);
    if (before.Number(field::ScreenBuffers) != changed.Number(field::ScreenBuffers) && session_.hooks.history)
        session_.hooks.history->SlotCountChanged();
    if (!SameFontSettings(before, changed)) frame_->FontSettingsChanged();
    session_.ps.MarkAllChanged();
    view_->RepaintAll();
    view_->RefreshStatusLine();
    OptionsApplied(before);
}

void SessionWindow::ShowTlsInformation() {
    const std::optional<std::string> text = TlsText();
    if (!text) return;
    TlsInfoWindow window(*text, this);
    window.exec();
}

void SessionWindow::PlaceFromRecord(int same_name_sessions) {
    std::vector<ScreenRect> areas;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect a = s->availableGeometry();
        areas.push_back({a.x(), a.y(), a.width(), a.height()});
    }
    const WindowPlacement p = PlaceOnScreens(StoredPlacement(session_.record), areas, same_name_sessions,
                                             session_.settings.CascadeX, session_.settings.CascadeY);
    if (p.frame.width > 0 && p.frame.height > 0) resize(p.frame.width, p.frame.height);
    // Wayland places windows itself; the stored position is kept for desktops that let us.
    if (!OnWayland()) move(p.frame.left, p.frame.top);
    if (p.maximised) setWindowState(windowState() | Qt::WindowMaximized);
    placed_ = true;
}

void SessionWindow::RememberPlacement() {
    if (!placed_ || isMinimized()) return;
    const QRect normal = isMaximized() ? normalGeometry() : QRect(pos(), size());
    WindowPlacement now;
    now.frame = {normal.x(), normal.y(), normal.width(), normal.height()};
    now.maximised = isMaximized();
    StorePlacement(session_.record, now, !OnWayland());
}

void SessionWindow::AfterMoveOrResize() { RememberPlacement(); }

void SessionWindow::SizeWanted(QSize frame_size) {
    if (isMaximized() || isFullScreen()) return;
    resize(size() - frame_->size() + frame_size);
}

void SessionWindow::MoveCursorToMouse() {
    if (!last_mouse_cell_ || session_.ps.columns == 0) return;
    const uint32_t row = std::min(last_mouse_cell_->row, session_.ps.rows - 1);
    const uint32_t column = std::min(last_mouse_cell_->column, session_.ps.columns - 1);
    session_.ps.cursor_address = row * session_.ps.columns + column;
    session_.view->CursorMoved();
}

void SessionWindow::OnScreenChanged() {
    if (session_.status >= SessionStatus::Connected) screen_pending_ = true;
}

void SessionWindow::OnKeyboardUnlocked() {
    if (screenshot_path_.isEmpty() && screen_text_path_.isEmpty()) return;
    if (!screen_text_path_.isEmpty()) {
        // Written whole and renamed into place, so a reader never sees half a screen.
        QSaveFile file(screen_text_path_);
        const std::string text = DisplayToUtf8(DumpScreenText(session_));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(text.data(), qint64(text.size()));
            if (!file.commit()) std::fprintf(stderr, "orkan3270: cannot write %s\n", qPrintable(screen_text_path_));
        }
    }
    if (!screenshot_path_.isEmpty())
        QTimer::singleShot(kScreenshotDelayMs, this, [this] { SaveScreenshot(screenshot_path_); });
}

void SessionWindow::SaveScreenshot(const QString& path) {
    QPixmap shot;
    // What the window system shows, where it lets us read it; else what the window paints.
    if (QGuiApplication::platformName() == "xcb" && screen() && isVisible()) shot = screen()->grabWindow(winId());
    if (shot.isNull()) shot = grab();
    const QString partial = path + ".part.png";
    if (!shot.save(partial, "PNG") || !QFile::rename(partial, path)) {
        QFile::remove(path);
        if (!QFile::rename(partial, path)) std::fprintf(stderr, "orkan3270: cannot write %s\n", qPrintable(path));
    }
}

void SessionWindow::OnShowWindowOnUpdate() {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

MouseOptions SessionWindow::CurrentMouseOptions() const {
    MouseOptions o;
    o.move_threshold = session_.record.Number(field::MouseMoveBeforeSelection);
    o.drag_and_drop = session_.record.Flag(field::EnableDragAndDrop);
    o.auto_copy = session_.record.Flag(field::EnableAutoCutCopy);
    o.line_mode = session_.link.line_mode && session_.sender != nullptr;  // line mode only while connected
    o.clipboard = ClipboardAvailable();
    o.rows = session_.ps.rows;
    o.columns = session_.ps.columns;
    return o;
}

void SessionWindow::MousePress(QMouseEvent* event, bool double_click) {
    alt_alone_ = false;
    const CellPosition at = frame_->Terminal().NearestCell(event->position().toPoint());
    const MouseCell cell{at.row, at.column};
    last_mouse_cell_ = cell;
    const MouseModifiers mods = ModifiersOf(event->modifiers());
    std::optional<MouseKey> key;
    switch (event->button()) {
        case Qt::LeftButton: key = double_click ? MouseKey::LeftDoubleClick : MouseKey::LeftClick; break;
        case Qt::RightButton: key = double_click ? MouseKey::RightDoubleClick : MouseKey::RightClick; break;
        case Qt::MiddleButton: key = double_click ? MouseKey::MiddleDoubleClick : MouseKey::MiddleClick; break;
        case Qt::BackButton: key = MouseKey::BackClick; break;
        case Qt::ForwardButton: key = MouseKey::ForwardClick; break;
        default: break;
    }
    if (key) MouseButtonKey(*key, true, mods);
    // A double click runs its own key (select a word, for instance); it starts no selection.
    if (event->button() != Qt::LeftButton || double_click) return;
    const MouseResult r = mouse_.Press(session_.selection, cell, mods, CurrentMouseOptions());
    if (r.selection_changed) view_->RefreshStatusLine();
}

void SessionWindow::MouseMove(QMouseEvent* event) {
    if (!mouse_.ButtonDown()) return;
    const CellPosition at = frame_->Terminal().NearestCell(event->position().toPoint());
    const MouseResult r = mouse_.Move(session_.selection, {at.row, at.column}, CurrentMouseOptions());
    if (r.selection_changed) view_->RefreshStatusLine();
}

void SessionWindow::MouseRelease(QMouseEvent* event) {
    const MouseModifiers mods = ModifiersOf(event->modifiers());
    switch (event->button()) {
        case Qt::LeftButton: MouseButtonKey(MouseKey::LeftClick, false, mods); break;
        case Qt::RightButton: MouseButtonKey(MouseKey::RightClick, false, mods); break;
        case Qt::MiddleButton: MouseButtonKey(MouseKey::MiddleClick, false, mods); break;
        case Qt::BackButton: MouseButtonKey(MouseKey::BackClick, false, mods); break;
        case Qt::ForwardButton: MouseButtonKey(MouseKey::ForwardClick, false, mods); break;
        default: break;
    }
    if (event->button() != Qt::LeftButton || !mouse_.ButtonDown()) return;
    const CellPosition at = frame_->Terminal().NearestCell(event->position().toPoint());
    const MouseResult r = mouse_.Release(session_.selection, {at.row, at.column}, mods, CurrentMouseOptions());
    if (r.selection_changed) view_->RefreshStatusLine();
    if (r.drop) Drop(*r.drop);
    if (r.auto_copy) {
        const QtUi::PrimaryScope primary(ui_);
        MouseSelectionFinished(session_, *r.auto_copy);
    }
}

void SessionWindow::Drop(const DropRequest& drop) {
    session_.selection = drop.from;
    session_.selection.shown = true;
    RunKey(EditCode(drop.copy ? kCopy : kCut));
    if (session_.ps.columns == 0) return;
    session_.ps.cursor_address = drop.to.row * session_.ps.columns + drop.to.column;
    session_.view->CursorMoved();
    RunKey(EditCode(drop.insert ? kPasteInsert : kPasteOverlay));
    view_->RefreshStatusLine();
}

bool SessionWindow::TerminalKey(QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers m = key->modifiers();
    const bool is_alt = key->key() == Qt::Key_Alt;
    const bool alt_held = (m & Qt::AltModifier) && !(m & Qt::ControlModifier);  // AltGr arrives as Ctrl+Alt
    const bool alt_for_menu = session_.record.Flag(field::UseAltForMenu) && menu_bar_shown_;
    // With "USEALTFORMENU" the Alt keys belong to the menus, except F10 (a function key like the others).
    const bool menu_key = alt_for_menu && (is_alt || (alt_held && key->key() != Qt::Key_F10));

    if (event->type() == QEvent::ShortcutOverride) {
        if (!is_alt) alt_alone_ = false;
        if (menu_key) return false;  // the menu bar's Alt+letter shortcuts take it
        key->accept();               // every other key is the keyboard map's
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        if (is_alt) {
            if (!key->isAutoRepeat()) alt_alone_ = true;
            alt_right_ = key->nativeScanCode() == 108;  // X11 keycode of the right Alt key
        } else {
            alt_alone_ = false;
        }
        if (!menu_bar_shown_ && key->key() == Qt::Key_M && (m & Qt::ControlModifier) && (m & Qt::ShiftModifier) &&
            !(m & Qt::AltModifier)) {
            SetMenuBarShown(true);
            return true;
        }
        if (!menu_key) KeyInput(key);
        return true;  // Tab, Backtab and the rest never wander into Qt's focus chain
    }
    if (!menu_key) KeyInput(key);
    // A lone Alt opens the menu bar, as the desktop's own windows do: always when the Alt keys are
    // the menus', else only when the key map gives that Alt key nothing to do.
    if (is_alt && alt_alone_ && !key->isAutoRepeat()) {
        alt_alone_ = false;
        QMenuBar* bar = qobject_cast<QMenuBar*>(menuWidget());
        if (bar && menu_bar_shown_ && (alt_for_menu || AltKeyFree(alt_right_)) && !bar->actions().isEmpty()) {
            bar->setFocus(Qt::MenuBarFocusReason);
            bar->setActiveAction(bar->actions().first());
        }
    }
    return true;
}

bool SessionWindow::TerminalEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::KeyRelease: return TerminalKey(event);
        case QEvent::MouseButtonPress: MousePress(static_cast<QMouseEvent*>(event), false); return true;
        case QEvent::MouseButtonDblClick: MousePress(static_cast<QMouseEvent*>(event), true); return true;
        case QEvent::MouseMove: MouseMove(static_cast<QMouseEvent*>(event)); return true;
        case QEvent::MouseButtonRelease: MouseRelease(static_cast<QMouseEvent*>(event)); return true;
        case QEvent::Wheel: {
            const QPoint delta = static_cast<QWheelEvent*>(event)->angleDelta();
            if (delta.y() != 0) Wheel(delta.y());
            return true;
        }
        case QEvent::Paint:
            if (report_first_paint_ && screen_pending_ && !first_paint_reported_) {
                first_paint_reported_ = true;
                // After this paint event has been handled: the screen is then drawn.
                QTimer::singleShot(0, this, [] {
                    std::fprintf(stderr, "ORKAN_FIRST_PAINT_NS=%lld\n", static_cast<long long>(WallClockNs()));
                    std::fflush(stderr);
                });
            }
            return false;
        default: return false;
    }
}

bool SessionWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &frame_->Terminal()) return TerminalEvent(event);
    if (event->type() == QEvent::ContextMenu && (watched == menuWidget() || watched == tool_bar_ ||
                                                 watched == &frame_->StatusBar())) {
        ShowWindowMenuAt(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (watched == &frame_->StatusBar() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            frame_->StatusBar().TlsIndicatorRect().contains(mouse->position().toPoint())) {
            ShowTlsInformation();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void SessionWindow::closeEvent(QCloseEvent* event) {
    RememberPlacement();
    if (!CloseRequested()) {
        event->ignore();
        return;
    }
    if (keypad_window_) keypad_window_->close();
    event->accept();
}

void SessionWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    settle_timer_.start();
}

void SessionWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    settle_timer_.start();
}

void SessionWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) settle_timer_.start();
}

}  // namespace orkan
