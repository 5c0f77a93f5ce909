// "Record a Macro" through the QtUi: the folder and language offered, the file, description and
// language given back, Cancel; and the mouse's release that ends a selection (which a recording
// writes) told apart from a plain click.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
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

TEST(RecordDialog, AsksBeforeReplacingTheFileTheRecorderWrites) {
    test::GuiApp();
    test::TempFolder folder;
    test::WriteText(folder / "old.v2.mac", "KEEP ME");
    test::WriteText(folder / "old.v2", "other file");
    QtUi ui;
    struct Case {
        QString typed;
        bool replace;
        QString asked;
        bool answered;
    };
    const Case cases[] = {
        // "old.v2" has an extension of its own, so Qt's dialog would ask about "old.v2"; the
        // recorder writes "old.v2.mac".
        {"old.v2", false, "old.v2.mac already exists.\nDo you want to replace it?", false},
        {"old.v2", true, "old.v2.mac already exists.\nDo you want to replace it?", true},
        {"new", false, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        QString asked;
        int shown = 0;
        // Whatever is open is answered: the dialog (accepted the first time, then cancelled) and
        // the question about replacing. Queued, so that a box the answer opens finds the poll
        // free; nothing more is done until the answer has run.
        bool answering = false;
        const auto later = [&](QObject* to, std::function<void()> act) {
            answering = true;
            QMetaObject::invokeMethod(
                to,
                [&answering, act] {
                    answering = false;
                    act();
                },
                Qt::QueuedConnection);
        };
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* open = QApplication::activeModalWidget();
            if (answering || !open || !open->isVisible()) return;
            if (auto* box = qobject_cast<QMessageBox*>(open)) {
                asked = box->text();
                later(box,
                      [box, &c] { box->button(c.replace ? QMessageBox::Yes : QMessageBox::No)->click(); });
            } else if (auto* dialog = dynamic_cast<RecordDialog*>(open)) {
                QDialog* d = dialog;  // QFileDialog keeps its accept() protected
                if (++shown > 1) {
                    later(d, [d] { d->reject(); });
                } else {
                    later(d, [dialog, d, &c] {
                        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(c.typed);
                        d->accept();
                    });
                }
            }
        });
        poll.start(10);
        const std::optional<RecordMacroAnswer> got = ui.AskRecordMacro({folder.path(), false});
        EXPECT_EQ(asked.toStdString(), c.asked.toStdString());
        EXPECT_EQ(got.has_value(), c.answered);
        EXPECT_EQ(shown, c.answered ? 1 : 2);
    }
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
