#pragma once

#include "PdfText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QThread>
#include <QtTest>

// What the test CUPS server (scripts/services/cups) recorded of a job in its page log. The
// server keeps no job history: a job is known only once it has printed.
struct CupsJob {
    int id = 0;
    int sheets = 0;
    QString media; // "-" when the job asked for none
};

// True when the private CUPS server of the tests is there; otherwise the caller skips, or fails
// when the services are mandatory.
inline bool haveCups() {
    return !qEnvironmentVariableIsEmpty("KEMA_TEST_CUPS_QUEUE");
}

#define KEMA_REQUIRE_CUPS()                                                                        \
    do {                                                                                           \
        if (!haveCups()) {                                                                         \
            if (qEnvironmentVariable("KEMA_REQUIRE_SERVICES") == QLatin1String("1"))               \
                QFAIL("KEMA_TEST_CUPS_QUEUE is not set: scripts/services/cups did not start");     \
            QSKIP("no test CUPS server (eval \"$(scripts/services/cups start DIR)\")");            \
        }                                                                                          \
    } while (false)

// The jobs after `afterId` on `queue` with `title` in the page log, whose lines are: queue user
// job [date zone] total sheets billing host title media sides; waiting up to a minute for one.
inline QList<CupsJob> waitForCupsJobs(int afterId, const QString& queue, const QString& title) {
    QElapsedTimer clock;
    clock.start();
    QList<CupsJob> found;
    while (clock.elapsed() < 60000) {
        found.clear();
        QFile log(qEnvironmentVariable("KEMA_TEST_CUPS_PAGE_LOG"));
        const QByteArray lines = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
        for (const QString& line : QString::fromUtf8(lines).split(u'\n')) {
            const QStringList f = line.split(u' ');
            if (f.size() >= 12 && f[5] == QLatin1String("total") && f[2].toInt() > afterId &&
                f[0] == queue && f.mid(9, f.size() - 11).join(u' ') == title)
                found.append({f[2].toInt(), f[6].toInt(), f[f.size() - 2]});
        }
        if (!found.isEmpty())
            break;
        QThread::msleep(200);
    }
    return found;
}

// CUPS numbers the jobs it takes one after another and gives a refused one no number. A job
// held and cancelled at once marks a moment: a later mark one higher means that no job was taken
// in between, on any queue. -1 when lp or cancel fail.
inline int cupsJobMark() {
    const QString queue = qEnvironmentVariable("KEMA_TEST_CUPS_QUEUE");
    QProcess lp;
    lp.start(QStringLiteral("lp"),
             {QStringLiteral("-d"), queue, QStringLiteral("-H"), QStringLiteral("indefinite"),
              QStringLiteral("-t"), QStringLiteral("kema-mark")});
    lp.write("mark\n");
    lp.closeWriteChannel();
    lp.waitForFinished(30000);
    const auto match = QRegularExpression(QStringLiteral("request id is \\S+-(\\d+) "))
                           .match(QString::fromUtf8(lp.readAllStandardOutput()));
    if (!match.hasMatch())
        return -1;
    const int id = match.captured(1).toInt();
    const int cancelled =
        QProcess::execute(QStringLiteral("cancel"), {QStringLiteral("%1-%2").arg(queue).arg(id)});
    return cancelled == 0 ? id : -1;
}

// The PDF cups-pdf wrote for a job, once it is complete.
inline QString cupsPdfOf(int jobId) {
    const QDir out(qEnvironmentVariable("KEMA_TEST_CUPS_OUT"));
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000) {
        const QStringList files =
            out.entryList({QStringLiteral("*-job_%1.pdf").arg(jobId)}, QDir::Files);
        if (!files.isEmpty() && !kema::test::pdfPages(out.filePath(files.first())).isEmpty())
            return out.filePath(files.first());
        QThread::msleep(200);
    }
    return {};
}

// The words of each printed sheet, turned back onto the landscape slip: the test queues print a
// landscape page turned onto portrait A4, its top-left corner at the bottom-left.
inline QList<QList<kema::test::PdfWord>> landscapeSheets(const QString& pdf) {
    constexpr qreal PortraitHeight = 842; // points
    QList<QList<kema::test::PdfWord>> sheets = kema::test::pdfPages(pdf);
    for (QList<kema::test::PdfWord>& words : sheets)
        for (kema::test::PdfWord& word : words)
            word.box = QRectF(QPointF(PortraitHeight - word.box.bottom(), word.box.left()),
                              QPointF(PortraitHeight - word.box.top(), word.box.right()));
    return sheets;
}
