#include "gui/terminal_view.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "keyboard/key_functions.h"
#include "keyboard/linux_keymap.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr uint16_t EditCode(uint8_t n) {
    return MakeKeyCode(KeyCategory::Edit, n, kKeyWorksWhileLocked);
}

MouseModifiers ModifiersOf(Qt::KeyboardModifiers m) {
    return {bool(m & Qt::ShiftModifier), bool(m & Qt::ControlModifier), bool(m & Qt::AltModifier)};
}

}  // namespace

TerminalView::TerminalView(Session& session, TerminalInput& input)
    : session_(session), input_(input), frame_(new TerminalFrame(session)) {
    view_ = std::make_unique<QtView>(session, *frame_);
    TerminalWidget& t = frame_->Terminal();
    t.setFocusPolicy(Qt::StrongFocus);
    // Dead keys reach the keyboard map only as plain key events; an input method would swallow them.
    t.setAttribute(Qt::WA_InputMethodEnabled, false);
    t.installEventFilter(this);
    frame_->setFocusProxy(&t);
    frame_->StatusBar().installEventFilter(this);
    watched_terminal_ = &t;
    watched_status_ = &frame_->StatusBar();
}

// The frame belongs to the window it was put into; a frame never placed goes with the view.
TerminalView::~TerminalView() {
    if (frame_ && !frame_->parent()) delete frame_;
}

MouseOptions TerminalView::CurrentMouseOptions() const {
    MouseOptions o;
    o.move_threshold = session_.record.Number(field::MouseMoveBeforeSelection);
    o.drag_and_drop = session_.record.Flag(field::EnableDragAndDrop);
    o.auto_copy = session_.record.Flag(field::EnableAutoCutCopy);
    o.line_mode = session_.link.line_mode && session_.sender != nullptr;  // line mode only while connected
    o.clipboard = input_.ClipboardAvailable();
    o.rows = session_.ps.rows;
    o.columns = session_.ps.columns;
    return o;
}

void TerminalView::MousePress(QMouseEvent* event, bool double_click) {
    alt_alone_ = false;
    const CellPosition at = frame_->Terminal().NearestCell(event->position().toPoint());
    const MouseCell cell{at.row, at.column};
    last_mouse_cell_ = cell;
    const MouseModifiers mods = ModifiersOf(event->modifiers());
    std::optional<MouseKey> key;
    switch (event->button()) {
        case Qt::LeftButton:
            key = double_click ? MouseKey::LeftDoubleClick : MouseKey::LeftClick;
            break;
        case Qt::RightButton:
            key = double_click ? MouseKey::RightDoubleClick : MouseKey::RightClick;
            break;
        case Qt::MiddleButton:
            key = double_click ? MouseKey::MiddleDoubleClick : MouseKey::MiddleClick;
            break;
        case Qt::BackButton:
            key = MouseKey::BackClick;
            break;
        case Qt::ForwardButton:
            key = MouseKey::ForwardClick;
            break;
        default:
            break;
    }
    if (key) input_.MouseButtonKey(*key, true, mods);
    // A double click runs its own key (select a word, for instance); it starts no selection.
    if (event->button() != Qt::LeftButton || double_click) return;
    const MouseResult r = mouse_.Press(session_.selection, cell, mods, CurrentMouseOptions());
    if (r.selection_changed) view_->RefreshStatusLine();
}

void TerminalView::MouseMove(QMouseEvent* event) {
    if (!mouse_.ButtonDown()) return;
    const CellPosition at = frame_->Terminal().NearestCell(event->position().toPoint());
    const MouseResult r = mouse_.Move(session_.selection, {at.row, at.column}, CurrentMouseOptions());
    if (r.selection_changed) view_->RefreshStatusLine();
}

