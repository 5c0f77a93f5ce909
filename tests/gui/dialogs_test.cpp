// The options dialog (pages by number, rows taken into a copy of the record, pages of parts not
// built disabled, page 6's printer profiles), the print dialog's answer, the TLS information window
// (its text as given, copyable) and the save dialog (the name offered, the extension given, the
// question about the file that will be replaced).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>

#include "config/session_file.h"
#include "config/temp_folder.h"
#include "display/palette.h"
#include "gui/dialog_fit.h"
#include "gui/info_windows.h"
#include "gui/options_dialog.h"
#include "gui/print_dialog.h"
#include "gui/print_page_setup.h"
#include "gui/qt_ui.h"
#include "print/printer_profile.h"
#include "support/golden_file.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

TEST(OptionsDialogTest, OpensAtThePageAndTakesTheRows) {
    test::RecordingUi ui;
    const SessionRecord record = DefaultSessionRecord();
    struct Case {
        int page;
        OptionsPagesAvailable available;
        int expected;
    };
    for (const Case& c :
         {Case{4, {}, 4}, Case{6, {}, 1}, Case{6, {true, false}, 6}, Case{0, {}, 1}, Case{12, {}, 1}}) {
        OptionsDialog d(ui, record, c.page, CountryLists{}, c.available);
        EXPECT_EQ(d.CurrentPage(), c.expected) << c.page;
        EXPECT_EQ(d.Pages()->isTabEnabled(5), c.available.page_setup);
        EXPECT_FALSE(d.Pages()->isTabEnabled(6));  // transfer
    }

    OptionsDialog d(ui, record, options_page::Keyboard, CountryLists{}, {});
    const auto check_box = [&d](const QString& text) {
        for (QCheckBox* box : d.findChildren<QCheckBox*>())
            if (box->text() == text) return box;
        return static_cast<QCheckBox*>(nullptr);
    };
    // Every flag row is a check box whose text is its label, and so is a 0/1 choice without item
    // names; turn "USEALTFORMENU" over.
    QCheckBox* alt = check_box("Alt keys open the menus");
    ASSERT_NE(alt, nullptr);
    EXPECT_NE(check_box("Flash a frame when locating the cursor"), nullptr);
    const bool was = record.Flag(field::UseAltForMenu);
    EXPECT_EQ(alt->isChecked(), was);
    alt->setChecked(!was);
    ASSERT_TRUE(d.TakeFields());
    // The flag turned over, everything else as it was.
    SessionRecord expected = record;
    expected.SetNumber(field::UseAltForMenu, was ? 0 : 1);
    EXPECT_TRUE(d.Record() == expected);
    EXPECT_TRUE(ui.shown.empty());
}

// Without sight the colours page is numbers only, unless each colour is also said in words.
TEST(OptionsDialogTest, ColoursAreNamedInWords) {
    test::RecordingUi ui;
    SessionRecord record = DefaultSessionRecord();
    record.SetSessionColour(2, 0xFF0000);
    record.SetRole(role::UnprotectedNormal, 2, 16);
    OptionsDialog d(ui, record, options_page::Colours, CountryLists{}, {});
    const auto named = [&d](const QString& name) {
        for (QWidget* w : d.findChildren<QWidget*>())
            if (w->accessibleName() == name) return w;
        return static_cast<QWidget*>(nullptr);
    };
    EXPECT_NE(named("Session colour 2: red (#FF0000)"), nullptr);
    // Its number readable on it: white on black.
    EXPECT_TRUE(named("Session colour 0: black (#000000)")->styleSheet().contains("color: white"));
    auto* text = qobject_cast<QLineEdit*>(named("Unprotected: text colour"));
    auto* background = qobject_cast<QLineEdit*>(named("Unprotected: background colour"));
    ASSERT_TRUE(text && background);
    EXPECT_EQ(text->accessibleDescription(), "red (#FF0000)");
    EXPECT_EQ(background->accessibleDescription(), "beige (#E7C59E)");  // a frame colour
    text->setText("0");
    EXPECT_EQ(text->accessibleDescription(), QString::fromStdString(ColourWords(record.SessionColour(0))));
}

