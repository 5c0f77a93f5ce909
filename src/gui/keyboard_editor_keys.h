// The keyboard editor's drawn keyboard: the keys of a PC keyboard (ANSI or ISO shape) at their
// places, each showing its cap and what it runs, unassigned keys greyed and keys with a conflict
// framed in red. A key is chosen by a click, by the arrow keys, or by pressing it on the real
// keyboard while the widget waits for a key (the keyboard is grabbed for that one key).
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <span>

class QKeyEvent;

namespace orkan {

// A key's place in quarter key widths from the top left corner.
struct KeyPlace {
    uint8_t key;
    int x, y, w, h;
};
std::span<const KeyPlace> KeyboardPlaces(bool iso);

class DrawnKeyboard : public QWidget {
  public:
    struct Look {
        QString cap;       // what the key shows ("Q", "F1", "Enter")
        QString function;  // what it runs, in short
        bool unassigned = false;
        bool conflict = false;
    };

    explicit DrawnKeyboard(QWidget* parent = nullptr);

    void SetShape(bool iso);
    // Keypad keys stand for their Num Lock alternates.
    void SetNumLock(bool on);
    void SetLooks(std::function<Look(uint8_t key)> looks);
    void Select(uint8_t key);
    std::optional<uint8_t> Selected() const { return selected_; }
    // The next key pressed (any key, Tab and Esc included) is the one chosen.
    void WaitForKey();
    bool WaitingForKey() const { return waiting_; }

    // The key number of a key event (through the session's country tables).
    std::function<std::optional<uint8_t>(QKeyEvent*)> key_number;
    std::function<void(uint8_t key)> on_selected;
    std::function<void()> on_wait_ended;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    QRectF Rect(const KeyPlace& p) const;
    uint8_t Shown(uint8_t key) const;  // the key number a place stands for now
    void Choose(uint8_t key);
    void StopWaiting();
    void Step(int dx, int dy);

    bool iso_ = false;
    bool num_lock_ = false;
    bool waiting_ = false;
    std::optional<uint8_t> selected_;
    std::function<Look(uint8_t)> looks_;
};

}  // namespace orkan
