#include "report/print/Printing.h"

#include "report/Report.h"
#include "report/Viewer.h"
#include "report/print/CupsQueue.h"
#include "report/print/Pages.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace kema::report {

namespace {

constexpr long PrinterErrorNumber = 482;

Error printError(const QString& text) {
    return Error{PrinterErrorNumber, QStringLiteral("printPages"), text};
}

} // namespace

Status printPages(Report& report, QPrinter& printer, int copies) {
    if (copies < 1)
        return printError(
            QStringLiteral("copy count %1 is below 1: nothing was printed").arg(copies));
    // A print dialog may have sent the job to a file instead of a queue.
    const bool toFile =
        printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
    if (!toFile) {
        const QStringList queues = QPrinterInfo::availablePrinterNames();
        if (queues.isEmpty())
            return printError(QStringLiteral("no printer: no CUPS queue is available"));
        if (printer.outputFormat() != QPrinter::NativeFormat || printer.printerName().isEmpty())
            return printError(QStringLiteral("no printer selected"));
        if (!queues.contains(printer.printerName()))
            return printError(
                QStringLiteral("printer \"%1\" is not a CUPS queue here (available: %2)")
                    .arg(printer.printerName(), queues.join(u", ")));
    }

    const int count = pageCount(report);
    int first = 0;
    int last = count - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage() - 1;
        last = qMin(last, printer.toPage() - 1);
    }
    if (first > last)
        return {};

    printer.setDocName(documentName(report));
    printer.setFullPage(true);
    printer.setCopyCount(copies);
    printer.setCollateCopies(true);
    printer.setPageOrientation(sheetLayout(report).orientation());

    int jobBefore = 0;
    if (!toFile) {
        if (const QString refusal = cupsRefusal(printer.printerName()); !refusal.isEmpty())
            return printError(refusal);
        jobBefore = newestCupsJob(printer.printerName());
    }

    const QString where = toFile ? printer.outputFileName() : printer.printerName();
    QPainter painter;
    if (!painter.begin(&printer))
        return printError(QStringLiteral("printer \"%1\" could not start the job").arg(where));
    for (int index = first; index <= last; ++index) {
        if (index > first && !printer.newPage()) {
            painter.end();
            return printError(
                QStringLiteral("printer \"%1\" could not start page %2").arg(where).arg(index + 1));
        }
        paintPage(report, index, painter, printer.resolution(), printer.resolution());
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return printError(QStringLiteral("printer \"%1\" did not accept the job").arg(where));
    if (!toFile && newestCupsJob(printer.printerName()) <= jobBefore)
        return printError(
            QStringLiteral("CUPS refused the job for printer \"%1\"").arg(printer.printerName()));
    return {};
}

Status printReport(Report& report) {
    QPrinter& printer = report.viewer().printer();
    printer.setPrintRange(QPrinter::AllPages);
    return printPages(report, printer, report.copies());
}

} // namespace kema::report
