#include "gui/keyboard_editor_keys.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "keyboard/key_numbers.h"

namespace orkan {
namespace {

constexpr int kWidth = 90, kHeight = 26;          // quarter keys
constexpr int kUnitHint = 40, kUnitMinimum = 26;  // pixels per key

consteval KeyPlace P(std::string_view name, int x, int y, int w = 4, int h = 4) {
    return {KeyNumberNamed(name), x, y, w, h};
}

// clang-format off
constexpr KeyPlace kCommon[] = {
    P("Esc", 0, 0), P("F1", 8, 0), P("F2", 12, 0), P("F3", 16, 0), P("F4", 20, 0), P("F5", 26, 0),
    P("F6", 30, 0), P("F7", 34, 0), P("F8", 38, 0), P("F9", 44, 0), P("F10", 48, 0), P("F11", 52, 0),
    P("F12", 56, 0), P("PrintScreen", 61, 0), P("ScrollLock", 65, 0), P("Pause", 69, 0),
    P("Grave", 0, 6), P("1", 4, 6), P("2", 8, 6), P("3", 12, 6), P("4", 16, 6), P("5", 20, 6), P("6", 24, 6),
    P("7", 28, 6), P("8", 32, 6), P("9", 36, 6), P("0", 40, 6), P("Minus", 44, 6), P("Equals", 48, 6),
    P("Backspace", 52, 6, 8), P("Insert", 61, 6), P("Home", 65, 6), P("PageUp", 69, 6),
    P("NumLock", 74, 6), P("KeypadSlash", 78, 6), P("KeypadAsterisk", 82, 6), P("KeypadMinus", 86, 6),
    P("Tab", 0, 10, 6), P("Q", 6, 10), P("W", 10, 10), P("E", 14, 10), P("R", 18, 10), P("T", 22, 10),
    P("Y", 26, 10), P("U", 30, 10), P("I", 34, 10), P("O", 38, 10), P("P", 42, 10), P("LeftBracket", 46, 10),
    P("RightBracket", 50, 10), P("Delete", 61, 10), P("End", 65, 10), P("PageDown", 69, 10),
    P("Keypad7", 74, 10), P("Keypad8", 78, 10), P("Keypad9", 82, 10), P("KeypadPlus", 86, 10, 4, 8),
    P("CapsLock", 0, 14, 7), P("A", 7, 14), P("S", 11, 14), P("D", 15, 14), P("F", 19, 14), P("G", 23, 14),
    P("H", 27, 14), P("J", 31, 14), P("K", 35, 14), P("L", 39, 14), P("Semicolon", 43, 14), P("Quote", 47, 14),
    P("Keypad4", 74, 14), P("Keypad5", 78, 14), P("Keypad6", 82, 14),
    P("Z", 9, 18), P("X", 13, 18), P("C", 17, 18), P("V", 21, 18), P("B", 25, 18), P("N", 29, 18),
    P("M", 33, 18), P("Comma", 37, 18), P("Period", 41, 18), P("Slash", 45, 18), P("RightShift", 49, 18, 11),
    P("Up", 65, 18), P("Keypad1", 74, 18), P("Keypad2", 78, 18), P("Keypad3", 82, 18),
    P("KeypadEnter", 86, 18, 4, 8),
    P("LeftCtrl", 0, 22, 5), P("LeftWindows", 5, 22, 5), P("LeftAlt", 10, 22, 5), P("Space", 15, 22, 25),
    P("RightAlt", 40, 22, 5), P("RightWindows", 45, 22, 5), P("Menu", 50, 22, 5), P("RightCtrl", 55, 22, 5),
    P("Left", 61, 22), P("Down", 65, 22), P("Right", 69, 22), P("Keypad0", 74, 22, 8), P("KeypadPeriod", 82, 22),
};
// The keys where the two shapes differ: ANSI's long left Shift and one-row Enter, ISO's extra key
// beside the left Shift and the Enter over two rows with the Backslash key beneath it.
constexpr KeyPlace kAnsi[] = {P("Backslash", 54, 10, 6), P("Enter", 51, 14, 9), P("LeftShift", 0, 18, 9)};
constexpr KeyPlace kIso[] = {P("Enter", 55, 10, 5, 8), P("Backslash", 51, 14), P("LeftShift", 0, 18, 5),
                             P("Iso102", 5, 18)};
// clang-format on

template <size_t N, size_t M>
constexpr std::array<KeyPlace, N + M> Joined(const KeyPlace (&a)[N], const KeyPlace (&b)[M]) {
    std::array<KeyPlace, N + M> out{};
    for (size_t i = 0; i < N; ++i) out[i] = a[i];
    for (size_t i = 0; i < M; ++i) out[N + i] = b[i];
    return out;
}
constexpr auto kAnsiPlaces = Joined(kCommon, kAnsi);
constexpr auto kIsoPlaces = Joined(kCommon, kIso);

}  // namespace

std::span<const KeyPlace> KeyboardPlaces(bool iso) {
    if (iso) return kIsoPlaces;
    return kAnsiPlaces;
}

DrawnKeyboard::DrawnKeyboard(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName("Keyboard");
    setAccessibleDescription("The keys of the keyboard: arrow keys move between them");
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void DrawnKeyboard::SetShape(bool iso) {
    iso_ = iso;
    update();
}

void DrawnKeyboard::SetNumLock(bool on) {
    num_lock_ = on;
    update();
}

void DrawnKeyboard::SetLooks(std::function<Look(uint8_t)> looks) {
    looks_ = std::move(looks);
    update();
}

void DrawnKeyboard::Select(uint8_t key) {
    selected_ = key;
    setAccessibleDescription(QString("Key %1").arg(
        QString::fromUtf8(KeyNumberName(key).data(), qsizetype(KeyNumberName(key).size()))));
    update();
}

void DrawnKeyboard::Choose(uint8_t key) {
    Select(key);
    if (on_selected) on_selected(key);
}

void DrawnKeyboard::WaitForKey() {
    waiting_ = true;
    setFocus(Qt::OtherFocusReason);
    grabKeyboard();
    update();
}

void DrawnKeyboard::StopWaiting() {
    if (!waiting_) return;
    waiting_ = false;
    releaseKeyboard();
    update();
    if (on_wait_ended) on_wait_ended();
}

QSize DrawnKeyboard::sizeHint() const {
    return {kWidth * kUnitHint / 4, kHeight * kUnitHint / 4};
}
QSize DrawnKeyboard::minimumSizeHint() const {
    return {kWidth * kUnitMinimum / 4, kHeight * kUnitMinimum / 4};
}
int DrawnKeyboard::heightForWidth(int width) const {
    return width * kHeight / kWidth;
}

QRectF DrawnKeyboard::Rect(const KeyPlace& p) const {
    const double unit = std::min(width() / double(kWidth), height() / double(kHeight));
    return QRectF(p.x * unit, p.y * unit, p.w * unit, p.h * unit).adjusted(1.5, 1.5, -1.5, -1.5);
}

uint8_t DrawnKeyboard::Shown(uint8_t key) const {
    if (num_lock_)
        if (const auto alternate = NumLockAlternate(key)) return *alternate;
    return key;
}

void DrawnKeyboard::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    QFont small = font();
    small.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.75));
    for (const KeyPlace& place : KeyboardPlaces(iso_)) {
        const uint8_t key = Shown(place.key);
        const Look look = looks_ ? looks_(key) : Look{};
        const QRectF r = Rect(place);
        const bool selected = selected_ == key;
        QColor fill = look.unassigned ? pal.color(QPalette::Window).darker(112) : pal.color(QPalette::Button);
        if (selected) fill = pal.color(QPalette::Highlight);
        p.setPen(look.conflict ? QPen(QColor(200, 0, 0), 2.5) : QPen(pal.color(QPalette::Mid), 1));
        p.setBrush(fill);
        p.drawRoundedRect(r, 3, 3);
        const QColor ink = selected          ? pal.color(QPalette::HighlightedText)
                           : look.unassigned ? pal.color(QPalette::Disabled, QPalette::Text)
                                             : pal.color(QPalette::ButtonText);
        p.setPen(ink);
        p.setFont(font());
        const QRectF inner = r.adjusted(3, 2, -3, -2);
        p.drawText(inner, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, look.cap);
        if (!look.function.isEmpty()) {
            p.setFont(small);
            const QString shown =
                QFontMetrics(small).elidedText(look.function, Qt::ElideRight, int(inner.width()));
            p.drawText(inner, Qt::AlignLeft | Qt::AlignBottom, shown);
        }
    }
    if (waiting_) {
        p.setPen(pal.color(QPalette::Highlight));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    } else if (hasFocus()) {
        p.setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void DrawnKeyboard::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    for (const KeyPlace& place : KeyboardPlaces(iso_))
        if (Rect(place).contains(event->position())) {
            StopWaiting();
            Choose(Shown(place.key));
            return;
        }
}

