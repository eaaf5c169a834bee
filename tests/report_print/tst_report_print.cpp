#include "Cups.h"
#include "PdfText.h"
#include "TestReport.h"
#include "report/Viewer.h"
#include "report/desktop/QtDesktop.h"
#include "report/print/Output.h"
#include "report/print/PageSetup.h"
#include "report/print/Printing.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <cups/cups.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace kema::report;
using namespace Qt::StringLiterals;
using kema::test::PdfWord;

namespace {

const QString kFaultQueue = u"kema_fault"_s;
const QString DocumentName = u"来店伝票（印刷試験）"_s;
const QString A4Media = u"iso_a4_210x297mm"_s;

int lpadmin(const QStringList& arguments) {
    return QProcess::execute(u"lpadmin"_s, arguments);
}

// The words agree in text and place: along the line to half a point; across it to 3 points,
// as the printer's conversion of the font changes the ascent and descent the box is made of.
bool sameWords(const QList<PdfWord>& a, const QList<PdfWord>& b) {
    const auto near = [](qreal x, qreal y, qreal tolerance) { return qAbs(x - y) < tolerance; };
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [&](const PdfWord& v, const PdfWord& w) {
            return v.text == w.text && near(v.box.left(), w.box.left(), 0.5) &&
                   near(v.box.right(), w.box.right(), 0.5) && near(v.box.top(), w.box.top(), 3) &&
                   near(v.box.bottom(), w.box.bottom(), 3);
        });
}

// A report on the test queue whose start event runs the standard page setup.
void onTestQueue(TestReport& report, int copies = 1, const QString& queue = {}) {
    report.setTarget(Target::Printer);
    report.setCopies(copies);
    QVERIFY(selectQueue(*reportPrinter(report).value(),
                        queue.isEmpty() ? qEnvironmentVariable("KEMA_TEST_CUPS_QUEUE") : queue)
                .ok());
    report.onStart = [&report] { QVERIFY(StandardPageSetup(report).ok()); };
}

} // namespace

class ReportPrintTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useDesktop(&qtDesktop()); }

    // One job per print: the pages are drawn once and CUPS makes the copies, collated; A4 is
    // asked for only when the slip's paper is A4; a page range prints only its pages.
    void copies_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("paperSize");
        QTest::addColumn<int>("page");           // a range of this one page; 0: all pages
        QTest::addColumn<QStringList>("sheets"); // the page number on each printed sheet
        QTest::addColumn<QString>("media");
        QTest::newRow("2 pages, 2 copies, collated")
            << 2 << 2 << 9 << 0 << QStringList{"1", "2", "1", "2"} << A4Media;
        QTest::newRow("3 pages, page 2 to 2") << 3 << 1 << 9 << 2 << QStringList{"2"} << A4Media;
        QTest::newRow("letter paper: the queue's own")
            << 1 << 1 << 1 << 0 << QStringList{"1"} << u"-"_s;
    }

    void copies() {
        KEMA_REQUIRE_CUPS();
        QFETCH(int, records);
        QFETCH(int, copies);
        QFETCH(int, paperSize);
        QFETCH(int, page);
        QFETCH(QStringList, sheets);
        QFETCH(QString, media);
        TestReport report(records);
        onTestQueue(report, copies);
        report.onStart = [&] {
            QVERIFY(StandardPageSetup(report).ok());
            report.page().paperSize = paperSize;
        };
        const int before = cupsJobMark();
        QVERIFY(report.run().ok());
        Printer& printer = *reportPrinter(report).value();
        if (page != 0) {
            qPrinter(printer).setPrintRange(QPrinter::PageRange);
            qPrinter(printer).setFromTo(page, page);
        }
        const kema::Status status =
            page == 0 ? printReport(report) : printPages(report, printer, copies);
        QVERIFY2(status.ok(), status.ok() ? "" : qPrintable(status.error().description));

        // The queue prints to its paper's edges, as the PDF file of the same slip does.
        QTemporaryDir dir;
        QVERIFY(renderPdf(report, dir.filePath(u"slip.pdf"_s)).ok());
        const QList<QList<PdfWord>> pages = kema::test::pdfPages(dir.filePath(u"slip.pdf"_s));

        const QList<CupsJob> jobs =
            waitForCupsJobs(before, qEnvironmentVariable("KEMA_TEST_CUPS_QUEUE"), DocumentName);
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(jobs[0].sheets, sheets.size());
        QCOMPARE(jobs[0].media, media);
        const QList<QList<PdfWord>> printed = landscapeSheets(cupsPdfOf(jobs[0].id));
        QCOMPARE(printed.size(), sheets.size());
        for (qsizetype i = 0; i < printed.size(); ++i)
            QVERIFY2(
                sameWords(printed[i], pages.value(sheets[i].toInt() - 1)),
                qPrintable(u"sheet %1 is not page %2 of the slip"_s.arg(i + 1).arg(sheets[i])));
    }

    // CUPS takes no job on any queue for a slip of no record, nor for a print that cannot be made,
    // which fails with the reason: below one copy nothing is sent; a queue that takes no jobs
    // answers with its refusal and why; a stopped queue would hold the job; a queue deleted after
    // the page setup, or a scheduler gone by then, is not replaced by another printer.
    void noJob_data() {
        QTest::addColumn<QString>("queue"); // kFaultQueue: one the row makes and removes
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("copies");
        QTest::addColumn<QStringList>("reason");
        const QString rejecting = qEnvironmentVariable("KEMA_TEST_CUPS_REJECTING_QUEUE");
        QTest::newRow("no record") << QString() << "no record" << 1 << QStringList();
        QTest::newRow("0 copies") << QString() << "" << 0 << QStringList{"copy count 0"};
        QTest::newRow("rejecting queue")
            << rejecting << "" << 1
            << QStringList{"\"" + rejecting + "\"", "not accepting jobs", "closed for the tests"};
        QTest::newRow("stopped queue")
            << kFaultQueue << "stopped" << 1
            << QStringList{"\"kema_fault\"", "is stopped", "paper jam at the counter"};
        QTest::newRow("queue deleted after the page setup")
            << kFaultQueue << "deleted" << 1
            << QStringList{"\"kema_fault\" is not a CUPS queue here"};
        QTest::newRow("scheduler gone after the page setup")
            << kFaultQueue << "scheduler gone" << 1 << QStringList{"no CUPS queue is available"};
    }

    void noJob() {
        KEMA_REQUIRE_CUPS();
        QFETCH(QString, queue);
        QFETCH(QString, fault);
        QFETCH(int, copies);
        QFETCH(QStringList, reason);
        const bool ownQueue = queue == kFaultQueue;
        if (ownQueue)
            QCOMPARE(
                lpadmin({"-p", queue, "-E", "-v", qEnvironmentVariable("KEMA_TEST_CUPS_DEVICE"),
                         "-P", qEnvironmentVariable("KEMA_TEST_CUPS_PPD")}),
                0);
        const auto cleanup = qScopeGuard([&] {
            if (ownQueue)
                lpadmin({"-x", queue});
        });
        if (fault == u"stopped")
            QCOMPARE(QProcess::execute("cupsdisable", {"-r", "paper jam at the counter", queue}),
                     0);

        TestReport report(fault == u"no record" ? 0 : 1);
        onTestQueue(report, copies, queue);
        const int mark = cupsJobMark();
        QVERIFY(report.run().ok());
        if (fault == u"deleted")
            QCOMPARE(lpadmin({"-x", queue}), 0);
        const QByteArray server = qgetenv("CUPS_SERVER");
        if (fault == u"scheduler gone") {
            qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
            cupsSetServer(nullptr);
        }
        const kema::Status status = printReport(report);
        qputenv("CUPS_SERVER", server);
        cupsSetServer(nullptr);
        QCOMPARE(status.ok(), reason.isEmpty());
        for (const QString& part : reason)
            QVERIFY2(status.error().description.contains(part),
                     qPrintable(status.error().description));
        QCOMPARE(report.events, QStringList({"ReportStart", "ReportEnd"}));
        QCOMPARE(cupsJobMark(), mark + 1);
    }

    // Without any printer nothing is measured, and a print fails saying so.
    void noPrinterFails() {
        if (!qEnvironmentVariableIsSet("KEMA_TEST_NO_PRINTER"))
            QSKIP("tst_report_print_no_printer runs this without any printer");
        QVERIFY(QPrinterInfo::availablePrinterNames().isEmpty());
        TestReport report;
        QVERIFY(!MeasurePrinterMargins(QueueDevice(*reportPrinter(report).value())).has_value());
        report.setTarget(Target::Printer);
        report.onStart = [&] { QVERIFY(StandardPageSetup(report).ok()); };
        const kema::Status status = execute(report);
        QVERIFY(!status.ok());
        QVERIFY2(status.error().description.contains(u"no printer"_s),
                 qPrintable(status.error().description));
    }

    void pdfTargetUsesNoPrinter() {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"slip.pdf"_s);
        TestReport report(2);
        report.setTarget(Target::Pdf, file);
        report.setCopies(3);
        const int mark = haveCups() ? cupsJobMark() : 0;
        QVERIFY(execute(report).ok());
        QCOMPARE(kema::test::pdfPages(file).size(), qsizetype(2));
        if (haveCups())
            QCOMPARE(cupsJobMark(), mark + 1);
    }
};

QTEST_MAIN(ReportPrintTest)
#include "tst_report_print.moc"
