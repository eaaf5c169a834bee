#pragma once

#include "services/Error.h"

#include <QByteArray>
#include <QString>

namespace kema::report {

// One print job: a PDF for a CUPS queue and what the job asks of the printer.
struct PdfJob {
    QString queue;
    QString title;
    int copies = 1;         // collated: the whole document once per copy
    bool landscape = false; // the pages are to be turned as landscape sheets
    bool a4 = false;        // A4 paper; otherwise the paper the queue chooses
};

// Submits the PDF to CUPS (CUPS_SERVER, else the local scheduler) as one job. The id CUPS gave
// this very submission, or the error naming the queue with CUPS' answer: an unknown queue, a
// queue that takes no jobs, a document it did not accept. A job refused half-way is cancelled.
Result<int> submitPdf(const PdfJob& job, const QByteArray& pdf);

} // namespace kema::report
