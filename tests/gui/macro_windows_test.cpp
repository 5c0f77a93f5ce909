// The desktop program's macro windows: EDITBOX as a dialog (echo character, length, characters a
// macro cannot take), the session's debug window (lines, actions, its place in the session record,
// its bound), and the Ui that routes macros to them.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include "gui/macro_debug_window.h"
#include "gui/macro_edit_box.h"
#include "gui/qt_ui.h"
#include "gui_fixture.h"
#include "session/session.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

TEST(MacroEditBox, EchoLengthAndTextsAMacroCannotTake) {
    test::GuiApp();
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
    test::GuiApp();
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
    test::GuiApp();
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

}  // namespace
}  // namespace orkan
