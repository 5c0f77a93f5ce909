// The print dialog of Print Screen Ask (Qt Print Support: the CUPS printers, print to PDF file).
// The pages themselves are the core's: the dialog only chooses where they go, the paper, the
// orientation and the copies.
#pragma once

#include <QDialog>
#include <QPointer>
#include <optional>

#include "interfaces/ui.h"

class QWidget;

namespace orkan {

// Nothing when cancelled. `open` follows the dialog while it is shown, so the program can close it
// when it ends.
std::optional<PrintDialogAnswer> RunPrintDialog(QWidget* parent, const PrintDialogRequest& request,
                                                QPointer<QDialog>& open);

}  // namespace orkan
