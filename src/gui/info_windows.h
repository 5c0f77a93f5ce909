// The small windows: the TLS information of the connection (copyable) and the About box.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;

namespace orkan {

class TlsInfoWindow : public QDialog {
  public:
    // `text`: the lines as the connection gathered them (CR LF line ends, certificate fields UTF-8).
    explicit TlsInfoWindow(const std::string& text, QWidget* parent = nullptr);
    QString Text() const;
    void CopyToClipboard() const;

  private:
    QPlainTextEdit* view_;
};

// The program's name, version and the libraries it runs on.
QString AboutText();
void ShowAboutBox(QWidget* parent);

}  // namespace orkan