// Every page of the options fits the screen, its long pages scrolling: OK and Cancel are always on
// it (the test screen is the offscreen platform's 800x600, smaller than a 1366x768 laptop's).
TEST(OptionsDialogTest, FitsTheScreenWithItsButtonsOnIt) {
    test::RecordingUi ui;
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    for (int page = 1; page <= options_page::Count; ++page) {
        OptionsDialog d(ui, DefaultSessionRecord(), page, CountryLists{}, {true, true});
        d.show();
        QApplication::processEvents();
        EXPECT_LE(d.width(), work.width() - kDialogFrameAllowance.width()) << page;
        EXPECT_LE(d.height(), work.height() - kDialogFrameAllowance.height()) << page;
        for (const QDialogButtonBox* box : d.findChildren<QDialogButtonBox*>())
            for (const QAbstractButton* b : box->buttons())
                EXPECT_TRUE(d.rect().contains(QRect(b->mapTo(&d, QPoint(0, 0)), b->size()))) << page;
    }
}

TEST(DialogFit, NeverLargerThanTheWorkArea) {
    const QRect laptop(0, 0, 1366, 740);  // 768 less a panel
    const std::pair<QSize, QSize> cases[] = {
        {{740, 975}, {740, 740 - kDialogFrameAllowance.height()}},  // the options dialog before
        {{600, 400}, {600, 400}},
        {{2000, 300}, {1366 - kDialogFrameAllowance.width(), 300}},
    };
    for (const auto& [wanted, fitted] : cases) EXPECT_EQ(FittingDialogSize(wanted, laptop), fitted);
    EXPECT_EQ(FittingDialogSize({500, 500}, QRect()), QSize(500, 500));  // no screen known
}

// The box a form row shows beside `label`: a line edit, or an editable combo box's line edit; or
// the line edit a screen reader names `label`.
QLineEdit* RowEdit(QDialog& d, const QString& label) {
    for (QLineEdit* edit : d.findChildren<QLineEdit*>())
        if (edit->accessibleName() == label) return edit;
    for (QFormLayout* form : d.findChildren<QFormLayout*>())
        for (int row = 0; row < form->rowCount(); ++row) {
            auto* name = qobject_cast<QLabel*>(form->itemAt(row, QFormLayout::LabelRole)
                                                   ? form->itemAt(row, QFormLayout::LabelRole)->widget()
                                                   : nullptr);
            QLayoutItem* item = form->itemAt(row, QFormLayout::FieldRole);
            if (!name || !item || name->text() != label) continue;
            if (auto* combo = qobject_cast<QComboBox*>(item->widget())) return combo->lineEdit();
            return qobject_cast<QLineEdit*>(item->widget());
        }
    return nullptr;
}

// OK refuses what SETOPTION refuses, naming the field, the value and the reason, and stores
// nothing; nothing typed is cut or turned into another value on the way (cases in
// options_refusals.tsv).
TEST(OptionsDialogTest, RefusesWhatTheOptionsByNameRefuse) {
    CountryLists lists;
    lists.countries = {{"United States", 37}, {"Germany", 273}};
    lists.keyboard_countries = {"", "United States"};
    lists.transfer_tables = {"DOS (US 437)", "UTF-8"};
    const std::vector<test::TableRow> rows = test::ReadTableRows("gui/options_refusals.tsv");
    ASSERT_GE(rows.size(), 17u);
    for (const test::TableRow& row : rows) {
        SCOPED_TRACE(row.where);
        test::RecordingUi ui;
        const SessionRecord record = DefaultSessionRecord();
        OptionsDialog d(ui, record, 1, lists, {true, true});
        for (size_t i = 0; i + 1 < row.cells.size(); i += 2) {
            QLineEdit* edit = RowEdit(d, QString::fromStdString(row.cells[i]));
            ASSERT_NE(edit, nullptr) << row.cells[i];
            edit->setText(QString::fromStdString(row.cells[i + 1]));
            ASSERT_EQ(edit->text().toStdString(), row.cells[i + 1]);  // nothing cut on the way in
        }
        if (row.cells.back() == "taken") {
            EXPECT_TRUE(d.TakeFields());
            EXPECT_TRUE(ui.shown.empty());
            continue;
        }
        EXPECT_FALSE(d.TakeFields());
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_NE(ui.shown[0].text.find(row.cells.back()), std::string::npos) << ui.shown[0].text;
        EXPECT_TRUE(d.Record() == record);
    }
    // A listed name is stored as the list spells it.
    test::RecordingUi ui;
    OptionsDialog d(ui, DefaultSessionRecord(), 1, lists, {true, true});
    RowEdit(d, "Host code page:")->setText("germany");
    ASSERT_TRUE(d.TakeFields());
    EXPECT_EQ(d.Record().Text(field::ScreenCodePage), "Germany");
}

