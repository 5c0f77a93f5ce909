// ToolBar Edit and KeyPad Edit: the buttons of the session's .bar or .pad file in a list (the tool
// bar's order, or the keypad's grid shown as it will look), each with its function, label and, on
// the tool bar, its icon. Buttons are added, removed and moved; every change reaches the tool bar
// or the keypad window at once. Save writes the file (never the standard one) and makes it the
// session's; closing with unsaved changes asks, and "No" gives the session back what it had.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "gui/key_editor_model.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace orkan {

struct Session;
class AssignmentPicker;

class ButtonEditor : public QDialog {
  public:
    // `kind`: Toolbar or Keypad. `help` opens the help at a page of the user documentation.
    ButtonEditor(Session& session, KeyFileKind kind, std::function<void(const QString& page)> help,
                 QWidget* parent = nullptr);
    ~ButtonEditor() override;

    const ButtonFileEdit& Edit() const { return *edit_; }
    AssignmentPicker& Picker() { return *picker_; }
    void SelectButton(size_t index);
    std::optional<size_t> Chosen() const;
    // A new button after the chosen one, chosen; its function and label are set next.
    void AddButton();
    void RemoveButton();
    void MoveButton(int step);
    // What the picker says, to the chosen button (a button without a label takes the function's
    // name); false after a message.
    bool AssignChosen();
    void SetLabel(const QString& label);
    bool Save();
    bool SaveAs(std::string path);  // a copy: the editing it replaces may hold the name
    void ResetToStandard();
    QString Notes() const;

  protected:
    void reject() override;

  private:
    void StartEditing(ButtonFile file, bool changed);
    void Refresh();
    void ShowButton();
    void RebuildGrid();
    void Use();
    void Say(const QString& text, bool error = false);
    bool AskSaveAs();
    void Load();
    QString KindTitle() const;

    Session& session_;
    KeyFileKind kind_;
    std::function<void(const QString&)> help_;
    ButtonFile original_;
    std::unique_ptr<ButtonFileEdit> edit_;
    bool changed_on_start_ = false;
    QString said_;

    QLabel* file_ = nullptr;
    QListWidget* list_ = nullptr;
    QWidget* grid_ = nullptr;  // the keypad as it will look
    QGridLayout* grid_layout_ = nullptr;
    QLineEdit* label_ = nullptr;
    QComboBox* icon_ = nullptr;
    QSpinBox* column_ = nullptr;
    QSpinBox* row_ = nullptr;
    QSpinBox* width_ = nullptr;
    QSpinBox* height_ = nullptr;
    QSpinBox* columns_ = nullptr;
    QSpinBox* rows_ = nullptr;
    AssignmentPicker* picker_ = nullptr;
    QLabel* notes_ = nullptr;
};

}  // namespace orkan
