#include "gui/transfer_log_window.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/qt_text.h"
#include "transfer/transfer_messages.h"

namespace orkan {

TransferLogWindow::TransferLogWindow(TransferClient& client, QWidget* parent)
    : QDialog(parent), client_(client) {
    setObjectName("TransferLog");
    setWindowTitle(QString::fromUtf8(transfer_msg::kLogTitle));
    lines_ = new QListWidget;
    lines_->setObjectName("lines");
    lines_->setAccessibleName("Log lines");
    lines_->setMinimumSize(560, 300);
    for (const std::string& line : client_.log().Lines()) Add(line);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* clear = buttons->addButton("Clear Log", QDialogButtonBox::ActionRole);
    QObject::connect(clear, &QPushButton::clicked, this, [this] {
        if (client_.log().Clear()) return;
        QMessageBox box(QMessageBox::Warning, "Orkan TN3270 File Error", Utf8ToQString(client_.log().error()),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lines_);
    layout->addWidget(buttons);
    client_.log().on_line = [this](const std::string& line) { Add(line); };
    client_.log().on_cleared = [this] { lines_->clear(); };
}

TransferLogWindow::~TransferLogWindow() {
    client_.log().on_line = nullptr;
    client_.log().on_cleared = nullptr;
}

void TransferLogWindow::Add(const std::string& line) {
    lines_->addItem(Utf8ToQString(line));
    lines_->scrollToBottom();
}

void OpenTransferLog(QWidget* parent, TransferClient& client) {
    if (auto* open = parent->findChild<TransferLogWindow*>()) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto* window = new TransferLogWindow(client, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->activateWindow();  // opened from the menu: the keyboard goes to it
}

}  // namespace orkan
