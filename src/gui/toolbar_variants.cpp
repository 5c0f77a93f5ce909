#include "gui/toolbar_variants.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/file_name_text.h"
#include "gui/dialog_fit.h"
#include "gui/editor_accessibility.h"
#include "gui/qt_text.h"
#include "session/session.h"

namespace orkan {
namespace {

constexpr size_t kLabelsShown = 12;

// A file that cannot be read says so in its line of the list, not in a box per file.
struct QuietUi final : Ui {
    Answer ShowMessage(const MessageBox&) override { return Answer::Ok; }
};

// The labels of a file's buttons, as a line under its name.
QString Summary(Ui& quiet, const ToolBarVariant& v) {
    const std::optional<ButtonFile> file = ReadButtonFile(quiet, KeyFileKind::Toolbar, v.path);
    if (!file) return "(cannot be read)";
    QStringList labels;
    for (const Button& b : file->buttons) {
        if (size_t(labels.size()) == kLabelsShown) {
            labels << "...";
            break;
        }
        labels << DisplayToQString(b.label);
    }
    return labels.isEmpty() ? QString("(no buttons)") : labels.join("  ");
}

}  // namespace

ToolBarVariants::ToolBarVariants(Session& session, std::function<void(const QString&)> help, QWidget* parent)
    : QDialog(parent), session_(session), variants_(ListToolBarVariants(session.folders)) {
    setWindowTitle("Tool Bar Variants");
    setObjectName("OrkanToolBarVariants");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* intro =
        new QLabel("The tool bar that is chosen here is the session's at once, and stays its tool bar.");
    intro->setWordWrap(true);
    layout->addWidget(intro);
    list_ = new QListWidget;
    list_->setAccessibleName("Stored tool bars");
    auto* label = new QLabel("&Tool bars:");
    label->setBuddy(list_);
    layout->addWidget(label);
    QuietUi quiet;
    const std::string current = StoredNameToPath(session.record.Text(field::ToolbarFile));
    for (size_t i = 0; i < variants_.size(); ++i) {
        const ToolBarVariant& v = variants_[i];
        list_->addItem(Utf8ToQString(v.name) + "\n    " + Summary(quiet, v));
        if (v.name == current || v.path == current) list_->setCurrentRow(int(i));
    }
    layout->addWidget(list_, 1);
    status_ = new QLabel;
    status_->setAccessibleName("Status");
    status_->setWordWrap(true);
    layout->addWidget(status_);
    auto* buttons = new QDialogButtonBox;
    auto* use = buttons->addButton("&Use", QDialogButtonBox::ApplyRole);
    buttons->addButton(QDialogButtonBox::Help);
    buttons->addButton(QDialogButtonBox::Close);
    use->setDefault(true);
    layout->addWidget(buttons);
    if (variants_.empty())
        status_->setText("There are no stored tool bars in " + Utf8ToQString(session.folders.key_data) + ".");

    QObject::connect(use, &QPushButton::clicked, this, [this] {
        if (list_->currentRow() >= 0) Choose(size_t(list_->currentRow()));
    });
    QObject::connect(list_, &QListWidget::itemActivated, this,
                     [this] { Choose(size_t(list_->currentRow())); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::helpRequested, this, [help] {
        if (help) help("desktop.md");
    });
    NameUnnamedControls(*this);
    FitDialogToScreen(*this);
}

bool ToolBarVariants::Choose(size_t n) {
    if (n >= variants_.size()) return false;
    list_->setCurrentRow(int(n));
    if (!UseToolBarVariant(session_, variants_[n])) {
        status_->setText("The tool bar " + Utf8ToQString(variants_[n].name) + " could not be used.");
        return false;
    }
    status_->setText("The session's tool bar is now " + Utf8ToQString(variants_[n].name) + ".");
    return true;
}

}  // namespace orkan