TEST(OptionsDialogTest, EveryRowNamesAFieldOfItsKindOnAPage) {
    for (const OptionRow& row : OptionRows()) {
        EXPECT_GE(row.page, 1);
        EXPECT_LE(row.page, options_page::Count);
        if (!row.choices.empty()) {
            EXPECT_EQ(row.field->kind, FieldKind::Choice) << row.label;
            const auto items = std::count(row.choices.begin(), row.choices.end(), '|') + 1;
            EXPECT_EQ(items, row.field->max - row.field->min + 1) << row.label;
        }
    }
}

TEST(TlsInfoWindowTest, ShowsTheTextWithLfLineEnds) {
    const std::string text = "OpenSSL Version:         OpenSSL 3.0\r\nProtocol:                TLSv1.3\r\n";
    TlsInfoWindow w(text);
    EXPECT_EQ(w.Text(), "OpenSSL Version:         OpenSSL 3.0\nProtocol:                TLSv1.3\n");
}

// Types `name` into the save dialog when it opens and presses Save; answers a question about
// replacing with `replace`. Returns what the dialog offered first.
QString SaveAs(QtUi& ui, const FileDialogRequest& request, const QString& name, bool replace,
               std::optional<std::string>& chosen, QString& asked) {
    QString offered;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        offered = edit ? edit->text() : QString("(no name field)");
        // The question comes while the dialog's accept runs.
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked = box->text();
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            }
        });
        dialog->selectFile(name);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    chosen = ui.AskFileName(request);
    return offered;
}

TEST(SaveDialogTest, OffersTheNameGivesTheExtensionAndAsksAboutTheFileWritten) {
    test::TempFolder folder;
    test::WriteText(folder / "standard.ses", "old");
    test::WriteText(folder / "pfkeys.bar", "bar");
    QtUi ui;
    const FileDialogRequest request{FileDialogRequest::Purpose::Save,
                                    "Save Session As",
                                    folder.path(),
                                    "screen.ses",
                                    {{"Session files", {"*.ses"}}}};
    struct Case {
        QString typed;
        bool replace;
        std::optional<std::string> chosen;
        QString asked;
    };
    const Case cases[] = {
        {"new", false, folder / "new.ses", ""},
        {"standard", false, std::nullopt, "standard.ses already exists.\nDo you want to replace it?"},
        {"standard", true, folder / "standard.ses",
         "standard.ses already exists.\nDo you want to replace it?"},
        // Another extension: the file written is NAME.bar.ses, which is new: nothing to ask.
        {"pfkeys.bar", false, folder / "pfkeys.bar.ses", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        std::optional<std::string> chosen;
        QString asked;
        EXPECT_EQ(SaveAs(ui, request, c.typed, c.replace, chosen, asked), "screen.ses");
        EXPECT_EQ(chosen, c.chosen);
        EXPECT_EQ(asked, c.asked);
    }
    EXPECT_EQ(test::ReadText(folder / "standard.ses"), "old");
}

TEST(PageSetupPage, ProfilesAndPrinterReachTheRecordAndBadEdgesAreRefused) {
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
}

// 0 when the dialog answered as it should; else what it answered is written to stderr.
int PrintDialogCase() {
    const std::string file = "/tmp/orkan-print-dialog-test.pdf";
    QPointer<QDialog> open;
    // The dialog opens on the session's PDF file in landscape; OK is pressed as soon as it shows.
    QTimer::singleShot(0, [&open] {
        if (open) open->accept();
    });
    const std::optional<PrintDialogAnswer> a =
        RunPrintDialog(nullptr, {file, "Orkan TN3270 Screen Print", true}, open);
    if (!a) return 1;
    std::fprintf(stderr, "printer %s landscape %d copies %d paper %gx%g\n", a->printer.c_str(), a->landscape,
                 a->copies, a->paper_width, a->paper_height);
    // Portrait paper, whatever the orientation.
    if (a->printer != file || !a->landscape || a->copies != 1 || a->paper_height <= a->paper_width || open)
        return 2;
    QTimer::singleShot(0, [&open] {
        if (open) open->reject();
    });
    return RunPrintDialog(nullptr, {file, "x", false}, open).has_value() ? 3 : 0;
}

TEST(PrintDialog, TheChosenPrinterPaperAndOrientationComeBack) {
    // In a process of its own, ended without static destructors: Qt's printer support cannot be
    // taken down after the tests' static application object.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(PrintDialogCase()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace orkan
