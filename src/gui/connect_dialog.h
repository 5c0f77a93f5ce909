// The session dialog: which session file, which host (from the host list of orkan.ini, or a new
// one), the host's port, LU name, TN3270E, TLS protocol and certificate files, and the terminal
// model or a dynamic screen size. The dialog only chooses; ApplyConnectChoice puts the choice
// into the session, the host list and the files.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "config/host_list.h"
#include "config/screen_size.h"
#include "config/session_file.h"
#include "interfaces/ui.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QPushButton;

namespace orkan {

struct Session;

struct ConnectChoice {
    std::string session_file;  // as the user typed it, ".ses" added
    HostList hosts;            // with the chosen host added or changed
    size_t host_index = 0;
    // The chosen entry as the dialog read it (none: the dialog added it), so that saving applies
    // only what the dialog changed onto the list as it is then.
    std::optional<HostEntry> host_as_read;
    int model_index = 0;  // 0-3 models 2-5, 4 dynamic
    int user_columns = 80;
    int user_rows = 24;
    bool connect = true;           // false: save without connecting
    bool create_shortcut = false;  // the user wants a desktop entry for the new session file
};

class ConnectDialog : public QDialog {
  public:
    // `session_files`: the .ses files of the application data folder (names with extension).
    ConnectDialog(Ui& ui, const SessionRecord& record, HostList hosts, std::vector<std::string> session_files,
                  int keep_alive_default, QWidget* parent = nullptr);

    const ConnectChoice& Choice() const { return choice_; }

    // The certificate settings in force, shown while the host is not one of the list (a host given
    // on the command line, for instance); a listed host shows its own.
    void ShowUnlistedHostSecurity(const HostSecurity& security);

    // The fields, for tests and for whoever opens the dialog pre-filled.
    QComboBox* SessionFileBox() const { return session_file_; }
    QComboBox* HostBox() const { return host_; }
    QLineEdit* ColumnsEdit() const { return columns_; }
    QLineEdit* RowsEdit() const { return rows_; }
    QLineEdit* AddressEdit() const { return ip_name_; }
    QSpinBox* PortBox() const { return port_; }
    QCheckBox* ValidateBox() const { return validate_cert_; }
    QComboBox* ModelBox() const { return model_; }
    QPushButton* ConnectButton() const { return connect_button_; }
    QPushButton* SaveButton() const { return save_button_; }

    // Checks and takes the fields; false (the dialog stays) after a message. `connect` tells which
    // button confirmed.
    [[nodiscard]] bool Confirm(bool connect);

    // The Port field is the one place of the port: a port typed into the Host or Address field
    // ("host:port", "[v6]:port") moves there when the field is left, and the dialog confirms
    // only an address that names none. These run when the fields are left, and before a confirm.
    void HostEdited();
    void AddressEdited();

  private:
    void FillFromHost(int index);
    void ShowSecurity(const HostSecurity& security);
    void ColumnsEdited();
    void RowsEdited();
    void ModelChanged();
    void Browse(QLineEdit* edit, const QString& title);
    [[nodiscard]] bool TakeHost();

    Ui& ui_;
    HostList hosts_;
    std::vector<std::string> session_files_;
    int keep_alive_default_ = 0;
    ConnectChoice choice_;
    QString last_host_text_;  // the Host field as last taken, so leaving it unchanged changes nothing
    int columns_value_ = 80;
    int rows_value_ = 24;

    QComboBox* session_file_;
    QComboBox* host_;
    QLineEdit* ip_name_;
    QSpinBox* port_;
    QLineEdit* lu_name_;
    QCheckBox* tn3270e_;
    QComboBox* tls_;
    QLineEdit* ca_file_;
    QLineEdit* cert_file_;
    QLineEdit* key_file_;
    QCheckBox* validate_cert_;
    QCheckBox* domain_must_match_;
    QComboBox* model_;
    QLineEdit* columns_;
    QLineEdit* rows_;
    QPushButton* connect_button_;
    QPushButton* save_button_;
};

// The .ses files of a folder, sorted.
std::vector<std::string> ListSessionFiles(const std::string& folder);

// The choice into the session record (host entry, model, size, session file name), the host list
// (read again, the dialog's changes applied onto it) and LastSession into orkan.ini, the session
// file saved. False after a message; the record is
// then unchanged.
[[nodiscard]] bool ApplyConnectChoice(Session& session, SessionFileState& state, const ConnectChoice& choice);

// A desktop entry that starts this session, in the user's applications folder.
[[nodiscard]] bool CreateSessionShortcut(Ui& ui, const std::string& session_file);

}  // namespace orkan
