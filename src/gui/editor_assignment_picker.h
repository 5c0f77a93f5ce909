// What a key or button is to run, as the three editors choose it: a key function from key.lst
// (found by typing part of its name or description), a character, a text to type, a macro, or
// nothing.
#pragma once

#include <QWidget>
#include <functional>

#include "gui/key_editor_model.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;

namespace orkan {

class AssignmentPicker : public QWidget {
  public:
    // `offered`: whether a function is listed (the extra PA and PF keys without an AID are not).
    AssignmentPicker(const KeyList& list, std::function<bool(uint16_t)> offered, QWidget* parent = nullptr);

    void SetAssignment(const Assignment& a);
    // What the controls say; nothing when they say nothing usable (no function chosen, no character).
    std::optional<Assignment> Current() const;
    // The macro names offered beside the name field (the file's macro list).
    void SetMacroNames(const MacroList& macros);
    // Shows the functions whose name or description holds `text`.
    void Search(const QString& text);
    void FocusSearch();

    QPushButton* AssignButton() const { return assign_; }
    std::function<void()> on_assign;

  private:
    void KindChosen(int kind);

    QButtonGroup* kinds_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QLineEdit* search_ = nullptr;
    QTreeWidget* functions_ = nullptr;
    QLineEdit* character_ = nullptr;
    QLineEdit* text_ = nullptr;
    QComboBox* macro_ = nullptr;
    QPushButton* assign_ = nullptr;
};

}  // namespace orkan
