// "Record a Macro" through the QtUi: the folder and language offered, the file, description and
// language given back, Cancel; and the mouse's release that ends a selection (which a recording
// writes) told apart from a plain click.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include "config/temp_folder.h"
#include "gui/mouse_selection.h"
#include "gui/qt_ui.h"
#include "gui/record_dialog.h"
#include "gui_fixture.h"

namespace orkan {
namespace {

TEST(RecordDialog, TheUiAsksForFileDescriptionAndLanguage) {
    test::GuiApp();
    test::TempFolder folder;
    QtUi ui;
    for (bool ok : {true, false}) {
        QString shown_folder;
        bool offered_rexx = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = dynamic_cast<RecordDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "Record a Macro");
            shown_folder = dialog->directory().absolutePath();
            offered_rexx = dialog->Rexx()->isChecked();
            dialog->Description()->setText("Log on");
            dialog->Rexx()->setChecked(false);
            dialog->selectFile(QString::fromStdString(folder / "logon.mac"));
            // QFileDialog keeps its own accept() protected: the dialog's, through QDialog.
            QDialog* d = dialog;
            if (ok)
                d->accept();
            else
                d->reject();
        });
        const std::optional<RecordMacroAnswer> answer = ui.AskRecordMacro({folder.path(), true});
        EXPECT_EQ(shown_folder.toStdString(), folder.path());
        EXPECT_TRUE(offered_rexx);
        if (!ok) {
            EXPECT_FALSE(answer);
            continue;
        }
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->file, folder / "logon.mac");
        EXPECT_EQ(answer->description, "Log on");
        EXPECT_FALSE(answer->rexx);
    }
    ui.Dismiss();
    EXPECT_FALSE(ui.AskRecordMacro({folder.path(), false}));  // the program is ending
}

TEST(RecordDialog, OnlyAReleaseThatEndsADrawnSelectionIsASelectionMade) {
    struct Case {
        const char* what;
        MouseCell release;
        bool made;
    };
    const Case cases[] = {
        {"a click", {5, 10}, false},
        {"a drag to another cell", {8, 30}, true},
    };
    for (const Case& c : cases) {
        MouseSelection m;
        Selection s;
        MouseOptions o;
        m.Press(s, {5, 10}, {}, o);
        m.Move(s, c.release, o);
        EXPECT_EQ(m.Release(s, c.release, {}, o).selection_made, c.made) << c.what;
    }
    // A drag of a shown selection moves text; it draws none.
    MouseSelection m;
    Selection s{true, 2, 2, 4, 9};
    MouseOptions o;
    o.clipboard = true;  // dragging moves text through Cut and Paste
    m.Press(s, {3, 5}, {}, o);
    m.Move(s, {10, 10}, o);
    EXPECT_FALSE(m.Release(s, {10, 10}, {}, o).selection_made);
}

}  // namespace
}  // namespace orkan