bool DrawnKeyboard::event(QEvent* event) {
    if (waiting_) {
        switch (event->type()) {
            case QEvent::ShortcutOverride:
                event->accept();  // mnemonics and shortcuts wait: this key is being chosen
                return true;
            case QEvent::KeyPress: {
                auto* key = static_cast<QKeyEvent*>(event);
                if (key->isAutoRepeat()) return true;
                const std::optional<uint8_t> number = key_number ? key_number(key) : std::nullopt;
                StopWaiting();
                if (number) Choose(*number);
                return true;
            }
            case QEvent::KeyRelease:
                return true;
            default:
                break;
        }
    }
    return QWidget::event(event);
}

void DrawnKeyboard::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left:
            Step(-1, 0);
            return;
        case Qt::Key_Right:
            Step(1, 0);
            return;
        case Qt::Key_Up:
            Step(0, -1);
            return;
        case Qt::Key_Down:
            Step(0, 1);
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void DrawnKeyboard::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void DrawnKeyboard::Step(int dx, int dy) {
    const std::span<const KeyPlace> places = KeyboardPlaces(iso_);
    const KeyPlace* from = nullptr;
    for (const KeyPlace& p : places)
        if (selected_ && Shown(p.key) == *selected_) from = &p;
    if (!from) {
        Choose(Shown(places.front().key));
        return;
    }
    const double fx = from->x + from->w / 2.0, fy = from->y + from->h / 2.0;
    const KeyPlace* best = nullptr;
    double best_score = 0;
    for (const KeyPlace& p : places) {
        const double ax = p.x + p.w / 2.0 - fx, ay = p.y + p.h / 2.0 - fy;
        const double along = ax * dx + ay * dy, across = std::abs(dx ? ay : ax);
        if (along <= 0.5) continue;
        const double score = along + 3 * across;  // the key straight on wins over a nearer one aside
        if (!best || score < best_score) {
            best = &p;
            best_score = score;
        }
    }
    if (best) Choose(Shown(best->key));
}

}  // namespace orkan
