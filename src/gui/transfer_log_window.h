// The transfer log viewer (" File Transfer Log - transfer.log"): the file's lines, new ones as
// they are written, and "Clear Log".
#pragma once

#include <QDialog>

#include "transfer/transfer_client.h"

class QListWidget;

namespace orkan {

class TransferLogWindow final : public QDialog {
    Q_OBJECT
  public:
    TransferLogWindow(TransferClient& client, QWidget* parent);
    ~TransferLogWindow() override;

  private:
    void Add(const std::string& line);

    TransferClient& client_;
    QListWidget* lines_ = nullptr;
};

// Opens the viewer (or brings the open one forward) over `parent`, without waiting.
void OpenTransferLog(QWidget* parent, TransferClient& client);

}  // namespace orkan
