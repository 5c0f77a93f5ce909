// The desktop's side of the session's requests: message boxes (titles and texts as given, the
// buttons of each kind with the first the default, the answer of the button pressed), text
// crossing QClipboard (UTF-8 outside, one LF per line whatever the other program wrote), the find
// dialog (history, options, a text never cut).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QTimer>

#include "clipboard/clipboard_state.h"
#include "gui/find_dialog.h"
#include "gui/qt_ui.h"
#include "gui_fixture.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

TEST(QtUiClipboardTest, TextCrossesQClipboardWithLfLineEnds) {
    QtUi ui;
    struct Case {
        const char* name;
        QString outside;   // what another program put on the clipboard
        std::string read;  // what the session reads
    };
    const Case cases[] = {
        {"LF lines", QString::fromUtf8("ab\ncd\n"), "ab\ncd\n"},
        {"CR LF lines", QString::fromUtf8("ab\r\ncd\r\n"), "ab\ncd\n"},
        {"non-ASCII", QString::fromUtf8("\u20AC 5 \u00E9t\u00E9"), "\u20AC 5 \u00E9t\u00E9"},
        {"empty", QString(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QGuiApplication::clipboard()->setText(c.outside);
        EXPECT_EQ(ui.ClipboardText(), c.read);
    }
    ui.SetClipboardText("\u00C5se\n\u20AC");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("\u00C5se\n\u20AC"));
}

// The dialog opens with the history and the session's options, and answers with the text and options.
TEST(FindDialogTest, OkAndCancelAnswerWithTheTextAndNeverCutIt) {
    const QString forty(40, QChar('x'));
    struct Case {
        const char* name;
        QString typed;
        bool ok;  // OK pressed, else Cancel
        bool closes;
        std::string text;  // the answer's text when it closes, else the message shown
    };
    const Case cases[] = {
        {"OK", QString::fromUtf8("caf\u00E9"), true, true, "caf\xE9"},
        {"OK at the limit", forty, true, true, forty.toStdString()},
        {"OK one over the limit", forty + "y", true, false,
         "The text to find may have at most 40 characters, all on one line."},
        // The refusal names the character where the user counts it (it is the fourth byte).
        {"OK without a screen form", QString::fromUtf8("\u00E9\u00E9\u4E2D"), true, false,
         "The text to find has a character that cannot be on the screen (U+4E2D at character 3)."},
        {"OK with an empty text", QString(), true, true, ""},
        {"Cancel keeps the text", "END", false, true, "END"},
        {"Cancel leaves out a text too long", forty + "y", false, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::RecordingUi ui;
        FindDialog dialog(ui, {{"PF3", "\x80uro"}, find_option::MatchCase | find_option::EveryScreen});
        ASSERT_EQ(dialog.TextBox()->count(), 2);
        EXPECT_EQ(dialog.TextBox()->itemText(1), QString::fromUtf8("\u20ACuro"));
        EXPECT_EQ(dialog.TextBox()->currentText(), "PF3");
        EXPECT_TRUE(dialog.OptionBox(find_option::MatchCase)->isChecked());
        EXPECT_FALSE(dialog.OptionBox(find_option::WholeWords)->isChecked());
        dialog.OptionBox(find_option::MatchCase)->setChecked(false);
        dialog.TextBox()->setEditText(c.typed);
        dialog.OptionBox(find_option::WholeWords)->setChecked(true);
        dialog.open();
        if (c.ok)
            dialog.accept();
        else
            dialog.reject();
        EXPECT_EQ(ui.shown.size(), c.closes ? 0u : 1u);
        EXPECT_EQ(dialog.isVisible(), !c.closes);
        if (!c.closes) {
            EXPECT_EQ(dialog.TextBox()->currentText(), c.typed);  // left as typed, for the user to mend
            EXPECT_EQ(ui.shown.empty() ? "" : ui.shown[0].text, c.text);
            dialog.close();
            continue;
        }
        EXPECT_EQ(dialog.Result().ok, c.ok);
        EXPECT_EQ(dialog.Result().text, c.text);
        EXPECT_EQ(dialog.Result().options, find_option::WholeWords | find_option::EveryScreen);
    }
}

// Each kind of box shows its buttons, the first the default, and answers with the button pressed.
TEST(QtUiTest, BoxesCarryTextTitleAndButtonsAsGivenAndAnswerTheButtonPressed) {
    QtUi ui;
    struct Case {
        Buttons buttons;
        QMessageBox::StandardButtons expected;
        QMessageBox::StandardButton default_button;
        QMessageBox::StandardButton press;
        Answer answer;
    };
    const Case cases[] = {
        {Buttons::Ok, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok, Answer::Ok},
        {Buttons::OkCancel, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel,
         Answer::Cancel},
        {Buttons::YesNo, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No, Answer::No},
        {Buttons::YesNoCancel, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes,
         QMessageBox::Yes, Answer::Yes},
        {Buttons::RetryCancel, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry,
         QMessageBox::Retry, Answer::Retry},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.buttons));
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "Orkan TN3270 Error");
            EXPECT_EQ(box->text(), QString::fromUtf8("Ok to close session A ?\nCost \u20AC 5 *\u0305"));
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            EXPECT_EQ(box->standardButtons(), c.expected);
            EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(c.default_button));
            box->button(c.press)->click();
        });
        // 0x80 is the euro sign in Windows-1252; 0x8E (DUP) is an overlined asterisk.
        EXPECT_EQ(ui.ShowMessage({"Orkan TN3270 Error", "Ok to close session A ?\nCost \x80 5 \x8E",
                                  c.buttons, Icon::Question}),
                  c.answer);
    }
}

}  // namespace
}  // namespace orkan
