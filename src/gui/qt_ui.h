// Message boxes of the desktop program: QMessageBox with the title, text and buttons exactly as
// the session gives them, text converted from display bytes at this edge.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/ui.h"

namespace orkan {

// The box for a message, not yet shown: first button the default, Escape the cancelling one.
std::unique_ptr<QMessageBox> MakeMessageBox(const MessageBox& box, QWidget* parent);
// The session's answer for the button the user pressed.
Answer AnswerFor(QMessageBox::StandardButton button, Buttons buttons);

class QtUi final : public Ui {
public:
    // Boxes are modal over `parent` (the session window, once it exists).
    void SetParent(QWidget* parent) { parent_ = parent; }
    Answer ShowMessage(const MessageBox& box) override;
    // The program is ending: the open box closes with its safest answer, and later boxes are only
    // written to stderr and answered that way.
    void Dismiss();

    // Every box shown, for whoever wants to see them too (tests, the macro recorder).
    std::function<void(const MessageBox&)> on_shown;

private:
    QPointer<QWidget> parent_;
    QPointer<QMessageBox> open_;
    bool dismissed_ = false;
};

}  // namespace orkan
