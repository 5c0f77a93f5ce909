// The desktop's printing dialogs: options page 6 (profiles reach the session record, edges that
// give no printable area keep the dialog open with a message) and the print dialog's answer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

#include "config/session_file.h"
#include "gui/print_dialog.h"
#include "gui/print_page_setup.h"
#include "gui_fixture.h"
#include "print/printer_profile.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

TEST(PageSetupPage, ProfilesAndPrinterReachTheRecordAndBadEdgesAreRefused) {
    test::GuiApp();
    test::RecordingUi ui;
    const SessionRecord before = DefaultSessionRecord();
    PageSetupPage setup = MakePageSetupPage(before, ui);
    std::unique_ptr<QWidget> page(setup.page);
    const QList<QComboBox*> combos = page->findChildren<QComboBox*>();
    const QList<QSpinBox*> spins = page->findChildren<QSpinBox*>();
    ASSERT_EQ(spins.size(), 16);  // four layouts, four edges each
    QComboBox* printer = combos[0];
    QComboBox* which = nullptr;
    for (QComboBox* c : combos)
        if (c->count() == kPrinterProfiles && c->itemText(0).startsWith("Model 2")) which = c;
    ASSERT_NE(which, nullptr);

    // Profile 6 (text files): landscape two-up edges 10, 20, 90, 80; the printer a PDF file.
    which->setCurrentIndex(kTextFileProfile);
    for (QCheckBox* box : page->findChildren<QCheckBox*>())
        if (box->text().startsWith("Two screens")) box->setChecked(true);
    const int values[] = {10, 20, 90, 80};
    for (int i = 0; i < 4; ++i) spins[12 + i]->setValue(values[i]);
    printer->setEditText("/tmp/screens.pdf");
    SessionRecord after = before;
    ASSERT_TRUE(setup.take(after));
    const PrinterProfile p = ReadPrinterProfile(after, kTextFileProfile);
    EXPECT_TRUE(p.two_up);
    EXPECT_EQ(p.edges[size_t(PrintLayout::LandscapeTwoUp)], (PageEdges{10, 20, 90, 80}));
    EXPECT_EQ(ReadPrinterProfile(after, 0).edges, ReadPrinterProfile(before, 0).edges);
    EXPECT_EQ(after.Text(field::PrinterName), "/tmp/screens.pdf");

    // Left at or right of right: refused, nothing stored.
    spins[12]->setValue(95);
    SessionRecord refused = before;
    EXPECT_FALSE(setup.take(refused));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text.find(
                  "The edges of the profile \"Text files\", Landscape two-up, give no printable area"),
              0u);
    EXPECT_EQ(refused, before);
    // A printer name longer than the record holds is refused too, never cut.
    spins[12]->setValue(10);
    printer->setEditText(QString(40, 'q'));
    EXPECT_FALSE(setup.take(refused));
}

// The dialog's answer, or the number of the first check that failed (written to stderr).
int PrintDialogCase() {
    test::GuiApp();
    const std::string file = "/tmp/orkan-print-dialog-test.pdf";
    QPointer<QDialog> open;
    // The dialog opens on the session's PDF file in landscape; OK is pressed as soon as it shows.
    QTimer::singleShot(0, [&open] {
        if (open) open->accept();
    });
    const std::optional<PrintDialogAnswer> answer =
        RunPrintDialog(nullptr, {file, "Orkan TN3270 Screen Print", true}, open);
    if (!answer) return 1;
    if (answer->printer != file) {
        std::fprintf(stderr, "printer %s\n", answer->printer.c_str());
        return 2;
    }
    if (!answer->landscape) return 3;
    if (answer->copies != 1) return 4;
    if (answer->paper_height <= answer->paper_width) return 5;  // portrait paper, whatever the orientation
    if (open.data() != nullptr) return 6;
    QTimer::singleShot(0, [&open] {
        if (open) open->reject();
    });
    if (RunPrintDialog(nullptr, {file, "x", false}, open).has_value()) return 7;
    return 0;
}

TEST(PrintDialog, TheChosenPrinterPaperAndOrientationComeBack) {
    // In a process of its own, ended without static destructors: Qt's printer support cannot be
    // taken down after the tests' static application object.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(PrintDialogCase()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace orkan
