// The keyboard, tool bar and keypad editors, the tool bar variants and the help window: what an
// edit does to the map or the buttons, what the files written hold when read back, what the
// running session takes at once, and the help found and shown from the installed pages.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QListWidget>
#include <QTextBrowser>
#include <QToolBar>

#include "config/atomic_file.h"
#include "gui/button_editor.h"
#include "gui/dialog_fit.h"
#include "gui/editor_assignment_picker.h"
#include "gui/help_window.h"
#include "gui/key_editor_files.h"
#include "gui/keyboard_editor.h"
#include "gui/toolbar_variants.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "support/recording_ui.h"
#include "windowed_session.h"

namespace orkan {
namespace {

const std::string kData = std::string(ORKAN_BINARY_DIR) + "/share/orkan3270";

const KeyList& List() {
    static const KeyList list = [] {
        KeyList l;
        test::RecordingUi ui;
        Folders f;
        f.program_data = kData;
        EXPECT_TRUE(LoadKeyList(f, l, ui));
        return l;
    }();
    return list;
}

KeyMap Standard() {
    test::RecordingUi ui;
    return *ReadKeyMapFile(ui, kData + "/defaults/standard.key", false);
}

uint8_t Key(std::string_view name) {
    return *FindKeyNumber(name);
}
uint16_t Function(std::string_view name) {
    return List().FindKeyFunction(name);
}

TEST(KeyMapEditing, AssignmentsTheirTextsAndTheFileReadBack) {
    struct Case {
        const char* key;
        int modifier;
        Assignment a;
        const char* shown;
        const char* told;
    };
    const Case cases[] = {
        // A modifier key runs its own function when released alone, so Ctrl combinations still work.
        {"F5", 0, {AssignmentKind::Nothing}, "Nothing", "PF5 is now on no key."},
        {"RightCtrl", 0, {AssignmentKind::Function, Function("PF5")}, "PF5", ""},
        {"LeftCtrl", 0, {AssignmentKind::Function, Function("Tab")}, "Tab", ""},
        {"F6", 1, {AssignmentKind::Text, 0, 0, "say \"hi\""}, "Types \"say \"hi\"\"", ""},
        {"F7", 1, {AssignmentKind::Text, 0, 0, "SAY \"HI\""}, "Types \"SAY \"HI\"\"", ""},
        {"Q", 2, {AssignmentKind::Character, 0, 'x'}, "Character x", ""},
        {"F13", 0, {AssignmentKind::Macro, 0, 0, "logon"}, "Macro logon", ""},
        {"F15", 0, {AssignmentKind::Macro, 0, 0, "Logon"}, "Macro Logon", ""},  // another file
        {"F14", 0, {AssignmentKind::Macro, 0, 0, "Key(\"PF3\")"}, "Runs Key(\"PF3\")", ""},
        {"D", 2, {AssignmentKind::Nothing}, "Nothing", "Dup is now on no key."},
    };
    KeyMapEdit edit(List(), Standard(), {});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        std::string error;
        const std::optional<std::string> told = edit.Assign(Key(c.key), c.modifier, c.a, error);
        ASSERT_TRUE(told) << error;
        EXPECT_EQ(*told, c.told);
        const int entry = edit.RunsOnRelease(Key(c.key)) ? 1 : c.modifier;
        const uint16_t code = edit.Map().Code(Key(c.key), size_t(entry));
        EXPECT_EQ(EntryText(code, List(), edit.Map().macros), c.shown);
        EXPECT_TRUE(IsFixed(code)) << "an entry the user set must survive a change of the country keyboard";
        if (c.a.kind != AssignmentKind::Nothing) {
            EXPECT_EQ(AssignmentOf(code, edit.Map().macros), c.a);
        }
    }
    EXPECT_TRUE(edit.RunsOnRelease(Key("RightCtrl")));
    // A released-alone entry that repeats would run at the press, before Ctrl+C too.
    EXPECT_FALSE(AutoRepeats(edit.Map().Code(Key("LeftCtrl"), 1)));
    edit.SetRunsOnRelease(Key("Tab"), true);
    EXPECT_FALSE(AutoRepeats(edit.Map().Code(Key("Tab"), 1)));
    edit.SetRunsOnRelease(Key("Tab"), false);
    EXPECT_TRUE(AutoRepeats(edit.Map().Code(Key("Tab"), 0))) << "a held Tab repeats again";
    // Typed texts that differ in case are two entries of the macro list.
    EXPECT_NE(edit.Map().Code(Key("F6"), 1), edit.Map().Code(Key("F7"), 1));

