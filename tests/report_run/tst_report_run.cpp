#include "report/Controls.h"
#include "report/Document.h"
#include "report/Layout.h"
#include "report/Report.h"
#include "report/ReportFactory.h"

#include <QtTest>

#include <map>
#include <stdexcept>

using namespace kema;
using namespace kema::report;
using namespace Qt::StringLiterals;

namespace {

std::map<QString, LayoutPtr> g_fixtures;

LayoutPtr fixture(const char* name) {
    return g_fixtures[QLatin1String(name)];
}

// What a recording report does: how many records it delivers (-1: the default fetch) and where
// it throws ("ReportStart", "FetchData2" for the second fetch, "Detail_Format1", ...).
struct Script {
    int records = 1;
    QString failAt; // events that throw, "|"-separated
    bool standardException = false;
};

class Recording : public Report {
public:
    Recording(LayoutPtr layout, QString tag, QStringList& log, Script script = {})
        : Report(std::move(layout)), m_tag(std::move(tag)), m_log(log),
          m_script(std::move(script)) {}

    Report* hosted = nullptr;
    int clearAt = 0; // the format event that clears the hosted report

    void Report_Initialize() override { note(u"Initialize"_s); }
    void Report_ReportStart() override {
        m_fetches = m_formats = 0;
        note(u"ReportStart"_s);
        if (hosted)
            subreport(u"Sub"_s).setReport(hosted);
        page().leftMargin = 330;
    }
    void Report_FetchData(bool& eof) override {
        note(u"FetchData%1"_s.arg(++m_fetches));
        if (m_script.records < 0) {
            Report::Report_FetchData(eof);
            return;
        }
        eof = m_fetches > m_script.records;
        if (!eof && layout().find(u"Fld_NO"_s))
            textField(u"Fld_NO"_s).setText(QString::number(m_fetches));
    }
    void Detail_Format() override {
        note(u"Detail_Format%1"_s.arg(++m_formats));
        if (layout().find(u"Fld_CARD"_s))
            textField(u"Fld_CARD"_s).setText(u"card %1"_s.arg(m_formats));
        if (clearAt == m_formats)
            subreport(u"Sub"_s).setReport(nullptr);
    }
    void Report_NoData() override { note(u"NoData"_s); }
    void Report_ReportEnd() override { note(u"ReportEnd"_s); }

private:
    void note(const QString& event) {
        m_log.append(m_tag.isEmpty() ? event : m_tag + u':' + event);
        if (!m_script.failAt.split(u'|').contains(event))
            return;
        if (m_script.standardException)
            throw std::runtime_error("standard failure in " + event.toStdString());
        throw Failure(Error{7, m_tag, u"failure in "_s + event});
    }

    QString m_tag;
    QStringList& m_log;
    Script m_script;
    int m_fetches = 0;
    int m_formats = 0;
};

// The texts of each page, "text@left,top".
QList<QStringList> pageTexts(const Document& document) {
    QList<QStringList> pages;
    for (int p = 0; p < document.pageCount(); ++p) {
        QStringList texts;
        for (quint32 i : document.pages[std::size_t(p)].items())
            if (const auto* t = std::get_if<TextPrimitive>(&document.item(i)))
                texts << u"%1@%2,%3"_s.arg(t->text).arg(t->box.left()).arg(t->box.top());
        pages << texts;
    }
    return pages;
}

QStringList cycle(int record, const QString& tag = {}) {
    const QString p = tag.isEmpty() ? QString() : tag + u':';
    return {p + u"FetchData%1"_s.arg(record), p + u"Detail_Format%1"_s.arg(record)};
}

const QStringList kCardRun = QStringList{"card:ReportStart"} + cycle(1, u"card"_s) +
                             QStringList{"card:FetchData2", "card:ReportEnd"};

} // namespace

