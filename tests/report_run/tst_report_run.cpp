#include "report/Controls.h"
#include "report/Document.h"
#include "report/Layout.h"
#include "report/Report.h"
#include "report/ReportFactory.h"

#include <QtTest>

#include <stdexcept>

using namespace kema;
using namespace kema::report;

namespace {

LayoutPtr fixture(const char* name) {
    auto loaded = loadLayoutFile(
        QStringLiteral(KEMA_SOURCE_DIR "/tests/report_run/fixtures/%1.json").arg(name));
    if (!loaded)
        qFatal("%s", qPrintable(loaded.error().description));
    return loaded.value();
}

// What a recording report does: how many records it delivers and where it throws
// ("ReportStart", "FetchData2" for the second fetch, "Detail_Format1", "ReportEnd", ...).
struct Script {
    int records = 1;
    QString failAt;
    bool standardException = false;
};

class Recording : public Report {
public:
    Recording(LayoutPtr layout, QString tag, QStringList& log, Script script = {})
        : Report(std::move(layout)), m_tag(std::move(tag)), m_log(log),
          m_script(std::move(script)) {}

    Report* hosted = nullptr;
    int clearAt = 0; // the format event that clears the hosted report

    void Report_Initialize() override { note(QStringLiteral("Initialize")); }
    void Report_ReportStart() override {
        m_fetches = m_formats = 0;
        note(QStringLiteral("ReportStart"));
        if (hosted)
            subreport(QStringLiteral("Sub")).setReport(hosted);
        page().leftMargin = 330;
    }
    void Report_FetchData(bool& eof) override {
        ++m_fetches;
        note(QStringLiteral("FetchData%1").arg(m_fetches));
        if (m_script.records < 0) {
            Report::Report_FetchData(eof);
            return;
        }
        eof = m_fetches > m_script.records;
        if (!eof && layout().find(QStringLiteral("Fld_NO")))
            textField(QStringLiteral("Fld_NO")).setText(QString::number(m_fetches));
    }
    void Detail_Format() override {
        ++m_formats;
        note(QStringLiteral("Detail_Format%1").arg(m_formats));
        if (layout().find(QStringLiteral("Fld_CARD")))
            textField(QStringLiteral("Fld_CARD")).setText(QStringLiteral("card %1").arg(m_formats));
        if (clearAt == m_formats)
            subreport(QStringLiteral("Sub")).setReport(nullptr);
    }
    void Report_NoData() override { note(QStringLiteral("NoData")); }
    void Report_ReportEnd() override { note(QStringLiteral("ReportEnd")); }

private:
    void note(const QString& event) {
        m_log.append(m_tag.isEmpty() ? event : m_tag + QLatin1Char(':') + event);
        if (event == m_script.failAt) {
            if (m_script.standardException)
                throw std::runtime_error("standard failure in " + event.toStdString());
            throw Failure(Error{7, m_tag, QStringLiteral("failure in ") + event});
        }
    }

    QString m_tag;
    QStringList& m_log;
    Script m_script;
    int m_fetches = 0;
    int m_formats = 0;
};

QStringList texts(const Document& document, int page) {
    QStringList out;
    for (quint32 i : document.pages[std::size_t(page)].items()) {
        if (const auto* t = std::get_if<TextPrimitive>(&document.item(i)))
            out << QStringLiteral("%1@%2,%3").arg(t->text).arg(t->box.left()).arg(t->box.top());
    }
    return out;
}

QStringList cycle(int record, const QString& tag = {}) {
    const QString p = tag.isEmpty() ? QString() : tag + QLatin1Char(':');
    return {p + QStringLiteral("FetchData%1").arg(record),
            p + QStringLiteral("Detail_Format%1").arg(record)};
}

} // namespace

