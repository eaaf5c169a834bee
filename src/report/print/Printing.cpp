#include "report/print/Printing.h"

#include "report/Document.h"
#include "report/Report.h"
#include "report/Viewer.h"
#include "report/print/CupsQueue.h"
#include "report/print/Desktop.h"
#include "report/print/Pages.h"
#include "services/ErrorNumbers.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

namespace kema::report {

namespace {

// The page values' paper size of A4.
constexpr int A4PaperSize = 9;

Error printError(const QString& text) {
    return Error{errors::Printer, QStringLiteral("printPages"), text};
}

// Pages `first` to `last` onto the device `painter` has begun, each on a sheet of its own; on a
// failure the painter has ended. `where` names the printer in errors.
Status paintRange(const Report& report, QPainter& painter, QPagedPaintDevice& device, int dpi,
                  int first, int last, const QString& where) {
    for (int index = first; index <= last; ++index) {
        if (index > first && !device.newPage()) {
            painter.end();
            return printError(
                QStringLiteral("printer \"%1\" could not start page %2").arg(where).arg(index + 1));
        }
        paintPage(report, index, painter, dpi, dpi);
    }
    return {};
}

// A print dialog's choice of a file: Qt's own PDF output, as the dialog set it up.
Status printToFile(const Report& report, Printer& printer, int copies, int first, int last) {
    const QString file = printer.outputFile();
    QPagedPaintDevice& device =
        printer.fileJobDevice(documentName(report), copies, sheetLayout(report).orientation());
    QPainter painter;
    if (!painter.begin(&device))
        return printError(QStringLiteral("printer \"%1\" could not start the job").arg(file));
    if (Status pages = paintRange(report, painter, device, printer.resolution(), first, last, file);
        !pages)
        return pages;
    if (!painter.end() || printer.jobFailed())
        return printError(QStringLiteral("printer \"%1\" did not accept the job").arg(file));
    return {};
}

// The pages as the printer itself would have drawn them: its paper, the sheet's orientation,
// the whole sheet paintable and its resolution, so every position stays the same.
Result<QByteArray> jobPdf(const Report& report, const Printer& printer, int first, int last) {
    QPageLayout layout = printer.pageLayout();
    layout.setOrientation(sheetLayout(report).orientation());
    layout.setMode(QPageLayout::FullPageMode);
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(documentName(report));
    writer.setResolution(printer.resolution());
    const QString where = printer.queueName();
    if (!writer.setPageLayout(layout))
        return printError(
            QStringLiteral("printer \"%1\": its page layout does not fit a PDF").arg(where));
    QPainter painter;
    if (!painter.begin(&writer))
        return printError(
            QStringLiteral("printer \"%1\": the job's pages could not be drawn").arg(where));
    if (Status pages = paintRange(report, painter, writer, writer.resolution(), first, last, where);
        !pages)
        return pages.error();
    if (!painter.end())
        return printError(
            QStringLiteral("printer \"%1\": the job's pages could not be drawn").arg(where));
    return pdf;
}

} // namespace

Result<Printer*> reportPrinter(Report& report) {
    std::unique_ptr<Printer>& printer = report.viewer().printer;
    if (!printer) {
        const Result<Desktop*> loaded = desktop();
        if (!loaded)
            return loaded.error();
        printer = loaded.value()->createPrinter();
    }
    return printer.get();
}

Status printPages(Report& report, Printer& printer, int copies) {
    if (copies < 1)
        return printError(
            QStringLiteral("copy count %1 is below 1: nothing was printed").arg(copies));
    // A print dialog may have sent the job to a file instead of a queue.
    const bool toFile = !printer.outputFile().isEmpty();
    if (!toFile) {
        const QStringList queues = printer.availableQueues();
        if (queues.isEmpty())
            return printError(QStringLiteral("no printer: no CUPS queue is available"));
        if (printer.queueName().isEmpty())
            return printError(QStringLiteral("no printer selected"));
        if (!queues.contains(printer.queueName()))
            return printError(
                QStringLiteral("printer \"%1\" is not a CUPS queue here (available: %2)")
                    .arg(printer.queueName(), queues.join(u", ")));
    }

    const int count = pageCount(report);
    int first = 0;
    int last = count - 1;
    if (const auto [from, to] = printer.pageRange(); from > 0) {
        first = from - 1;
        last = qMin(last, to - 1);
    }
    if (first > last)
        return {};
    if (toFile)
        return printToFile(report, printer, copies, first, last);

    const Result<QByteArray> pdf = jobPdf(report, printer, first, last);
    if (!pdf)
        return pdf.error();
    PdfJob job;
    job.queue = printer.queueName();
    job.title = documentName(report);
    job.copies = copies;
    job.landscape = sheetLayout(report).orientation() == QPageLayout::Landscape;
    job.a4 = report.document().pageValues.paperSize == A4PaperSize;
    return submitPdf(job, pdf.value()).status();
}

Status printReport(Report& report) {
    const Result<Printer*> printer = reportPrinter(report);
    if (!printer)
        return printer.error();
    printer.value()->printAllPages();
    return printPages(report, *printer.value(), report.copies());
}

} // namespace kema::report
