#include "gui/transfer_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "config/file_name_text.h"
#include "gui/qt_text.h"
#include "session/session.h"
#include "transfer/multiple_transfer.h"
#include "transfer/transfer_messages.h"

namespace orkan {
namespace {

constexpr int kListWatchMs = 300;
constexpr int kProgressScale = 1000;

QRadioButton* Radio(const char* text, QButtonGroup* group, int id, QLayout* layout) {
    auto* b = new QRadioButton(text);
    group->addButton(b, id);
    layout->addWidget(b);
    return b;
}

QSpinBox* Spin(int max) {
    auto* s = new QSpinBox;
    s->setRange(0, max);
    return s;
}

void Warn(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);  // names from hosts and disks are never markup
    box.exec();
}

// A host name chosen in the list without its enclosing apostrophes, as a PC file name.
QString PcNameOf(QString host) {
    if (host.size() >= 2 && host.front() == '\'' && host.back() == '\'') host = host.mid(1, host.size() - 2);
    return host;
}

}  // namespace

TransferDialog::TransferDialog(Session& session, TransferClient& client, bool upload, bool watching,
                               QWidget* parent, TransferChoices* choices)
    : QDialog(parent),
      session_(session),
      client_(client),
      upload_(upload),
      watching_(watching),
      choices_(choices) {
    setObjectName(upload ? "Upload" : "Download");
    setWindowTitle(upload ? "Send File to Host" : "Receive File from Host");

    host_file_ = new QLineEdit;
    host_file_->setObjectName("host_file");
    host_file_->setMaxLength(260);
    pc_file_ = new QLineEdit;
    pc_file_->setObjectName("pc_file");
    pc_directory_ = new QLineEdit;
    pc_directory_->setObjectName("pc_directory");
    auto* browse_file = new QPushButton("Browse...");
    auto* browse_folder = new QPushButton("Browse...");
    browse_file->setAccessibleName("Browse for the PC file");
    browse_folder->setAccessibleName("Browse for the PC folder");
    // Return in a field always means Send or Receive, never one of these.
    browse_file->setAutoDefault(false);
    browse_folder->setAutoDefault(false);
    QObject::connect(browse_file, &QPushButton::clicked, this, [this] { Browse(false); });
    QObject::connect(browse_folder, &QPushButton::clicked, this, [this] { Browse(true); });
    auto with_button = [](QLineEdit* edit, QPushButton* button) {
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(button);
        return row;
    };
    auto* names = new QFormLayout;
    if (upload) {
        names->addRow("PC file:", with_button(pc_file_, browse_file));
        names->addRow("PC folder:", with_button(pc_directory_, browse_folder));
        names->addRow("Host file:", host_file_);
    } else {
        names->addRow("Host file:", host_file_);
        names->addRow("PC file:", with_button(pc_file_, browse_file));
        names->addRow("PC folder:", with_button(pc_directory_, browse_folder));
    }
    additional_ = new QLineEdit;
    additional_->setMaxLength(99);
    names->addRow("Additional parameters:", additional_);

    auto* options = new QHBoxLayout;
    auto* mode_box = new QGroupBox("Mode");
    auto* mode_layout = new QVBoxLayout(mode_box);
    mode_ = new QButtonGroup(this);
    Radio("&Text", mode_, 1, mode_layout);
    Radio("&Binary", mode_, 0, mode_layout);
    ascii_ = new QCheckBox("ASCII");
    crlf_ = new QCheckBox("CRLF");
    append_ = new QCheckBox("Append");
    mode_layout->addWidget(ascii_);
    mode_layout->addWidget(crlf_);
    mode_layout->addWidget(append_);
    QObject::connect(mode_, &QButtonGroup::idClicked, this, [this](int text) {
        ascii_->setChecked(text);
        crlf_->setChecked(text);
    });
    auto* system_box = new QGroupBox("Host");
    auto* system_layout = new QVBoxLayout(system_box);
    system_ = new QButtonGroup(this);
    Radio("TSO", system_, int(HostSystem::Tso), system_layout);
    Radio("CMS", system_, int(HostSystem::Cms), system_layout);
    Radio("CICS", system_, int(HostSystem::Cics), system_layout);
    QObject::connect(system_, &QButtonGroup::idClicked, this, [this] { HostSystemChanged(); });
    options->addWidget(mode_box);
    options->addWidget(system_box);

    tso_allocation_ = new QGroupBox("New host file");
    auto* allocation = new QFormLayout(tso_allocation_);
    space_primary_ = Spin(99999);
    space_secondary_ = Spin(99999);
    space_unit_ = new QComboBox;
    space_unit_->addItems({"Cylinders", "Tracks"});
    space_primary_->setAccessibleName("Primary space");
    space_secondary_->setAccessibleName("Secondary space");
    auto* space = new QHBoxLayout;
    space->addWidget(space_primary_);
    space->addWidget(space_secondary_);
    space->addWidget(space_unit_);
    allocation->addRow("Space (primary, secondary):", space);
    blksize_ = Spin(32760);
    lrecl_ = Spin(65535);
    recfm_ = new QComboBox;
    allocation->addRow("BLKSIZE:", blksize_);
    allocation->addRow("LRECL:", lrecl_);
    allocation->addRow("RECFM:", recfm_);
    options->addWidget(tso_allocation_);
    tso_allocation_->setVisible(
        upload);  // once in the dialog: shown before, it would flash as a window of its own

    list_ = new QListWidget;
    list_->setObjectName("list");
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setMinimumHeight(120);
    auto* list_box = new QGroupBox(upload ? "Files in the PC folder" : "Host list");
    auto* list_layout = new QVBoxLayout(list_box);
    list_layout->addWidget(list_);
    if (upload) {
        QObject::connect(list_, &QListWidget::itemClicked, this,
                         [this](QListWidgetItem* item) { pc_file_->setText(item->text()); });
        QObject::connect(pc_directory_, &QLineEdit::editingFinished, this, [this] { RefreshPcList(); });
    } else {
        qualifier_ = new QLineEdit;
        qualifier_->setMaxLength(44);
        list_button_ = new QPushButton("&List");
        members_button_ = new QPushButton("&Members");
        list_button_->setAutoDefault(false);
        members_button_->setAutoDefault(false);
        auto* list_row = new QHBoxLayout;
        auto* qualifier_label = new QLabel("Qualifier:");
        qualifier_label->setBuddy(qualifier_);
        list_row->addWidget(qualifier_label);
        list_row->addWidget(qualifier_, 1);
        list_row->addWidget(list_button_);
        list_row->addWidget(members_button_);
        list_layout->addLayout(list_row);
        QObject::connect(list_button_, &QPushButton::clicked, this, [this] { RunList(1); });
        QObject::connect(members_button_, &QPushButton::clicked, this, [this] { RunList(2); });
        QObject::connect(list_, &QListWidget::itemClicked, this, [this] { HostEntryChosen(false); });
        QObject::connect(list_, &QListWidget::itemDoubleClicked, this, [this] { HostEntryChosen(true); });
        // The list macros add names while the dialog is open.
        list_watch_ = new QTimer(this);
        QObject::connect(list_watch_, &QTimer::timeout, this, [this] { RefreshHostList(); });
        list_watch_->start(kListWatchMs);
    }

    status_ = new QLabel;
    status_->setObjectName("status");
    status_->setWordWrap(true);
    status_->setTextFormat(Qt::PlainText);  // the host's messages are never markup
    status_->setMinimumWidth(420);
    progress_ = new QProgressBar;
    progress_->setObjectName("progress");
    progress_->setAccessibleName("Transfer progress");
    progress_->setRange(0, kProgressScale);
    progress_->setValue(0);

    auto* buttons = new QDialogButtonBox;
    start_ = buttons->addButton(upload ? "&Send" : "&Receive", QDialogButtonBox::AcceptRole);
    start_->setDefault(true);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    QObject::connect(start_, &QPushButton::clicked, this, [this] { StartTransfer(); });
    // Cancel during a transfer stops it (the dialog then goes); otherwise it closes the dialog.
    QObject::connect(cancel_, &QPushButton::clicked, this, [this] {
        if (running_) {
            client_.Cancel();
            running_ = false;
        }
        QDialog::reject();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(names);
    layout->addLayout(options);
    layout->addWidget(list_box);
    layout->addWidget(status_);
    layout->addWidget(progress_);
    layout->addWidget(buttons);

    if (upload) {
        setTabOrder(pc_file_, pc_directory_);
        setTabOrder(pc_directory_, host_file_);
        setTabOrder(host_file_, additional_);
    } else {
        setTabOrder(host_file_, pc_file_);
        setTabOrder(pc_file_, pc_directory_);
        setTabOrder(pc_directory_, additional_);
    }
    (upload ? pc_file_ : host_file_)->setFocus();

    inputs_ = {host_file_, pc_file_,   pc_directory_,   browse_file, browse_folder, additional_,
               mode_box,   system_box, tso_allocation_, list_box,    start_};
    TransferRequest shown = watching ? client_.CurrentRequest()
                                     : LoadRequest(session_.record, upload ? TransferDirection::Upload
                                                                           : TransferDirection::Download);
    if (!watching && choices_) {
        shown.pc_directory = choices_->pc_directory.value_or(shown.pc_directory);
        shown.host_system = choices_->host_system.value_or(shown.host_system);
    }
    Fill(shown);
    client_.SetWindow(this);
    SetRunning(watching && client_.Running());
}

TransferDialog::~TransferDialog() {
    if (client_.window() == this) client_.SetWindow(nullptr);
}

void TransferDialog::Fill(const TransferRequest& r) {
    host_file_->setText(DisplayToQString(r.host_file));
    pc_file_->setText(Utf8ToQString(r.pc_file));
    pc_directory_->setText(Utf8ToQString(r.pc_directory));
    mode_->button(r.binary ? 0 : 1)->setChecked(true);
    ascii_->setChecked(r.ascii);
    crlf_->setChecked(r.crlf);
    append_->setChecked(r.append);
    system_->button(int(r.host_system))->setChecked(true);
    additional_->setText(DisplayToQString(r.additional));
    space_primary_->setValue(int(r.space_primary));
    space_secondary_->setValue(int(r.space_secondary));
    space_unit_->setCurrentIndex(r.space_unit == SpaceUnit::Tracks ? 1 : 0);
    blksize_->setValue(int(r.blksize));
    lrecl_->setValue(int(r.lrecl));
    HostSystemChanged();
    recfm_->setCurrentIndex(int(r.recfm));
    if (qualifier_) qualifier_->setText(DisplayToQString(session_.record.Text(field::TransferQualifier)));
    if (upload_)
        RefreshPcList();
    else
        RefreshHostList();
}

void TransferDialog::HostSystemChanged() {
    const auto system = HostSystem(system_->checkedId());
    const int keep = recfm_->currentIndex();
    recfm_->clear();
    if (system == HostSystem::Tso)
        recfm_->addItems({"", "FB", "VB"});
    else
        recfm_->addItems({"", "F", "V"});
    recfm_->setCurrentIndex(std::max(0, keep));
    for (QWidget* w : {static_cast<QWidget*>(space_primary_), static_cast<QWidget*>(space_secondary_),
                       static_cast<QWidget*>(space_unit_), static_cast<QWidget*>(blksize_)})
        w->setEnabled(system == HostSystem::Tso);
    if (list_button_) {
        list_button_->setEnabled(system != HostSystem::Cics);
        members_button_->setEnabled(system == HostSystem::Tso);
    }
}

std::optional<TransferRequest> TransferDialog::ReadFields() {
    TransferRequest r;
    r.direction = upload_ ? TransferDirection::Upload : TransferDirection::Download;
    const auto host = QStringToDisplay(host_file_->text().trimmed());
    const auto additional = QStringToDisplay(additional_->text());
    if (!host || !additional) {
        Warn(this, windowTitle(),
             "The host file name and the parameters take only characters of the host's code page.");
        return std::nullopt;
    }
    r.host_file = *host;
    r.additional = *additional;
    r.pc_file = pc_file_->text().trimmed().toStdString();
    r.pc_directory = pc_directory_->text().trimmed().toStdString();
    r.binary = mode_->checkedId() == 0;
    r.ascii = ascii_->isChecked();
    r.crlf = crlf_->isChecked();
    r.append = append_->isChecked();
    r.host_system = HostSystem(system_->checkedId());
    r.space_primary = uint32_t(space_primary_->value());
    r.space_secondary = uint32_t(space_secondary_->value());
    r.space_unit = space_unit_->currentIndex() == 1 ? SpaceUnit::Tracks : SpaceUnit::Cylinders;
    r.blksize = uint32_t(blksize_->value());
    r.lrecl = uint32_t(lrecl_->value());
    r.recfm = RecordFormat(std::max(0, recfm_->currentIndex()));
    if (const auto error = StoreRequest(session_.record, r)) {
        Warn(this, windowTitle(), Utf8ToQString(*error));
        return std::nullopt;
    }
    if (qualifier_) {
        const auto q = QStringToDisplay(qualifier_->text().trimmed());
        if (q) [[maybe_unused]]
            const bool kept = session_.record.SetText(field::TransferQualifier, *q);
    }
    if (choices_) *choices_ = {r.pc_directory, r.host_system};
    return r;
}

void TransferDialog::StartTransfer() {
    if (running_) return;
    const std::optional<TransferRequest> request = ReadFields();
    if (!request) return;
    TransferList chosen;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected()) chosen.selected.push_back(size_t(i));
    TransferStart started;
    if (upload_) {
        for (int i = 0; i < list_->count(); ++i)
            chosen.entries.push_back(list_->item(i)->text().toStdString());
        started = client_.Start(*request, {}, &chosen);
    } else {
        client_.state().host_list.selected = chosen.selected;
        started = client_.Start(*request);
    }
    if (!started.macro.empty()) {
        // The generated macro does the transfers one after another; this dialog has done its part.
        close();
        return;
    }
    if (started.started) SetRunning(true);
}

void TransferDialog::SetRunning(bool running) {
    running_ = running;
    for (QWidget* w : inputs_) w->setEnabled(!running);
    progress_->setVisible(running || progress_->value() > 0);
    if (running) {
        progress_->setValue(0);
        progress_->setRange(0, upload_ ? kProgressScale : 0);  // a download's size is not known
    }
    if (!running) HostSystemChanged();
}

void TransferDialog::ShowProgress(const std::string& stamped) {
    status_->setText(Utf8ToQString(stamped));
}

void TransferDialog::ShowBytes(uint64_t bytes, uint64_t total) {
    if (total == 0) return;
    progress_->setRange(0, kProgressScale);
    progress_->setValue(int(std::min<uint64_t>(bytes, total) * kProgressScale / total));
}

void TransferDialog::TransferEnded(const TransferOutcome& outcome) {
    progress_->setRange(0, kProgressScale);
    progress_->setValue(outcome.success ? kProgressScale : 0);
    SetRunning(false);
    // A failed transfer keeps the user's dialog open with its message; a good one goes with the
    // host's next screen. A macro's goes either way: the macro goes on and the log keeps the texts.
    if (watching_ && !outcome.success) CloseWhenFree();
}

void TransferDialog::CloseAfterTransfer() {
    CloseWhenFree();
}

void TransferDialog::CloseWhenFree() {
    // Closing deletes the dialog; inside the question's own loop that would delete the question too.
    if (asking_)
        close_when_answered_ = true;
    else
        close();
}

void TransferDialog::reject() {
    if (!running_) {
        QDialog::reject();
        return;
    }
    asking_ = true;
    const auto answer = QMessageBox::question(this, transfer_msg::kInProgressTitle, transfer_msg::kInProgress,
                                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    asking_ = false;
    if (close_when_answered_) {
        // The transfer ended while the question was open: nothing is left to cancel.
        close_when_answered_ = false;
        close();
        return;
    }
    if (answer != QMessageBox::Ok || !running_) {
        if (answer == QMessageBox::Ok) QDialog::reject();
        return;
    }
    client_.Cancel();
    running_ = false;
    QDialog::reject();
}

void TransferDialog::RefreshPcList() {
    const std::string folder = PcFolder(session_, pc_directory_->text().trimmed().toStdString());
    list_->clear();
    for (const std::string& name : ListPcFolder(folder)) list_->addItem(Utf8ToQString(name));
}

void TransferDialog::RefreshHostList() {
    const TransferList& hosts = client_.state().host_list;
    if (hosts.entries.size() == shown_host_entries_) return;
    shown_host_entries_ = hosts.entries.size();
    list_->clear();
    for (const std::string& name : hosts.entries) list_->addItem(DisplayToQString(name));
}

void TransferDialog::HostEntryChosen(bool also_pc_name) {
    QListWidgetItem* item = list_->currentItem();
    if (!item) return;
    const TransferList& hosts = client_.state().host_list;
    const std::string entry = QStringToDisplay(item->text()).value_or(std::string());
    const std::string host =
        hosts.level == 2 ? MemberHostName(hosts.member_data_set, entry, !hosts.qualifier.empty()) : entry;
    host_file_->setText(DisplayToQString(host));
    if (also_pc_name) pc_file_->setText(PcNameOf(DisplayToQString(host)));
}

void TransferDialog::RunList(int level) {
    const auto qualifier = QStringToDisplay(qualifier_->text().trimmed()).value_or(std::string());
    const auto host = QStringToDisplay(host_file_->text().trimmed()).value_or(std::string());
    shown_host_entries_ = size_t(-1);
    [[maybe_unused]] const bool ran =
        client_.RunListMacro(HostSystem(system_->checkedId()), level, qualifier,
                             level == 2 ? MemberListDataSet(host) : std::string());
}

void TransferDialog::Browse(bool folder) {
    const QString start =
        pc_directory_->text().isEmpty() ? Utf8ToQString(session_.folders.documents) : pc_directory_->text();
    if (folder) {
        const QString chosen = QFileDialog::getExistingDirectory(this, "PC folder", start);
        if (chosen.isEmpty()) return;
        pc_directory_->setText(chosen);
        if (upload_) RefreshPcList();
        return;
    }
    const QString chosen = upload_ ? QFileDialog::getOpenFileName(this, "PC file", start)
                                   : QFileDialog::getSaveFileName(this, "PC file", start, {}, nullptr,
                                                                  QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty()) return;
    const int slash = chosen.lastIndexOf('/');
    pc_directory_->setText(chosen.left(slash));
    pc_file_->setText(chosen.mid(slash + 1));
    if (upload_) RefreshPcList();
}

void OpenTransferDialog(QWidget* parent, Session& session, TransferClient& client, bool upload,
                        TransferChoices* choices) {
    for (TransferDialog* open : parent->findChildren<TransferDialog*>()) {
        if (open->upload() == upload) {
            open->raise();
            open->activateWindow();
            return;
        }
    }
    auto* dialog = new TransferDialog(session, client, upload, false, parent, choices);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
}

void OpenTransferProgress(QWidget* parent, Session& session, TransferClient& client, bool upload) {
    auto* dialog = new TransferDialog(session, client, upload, true, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

}  // namespace orkan
