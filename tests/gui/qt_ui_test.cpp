// The desktop's side of the session's requests: message boxes (titles and texts as given, the
// buttons of each kind with the first the default, the answer of the button pressed), text
// crossing QClipboard (UTF-8 outside, one LF per line whatever the other program wrote), the find
// dialog (history, options, a text never cut) and the editing menu's items.
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

struct Dialog {
    explicit Dialog(const FindDialogRequest& request) : dialog(ui, request) {}
    test::RecordingUi ui;
    FindDialog dialog;
};

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
        Dialog d({{"PF3", "\x80uro"}, find_option::MatchCase | find_option::EveryScreen});
        ASSERT_EQ(d.dialog.TextBox()->count(), 2);
        EXPECT_EQ(d.dialog.TextBox()->itemText(1), QString::fromUtf8("\u20ACuro"));
        EXPECT_EQ(d.dialog.TextBox()->currentText(), "PF3");
        EXPECT_TRUE(d.dialog.OptionBox(find_option::MatchCase)->isChecked());
        EXPECT_FALSE(d.dialog.OptionBox(find_option::WholeWords)->isChecked());
        d.dialog.OptionBox(find_option::MatchCase)->setChecked(false);
        d.dialog.TextBox()->setEditText(c.typed);
        d.dialog.OptionBox(find_option::WholeWords)->setChecked(true);
        d.dialog.open();
        if (c.ok)
            d.dialog.accept();
        else
            d.dialog.reject();
        EXPECT_EQ(d.ui.shown.size(), c.closes ? 0u : 1u);
        EXPECT_EQ(d.dialog.isVisible(), !c.closes);
        if (!c.closes) {
            EXPECT_EQ(d.dialog.TextBox()->currentText(), c.typed);  // left as typed, for the user to mend
            EXPECT_EQ(d.ui.shown.empty() ? "" : d.ui.shown[0].text, c.text);
            d.dialog.close();
            continue;
        }
        EXPECT_EQ(d.dialog.Result().ok, c.ok);
        EXPECT_EQ(d.dialog.Result().text, c.text);
        EXPECT_EQ(d.dialog.Result().options, find_option::WholeWords | find_option::EveryScreen);
    }
}

TEST(PopupMenuTest, ItemsCarryTheirCodesSeparatorsAndStates) {
    const auto menu =
        MakePopupMenu({{"Cut", 0x0409, false}, {"", 0, true}, {"Select All", 0x0631, true}}, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), "Cut");
    EXPECT_FALSE(actions[0]->isEnabled());
    EXPECT_EQ(actions[0]->data().toUInt(), 0x0409u);
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_TRUE(actions[2]->isEnabled());
    EXPECT_EQ(actions[2]->data().toUInt(), 0x0631u);
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
