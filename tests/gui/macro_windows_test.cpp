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

TEST(MacroEditBox, EchoLengthAndTextsAMacroCannotTake) {
    struct Case {
        char echo;
        int max_length;
        QString typed;
        std::optional<std::string> result;  // nothing: the dialog stays open
    };
    const Case cases[] = {
        {0, 50, "J\u00f6rg", std::string("J\xF6rg")},  // to Windows-1252
        {'*', 5, "secret", std::string("secre")},      // the field takes no more than the macro allows
        {0, 50, "\u4e00", std::nullopt},
    };
    for (const Case& c : cases) {
        MacroEditBox box({"Title", "Prompt", c.echo, c.max_length, 150, {}});
        EXPECT_EQ(box.windowTitle(), "Title");
        EXPECT_EQ(box.Field()->echoMode(), c.echo ? QLineEdit::Password : QLineEdit::Normal);
        box.Field()->insert(c.typed);
        box.accept();
        EXPECT_EQ(box.Result(), c.result) << c.typed.toStdString();
        EXPECT_EQ(box.result() == QDialog::Accepted, c.result.has_value());
    }
}

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
    EXPECT_EQ(window.List()->currentRow(), 1);

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

TEST(MacroEditBox, TheUiAsksWithTheDialogAndCancelStops) {
    QtUi ui;
    for (bool ok : {true, false}) {
        QTimer::singleShot(0, [ok] {
            auto* box = dynamic_cast<MacroEditBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            box->Field()->setText("abc");
            if (ok)
                box->accept();
            else
                box->reject();
        });
        const std::optional<std::string> answer = ui.AskEditBox({"T", "P", 0, 50, 150, {}});
        EXPECT_EQ(answer, ok ? std::optional<std::string>("abc") : std::nullopt);
    }
    ui.Dismiss();
    EXPECT_EQ(ui.AskEditBox({"T", "P", 0, 50, 150, {}}), std::nullopt);  // the program is ending
}

TEST(RecordDialog, TheUiAsksForFileDescriptionAndLanguage) {
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

}  // namespace
}  // namespace orkan
