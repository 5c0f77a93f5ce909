#include "gui/print_dialog.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "gui/qt_text.h"
#include "print/printer_target.h"

namespace orkan {

std::optional<PrintDialogAnswer> RunPrintDialog(QWidget* parent, const PrintDialogRequest& request,
                                                QPointer<QDialog>& open) {
    QPrinter printer(QPrinter::HighResolution);
    const PrinterTarget target = ClassifyPrinter(request.printer);
    switch (target.kind) {
        case PrinterKind::Queue:
            printer.setPrinterName(Utf8ToQString(target.name));
            break;
        case PrinterKind::PdfFile:
        case PrinterKind::TextFile:
            printer.setOutputFormat(QPrinter::PdfFormat);
            if (target.kind == PrinterKind::PdfFile) printer.setOutputFileName(Utf8ToQString(target.name));
            break;
        default:
            break;  // Qt opens on CUPS's default destination
    }
    printer.setDocName(Utf8ToQString(request.document));
    printer.setPageOrientation(request.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);

    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle("Print");
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    open = &dialog;
    const int result = dialog.exec();
    open = nullptr;
    if (result != QDialog::Accepted) return std::nullopt;

    PrintDialogAnswer answer;
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        QString file = printer.outputFileName();
        if (!file.endsWith(".pdf", Qt::CaseInsensitive)) file += ".pdf";
        answer.printer = file.toStdString();
    } else {
        answer.printer = printer.printerName().isEmpty() ? std::string(kDefaultPrinter)
                                                         : printer.printerName().toStdString();
    }
    const QSizeF size = printer.pageLayout().pageSize().size(QPageSize::Point);
    answer.paper_width = std::min(size.width(), size.height());
    answer.paper_height = std::max(size.width(), size.height());
    answer.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    answer.copies = std::max(1, printer.copyCount());
    return answer;
}

}  // namespace orkan
