// The print dialog of Print Screen Ask (Qt Print Support: the CUPS printers, print to PDF file)
// and the file dialog of Print File. The pages themselves are the core's: the dialog only chooses
// where they go, the paper, the orientation and the copies.
#pragma once

#include <QDialog>
#include <QPointer>
#include <string>

#include "platform/ui.h"

class QWidget;

namespace orkan {

// `open` follows the dialog while it is shown, so the program can close it when it ends.
DialogOutcome RunPrintDialog(QWidget* parent, const PrintDialogRequest& request, PrintDialogAnswer& answer,
                             QPointer<QDialog>& open);
DialogOutcome AskTextFileToPrint(QWidget* parent, std::string& path, QPointer<QDialog>& open);

}  // namespace orkan
