// The desktop program's macro windows: EDITBOX as a dialog (echo character, length, characters a
// macro cannot take), the session's debug window (lines, actions, its place in the session record,
// its bound), the Ui that routes macros to them, and "Record a Macro" (the folder and language
// offered, the file, description and language given back, the question about the file replaced).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "config/temp_folder.h"
#include "gui/macro_debug_window.h"
#include "gui/macro_edit_box.h"
#include "gui/qt_ui.h"
#include "gui/record_dialog.h"
#include "gui_fixture.h"
#include "session/session.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

TEST(MacroDebugWindow, LinesActionsAndItsPlace) {
    test::RecordingUi ui;
    Session session(ui);
    session.letter = 'C';
    session.record.SetNumber(field::DebugWindowLeft, 40);
    session.record.SetNumber(field::DebugWindowTop, 30);
    session.record.SetNumber(field::DebugWindowWidth, 500);
    session.record.SetNumber(field::DebugWindowHeight, 200);
    MacroDebugWindow window(session, 100);
    QtUi qt_ui;
    qt_ui.SetDebugWindow(&window);

    qt_ui.AddDebugLine("first");
    qt_ui.AddDebugLine("caf\xE9");
    EXPECT_TRUE(window.isVisible());
    window.Flush();
    EXPECT_EQ(window.windowTitle(), "C - Debug Window");
    EXPECT_EQ(window.size(), QSize(500, 200));
    ASSERT_EQ(window.List()->count(), 2);
    EXPECT_EQ(window.List()->item(1)->text(), QString("caf\u00e9"));

    window.resize(600, 250);
    EXPECT_EQ(session.record.Signed(field::DebugWindowWidth), 600);
    EXPECT_EQ(session.record.Signed(field::DebugWindowHeight), 250);

    qt_ui.ControlDebugWindow(DebugWindowAction::Hide);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.List()->count(), 2);
    qt_ui.ControlDebugWindow(DebugWindowAction::Clear);
    EXPECT_EQ(window.List()->count(), 0);
    qt_ui.ControlDebugWindow(DebugWindowAction::Open);
    EXPECT_TRUE(window.isVisible());
    qt_ui.ControlDebugWindow(DebugWindowAction::Close);
    EXPECT_FALSE(window.isVisible());

    // A macro tracing a loop without end must not fill the memory: old lines go, and that is said,
    // whether they went before they reached the list or after.
    for (int batch : {60, 60, 250}) {
        for (int i = 0; i < batch; ++i) window.AddLine("line " + std::to_string(i));
        window.Flush();
    }
    EXPECT_EQ(window.List()->count(), 100);
    EXPECT_EQ(window.List()->item(0)->text(), "(earlier lines were removed)");
    EXPECT_EQ(window.List()->item(1)->text(), "line 151");
    EXPECT_EQ(window.List()->item(99)->text(), "line 249");
    EXPECT_EQ(window.List()->currentRow(), 99);
    qt_ui.SetDebugWindow(nullptr);
}

// EDITBOX asks through the Ui with the dialog: its echo character, a length the field keeps to,
// characters a macro cannot take (the dialog stays open), and Cancel.
TEST(MacroEditBox, TheUiAsksWithTheDialogAndCancelStops) {
    QtUi ui;
    struct Case {
        char echo;
        int max_length;
        QString typed;
        bool ok;
        std::optional<std::string> result;  // nothing: refused (the dialog stays open) or cancelled
    };
    const Case cases[] = {
        {0, 50, "J\u00f6rg", true, std::string("J\xF6rg")},  // to Windows-1252
        {'*', 5, "secret", true, std::string("secre")},      // the field takes no more than the macro allows
        {0, 50, "\u4e00", true, std::nullopt},
        {0, 50, "abc", false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        bool open_after = false;
        QTimer::singleShot(0, [&] {
            auto* box = dynamic_cast<MacroEditBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "Title");
            EXPECT_EQ(box->Field()->echoMode(), c.echo ? QLineEdit::Password : QLineEdit::Normal);
            box->Field()->insert(c.typed);
            if (c.ok) box->accept();
            open_after = box->isVisible();
            if (open_after) box->reject();
        });
        EXPECT_EQ(ui.AskEditBox({"Title", "Prompt", c.echo, c.max_length, 150, {}}), c.result);
        EXPECT_EQ(open_after, !c.result.has_value());
    }
    ui.Dismiss();
    EXPECT_EQ(ui.AskEditBox({"T", "P", 0, 50, 150, {}}), std::nullopt);  // the program is ending
}

// The dialog offers the macro folder and the language asked for, gives back the file, description
// and language chosen, and asks about replacing the file the recorder writes.
TEST(RecordDialog, TheUiAsksForFileDescriptionAndLanguageAndBeforeReplacing) {
    test::TempFolder folder;
    test::WriteText(folder / "old.v2.mac", "KEEP ME");
    test::WriteText(folder / "old.v2", "other file");
    QtUi ui;
    struct Case {
        QString typed;
        bool replace;
        QString asked;
        bool answered;
        const char* file;  // the name given back
    };
    const Case cases[] = {
        // "old.v2" has an extension of its own, so Qt's dialog would ask about "old.v2"; the
        // recorder writes "old.v2.mac".
        {"old.v2", false, "old.v2.mac already exists.\nDo you want to replace it?", false, ""},
        {"old.v2", true, "old.v2.mac already exists.\nDo you want to replace it?", true, "old.v2"},
        {"new", false, "", true, "new.mac"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        QString asked, shown_folder;
        bool offered_rexx = false;
        int shown = 0;
        // The dialog is accepted the first time and cancelled after; the question about replacing
        // is answered.
        const test::ModalAnswers answers([&](QWidget& open) {
            if (auto* box = qobject_cast<QMessageBox*>(&open)) {
                asked = box->text();
                box->button(c.replace ? QMessageBox::Yes : QMessageBox::No)->click();
            } else if (auto* dialog = dynamic_cast<RecordDialog*>(&open)) {
                QDialog& d = *dialog;  // QFileDialog keeps its accept() protected
                if (++shown > 1) return d.reject();
                EXPECT_EQ(dialog->windowTitle(), "Record a Macro");
                shown_folder = dialog->directory().absolutePath();
                offered_rexx = dialog->Rexx()->isChecked();
                dialog->Description()->setText("Log on");
                dialog->Rexx()->setChecked(false);
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText(c.typed);
                d.accept();
            }
        });
        const std::optional<RecordMacroAnswer> got = ui.AskRecordMacro({folder.path(), true});
        EXPECT_EQ(shown_folder.toStdString(), folder.path());
        EXPECT_TRUE(offered_rexx);
        EXPECT_EQ(asked.toStdString(), c.asked.toStdString());
        EXPECT_EQ(shown, c.answered ? 1 : 2);
        ASSERT_EQ(got.has_value(), c.answered);
        if (!got) continue;
        EXPECT_EQ(got->file, folder / c.file);
        EXPECT_EQ(got->description, "Log on");
        EXPECT_FALSE(got->rexx);
    }
    ui.Dismiss();
    EXPECT_FALSE(ui.AskRecordMacro({folder.path(), false}));  // the program is ending
}

}  // namespace
}  // namespace orkan
