#include "report/print/CupsQueue.h"

#include <cups/cups.h>

namespace kema::report {

QString cupsRefusal(const QString& queue) {
    const QByteArray name = queue.toUtf8();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
    if (!dest)
        return QStringLiteral("CUPS does not know the queue \"%1\"").arg(queue);
    const char* accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const char* message = cupsGetOption("printer-state-message", dest->num_options, dest->options);
    QString refusal;
    if (accepting && qstrcmp(accepting, "false") == 0) {
        refusal = QStringLiteral("the queue \"%1\" rejects jobs").arg(queue);
        if (message && *message)
            refusal += QStringLiteral(" (%1)").arg(QString::fromUtf8(message));
    }
    cupsFreeDests(1, dest);
    return refusal;
}

int newestCupsJob(const QString& queue) {
    const QByteArray name = queue.toUtf8();
    cups_job_t* jobs = nullptr;
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, name.constData(), 0, CUPS_WHICHJOBS_ALL);
    int newest = 0;
    for (int i = 0; i < count; ++i)
        newest = qMax(newest, jobs[i].id);
    cupsFreeJobs(count, jobs);
    return newest;
}

} // namespace kema::report
