// Keyboard Edit: the session's key map on a drawn keyboard of its country. A key is chosen by a
// click, the arrow keys, the key list or by pressing it; its entries (no modifier, Shift, Ctrl,
// Alt, or the one run when a key is released alone) show what they run, and the picker assigns a
// key function, a character, a text or a macro. Every change reaches the running session at
// once; Save writes the .key file (never the standard one) and makes it the session's. Closing
// with unsaved changes asks, and "No" gives the session back the map it had.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "gui/key_editor_model.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace orkan {

struct Session;
class AssignmentPicker;
class DrawnKeyboard;

class KeyboardEditor : public QDialog {
  public:
    // `help` opens the help at a page of the user documentation.
    KeyboardEditor(Session& session, std::function<void(const QString& page)> help,
                   QWidget* parent = nullptr);
    ~KeyboardEditor() override;

    const KeyMapEdit& Edit() const { return *edit_; }
    DrawnKeyboard& Keys() { return *keys_; }
    AssignmentPicker& Picker() { return *picker_; }
    void SelectKey(uint8_t key);
    void SelectEntry(int modifier);
    // What the picker says, into the chosen entry; false after a message.
    bool AssignChosen();
    bool ApplyPreset(size_t index);
    // Save goes to Save As for the standard map and for a file outside the key data folder.
    bool Save();
    bool SaveAs(std::string path);  // a copy: the editing it replaces may hold the name
    void ResetToStandard();
    // A message for the user (the last assignment's result, an error).
    QString Notes() const;

  protected:
    void reject() override;

  private:
    void Refresh();
    void ShowEntry();
    void Use();  // the session runs the edited map
    void StartEditing(KeyMap map, bool changed);
    void Say(const QString& text, bool error = false);
    bool AskSaveAs();
    void Load();

    Session& session_;
    std::function<void(const QString&)> help_;
    KeyMap original_;  // the session's map when the editor opened, or as last saved
    std::unique_ptr<KeyMapEdit> edit_;
    uint8_t key_ = 0;
    int modifier_ = 0;
    bool changed_on_start_ = false;
    QString said_;

    DrawnKeyboard* keys_ = nullptr;
    QComboBox* key_list_ = nullptr;
    QPushButton* press_ = nullptr;
    QCheckBox* num_lock_ = nullptr;
    QCheckBox* on_release_ = nullptr;
    QTreeWidget* entries_ = nullptr;
    AssignmentPicker* picker_ = nullptr;
    QLabel* notes_ = nullptr;
    QComboBox* presets_ = nullptr;
    QLabel* file_ = nullptr;
};

}  // namespace orkan