class TestReportRun : public QObject {
    Q_OBJECT

private slots:
    void eventOrder_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no record")
            << 0 << QStringList{"ReportStart", "FetchData1", "NoData", "ReportEnd"};
        QTest::newRow("one record")
            << 1
            << (QStringList{"ReportStart"} + cycle(1) + QStringList{"FetchData2", "ReportEnd"});
        QTest::newRow("three records") << 3
                                       << (QStringList{"ReportStart"} + cycle(1) + cycle(2) +
                                           cycle(3) + QStringList{"FetchData4", "ReportEnd"});
        QTest::newRow("default fetch")
            << -1
            << (QStringList{"ReportStart"} + cycle(1) + QStringList{"FetchData2", "ReportEnd"});
    }

    void eventOrder() {
        QFETCH(int, records);
        QFETCH(QStringList, expected);
        QStringList log;
        Recording report(fixture("RunHost"), {}, log, Script{records, {}, false});
        const Status run = report.run();
        QVERIFY(run.ok());
        QCOMPARE(log, expected);
        const Document& document = report.document();
        QCOMPARE(document.pageCount(), std::max(records, 1) * (records != 0));
        for (int p = 0; p < document.pageCount(); ++p)
            QCOMPARE(texts(document, p),
                     (QStringList{records < 0 ? QStringLiteral("999@100,100")
                                              : QStringLiteral("%1@100,100").arg(p + 1),
                                  QStringLiteral("お客様@100,500")}));
    }

    void failures_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("failAt");
        QTest::addColumn<bool>("standard");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("start") << 2 << "ReportStart" << false
                               << QStringList{"ReportStart", "ReportEnd"};
        QTest::newRow("second fetch")
            << 3 << "FetchData2" << false
            << (QStringList{"ReportStart"} + cycle(1) + QStringList{"FetchData2", "ReportEnd"});
        QTest::newRow("format, standard exception")
            << 2 << "Detail_Format1" << true
            << QStringList{"ReportStart", "FetchData1", "Detail_Format1", "ReportEnd"};
        QTest::newRow("end") << 1 << "ReportEnd" << false
                             << (QStringList{"ReportStart"} + cycle(1) +
                                 QStringList{"FetchData2", "ReportEnd"});
    }

    void failures() {
        QFETCH(int, records);
        QFETCH(QString, failAt);
        QFETCH(bool, standard);
        QFETCH(QStringList, expected);
        QStringList log;
        Recording report(fixture("RunHost"), {}, log, Script{records, failAt, standard});
        const Status run = report.run();
        QVERIFY(!run.ok());
        QVERIFY2(run.error().description.contains(QStringLiteral("failure in ") + failAt),
                 qPrintable(run.error().description));
        QCOMPARE(log, expected);
        QCOMPARE(report.document().pageCount(), 0);
    }

    void subreportRunsInsideEveryHostBand() {
        QStringList log;
        Recording card(fixture("RunCard"), QStringLiteral("card"), log, Script{-1, {}, false});
        Recording host(fixture("RunHost"), {}, log, Script{2, {}, false});
        host.hosted = &card;
        QVERIFY(host.run().ok());
        const QStringList cardRun = QStringList{"card:ReportStart"} + cycle(1, "card") +
                                    QStringList{"card:FetchData2", "card:ReportEnd"};
        QCOMPARE(log, (QStringList{"ReportStart"} + cycle(1) + cardRun + cycle(2) + cardRun +
                       QStringList{"FetchData3", "ReportEnd"}));
        // The hosted band's origin is the subreport's corner.
        const Document& document = host.document();
        QCOMPARE(document.pageCount(), 2);
        for (int p = 0; p < 2; ++p)
            QCOMPARE(texts(document, p), (QStringList{QStringLiteral("%1@100,100").arg(p + 1),
                                                      "お客様@100,500", "card 1@250,6070"}));
    }

    void hostedBandsStackWhenTheHostedReportDeliversSeveral() {
        QStringList log;
        Recording card(fixture("RunCard"), QStringLiteral("card"), log, Script{2, {}, false});
        Recording host(fixture("RunHost"), {}, log, Script{1, {}, false});
        host.hosted = &card;
        QVERIFY(host.run().ok());
        QCOMPARE(texts(host.document(), 0), (QStringList{"1@100,100", "お客様@100,500",
                                                         "card 1@250,6070", "card 2@250,10105"}));
    }

    void hostedReportClearedDuringTheRun() {
        QStringList log;
        Recording card(fixture("RunCard"), QStringLiteral("card"), log, Script{-1, {}, false});
        Recording host(fixture("RunHost"), {}, log, Script{2, {}, false});
        host.hosted = &card;
        host.clearAt = 2;
        QVERIFY(host.run().ok());
        QCOMPARE(log.count(QStringLiteral("card:ReportStart")), 1);
        QCOMPARE(texts(host.document(), 1), (QStringList{"2@100,100", "お客様@100,500"}));
    }

    void hostedFailureFailsTheHostAfterBothEnds() {
        QStringList log;
        Recording card(fixture("RunCard"), QStringLiteral("card"), log,
                       Script{-1, QStringLiteral("ReportStart"), false});
        Recording host(fixture("RunHost"), {}, log, Script{2, {}, false});
        host.hosted = &card;
        const Status run = host.run();
        QVERIFY(!run.ok());
        QVERIFY(run.error().description.contains(QStringLiteral("failure in ReportStart")));
        QCOMPARE(log, (QStringList{"ReportStart"} + cycle(1) +
                       QStringList{"card:ReportStart", "card:ReportEnd", "ReportEnd"}));
        QCOMPARE(host.document().pageCount(), 0);
    }

    void hostingItselfFails() {
        QStringList log;
        Recording host(fixture("RunHost"), {}, log, Script{1, {}, false});
        host.hosted = &host;
        const Status run = host.run();
        QVERIFY(!run.ok());
        QVERIFY(run.error().description.contains(QStringLiteral("already running")));
        QCOMPARE(log.last(), QStringLiteral("ReportEnd"));
    }

    void unchangedControlsShareTheirPrimitives() {
        QStringList log;
        Recording report(fixture("RunHost"), {}, log, Script{3, {}, false});
        QVERIFY(report.run().ok());
        const Document& document = report.document();
        const std::vector<quint32> first = document.pages[0].items();
        QCOMPARE(first.size(), 2u);
        QCOMPARE(first[1], document.pages[2].items()[1]);
        QVERIFY(first[0] != document.pages[1].items()[0]);
        QCOMPARE(document.primitives.size(), 4u);
        QCOMPARE(document.lastUse[first[1]], 2u);
    }

    void documentCarriesNameAndPageValues() {
        QStringList log;
        Recording report(fixture("RunHost"), {}, log, Script{1, {}, false});
        QVERIFY(report.run().ok());
        const Document& document = report.document();
        QCOMPARE(document.name, QStringLiteral("来店伝票（試験）"));
        QCOMPARE(document.pageValues.leftMargin, 330.f);
        QCOMPARE(document.pageValues.topMargin, 1134.f);
        QCOMPARE(qRound(document.sheet.width()), 16838);
        QCOMPARE(qRound(document.sheet.height()), 11906);
    }

    void faceWithoutSubstituteFailsTheRun() {
        QStringList log;
        Recording report(fixture("RunBadFace"), {}, log, Script{1, {}, false});
        const Status run = report.run();
        QVERIFY(!run.ok());
        QVERIFY2(run.error().description.contains(QStringLiteral("\"Kema No Such Face\"")),
                 qPrintable(run.error().description));
        QCOMPARE(log.last(), QStringLiteral("ReportEnd"));
    }

    void factoryRaisesInitialize() {
        static QStringList log;
        log.clear();
        ReportFactory::instance().registerReport(QStringLiteral("RunTest"), [] {
            return std::make_unique<Recording>(fixture("RunHost"), QString(), log);
        });
        auto created = ReportFactory::instance().create(QStringLiteral("RunTest"));
        QVERIFY(created.ok());
        QCOMPARE(log, QStringList{"Initialize"});
        ReportFactory::instance().registerReport(QStringLiteral("RunTest"), [] {
            return std::make_unique<Recording>(fixture("RunHost"), QString(), log,
                                               Script{1, QStringLiteral("Initialize"), false});
        });
        auto failed = ReportFactory::instance().create(QStringLiteral("RunTest"));
        QVERIFY(!failed.ok());
        QVERIFY(failed.error().description.contains(QStringLiteral("failure in Initialize")));
        ReportFactory::instance().unregisterReport(QStringLiteral("RunTest"));
        QVERIFY(!ReportFactory::instance().contains(QStringLiteral("RunTest")));
    }

    void unregisteredClassIsAnError() {
        auto created = ReportFactory::instance().create(QStringLiteral("TKV418R9"));
        QVERIFY(!created.ok());
        QVERIFY(created.error().description.contains(QStringLiteral("\"TKV418R9\"")));
    }
};

QTEST_MAIN(TestReportRun)
#include "tst_report_run.moc"
