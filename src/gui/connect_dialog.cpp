#include "gui/connect_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTextStream>
#include <algorithm>
#include <filesystem>

#include "config/file_name_text.h"
#include "config/record_text.h"
#include "config/settings_file.h"
#include "gui/dialog_fit.h"
#include "gui/qt_text.h"
#include "net/host_address.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr std::string_view kSessionExtension = ".ses";

struct TlsItem {
    const char* text;
    uint8_t choice;
};
constexpr TlsItem kTlsItems[] = {
    {"None", tls_choice::None},    {"Highest available", tls_choice::Highest},
    {"TLS 1.0", tls_choice::V1_0}, {"TLS 1.1", tls_choice::V1_1},
    {"TLS 1.2", tls_choice::V1_2},
};

constexpr const char* kModelNames[] = {"Model 2 (80 x 24)", "Model 3 (80 x 32)", "Model 4 (80 x 43)",
                                       "Model 5 (132 x 27)", "Dynamic size"};

bool EndsWithIgnoreCase(std::string_view text, std::string_view end) {
    if (text.size() < end.size()) return false;
    return std::equal(end.begin(), end.end(), text.end() - ptrdiff_t(end.size()),
                      [](char a, char b) { return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b)); });
}

std::string WithSessionExtension(std::string name) {
    if (!EndsWithIgnoreCase(name, kSessionExtension)) name += kSessionExtension;
    return name;
}

std::string Text(const QLineEdit* e) {
    return e->text().trimmed().toStdString();
}

// "host:port" as the host alone and the port; nothing for a text without a port (or one the
// connection could not use, which the confirm reports).
struct SplitAddress {
    QString host;
    uint16_t port = 0;
};
std::optional<SplitAddress> SplitPort(const QString& text) {
    const HostAddressResult r = ParseHostAddress(text.trimmed().toStdString(), 0);
    if (!r.ok() || !r.address.port_given) return std::nullopt;
    const QString host = QString::fromStdString(r.address.host);
    return SplitAddress{host.contains(':') ? "[" + host + "]" : host, r.address.port};
}

}  // namespace

