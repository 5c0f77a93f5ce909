// Message boxes: titles and texts exactly as given (from display bytes), the buttons of each kind
// with the first one the default, and the answer of the button the user presses.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPushButton>
#include <QTimer>

#include "gui/qt_ui.h"
#include "gui_fixture.h"

namespace orkan {
namespace {

TEST(QtUiTest, BoxesCarryTextTitleAndButtonsAsGiven) {
    test::GuiApp();
    struct Case {
        Buttons buttons;
        QMessageBox::StandardButtons expected;
        QMessageBox::StandardButton default_button;
    };
    const Case cases[] = {
        {Buttons::Ok, QMessageBox::Ok, QMessageBox::Ok},
        {Buttons::OkCancel, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok},
        {Buttons::YesNo, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes},
        {Buttons::YesNoCancel, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes},
        {Buttons::RetryCancel, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry},
    };
    for (const Case& c : cases) {
        // 0x80 is the euro sign in Windows-1252; 0x8E (DUP) is an overlined asterisk.
        const auto box = MakeMessageBox(
            {"Orkan TN3270 Error", "Ok to close session A ?\nCost \x80 5 \x8E", c.buttons, Icon::Question},
            nullptr);
        EXPECT_EQ(box->windowTitle(), "Orkan TN3270 Error");
        EXPECT_EQ(box->text(), QString::fromUtf8("Ok to close session A ?\nCost \u20AC 5 *\u0305"));
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->standardButtons(), c.expected);
        EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(c.default_button));
    }
}

TEST(QtUiTest, TheButtonPressedIsTheAnswer) {
    test::GuiApp();
    QtUi ui;
    struct Case {
        Buttons buttons;
        QMessageBox::StandardButton press;
        Answer expected;
    };
    const Case cases[] = {
        {Buttons::OkCancel, QMessageBox::Cancel, Answer::Cancel},
        {Buttons::YesNo, QMessageBox::No, Answer::No},
        {Buttons::RetryCancel, QMessageBox::Retry, Answer::Retry},
    };
    for (const Case& c : cases) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            box->button(c.press)->click();
        });
        EXPECT_EQ(ui.ShowMessage({"Title", "Text", c.buttons, Icon::None}), c.expected);
    }
}

}  // namespace
}  // namespace orkan