    const std::vector<uint8_t> bytes = KeyTableBytes(edit.Map());
    KeyMap back;
    KeyFileVersion version;
    ASSERT_EQ(ParseKeyTable(bytes, false, back, version), KeyFileError::None);
    EXPECT_EQ(back.codes, edit.Map().codes);
    EXPECT_EQ(back.macros, edit.Map().macros);
    EXPECT_EQ(KeyTableBytes(back), bytes);

    // Entries no key refers to any more serve again; those in use keep their numbers.
    const uint16_t logon = edit.Map().Code(Key("F13"), 0);
    for (int i = 0; i < 300; ++i) {
        std::string error;
        ASSERT_TRUE(edit.Assign(Key("F8"), 0, {AssignmentKind::Text, 0, 0, "t" + std::to_string(i)}, error))
            << error;
    }
    EXPECT_EQ(edit.Map().Code(Key("F13"), 0), logon);
    EXPECT_EQ(EntryText(logon, List(), edit.Map().macros), "Macro logon");
}

TEST(KeyMapEditing, ConflictsShowAndPresetsChangeOnlyTheMapEdited) {
    KeyMap map = Standard();
    map.codes[Key("Y")][0] = MakeKeyCode(KeyCategory::Action, action_fn::PF1);  // not fixed
    map.codes[Key("F20")][0] = MakeKeyCode(KeyCategory::Macro, 7);
    // The German keyboard has Z where the standard map has Y.
    const KeyLayoutRecord layout[] = {{.key = Key("Y"), .unshifted = 'z', .shifted = 'Z'}};
    KeyMapEdit edit(List(), map, layout);
    const std::pair<const char*, const char*> conflicts[] = {
        {"Y", "Y: the country keyboard types \"z\" here instead of PF1."},
        {"F20", "F20: macro number 7 is not in the file's list."},
    };
    for (auto [key, text] : conflicts) {
        const std::vector<std::string> found = edit.Conflicts(Key(key));
        ASSERT_EQ(found.size(), 1u) << key;
        EXPECT_EQ(found[0], text) << key;
    }
    EXPECT_EQ(edit.LayoutCharacters(Key("Y")), std::make_pair(uint8_t('z'), uint8_t('Z')));
    std::string error;
    ASSERT_TRUE(edit.Assign(Key("Y"), 0, {AssignmentKind::Function, Function("PF1")}, error));
    EXPECT_TRUE(edit.Conflicts(Key("Y")).empty()) << "the fixed entry keeps its function";
    EXPECT_TRUE(edit.Unassigned(Key("LaunchApp1")));

    struct Expected {
        const char* key;
        int modifier;
        const char* function;
    };
    const std::vector<std::vector<Expected>> presets = {
        {{"RightCtrl", 1, "Enter"}},
        {{"KeypadEnter", 0, "Enter"}, {"Enter", 0, "NewLine"}},
    };
    for (size_t p = 0; p < presets.size() && p < KeyMapPresets().size(); ++p) {
        KeyMapEdit preset(List(), map, {});
        ASSERT_TRUE(preset.ApplyPreset(KeyMapPresets()[p], error)) << error;
        for (const Expected& e : presets[p])
            EXPECT_EQ(EntryText(preset.Map().Code(Key(e.key), size_t(e.modifier)), List(), map.macros),
                      e.function)
                << KeyMapPresets()[p].name;
    }
}

TEST(ButtonEditing, TheToolBarKeepsItsOrderAndTheKeypadItsGrid) {
    ButtonFile bar;
    bar.columns = 2;
    bar.rows = 1;
    bar.buttons = {{Function("Enter"), 0, 0, 1, 1, "Enter"}, {Function("Clear"), 1, 0, 1, 1, "Clear"}};
    ButtonFileEdit tools(KeyFileKind::Toolbar, bar);
    EXPECT_EQ(tools.Add(0, Function("PF5"), "Five"), 1u);
    EXPECT_EQ(tools.Move(1, 1), 2u);
    std::vector<std::pair<std::string, uint8_t>> order;
    for (const Button& b : tools.File().buttons) order.push_back({b.label, b.column});
    EXPECT_EQ(order, (std::vector<std::pair<std::string, uint8_t>>{{"Enter", 0}, {"Clear", 1}, {"Five", 2}}));

    ButtonFileEdit pad(KeyFileKind::Keypad, bar);
    struct Place {
        uint8_t column, row;
    };
    // The first free cell, then a new row when the grid is full.
    for (Place want : {Place{0, 1}, Place{1, 1}}) {
        const size_t at = pad.Add(std::nullopt, Function("PF5"), "Five");
        EXPECT_EQ(pad.File().buttons[at].column, want.column);
        EXPECT_EQ(pad.File().buttons[at].row, want.row);
    }
    pad.SetPlace(3, 0, 0, 2, 1);
    const std::vector<std::string> conflicts = pad.Conflicts(3);
    ASSERT_EQ(conflicts.size(), 2u);
    EXPECT_EQ(conflicts[0], "It shares cells with \"Enter\".");
}

// A session with its window, on files of its own.
class EditorsTest : public test::WindowedSession {
  protected:
    void SetUp() override {
        StartOn("F5C3 114040 13 FFEF");
        ui.on_shown = [this](const MessageBox& box) { shown += box.title + ": " + box.text + "\n"; };
        ui.Dismiss();  // a box is answered safely and the file dialogs ask nothing: the tests name the files
    }
    Session& s() { return runtime.session(); }
    template <class Editor>
    Editor& Open(KeyFileEditor which, const char* name) {
        EXPECT_TRUE(controller.ShowKeyFileEditor(which));
        auto* editor = static_cast<Editor*>(controller.Window().findChild<QWidget*>(name));
        EXPECT_NE(editor, nullptr);
        return *editor;
    }