ConnectDialog::ConnectDialog(Ui& ui, const SessionRecord& record, HostList hosts,
                             std::vector<std::string> session_files, int keep_alive_default, QWidget* parent)
    : QDialog(parent),
      ui_(ui),
      hosts_(std::move(hosts)),
      session_files_(std::move(session_files)),
      keep_alive_default_(keep_alive_default) {
    setWindowTitle("Session");
    auto* form = new QFormLayout;

    session_file_ = new QComboBox;
    session_file_->setEditable(true);
    session_file_->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& f : session_files_) session_file_->addItem(Utf8ToQString(f));
    session_file_->setEditText(Utf8ToQString(StoredNameToPath(record.Text(field::SessionFile))));
    form->addRow("Session &file:", session_file_);

    host_ = new QComboBox;
    host_->setEditable(true);
    host_->setInsertPolicy(QComboBox::NoInsert);
    for (const HostEntry& h : hosts_.entries) host_->addItem(DisplayToQString(h.name));
    // Listed names are offered below the field, never written into it while the user types.
    host_->completer()->setCompletionMode(QCompleter::PopupCompletion);
    host_->completer()->setCaseSensitivity(Qt::CaseSensitive);
    form->addRow("&Host:", host_);

    ip_name_ = new QLineEdit;
    ip_name_->setMaxLength(field::IpName.max);
    ip_name_->setPlaceholderText("same as the host name");
    form->addRow("&Address:", ip_name_);

    port_ = new QSpinBox;
    port_->setRange(1, 65535);
    form->addRow("&Port:", port_);

    lu_name_ = new QLineEdit;
    lu_name_->setMaxLength(field::LuName.max);
    form->addRow("&LU name:", lu_name_);

    tn3270e_ = new QCheckBox("TN3270&E");
    form->addRow("", tn3270e_);

    tls_ = new QComboBox;
    for (const TlsItem& t : kTlsItems) tls_->addItem(t.text, int(t.choice));
    form->addRow("&TLS:", tls_);

    auto file_row = [&](QLineEdit*& edit, const char* label, const QString& title) {
        edit = new QLineEdit;
        auto* browse = new QPushButton("...");
        browse->setMaximumWidth(32);
        browse->setAutoDefault(false);  // Return in the dialog connects; it never opens a file dialog
        QObject::connect(browse, &QPushButton::clicked, this, [this, &edit, title] { Browse(edit, title); });
        auto* row = new QHBoxLayout;
        row->addWidget(edit);
        row->addWidget(browse);
        form->addRow(label, row);
    };
    file_row(ca_file_, "CA certificate:", "CA Certificate File");
    file_row(cert_file_, "Client certificate:", "Client Certificate File");
    file_row(key_file_, "Client key:", "Client Key File");
    validate_cert_ = new QCheckBox("&Validate the host certificate");
    domain_must_match_ = new QCheckBox("Certificate &domain must match the host name");
    form->addRow("", validate_cert_);
    form->addRow("", domain_must_match_);

    model_ = new QComboBox;
    for (const char* m : kModelNames) model_->addItem(m);
    form->addRow("&Model:", model_);
    auto* size_row = new QHBoxLayout;
    columns_ = new QLineEdit;
    rows_ = new QLineEdit;
    for (QLineEdit* e : {columns_, rows_}) {
        e->setValidator(new QIntValidator(0, 999, e));
        e->setMaximumWidth(60);
    }
    columns_->setAccessibleName("Dynamic size: columns");
    rows_->setAccessibleName("Dynamic size: rows");
    size_row->addWidget(columns_);
    size_row->addWidget(new QLabel("x"));
    size_row->addWidget(rows_);
    size_row->addStretch();
    auto* size_label = new QLabel("Dynamic &size:");
    size_label->setBuddy(columns_);
    form->addRow(size_label, size_row);

    auto* buttons = new QDialogButtonBox;
    connect_button_ = buttons->addButton("&Connect", QDialogButtonBox::AcceptRole);
    save_button_ = buttons->addButton("&Save", QDialogButtonBox::ApplyRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect_button_->setDefault(true);
    QObject::connect(connect_button_, &QPushButton::clicked, this, [this] {
        if (Confirm(true)) QDialog::accept();
    });
    QObject::connect(save_button_, &QPushButton::clicked, this, [this] {
        if (Confirm(false)) QDialog::accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* fields = new QWidget;
    fields->setLayout(form);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ScrollingPage(fields));
    layout->addWidget(buttons);

    // The record's values first; a listed host then fills the host's own. An address that carries
    // its port (older sessions) shows it in the Port field, where the connection took it from.
    host_->setEditText(DisplayToQString(record.Text(field::HostName)));
    const QString address = DisplayToQString(record.Text(field::IpName));
    ip_name_->setText(address == host_->currentText() ? QString() : address);
    last_host_text_ = host_->currentText().trimmed();
    port_->setValue(std::max(1, int(record.Number(field::Port))));
    lu_name_->setText(DisplayToQString(record.Text(field::LuName)));
    tn3270e_->setChecked(record.Flag(field::Tn3270e));
    const int tls_at = tls_->findData(int(record.Number(field::TlsChoice)));
    tls_->setCurrentIndex(std::max(0, tls_at));
    ShowSecurity(HostSecurity{});
    const int listed = host_->findText(last_host_text_, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (listed >= 0) {
        host_->setCurrentIndex(listed);
        FillFromHost(listed);
    } else {
        // A host that is not listed (from the command line, say) is shown as it connects: the
        // port it named in the Port field.
        if (const std::optional<SplitAddress> split = SplitPort(last_host_text_)) {
            host_->setEditText(split->host);
            last_host_text_ = split->host;
            if (ip_name_->text().isEmpty()) port_->setValue(split->port);
        }
        AddressEdited();
    }
    model_->setCurrentIndex(std::clamp(int(record.Number(field::TerminalModel)), 0, 4));
    columns_value_ = std::clamp(int(record.Number(field::UserScreenWidth)), kMinUserColumns, kMaxUserColumns);
    rows_value_ = std::clamp(int(record.Number(field::UserScreenHeight)), kMinUserRows, kMaxUserRows);
    if (columns_value_ * rows_value_ > kMaxUserPositions) {
        columns_value_ = 80;
        rows_value_ = 24;
    }
    columns_->setText(QString::number(columns_value_));
    rows_->setText(QString::number(rows_value_));
    ModelChanged();

    host_->setFocus();
    QObject::connect(host_, &QComboBox::activated, this, [this](int i) {
        last_host_text_ = host_->itemText(i);
        FillFromHost(i);
    });
    QObject::connect(host_->lineEdit(), &QLineEdit::editingFinished, this, [this] { HostEdited(); });
    QObject::connect(ip_name_, &QLineEdit::editingFinished, this, [this] { AddressEdited(); });
    QObject::connect(model_, &QComboBox::currentIndexChanged, this, [this] { ModelChanged(); });
    QObject::connect(columns_, &QLineEdit::editingFinished, this, [this] { ColumnsEdited(); });
    QObject::connect(rows_, &QLineEdit::editingFinished, this, [this] { RowsEdited(); });
    FitDialogToScreen(*this);
}

void ConnectDialog::ShowSecurity(const HostSecurity& security) {
    ca_file_->setText(Utf8ToQString(security.ca_file));
    cert_file_->setText(Utf8ToQString(security.client_cert_file));
    key_file_->setText(Utf8ToQString(security.client_key_file));
    validate_cert_->setChecked(security.validate_host_cert);
    domain_must_match_->setChecked(security.domain_must_match_host);
}

void ConnectDialog::ShowUnlistedHostSecurity(const HostSecurity& security) {
    if (host_->findText(host_->currentText().trimmed(), Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        ShowSecurity(security);
}

void ConnectDialog::HostEdited() {
    const QString text = host_->currentText().trimmed();
    if (text == last_host_text_) return;
    last_host_text_ = text;
    const auto listed = [this](const QString& name) {
        return host_->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    };
    // A listed name is the entry, whatever it holds; a new one is a host of its own, so the
    // address and the certificate settings of the host shown before do not carry over to it.
    if (const int at = listed(text); at >= 0) {
        FillFromHost(at);
        return;
    }
    const std::optional<SplitAddress> split = SplitPort(text);
    if (split) {
        host_->setEditText(split->host);
        last_host_text_ = split->host;
    }
    if (const int at = listed(last_host_text_); at >= 0) {
        FillFromHost(at);
    } else {
        ip_name_->clear();
        ShowSecurity(HostSecurity{});
    }
    if (split) port_->setValue(split->port);
}

void ConnectDialog::AddressEdited() {
    if (const std::optional<SplitAddress> split = SplitPort(ip_name_->text())) {
        ip_name_->setText(split->host);
        port_->setValue(split->port);
    }
}

void ConnectDialog::FillFromHost(int index) {
    if (index < 0 || size_t(index) >= hosts_.entries.size()) return;
    const HostEntry& h = hosts_.entries[size_t(index)];
    ip_name_->setText(h.ip_name == h.name ? QString() : DisplayToQString(h.ip_name));
    port_->setValue(std::max<int>(1, h.port));
    // An entry whose address carries a port connected to that port: the fields say so.
    if (const std::optional<SplitAddress> split = SplitPort(DisplayToQString(h.ip_name))) {
        ip_name_->setText(split->host);
        port_->setValue(split->port);
    }
    lu_name_->setText(DisplayToQString(h.lu_name));
    tn3270e_->setChecked(h.tn3270e);
    int tls_at = tls_->findData(int(h.tls));
    if (tls_at < 0) {
        // A list code kept as it was read stays selectable, so saving never changes it.
        tls_->addItem(QString("List code %1").arg(ListCodeFromTlsChoice(h.tls)), int(h.tls));
        tls_at = tls_->count() - 1;
    }
    tls_->setCurrentIndex(tls_at);
    ShowSecurity(h.security);
}

void ConnectDialog::ModelChanged() {
    const bool dynamic = model_->currentIndex() == 4;
    columns_->setEnabled(dynamic);
    rows_->setEnabled(dynamic);
}

void ConnectDialog::ColumnsEdited() {
    const ScreenSizeCheck c = CheckUserColumns(columns_->text().toInt(), rows_value_, columns_value_);
    columns_value_ = c.value;
    columns_->setText(QString::number(c.value));
    for (const MessageBox& m : c.messages) ui_.ShowMessage(m);
}

void ConnectDialog::RowsEdited() {
    const ScreenSizeCheck c = CheckUserRows(rows_->text().toInt(), columns_value_, rows_value_);
    rows_value_ = c.value;
    rows_->setText(QString::number(c.value));
    for (const MessageBox& m : c.messages) ui_.ShowMessage(m);
}

void ConnectDialog::Browse(QLineEdit* edit, const QString& title) {
    const QString file =
        QFileDialog::getOpenFileName(this, title, edit->text(), "PEM files (*.pem *.PEM);;All files (*)");
    if (!file.isEmpty()) edit->setText(file);
}

bool ConnectDialog::TakeHost() {
    const std::optional<std::string> name = QStringToDisplay(host_->currentText().trimmed());
    const std::optional<std::string> ip = QStringToDisplay(ip_name_->text().trimmed());
    const std::optional<std::string> lu = QStringToDisplay(lu_name_->text().trimmed());
    if (!name || !ip || !lu) {
        ui_.ShowMessage({"Orkan TN3270",
                         "The host name, address and LU name can only hold Windows-1252 characters.",
                         Buttons::Ok, Icon::Warning});
        return false;
    }
    // The address must be one the connection can use, with its port in the Port field only.
    const std::string& target = ip->empty() ? *name : *ip;
    if (!target.empty()) {
        const HostAddressResult address = ParseHostAddress(target, uint16_t(port_->value()));
        if (!address.ok()) {
            ui_.ShowMessage({"Orkan TN3270", address.error, Buttons::Ok, Icon::Warning});
            return false;
        }
    }
    HostList hosts = hosts_;
    const std::optional<size_t> index = AddHost(hosts, *name, keep_alive_default_, ui_);
    if (!index) return false;
    HostEntry& h = hosts.entries[*index];
    h.ip_name = ip->empty() ? h.name : *ip;
    h.port = uint16_t(port_->value());
    h.lu_name = *lu;
    h.tn3270e = tn3270e_->isChecked();
    h.tls = uint8_t(tls_->currentData().toInt());
    h.security.ca_file = Text(ca_file_);
    h.security.client_cert_file = Text(cert_file_);
    h.security.client_key_file = Text(key_file_);
    h.security.validate_host_cert = validate_cert_->isChecked();
    h.security.domain_must_match_host = domain_must_match_->isChecked();
    choice_.host_as_read =
        *index < hosts_.entries.size() ? std::optional(hosts_.entries[*index]) : std::nullopt;
    choice_.hosts = std::move(hosts);
    choice_.host_index = *index;
    return true;
}

bool ConnectDialog::Confirm(bool connect) {
    // The fields are checked when they lose the focus; a confirm straight from them must not skip it.
    HostEdited();
    AddressEdited();
    if (model_->currentIndex() == 4) {
        ColumnsEdited();
        RowsEdited();
    }
    std::string file = session_file_->currentText().trimmed().toStdString();
    if (file.empty()) {
        ui_.ShowMessage(
            {"No Session File", "You need to type a name for the session file", Buttons::Ok, Icon::Warning});
        return false;
    }
    // A folder in a relative name would put the file where neither the list here nor --session
    // looks for it; a whole path (one Save Session As chose) is kept as it is.
    if (file.front() != '/' && file.find('/') != std::string::npos) {
        ui_.ShowMessage({"Orkan TN3270",
                         "The session file name \"" + file +
                             "\" names a folder. Session files are kept in the settings folder: give a "
                             "name without a folder, or use File > Save Session As for another place.",
                         Buttons::Ok, Icon::Warning});
        return false;
    }
    if (!PathToStoredName(file)) {
        ui_.ShowMessage({"Orkan TN3270",
                         "The session file name \"" + file + "\" cannot be stored in a session file.",
                         Buttons::Ok, Icon::Warning});
        return false;
    }
    file = WithSessionExtension(file);
    choice_.create_shortcut = false;
    const bool listed = std::any_of(session_files_.begin(), session_files_.end(), [&](const std::string& f) {
        return f == file || WithSessionExtension(f) == file;
    });
    if (!listed) {
        const Answer a = ui_.ShowMessage(
            {"New Session File",
             "Session file " + file +
                 " does not exist but will be created.\n\nDo you want to add an icon for this session?\n",
             Buttons::YesNoCancel, Icon::Question});
        if (a == Answer::Cancel) return false;
        choice_.create_shortcut = a == Answer::Yes;
    }
    if (!TakeHost()) return false;
    choice_.session_file = file;
    choice_.model_index = model_->currentIndex();
    choice_.user_columns = columns_value_;
    choice_.user_rows = rows_value_;
    choice_.connect = connect;
    return true;
}

std::vector<std::string> ListSessionFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file(ec) && EndsWithIgnoreCase(name, kSessionExtension)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool ApplyConnectChoice(Session& session, SessionFileState& state, const ConnectChoice& choice) {
    Ui& ui = session.ui;
    if (choice.host_index >= choice.hosts.entries.size()) return false;
    const std::string& settings_file = session.folders.settings_file;
    const HostEntry& edited = choice.hosts.entries[choice.host_index];
    SessionRecord record = session.record;
    // Checked before anything is written; the entry as saved is applied below.
    if (!ApplyHostEntry(record, edited, ui)) return false;
    const std::optional<std::string> stored = PathToStoredName(choice.session_file);
    if (!stored || !StoreRecordText(record, field::SessionFile, *stored, "session file name", ui))
        return false;
    record.SetNumber(field::TerminalModel, uint32_t(std::clamp(choice.model_index, 0, 4)));
    record.SetNumber(field::UserScreenWidth, uint32_t(choice.user_columns));
    record.SetNumber(field::UserScreenHeight, uint32_t(choice.user_rows));

    // Another session may have saved the list since the dialog read it: what it saved stays.
    const std::optional<HostEntry> host = SaveHostEdit(settings_file, choice.host_as_read, edited, ui);
    if (!host || !ApplyHostEntry(record, *host, ui)) return false;
    if (const int error = WriteLastSession(settings_file, choice.session_file); error != 0) {
        ui.ShowMessage(FileSaveError(error, settings_file));
        return false;
    }
    session.record = record;
    state.security = host->security;
    state.keep_alive = host->keep_alive;
    const SessionFileContext ctx{ui, session.folders, session.settings};
    return SaveSessionFile(ctx, SaveMode::Save, true, session.record, state, std::nullopt);
}

bool CreateSessionShortcut(Ui& ui, const std::string& session_file) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        ui.ShowMessage(
            {"Orkan TN3270", "There is no folder for desktop entries.", Buttons::Ok, Icon::Warning});
        return false;
    }
    QString base = QString::fromStdString(session_file);
    base.remove(QRegularExpression("\\.ses$", QRegularExpression::CaseInsensitiveOption));
    QString id = base;
    id.replace(QRegularExpression("[^A-Za-z0-9_-]"), "_");
    const QString path = folder + "/orkan3270-" + id + ".desktop";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        ui.ShowMessage(
            {"File Save Error",
             "Error " + std::to_string(int(file.error())) + " while saving " + QStringForMessage(path),
             Buttons::Ok, Icon::Error});
        return false;
    }
    // Exec quoting of desktop entries: the argument in double quotes, with ", `, $ and \ escaped.
    QString quoted = QString::fromStdString(session_file);
    for (const char* c : {"\\", "\"", "`", "$"}) quoted.replace(c, QString("\\") + c);
    QTextStream out(&file);
    out << "[Desktop Entry]\nType=Application\nName=Orkan TN3270 " << base << "\n"
        << "Comment=3270 session " << base << "\nExec=orkan3270 --session \"" << quoted << "\"\n"
        << "Icon=orkan3270\nTerminal=false\nCategories=Network;RemoteAccess;\n";
    return file.flush();
}

}  // namespace orkan
