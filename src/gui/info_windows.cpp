#include "gui/info_windows.h"

#include <openssl/crypto.h>

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orkan {

TlsInfoWindow::TlsInfoWindow(const std::string& text, QWidget* parent) : QDialog(parent) {
    setWindowTitle("TLS Information");
    setObjectName("SSLInfoWindow");
    view_ = new QPlainTextEdit;
    view_->setReadOnly(true);
    view_->setAccessibleName("TLS information");
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The labels are padded to one width: only a fixed-pitch face keeps the values in a column.
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QString shown = QString::fromUtf8(text.data(), qsizetype(text.size()));
    shown.remove('\r');
    view_->setPlainText(shown);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* copy = buttons->addButton("&Copy", QDialogButtonBox::ActionRole);
    QObject::connect(copy, &QPushButton::clicked, this, [this] { CopyToClipboard(); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_);
    layout->addWidget(buttons);
    resize(640, 420);
}

QString TlsInfoWindow::Text() const {
    return view_->toPlainText();
}

void TlsInfoWindow::CopyToClipboard() const {
    QApplication::clipboard()->setText(Text());
}

QString AboutText() {
    return QString("Orkan TN3270 %1\n\nA TN3270 and TN3270E terminal emulator for Linux.\n\nQt %2\n%3")
        .arg(ORKAN_VERSION, qVersion(), OpenSSL_version(OPENSSL_VERSION));
}

void ShowAboutBox(QWidget* parent) {
    QMessageBox::about(parent, "About Orkan TN3270", AboutText());
}

}  // namespace orkan