class TestReportRun : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        for (const char* name : {"RunHost", "RunCard"}) {
            auto loaded = loadLayoutFile(
                QStringLiteral(KEMA_SOURCE_DIR "/tests/report_run/fixtures/%1.json").arg(name));
            QVERIFY2(loaded, qPrintable(loaded ? QString() : loaded.error().description));
            g_fixtures[QLatin1String(name)] = loaded.value();
        }
    }

    // The events of a run. A failing event still lets the end event run; the run fails with the
    // error's text and leaves no pages.
    void eventOrder_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("failAt");
        QTest::addColumn<bool>("standard");
        QTest::addColumn<QStringList>("expected");
        const QStringList one = QStringList{"ReportStart"} + cycle(1);
        QTest::newRow("no record")
            << 0 << QString() << false
            << QStringList{"ReportStart", "FetchData1", "NoData", "ReportEnd"};
        QTest::newRow("three records")
            << 3 << QString() << false
            << one + cycle(2) + cycle(3) + QStringList{"FetchData4", "ReportEnd"};
        QTest::newRow("default fetch")
            << -1 << QString() << false << one + QStringList{"FetchData2", "ReportEnd"};
        QTest::newRow("failing start")
            << 2 << u"ReportStart"_s << false << QStringList{"ReportStart", "ReportEnd"};
        QTest::newRow("failing second fetch")
            << 3 << u"FetchData2"_s << false << one + QStringList{"FetchData2", "ReportEnd"};
        QTest::newRow("format, standard exception")
            << 2 << u"Detail_Format1"_s << true
            << QStringList{"ReportStart", "FetchData1", "Detail_Format1", "ReportEnd"};
        QTest::newRow("failing end")
            << 1 << u"ReportEnd"_s << false << one + QStringList{"FetchData2", "ReportEnd"};
        // The first error is the run's; the end event's own is only logged.
        QTest::newRow("failing fetch, then end") << 3 << u"FetchData2|ReportEnd"_s << false
                                                 << one + QStringList{"FetchData2", "ReportEnd"};
    }
    void eventOrder() {
        QFETCH(int, records);
        QFETCH(QString, failAt);
        QFETCH(bool, standard);
        QFETCH(QStringList, expected);
        QStringList log;
        Recording report(fixture("RunHost"), {}, log, Script{records, failAt, standard});
        const Status run = report.run();
        QCOMPARE(log, expected);
        QCOMPARE(run.ok(), failAt.isEmpty());
        if (!run.ok())
            QVERIFY2(
                run.error().description.endsWith(u"failure in "_s + failAt.section(u'|', 0, 0)),
                qPrintable(run.error().description));
        const QList<QStringList> pages = pageTexts(report.document());
        QCOMPARE(pages.size(), failAt.isEmpty() ? std::max(records, 1) * (records != 0) : 0);
        for (int p = 0; p < pages.size(); ++p)
            QCOMPARE(pages[p],
                     (QStringList{records < 0 ? u"999@100,100"_s : u"%1@100,100"_s.arg(p + 1),
                                  u"お客様@100,500"_s}));
    }

    // A hosted report runs inside every band of its host, its band at the subreport's corner.
    void hosting_data() {
        QTest::addColumn<int>("cardRecords");
        QTest::addColumn<QString>("cardFailAt");
        QTest::addColumn<int>("clearAt");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QList<QStringList>>("pages");
        const QStringList host{u"1@100,100"_s, u"お客様@100,500"_s};
        const QStringList second{u"2@100,100"_s, u"お客様@100,500"_s};
        // The card's label is unchanged from band to band but moves with each.
        const QStringList band1{u"card 1@250,6070"_s, u"様@250,6400"_s};
        const QStringList band2{u"card 2@250,10105"_s, u"様@250,10435"_s};
        QTest::newRow("inside every band")
            << -1 << QString() << 0
            << QStringList{"ReportStart"} + cycle(1) + kCardRun + cycle(2) + kCardRun +
                   QStringList{"FetchData3", "ReportEnd"}
            << QList<QStringList>{host + band1, second + band1};
        QTest::newRow("hosted bands stack")
            << 2 << QString() << 0 << QStringList()
            << QList<QStringList>{host + band1 + band2, second + band1 + band2};
        QTest::newRow("cleared during the run")
            << -1 << QString() << 2
            << QStringList{"ReportStart"} + cycle(1) + kCardRun + cycle(2) +
                   QStringList{"FetchData3", "ReportEnd"}
            << QList<QStringList>{host + band1, second};
        QTest::newRow("hosted failure fails the host after both ends")
            << -1 << u"ReportStart"_s << 0
            << QStringList{"ReportStart"} + cycle(1) +
                   QStringList{"card:ReportStart", "card:ReportEnd", "ReportEnd"}
            << QList<QStringList>{};
    }
    void hosting() {
        QFETCH(int, cardRecords);
        QFETCH(QString, cardFailAt);
        QFETCH(int, clearAt);
        QFETCH(QStringList, log);
        QFETCH(QList<QStringList>, pages);
        QStringList events;
        Recording card(fixture("RunCard"), u"card"_s, events, Script{cardRecords, cardFailAt});
        Recording host(fixture("RunHost"), {}, events, Script{2, {}, false});
        host.hosted = &card;
        host.clearAt = clearAt;
        const Status run = host.run();
        QCOMPARE(run.ok(), cardFailAt.isEmpty());
        if (!run.ok())
            QVERIFY(run.error().description.contains(u"failure in "_s + cardFailAt));
        if (!log.isEmpty())
            QCOMPARE(events, log);
        QCOMPARE(pageTexts(host.document()), pages);
    }

    // The factory raises the initialize event and answers with its failure.
    void factoryRaisesInitialize() {
        static QStringList log;
        ReportFactory::instance().registerReport(u"RunTest"_s, [] {
            return std::make_unique<Recording>(fixture("RunHost"), QString(), log,
                                               Script{1, u"Initialize"_s, false});
        });
        const auto created = ReportFactory::instance().create(u"RunTest"_s);
        ReportFactory::instance().unregisterReport(u"RunTest"_s);
        QCOMPARE(log, QStringList{"Initialize"});
        QVERIFY(!created.ok());
        QVERIFY(created.error().description.contains(u"failure in Initialize"_s));
    }
};

QTEST_MAIN(TestReportRun)
#include "tst_report_run.moc"
