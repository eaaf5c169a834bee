#include "../report_print/TestReport.h"
#include "PdfText.h"
#include "report/Viewer.h"
#include "report/desktop/PreviewDialog.h"
#include "report/desktop/QtDesktop.h"
#include "report/print/Output.h"
#include "report/print/PageSetup.h"
#include "report/print/Preview.h"

#include <QApplication>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

using namespace kema::report;
using namespace Qt::StringLiterals;

namespace {

const QString CloseTool = u"終了(&C)"_s;
using Keys = QList<QPair<int, int>>;

// A report that ran, with the slips' window settings and their added tool.
std::unique_ptr<TestReport> ranReport(int records = 1) {
    auto report = std::make_unique<TestReport>(records);
    report->setTarget(Target::Preview);
    report->viewer().windowHeight = 11100;
    report->viewer().windowWidth = 15360;
    report->viewer().caption = u"来店伝票"_s;
    report->onStart = [r = report.get()] {
        r->viewer().tools.append(CloseTool);
        QVERIFY(StandardPageSetup(*r).ok());
    };
    if (!report->run())
        return nullptr;
    return report;
}

// Closes whatever modal window comes up, so that a test never hangs on exec().
struct ModalWatch {
    bool seen = false;
    QTimer timer;
    ModalWatch() {
        timer.setInterval(50);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                seen = true;
                modal->close();
            }
        });
        timer.start();
    }
};

} // namespace

class ReportPreviewTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useDesktop(&qtDesktop()); }

    // The window as the slips set it up. The designed origin lands at (left margin, top
    // margin) of the sheet on the screen too: the fixture's black frame at (1440, 1440) twips
    // shows 1 inch + margins from the corner.
    void pageIsDrawnAtItsPlace() {
        auto report = ranReport();
        QVERIFY(report);
        ReportPreview model(*report);
        PreviewDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), u"来店伝票"_s);
        QCOMPARE(dialog.size(), QSize(1024, 740));
        QCOMPARE(dialog.pageCount(), 1);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QImage page = dialog.renderedPage();
        const double pixelsPerTwip = page.width() / (297.0 / 25.4 * 1440.0);
        const auto at = [&](double x, double y) {
            return page.pixelColor(qRound(x * pixelsPerTwip), qRound(y * pixelsPerTwip));
        };
        const double left = report->page().leftMargin;
        const double top = report->page().topMargin;
        QCOMPARE(at(left + 1440 + 720, top + 1440 + 360), QColor(Qt::black));
        QCOMPARE(at(left + 1440 - 200, top + 1440 + 360), QColor(Qt::white));
        QCOMPARE(at(left + 1440 + 720, top + 1440 + 720 + 200), QColor(Qt::white));
    }

    // The report closes the window from a key or its added tool; Escape closes it by itself; an
    // event's error ends it with that error.
    void closing_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("tool");
        QTest::addColumn<Keys>("keys");
        QTest::addColumn<QString>("error");
        QTest::newRow("F12") << int(Qt::Key_F12) << QString() << Keys{{123, 0}} << QString();
        QTest::newRow("tool") << 0 << CloseTool << Keys{} << QString();
        QTest::newRow("Escape") << int(Qt::Key_Escape) << QString() << Keys{{27, 0}} << QString();
        QTest::newRow("failing tool") << 0 << CloseTool << Keys{} << u"click failed"_s;
    }
    void closing() {
        QFETCH(int, key);
        QFETCH(QString, tool);
        QFETCH(Keys, keys);
        QFETCH(QString, error);
        auto report = ranReport();
        QVERIFY(report);
        report->onKeyDown = [&](int code, int) {
            if (code == 123)
                report->viewer().closed = true;
        };
        report->onToolbarClick = [&](const QString& clicked) {
            if (!error.isEmpty())
                throw kema::Failure(kema::Error{9, u"TestReport"_s, error});
            if (clicked == CloseTool)
                report->viewer().closed = true;
        };
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<PreviewDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            if (key)
                QTest::keyClick(dialog, Qt::Key(key));
            else
                QTest::mouseClick(
                    dialog->findChild<QToolBar*>()->widgetForAction(dialog->tool(tool)),
                    Qt::LeftButton);
        });
        ModalWatch guard;
        const kema::Status status = showPreview(*report);
        QCOMPARE(status.ok() ? QString() : status.error().description, error);
        QVERIFY(!guard.seen);
        QCOMPARE(report->keys, keys);
        QCOMPARE(report->clicks, tool.isEmpty() ? QStringList() : QStringList{tool});
    }

    // The print tool, by click or Ctrl+P: the dialog, then the job result, then the event. The
    // user picks "print to file" in the dialog, so the print is real but needs no queue; a file
    // that cannot be written gives 0 and a message.
    void printTool_data() {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<QString>("file"); // empty: the dialog is cancelled
        QTest::addColumn<int>("jobResult");
        QTest::newRow("click, printed") << false << "printed.pdf" << 1;
        QTest::newRow("Ctrl+P, cancelled") << true << "" << 0;
        QTest::newRow("click, failing") << false << "/nonexistent/dir/out.pdf" << 0;
    }
    void printTool() {
        QFETCH(bool, byKey);
        QFETCH(QString, file);
        QFETCH(int, jobResult);
        auto report = ranReport(2);
        QVERIFY(report);
        report->setCopies(2);
        report->viewer().jobResult = -7;
        QTemporaryDir dir;
        const bool failing = file.startsWith(u'/');
        const QString path = failing || file.isEmpty() ? file : dir.filePath(file);
        int dialogCopies = 0;
        qint32 resultInEvent = -7;
        report->onToolbarClick = [&](const QString& tool) {
            if (tool == PreviewDialog::PrintTool)
                resultInEvent = report->viewer().jobResult;
        };
        PreviewOptions options;
        options.printDialog = [&](Printer& chosen, QWidget*) {
            QPrinter& printer = qPrinter(chosen);
            dialogCopies = printer.copyCount();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            printer.setCopyCount(1);
            return !file.isEmpty();
        };
        QStringList messages;
        options.showMessage = [&](const QString& text, QWidget*) { messages << text; };
        ReportPreview model(*report, options);
        PreviewDialog dialog(model);
        dialog.show();
        if (byKey)
            QTest::keyClick(&dialog, Qt::Key_P, Qt::ControlModifier);
        else
            dialog.tool(PreviewDialog::PrintTool)->trigger();
        QCOMPARE(dialogCopies, 2);
        QCOMPARE(report->viewer().jobResult, jobResult);
        QCOMPARE(resultInEvent, jobResult);
        QCOMPARE(report->clicks, QStringList{PreviewDialog::PrintTool});
        QCOMPARE(report->keys, (byKey ? Keys{{0x11, 2}, {0x50, 2}} : Keys{}));
        QCOMPARE(messages.size(), failing ? 1 : 0);
        if (jobResult == 1)
            QCOMPARE(kema::test::pdfPages(path).size(), qsizetype(2));
    }

    // Keys move through the pages and zoom, each raising its tool's click; the whole-page and
    // fit-width tools fit the window.
    void navigationAndZoom() {
        auto report = ranReport(3);
        QVERIFY(report);
        ReportPreview model(*report);
        PreviewDialog dialog(model);
        dialog.show();
        const QList<QPair<Qt::Key, int>> steps{{Qt::Key_PageDown, 1},
                                               {Qt::Key_End, 2},
                                               {Qt::Key_PageDown, 2},
                                               {Qt::Key_Home, 0},
                                               {Qt::Key_PageUp, 0}};
        for (const auto& [key, page] : steps) {
            QTest::keyClick(&dialog, key);
            QCOMPARE(dialog.currentPage(), page);
        }
        const double zoom = dialog.zoom();
        QTest::keyClick(&dialog, Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(dialog.zoom() > zoom);
        QTest::keyClick(&dialog, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(&dialog, Qt::Key_Minus, Qt::ControlModifier);
        QVERIFY(dialog.zoom() < zoom);
        QTest::keyClick(&dialog, Qt::Key_C, Qt::AltModifier);
        QCOMPARE(report->clicks,
                 (QStringList{PreviewDialog::NextPageTool, PreviewDialog::LastPageTool,
                              PreviewDialog::NextPageTool, PreviewDialog::FirstPageTool,
                              PreviewDialog::PreviousPageTool, PreviewDialog::ZoomInTool,
                              PreviewDialog::ZoomOutTool, PreviewDialog::ZoomOutTool, CloseTool}));
        dialog.tool(PreviewDialog::WholePageTool)->trigger();
        const double whole = dialog.zoom();
        dialog.tool(PreviewDialog::FitWidthTool)->trigger();
        QVERIFY(dialog.zoom() > whole);
        QVERIFY(dialog.renderedPage().width() <= 1024);
    }

    // The slips close their window in the end event after a start error: it never shows.
    void executeShowsThePreviewUnlessClosed_data() {
        QTest::addColumn<bool>("closeInEnd");
        QTest::newRow("shown") << false;
        QTest::newRow("closed by the end event") << true;
    }
    void executeShowsThePreviewUnlessClosed() {
        QFETCH(bool, closeInEnd);
        TestReport report;
        report.setTarget(Target::Preview);
        if (closeInEnd)
            report.onEnd = [&] { report.viewer().closed = true; };
        ModalWatch guard;
        QVERIFY(execute(report).ok());
        QCOMPARE(report.events, QStringList({"ReportStart", "ReportEnd"}));
        QCOMPARE(guard.seen, !closeInEnd);
    }
};

QTEST_MAIN(ReportPreviewTest)
#include "tst_report_preview.moc"
