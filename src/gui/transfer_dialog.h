// The "Send File to Host" and "Receive File from Host" dialogs: the request's fields (kept in the
// session record between uses), the host list filled by the list macros or the PC folder's files,
// and, while a transfer runs, its progress texts, a progress bar and Cancel.
#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>

#include "transfer/transfer_client.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace orkan {

struct Session;

// The PC folder and host system last used in either dialog: the other one starts with them while
// the session runs (the session file keeps each dialog's own for the next start).
struct TransferChoices {
    std::optional<std::string> pc_directory;
    std::optional<HostSystem> host_system;
};

class TransferDialog final : public QDialog, public TransferWindow {
    Q_OBJECT
  public:
    // `watching`: the transfer the client runs now was started elsewhere (a macro); the dialog
    // shows its request and progress and goes at its end.
    TransferDialog(Session& session, TransferClient& client, bool upload, bool watching, QWidget* parent,
                   TransferChoices* choices = nullptr);
    ~TransferDialog() override;

    bool upload() const { return upload_; }
    // What the Send or Receive button does.
    void StartTransfer();

    // TransferWindow.
    void ShowProgress(const std::string& stamped) override;
    void ShowBytes(uint64_t bytes, uint64_t total) override;
    void TransferEnded(const TransferOutcome& outcome) override;
    void CloseAfterTransfer() override;

  protected:
    void reject() override;  // Escape, Close, the window's close button

  private:
    void Fill(const TransferRequest& request);
    // The fields as a request; nothing after a message when a text cannot be kept.
    std::optional<TransferRequest> ReadFields();
    void SetRunning(bool running);
    void CloseWhenFree();
    void HostSystemChanged();
    void RefreshPcList();
    void RefreshHostList();
    void HostEntryChosen(bool also_pc_name);
    void RunList(int level);
    void Browse(bool folder);

    Session& session_;
    TransferClient& client_;
    const bool upload_;
    const bool watching_;
    TransferChoices* choices_;
    bool running_ = false;
    bool asking_ = false;               // the "in progress" question is open
    bool close_when_answered_ = false;  // a close that came while it was
    size_t shown_host_entries_ = size_t(-1);

    QLineEdit* host_file_ = nullptr;
    QLineEdit* pc_file_ = nullptr;
    QLineEdit* pc_directory_ = nullptr;
    QButtonGroup* mode_ = nullptr;
    QCheckBox* ascii_ = nullptr;
    QCheckBox* crlf_ = nullptr;
    QCheckBox* append_ = nullptr;
    QButtonGroup* system_ = nullptr;
    QLineEdit* additional_ = nullptr;
    QGroupBox* tso_allocation_ = nullptr;
    QSpinBox* space_primary_ = nullptr;
    QSpinBox* space_secondary_ = nullptr;
    QComboBox* space_unit_ = nullptr;
    QSpinBox* blksize_ = nullptr;
    QSpinBox* lrecl_ = nullptr;
    QComboBox* recfm_ = nullptr;
    QListWidget* list_ = nullptr;
    QLineEdit* qualifier_ = nullptr;
    QPushButton* list_button_ = nullptr;
    QPushButton* members_button_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer* list_watch_ = nullptr;
    std::vector<QWidget*> inputs_;  // disabled while a transfer runs
};

// Opens the dialog (or brings the one already open forward) over `parent`, without waiting.
void OpenTransferDialog(QWidget* parent, Session& session, TransferClient& client, bool upload,
                        TransferChoices* choices = nullptr);
// The dialog for the transfer a macro has just started.
void OpenTransferProgress(QWidget* parent, Session& session, TransferClient& client, bool upload);

}  // namespace orkan
