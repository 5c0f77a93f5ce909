// Tool Bar Variants: the stored tool bars (the .bar files of the key data folder and those the
// installation brings), each shown with its buttons. The one chosen becomes the session's tool
// bar at once and is kept as its EDITTOOLBAR.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "gui/key_editor_files.h"

class QLabel;
class QListWidget;

namespace orkan {

struct Session;

class ToolBarVariants : public QDialog {
  public:
    ToolBarVariants(Session& session, std::function<void(const QString& page)> help,
                    QWidget* parent = nullptr);

    const std::vector<ToolBarVariant>& Variants() const { return variants_; }
    // Makes the n-th variant the session's tool bar; false after a message.
    bool Choose(size_t n);

  private:
    Session& session_;
    std::vector<ToolBarVariant> variants_;
    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace orkan