void TerminalView::MouseRelease(QMouseEvent* event) {
    const MouseModifiers mods = ModifiersOf(event->modifiers());
    switch (event->button()) {
        case Qt::LeftButton:
            input_.MouseButtonKey(MouseKey::LeftClick, false, mods);
            break;
        case Qt::RightButton:
            input_.MouseButtonKey(MouseKey::RightClick, false, mods);
            break;
        case Qt::MiddleButton:
            input_.MouseButtonKey(MouseKey::MiddleClick, false, mods);
            break;
        case Qt::BackButton:
            input_.MouseButtonKey(MouseKey::BackClick, false, mods);
            break;
        case Qt::ForwardButton:
            input_.MouseButtonKey(MouseKey::ForwardClick, false, mods);
            break;
        default:
            break;
    }
    if (event->button() != Qt::LeftButton || !mouse_.ButtonDown()) return;
    const CellPosition at = frame_->Terminal().NearestCell(event->position().toPoint());
    const MouseResult r =
        mouse_.Release(session_.selection, {at.row, at.column}, mods, CurrentMouseOptions());
    if (r.selection_changed) view_->RefreshStatusLine();
    if (r.selection_made) input_.MouseSelectionMade();
    if (r.drop) Drop(*r.drop);
    if (r.auto_copy) input_.AutoCopy(*r.auto_copy);
}

void TerminalView::Drop(const DropRequest& drop) {
    session_.selection = drop.from;
    session_.selection.shown = true;
    input_.RunKey(EditCode(drop.copy ? edit_fn::Copy : edit_fn::Cut));
    if (session_.ps.columns == 0) return;
    session_.ps.cursor_address = drop.to.row * session_.ps.columns + drop.to.column;
    session_.view->CursorMoved();
    input_.RunKey(EditCode(drop.insert ? edit_fn::PasteInsert : edit_fn::PasteOverlay));
    view_->RefreshStatusLine();
}

bool TerminalView::TerminalKey(QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers m = key->modifiers();
    const bool is_alt = key->key() == Qt::Key_Alt;
    const bool alt_held = (m & Qt::AltModifier) && !(m & Qt::ControlModifier);  // AltGr arrives as Ctrl+Alt
    const bool alt_for_menu = input_.AltKeysForMenu();
    // With "USEALTFORMENU" Alt and the letters belong to the menus, whose mnemonics are letters;
    // Alt with a function key, a digit or Print Screen stays the key map's (the standard map's
    // PA1-PA3, SysReq, cent and not signs), as no menu could take it.
    const bool letter = key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z;
    const bool menu_key = alt_for_menu && (is_alt || (alt_held && letter));

    if (event->type() == QEvent::ShortcutOverride) {
        if (!is_alt) alt_alone_ = false;
        if (menu_key) return false;  // the menu bar's Alt+letter shortcuts take it
        key->accept();               // every other key is the keyboard map's
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        if (is_alt) {
            if (!key->isAutoRepeat()) alt_alone_ = true;
            alt_right_ = key->nativeScanCode() == kX11RightAltKeycode;
        } else {
            alt_alone_ = false;
        }
        if (key->key() == Qt::Key_M && (m & Qt::ControlModifier) && (m & Qt::ShiftModifier) &&
            !(m & Qt::AltModifier) && input_.RestoreHiddenMenuBar())
            return true;
        if (!menu_key) input_.KeyInput(key);
        return true;  // Tab, Backtab and the rest never wander into Qt's focus chain
    }
    if (!menu_key) input_.KeyInput(key);
    // A lone Alt opens the menu bar, as the desktop's own windows do: always when the Alt keys are
    // the menus', else only when the key map gives that Alt key nothing to do.
    if (is_alt && alt_alone_ && !key->isAutoRepeat()) {
        alt_alone_ = false;
        if (alt_for_menu || input_.AltKeyFree(alt_right_)) input_.OpenMenuBar();
    }
    return true;
}

bool TerminalView::TerminalEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return TerminalKey(event);
        case QEvent::MouseButtonPress:
            MousePress(static_cast<QMouseEvent*>(event), false);
            return true;
        case QEvent::MouseButtonDblClick:
            MousePress(static_cast<QMouseEvent*>(event), true);
            return true;
        case QEvent::MouseMove:
            MouseMove(static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseButtonRelease:
            MouseRelease(static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::Wheel: {
            const QPoint delta = static_cast<QWheelEvent*>(event)->angleDelta();
            if (delta.y() != 0) input_.Wheel(delta.y());
            return true;
        }
        default:
            return false;
    }
}

bool TerminalView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watched_terminal_) return TerminalEvent(event);
    if (watched != watched_status_) return false;
    if (event->type() == QEvent::ContextMenu) {
        input_.ShowWindowMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            frame_->StatusBar().TlsIndicatorRect().contains(mouse->position().toPoint())) {
            input_.ShowTlsInformation();
            return true;
        }
    }
    return false;
}

}  // namespace orkan
