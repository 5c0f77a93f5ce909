#include "gui/print_page_setup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>
#include <memory>

#include "config/file_name_text.h"
#include "gui/qt_text.h"
#include "print/printer_profile.h"
#include "print/printer_target.h"

namespace orkan {

namespace {

constexpr std::array<const char*, kPrinterProfiles> kProfileNames = {
    "Model 2 screens (24 x 80)",  "Model 3 screens (32 x 80)", "Model 4 screens (43 x 80)",
    "Model 5 screens (27 x 132)", "Other screen sizes",        "Text files"};
constexpr std::array<const char*, 4> kLayoutNames = {"Portrait", "Landscape", "Portrait two-up",
                                                     "Landscape two-up"};

// The editors of one profile; the page shows one profile at a time.
struct ProfileEditor {
    QComboBox* face = nullptr;
    QComboBox* orientation = nullptr;
    QCheckBox* two_up = nullptr;
    std::array<std::array<QSpinBox*, 4>, 4> edges{};  // layout, then left/top/right/bottom

    void Show(const PrinterProfile& p) {
        face->setEditText(DisplayToQString(p.face));
        orientation->setCurrentIndex(int(p.orientation));
        two_up->setChecked(p.two_up);
        for (size_t l = 0; l < 4; ++l) {
            const PageEdges& e = p.edges[l];
            const std::array<int, 4> values = {e.left, e.top, e.right, e.bottom};
            for (size_t i = 0; i < 4; ++i) edges[l][i]->setValue(values[i]);
        }
    }
    // False when the face name cannot be stored.
    bool Take(PrinterProfile& p) const {
        const std::optional<std::string> name = QStringToDisplay(face->currentText().trimmed());
        if (!name || name->size() > 32) return false;
        p.face = *name;
        p.orientation = ProfileOrientation(orientation->currentIndex());
        p.two_up = two_up->isChecked();
        for (size_t l = 0; l < 4; ++l)
            p.edges[l] = {edges[l][0]->value(), edges[l][1]->value(), edges[l][2]->value(),
                          edges[l][3]->value()};
        return true;
    }
};

}  // namespace

PageSetupPage MakePageSetupPage(const SessionRecord& record, Ui& ui) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    auto* printer = new QComboBox;
    printer->setEditable(true);
    printer->addItem(QString::fromUtf8(kDefaultPrinter.data(), qsizetype(kDefaultPrinter.size())));
    printer->addItems(QPrinterInfo::availablePrinterNames());
    printer->setEditText(Utf8ToQString(StoredNameToPath(record.Text(field::PrinterName))));
    printer->setToolTip("A printer, <default>, or a file ending in .pdf or .txt");
    form->addRow("Printer:", printer);
    auto* mode = new QComboBox;
    mode->addItems({"By field intensity", "All normal", "All bold"});
    mode->setCurrentIndex(int(std::min<uint32_t>(record.Number(field::PrintMode), 2)));
    form->addRow("Print mode:", mode);
    auto* header = new QLineEdit(DisplayToQString(record.Text(field::UserName)));
    header->setMaxLength(field::UserName.max);
    header->setToolTip("Printed at the top of each screen sheet; & sequences as in the window title");
    form->addRow("Header:", header);
    auto* host = new QCheckBox("Host-initiated printing");
    host->setChecked(record.Flag(field::HostInitiatedPrinting));
    form->addRow(host);

    auto profiles = std::make_shared<std::array<PrinterProfile, kPrinterProfiles>>();
    for (int i = 0; i < kPrinterProfiles; ++i) (*profiles)[size_t(i)] = ReadPrinterProfile(record, i);

    auto* group = new QGroupBox("Printer profiles");
    auto* group_layout = new QFormLayout(group);
    auto* which = new QComboBox;
    for (const char* name : kProfileNames) which->addItem(name);
    group_layout->addRow("Profile:", which);
    auto editor = std::make_shared<ProfileEditor>();
    editor->face = new QComboBox;
    editor->face->setEditable(true);
    for (const QString& f : QFontDatabase::families())
        if (QFontDatabase::isFixedPitch(f)) editor->face->addItem(f);
    group_layout->addRow("Face:", editor->face);
    editor->orientation = new QComboBox;
    editor->orientation->addItems({"As the printer is set", "Portrait", "Landscape"});
    group_layout->addRow("Orientation:", editor->orientation);
    editor->two_up = new QCheckBox("Two screens (or text pages) on each sheet");
    group_layout->addRow(editor->two_up);
    auto* grid = new QGridLayout;
    const std::array<const char*, 4> columns = {"Left %", "Top %", "Right %", "Bottom %"};
    for (int c = 0; c < 4; ++c) grid->addWidget(new QLabel(columns[size_t(c)]), 0, c + 1);
    for (int l = 0; l < 4; ++l) {
        grid->addWidget(new QLabel(kLayoutNames[size_t(l)]), l + 1, 0);
        for (int c = 0; c < 4; ++c) {
            auto* spin = new QSpinBox;
            spin->setRange(0, 100);
            spin->setAccessibleName(QString("%1, %2").arg(kLayoutNames[size_t(l)], columns[size_t(c)]));
            editor->edges[size_t(l)][size_t(c)] = spin;
            grid->addWidget(spin, l + 1, c + 1);
        }
    }
    group_layout->addRow(grid);
    layout->addWidget(group);
    layout->addStretch();

    auto shown = std::make_shared<int>(0);
    editor->Show((*profiles)[0]);
    QObject::connect(which, &QComboBox::currentIndexChanged, page, [profiles, editor, shown](int index) {
        if (index < 0 || index >= kPrinterProfiles) return;
        // A face that cannot be stored stays in the editor's list until OK says so.
        (void)editor->Take((*profiles)[size_t(*shown)]);
        *shown = index;
        editor->Show((*profiles)[size_t(index)]);
    });

    PageSetupPage out;
    out.page = page;
    out.take = [&ui, printer, mode, header, host, profiles, editor, shown](SessionRecord& r) {
        auto refuse = [&ui](const std::string& text) {
            ui.ShowMessage({"Options", text, Buttons::Ok, Icon::Warning});
            return false;
        };
        // Profiles and layouts named as the page shows them.
        if (!editor->Take((*profiles)[size_t(*shown)]))
            return refuse(std::string("The face name of the profile \"") + kProfileNames[size_t(*shown)] +
                          "\" cannot be stored.");
        for (int i = 0; i < kPrinterProfiles; ++i)
            for (size_t l = 0; l < kLayoutNames.size(); ++l)
                if (!EdgesUsable((*profiles)[size_t(i)].edges[l]))
                    return refuse(std::string("The edges of the profile \"") + kProfileNames[size_t(i)] +
                                  "\", " + kLayoutNames[l] +
                                  ", give no printable area: each lies between 0 and 100, left below right "
                                  "and top below bottom.");
        const std::optional<std::string> name =
            PathToStoredName(printer->currentText().trimmed().toStdString());
        if (!name || !r.SetText(field::PrinterName, *name))
            return refuse("The printer name cannot be stored in the session (at most 32 characters).");
        const std::optional<std::string> text = QStringToDisplay(header->text());
        if (!text || !r.SetText(field::UserName, *text)) return refuse("The header text cannot be stored.");
        r.SetNumber(field::PrintMode, uint32_t(mode->currentIndex()));
        r.SetNumber(field::HostInitiatedPrinting, host->isChecked() ? 1 : 0);
        for (int i = 0; i < kPrinterProfiles; ++i) WritePrinterProfile(r, i, (*profiles)[size_t(i)]);
        return true;
    };
    return out;
}

}  // namespace orkan
