// The Ui of the desktop program: message boxes (QMessageBox with the title, text and buttons
// exactly as the session gives them, text converted from display bytes at this edge), the
// desktop clipboard (QClipboard; the X primary selection too while a mouse selection is copied
// automatically), the find dialog and the editing context menu.
#pragma once

#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "interfaces/ui.h"

namespace orkan {

class MacroDebugWindow;

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

    std::string ClipboardText() const override;
    void SetClipboardText(std::string_view utf8) override;
    std::optional<FindDialogAnswer> AskFind(const FindDialogRequest& request) override;
    std::optional<uint16_t> ChooseFromMenu(const std::vector<MenuItem>& items) override;
    std::optional<std::string> AskFileName(const FileDialogRequest& request) override;
    bool CanAsk() const override { return !dismissed_; }
    std::optional<std::string> AskEditBox(const EditBoxRequest& request) override;
    // The macro debug window's lines and actions go to `window` (the session window's); without one
    // the lines are written to stderr.
    void SetDebugWindow(MacroDebugWindow* window) { debug_window_ = window; }
    void AddDebugLine(std::string_view display_text) override;
    void ControlDebugWindow(DebugWindowAction action) override;
    std::optional<PrintDialogAnswer> AskPrinter(const PrintDialogRequest& request) override;
    std::optional<RecordMacroAnswer> AskRecordMacro(const RecordMacroRequest& request) override;

    // While one lives, clipboard text also goes to the primary selection (where the window system
    // has one), so a middle click pastes what the mouse just selected.
    class PrimaryScope {
      public:
        explicit PrimaryScope(QtUi& ui) : ui_(ui) { ui_.also_primary_ = true; }
        ~PrimaryScope() { ui_.also_primary_ = false; }
        PrimaryScope(const PrimaryScope&) = delete;
        PrimaryScope& operator=(const PrimaryScope&) = delete;

      private:
        QtUi& ui_;
    };

    // Every box shown, for whoever wants to see them too (tests, the macro recorder).
    std::function<void(const MessageBox&)> on_shown;

  private:
    // Whether the file a save dialog chose may be written: it does not exist, or the user says to
    // replace it.
    bool MayReplace(const QString& path, const QString& title);

    QPointer<QWidget> parent_;
    QPointer<QMessageBox> open_;
    QPointer<QDialog> open_dialog_;
    QPointer<QMenu> open_menu_;
    MacroDebugWindow* debug_window_ = nullptr;
    bool dismissed_ = false;
    bool also_primary_ = false;
};

}  // namespace orkan