    std::string shown;
};

TEST_F(EditorsTest, TheKeyboardEditorChangesTheSessionAndSavesItsOwnFile) {
    const std::string standard = kData + "/defaults/standard.key";
    const std::vector<uint8_t> standard_bytes = test::ReadBytes(standard);
    KeyboardEditor& editor = Open<KeyboardEditor>(KeyFileEditor::KeyMap, "OrkanKeyboardEditor");
    editor.SelectKey(Key("F5"));
    editor.SelectEntry(2);
    editor.Picker().Search("pf5");
    ASSERT_TRUE(editor.AssignChosen());
    EXPECT_EQ(s().keyboard->key_map.Code(Key("F5"), 2) & 0xFF1E, Function("PF5"))
        << "the session takes it at once";
    EXPECT_FALSE(editor.Save()) << "the standard map is never written: Save asks for another name";
    EXPECT_EQ(test::ReadBytes(standard), standard_bytes);

    const std::string mine = folder / "mine.key";
    ASSERT_TRUE(editor.SaveAs(mine));
    EXPECT_EQ(s().record.Text(field::KeyboardFile), "mine.key");
    KeyMap back;
    KeyFileVersion version;
    ASSERT_EQ(ParseKeyTable(test::ReadBytes(mine), false, back, version), KeyFileError::None);
    EXPECT_EQ(back.codes, editor.Edit().Map().codes);
    EXPECT_EQ(s().keyboard->key_map.path, mine);
    EXPECT_FALSE(editor.SaveAs(mine + "/x.key"));
    EXPECT_EQ(s().keyboard->key_map.path, mine) << "a failed save names no file";
}

// The installed map the session runs, opened in its editor and saved untouched, is the same file
// byte for byte (the button files: below).
TEST_F(EditorsTest, AnUntouchedKeyMapSavedFromTheEditorKeepsItsBytes) {
    ASSERT_TRUE(
        Open<KeyboardEditor>(KeyFileEditor::KeyMap, "OrkanKeyboardEditor").SaveAs(folder / "copy.key"));
    EXPECT_EQ(test::ReadBytes(folder / "copy.key"), test::ReadBytes(kData + "/defaults/standard.key"));
}

TEST_F(EditorsTest, ButtonEditorsShowEveryChangeAndSavedButtonsRunTheirKeys) {
    struct EditorFile {
        KeyFileEditor which;
        KeyFileKind kind;
        const char* file;
        const char* installed;
        const char* editor_name;
    };
    for (const EditorFile& c : {EditorFile{KeyFileEditor::ToolBar, KeyFileKind::Toolbar, "mine.bar",
                                           "standard.bar", "OrkanToolBarEditor"},
                                EditorFile{KeyFileEditor::KeyPad, KeyFileKind::Keypad, "mine.pad",
                                           "standard.pad", "OrkanKeyPadEditor"}}) {
        SCOPED_TRACE(c.file);
        ButtonEditor& editor = Open<ButtonEditor>(c.which, c.editor_name);
        // The installed file the session runs, saved untouched, is the same file byte for byte.
        const std::string copy = folder / (std::string("copy-") + c.installed);
        ASSERT_TRUE(editor.SaveAs(copy));
        EXPECT_EQ(test::ReadBytes(copy), test::ReadBytes(kData + "/defaults/" + c.installed));
        editor.AddButton();
        editor.Picker().Search("PF5");
        ASSERT_TRUE(editor.AssignChosen());
        editor.SetLabel("Five");
        // A macro on a button is an entry of the button's own file, not of the key map.
        editor.AddButton();
        editor.Picker().SetAssignment({AssignmentKind::Macro, 0, 0, "Key(\"PF3\")"});
        ASSERT_TRUE(editor.AssignChosen());
        editor.SetLabel("Three");
        const std::string path = folder / c.file;
        ASSERT_TRUE(editor.SaveAs(path));
        const ButtonFile file = SessionButtonFile(s(), c.kind);
        EXPECT_EQ(file.path, path);
        EXPECT_EQ(s().record.Text(c.kind == KeyFileKind::Toolbar ? field::ToolbarFile : field::KeypadFile),
                  c.file);
        // The session read the file back: the window shows its buttons, and they send PF5 and PF3.
        QWidget* panel = c.kind == KeyFileKind::Toolbar ? static_cast<QWidget*>(controller.Window().ToolBar())
                                                        : controller.Window().KeyPadWindow();
        ASSERT_NE(panel, nullptr);
        for (auto [label, aid] : {std::pair{"Five", "F5"}, std::pair{"Three", "F3"}}) {
            QAbstractButton* button = nullptr;
            for (QAbstractButton* b : panel->findChildren<QAbstractButton*>())
                if (b->text() == label) button = b;
            ASSERT_NE(button, nullptr) << label;
            button->click();
            Feed("");
            EXPECT_EQ(sink.Take().substr(0, 2), aid) << label << shown;
            Feed("F1C2 FFEF");
        }
        editor.close();
    }
}

// Every control is named for screen readers, and each window can be made small enough for a
// 1366x768 laptop display (less the window frame).
TEST_F(EditorsTest, EveryWindowFitsALaptopAndNamesItsControls) {
    for (KeyFileEditor e : {KeyFileEditor::KeyMap, KeyFileEditor::ToolBar, KeyFileEditor::KeyPad})
        ASSERT_TRUE(controller.ShowKeyFileEditor(e));
    ASSERT_TRUE(controller.ShowToolBarVariants());
    ASSERT_TRUE(controller.ShowHelp(false));
    const QSize laptop = QSize(1366, 768) - kDialogFrameAllowance;
    for (const char* name : {"OrkanKeyboardEditor", "OrkanToolBarEditor", "OrkanKeyPadEditor",
                             "OrkanToolBarVariants", "OrkanHelp"}) {
        SCOPED_TRACE(name);
        QWidget* window = controller.Window().findChild<QWidget*>(name);
        ASSERT_NE(window, nullptr);
        const QSize least = window->minimumSizeHint();
        EXPECT_TRUE(least.width() <= laptop.width() && least.height() <= laptop.height())
            << least.width() << "x" << least.height();
        for (QWidget* c : window->findChildren<QWidget*>()) {
            if (c->focusPolicy() == Qt::NoFocus || !c->isVisibleTo(window) || c->focusProxy()) continue;
            EXPECT_FALSE(c->accessibleName().isEmpty()) << c->metaObject()->className();
        }
    }
}

TEST_F(EditorsTest, AToolBarVariantIsUsedAtOnceAndKept) {
    const std::string before = s().record.Text(field::ToolbarFile);
    ASSERT_EQ(WriteFileAtomically(folder / "bad.bar", std::vector<uint8_t>{'O', 'r', 'k'}), 0);
    ASSERT_TRUE(controller.ShowToolBarVariants());
    auto* variants =
        static_cast<ToolBarVariants*>(controller.Window().findChild<QWidget*>("OrkanToolBarVariants"));
    ASSERT_NE(variants, nullptr);
    std::vector<std::string> names;
    for (const ToolBarVariant& v : variants->Variants()) names.push_back(v.name);
    EXPECT_EQ(names, (std::vector<std::string>{"bad.bar", "editing.bar", "pfkeys.bar", "standard.bar"}));
    EXPECT_FALSE(variants->Choose(0));
    EXPECT_EQ(s().record.Text(field::ToolbarFile), before) << "a file that cannot be used is not kept";
    ASSERT_TRUE(variants->Choose(2));
    EXPECT_EQ(s().record.Text(field::ToolbarFile), kData + "/defaults/pfkeys.bar");
    bool pf12 = false;
    for (QAction* a : controller.Window().ToolBar()->actions()) pf12 = pf12 || a->text() == "PF12";
    EXPECT_TRUE(pf12);
}

TEST_F(EditorsTest, HelpOpensAtItsSearchAndFindsTheTransferProgram) {
    ExecuteKey(s(), MakeKeyCode(KeyCategory::Oper, oper_fn::HelpSearch), true);
    // Found by name: the windows have no meta-object of their own to be found by their class.
    auto* help = static_cast<HelpWindow*>(controller.Window().findChild<QWidget*>("OrkanHelp"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    ASSERT_GT(help->Search("IND$FILE"), 0);
    EXPECT_EQ(help->Results().item(0)->toolTip(), "transfer.md");
    EXPECT_TRUE(help->Browser().textCursor().selectedText().contains("IND$FILE"));
    ASSERT_GE(help->Pages().size(), 9u);
    for (const HelpPage& page : help->Pages()) {
        SCOPED_TRACE(page.file);
        ASSERT_TRUE(help->ShowPage(QString::fromStdString(page.file)));
        EXPECT_TRUE(help->Browser().toPlainText().startsWith(QString::fromStdString(page.title)));
    }
    EXPECT_EQ(help->Search("no such words anywhere"), 0);
}

}  // namespace
}  // namespace orkan
