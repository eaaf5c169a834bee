// The printer-offset slips of the pre-printed forms, glasses and contact lenses, on SQLite and
// PostgreSQL: what they fill, that only their printing controls reach the page, and that the
// page lies where Nprinter.ini moves it.
#include "../report_print/Cups.h"
#include "PdfText.h"
#include "SlipFixture.h"
#include "TestDatabase.h"

#include "report/Layout.h"
#include "request/TKV418C1.h"
#include "services/host/SharedRequestState.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kema;
using namespace kema::test;
using namespace Qt::StringLiterals;

namespace {

// One customer with a glasses and a contact-lens examination, and a reception of a new visitor.
const QString kRows = uR"(
INSERT INTO CBASE (CUBS_UNIQUE_KEY, CUBS_CUSTOMER_NO, CUBS_STORE_CD, CUBS_KANA_MEI,
  CUBS_CUSTOM_MEI, CUBS_SEX, CUBS_BIRTH_DT, CUBS_MAILNO, CUBS_ADDRESS1, CUBS_ADDRESS2,
  CUBS_KATAGAKI, CUBS_HOME_TEL, CUBS_CONNECT_TEL, CUBS_CARRY_TEL, CUBS_GL_AMT_SUM,
  CUBS_CL_AMT_SUM, CUBS_OTH_AMT_SUM)
VALUES (7001, '0017001', '001', 'ﾔﾏﾀﾞ ﾀﾛｳ', '山田 太郎', 1, '1980-05-12', '1500001', '東京都渋谷区',
  'メゾン渋谷', 'みどり商事', '03-3333-4444', '03-5555-6666', '090-7777-8888', 123456, 0, NULL);
INSERT INTO CGLASBS (GLS_STORE_NO, GLS_UNIQUE_KEY, GLS_HISTORY_NO, GLS_EXAM_DT)
VALUES ('001', 7001, 1, '2024-06-01');
INSERT INTO CGLASDTL (GLS_STORE_NO, GLS_UNIQUE_KEY, GLS_HISTORY_NO, GLS_KIND1, GLS_S_1, GLS_S_2,
  GLS_C_1, GLS_AX_1, GLS_SIGHT_1)
VALUES ('001', 7001, 1, 1, -2.5, 1.25, -0.75, 180, 1.2), ('001', 7001, 1, 2, -9.5, -9.5, 0, 0, 0);
INSERT INTO CCNTBS (CNT_STORE_NO, CNT_UNIQUE_KEY, CNT_HISTORY_NO, CNT_EXAM_DT, CNT_VK_1,
  CNT_HK_1)
VALUES ('001', 7001, 1, '2025-01-20', 7.8, 7.9);
INSERT INTO CCNTDTL (CNT_STORE_NO, CNT_UNIQUE_KEY, CNT_HISTORY_NO, CNT_KIND1, CNT_BC_1, CNT_P_1,
  CNT_P_2, CNT_SIGHT_1)
VALUES ('001', 7001, 1, 40, 8.6, '-3.25', '0.00', 1.2), ('001', 7001, 1, 10, 8.8, '-7.75', NULL, 0);
INSERT INTO URECEPT (RC_INQ_NO, RC_CM_NO, RC_KNAME, RC_NAME, RC_SEX, RC_TEL, RC_CONNECT_TEL,
  RC_CARRY_TEL)
VALUES ('R0003', '0017009', 'ｽｽﾞｷ ﾊﾅ', '鈴木 花', 2, ' 03-1212-3434 ', '03-9999-0000', ' ');
)"_s;

QVariantMap request(int denpKbn, int kidou, int syori) {
    return {{"KidouKbnL", kidou},   {"SyoriKbnL", syori},     {"BarcodeKbnL", 1},
            {"QNumberL", "R0003"},  {"DenpKbnL", denpKbn},    {"StoreCodeL", "1"},
            {"UserUQKeyL", 7001.0}, {"OutNumberL", 1},        {"OutKbnL", 1},
            {"PrintKbnL", 0},       {"OutDate", "2025/03/04"}};
}

const QString kMask = u"      -      -"_s;

const char* className(int denpKbn) {
    return denpKbn == 1 ? "TKV418R4" : "TKV418R5";
}

} // namespace

class TestOffsetSlips : public QObject {
    Q_OBJECT

    SlipFixture m_fixture;
    QTemporaryDir m_dir;

    void writeNprinter(const QByteArray& content) {
        const QString path = m_dir.filePath(u"Nprinter.ini"_s);
        QFile ini(path);
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(content);
        qputenv("KEMA_NPRINTER_INI", QFile::encodeName(path));
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_fixture.initTestCase();
    }
    void init() {
        SharedRequestState::instance() = SharedRequestState();
        writeNprinter({});
    }

    // The white mask blanks the previous examination's band of a new visitor and of the blank
    // form; a customer found by key gets that band printed. The barcode reads back on each.
    void scenario_data() {
        SlipFixture::addScenarioColumns();
        const auto row = [](const char* name, const QString& rows, int kidou, int syori,
                            const QVariantMap& changes, const QVariantMap& host,
                            const QStringList& expected) {
            for (int denpKbn : {1, 2})
                SlipFixture::addScenario(name, QLatin1String(className(denpKbn)), kRows + rows,
                                         with(request(denpKbn, kidou, syori), changes), host,
                                         expected);
        };
        row("by key: stored telephones, katagaki line, amounts", {}, 1, 2, {}, {},
            items(u"pages=1|flag=0|Fld_STORE_NM_CD=みどり眼鏡 本店|Fld_HOME_TEL=03-3333-4444|"
                  "Fld_CONNECT_TEL=090-7777-8888|Fld_ADDRESS2=メゾン渋谷　みどり商事|"
                  "Fld_CUBS_GL_AMT_SUM=\\123,456|Fld_CUBS_CL_AMT_SUM=|Fld_CUBS_OTH_AMT_SUM=|"
                  "-bmpMask|-GENGO1|+Fld_ASTA_W|-Fld_ASTA_M|barcode=R0003|ink:bmpMask>500|"
                  "read=R0003"_s));
        row("by key: the host's numbers, blank ones keep the stored", {}, 1, 2, {},
            {{"HOME_TEL", "045-000-1111"}, {"RENRAKUSAKI", "  "}},
            items(u"Fld_HOME_TEL=045-000-1111|Fld_CONNECT_TEL=090-7777-8888"_s));
        row("by key: no stored mobile number gets the mask",
            "UPDATE CBASE SET CUBS_CARRY_TEL = NULL, CUBS_HOME_TEL = ' ';", 1, 2, {}, {},
            items(u"Fld_HOME_TEL="_s + kMask + u"|Fld_CONNECT_TEL="_s + kMask));
        row("by key: second address line Null, amounts 0 and Null",
            "UPDATE CBASE SET CUBS_ADDRESS2 = NULL, CUBS_GL_AMT_SUM = 0;", 1, 2, {}, {},
            items(u"Fld_ADDRESS2=　みどり商事|Fld_CUBS_GL_AMT_SUM="_s));
        row("by key: store unknown", {}, 1, 2, {{"StoreCodeL", "9"}}, {},
            items(u"Fld_STORE_NM_CD="_s));
        row("reception: mobile from the row, the mask when it is blank", {}, 1, 1, {}, {},
            items(u"pages=1|Fld_HOME_TEL=03-1212-3434|Fld_CONNECT_TEL="_s + kMask +
                  u"|+bmpMask|ink:bmpMask=0|read=R0003|Fld_CUSTOM_MEI=鈴木 花"_s));
        row("reception not found: one page, the mask shown", {}, 1, 1, {{"QNumberL", "R9999"}}, {},
            items(u"pages=1|flag=-1|message=11003|+bmpMask"_s));
        row("blank form: both telephones masked, the mask shown", {}, 2, 1, {}, {},
            items(u"pages=1|flag=0|Fld_HOME_TEL="_s + kMask + u"|Fld_CONNECT_TEL="_s + kMask +
                  u"|+bmpMask|ink:bmpMask=0|read=R0003|Fld_STORE_NM_CD=みどり眼鏡 本店"_s));
        SlipFixture::addScenario(
            "by key: row 1 of the prescription", u"TKV418R4"_s, kRows, request(1, 1, 2), {},
            items(u"Fld_SPH_11=-2.50|Fld_SPH_12=+1.25|Fld_KATAGAKI=みどり商事"_s));
        SlipFixture::addScenario("by key: row 1 and both era labels hidden", u"TKV418R5"_s, kRows,
                                 request(2, 1, 2), {},
                                 items(u"Fld_P_11=-3.25|Fld_P_12=+ 0.00|-GENGO2|Fld_KATAGAKI="_s));
    }
    void scenario() { m_fixture.runScenario(); }

    // A broken Nprinter.ini fails the start with a diagnostic: in the preview the window stays
    // open, empty, as the form shows it; the call answers -1 once the operator closes it with F12.
    void previewStaysOpenAfterAStartError_data() {
        QTest::addColumn<int>("denpKbn");
        QTest::newRow("TKV418R4") << 1;
        QTest::newRow("TKV418R5") << 2;
    }
    void previewStaysOpenAfterAStartError() {
        QFETCH(int, denpKbn);
        writeNprinter("[START_POS]\nTOP=abc\n");
        if (!m_fixture.prepare(kSqlite, kRows))
            return;
        m_fixture.database().writeSettings({{u"KIGYO"_s, u"000008"_s}});
        qputenv("KEMA_OFFSCREEN_PREVIEW", "1");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"TOP=\"abc\""_s));
        TKV418C1 slip;
        for (const auto& [name, value] :
             with(request(denpKbn, 1, 2), {{"PrintKbnL", 1}}).toStdMap())
            QVERIFY(slip.setProperty(qPrintable(name), value));
        bool open = false;
        QTimer::singleShot(300, [&] {
            if (QWidget* window = QApplication::activeModalWidget()) {
                open = true;
                QTest::keyClick(window, Qt::Key_F12);
            }
        });
        const qint32 result = slip.RaitenDenpyoPRINT();
        qunsetenv("KEMA_OFFSCREEN_PREVIEW");
        QVERIFY2(open, "the preview closed by itself");
        QCOMPARE(result, -1);
    }

    // Printed, the slip goes to the queue Device names, not to the default one, as one job
    // with the document name and OutNumberL copies; a Device that is no queue prints nothing.
    void printsOnTheDeviceQueue_data() {
        QTest::addColumn<int>("denpKbn");
        QTest::addColumn<bool>("known");
        for (int denpKbn : {1, 2}) {
            QTest::addRow("%s, the margin queue", className(denpKbn)) << denpKbn << true;
            QTest::addRow("%s, no such queue", className(denpKbn)) << denpKbn << false;
        }
    }
    void printsOnTheDeviceQueue() {
        KEMA_REQUIRE_CUPS();
        QFETCH(int, denpKbn);
        QFETCH(bool, known);
        const QString queue =
            known ? qEnvironmentVariable("KEMA_TEST_CUPS_MARGIN_QUEUE") : u"no_such"_s;
        writeNprinter("[START_POS]\nDevice=" + queue.toUtf8() + "\n");
        if (!m_fixture.prepare(kSqlite, kRows))
            return;
        m_fixture.database().writeSettings({{u"KIGYO"_s, u"000008"_s}});
        if (!known)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"no_such"_s));
        TKV418C1 slip;
        for (const auto& [name, value] :
             with(request(denpKbn, 1, 2), {{"OutNumberL", 2}}).toStdMap())
            QVERIFY(slip.setProperty(qPrintable(name), value));
        const int mark = cupsJobMark();
        QVERIFY(mark > 0);
        QCOMPARE(slip.RaitenDenpyoPRINT(), known ? 0 : -1);
        if (!known) {
            QCOMPARE(cupsJobMark(), mark + 1);
            return;
        }
        const QString title =
            QString::fromUtf8(denpKbn == 1 ? "来店伝票（メガネ）" : "来店伝票（コンタクト）");
        const QList<CupsJob> jobs = waitForCupsJobs(mark, queue, title);
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(jobs.first().sheets, 2);
    }

    // The page carries the printing controls' words and nothing of the controls that only hold
    // values; each field lies at its box moved by TOP and LEFT.
    void printedPage_data() {
        QTest::addColumn<int>("denpKbn");
        QTest::addColumn<int>("syori");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("top");  // twips in effect
        QTest::addColumn<int>("left"); // twips in effect
        for (int denpKbn : {1, 2})
            for (int syori : {1, 2}) {
                QTest::addRow("%s kind %d, no ini", className(denpKbn), syori)
                    << denpKbn << syori << QByteArray() << 300 << 0;
                QTest::addRow("%s kind %d, TOP 500 LEFT 200", className(denpKbn), syori)
                    << denpKbn << syori << QByteArray("[START_POS]\nTOP=500\nLEFT=200\n") << 500
                    << 200;
            }
    }
    void printedPage() {
        QFETCH(int, denpKbn);
        QFETCH(int, syori);
        QFETCH(QByteArray, ini);
        QFETCH(int, top);
        QFETCH(int, left);
        writeNprinter(ini);
        if (!m_fixture.prepare(kSqlite, kRows))
            return;
        const SlipRun run = m_fixture.run(QLatin1String(className(denpKbn)),
                                          request(denpKbn, 1, syori), Output::Pdf);
        QVERIFY(run.status.ok());
        QCOMPARE(run.pages, 1);
        const auto layout = report::loadLayout(QLatin1String(className(denpKbn)));
        QVERIFY(layout.ok());
        // pdftotext splits words at ideographic spaces too.
        const QRegularExpression blanks(u"\\s+"_s, QRegularExpression::UseUnicodePropertiesOption);
        QSet<QString> printing;
        for (const report::LayoutControl& c : layout.value()->controls) {
            const QString text = run.texts.value(c.name).trimmed();
            if (text.isEmpty() || !run.visible.value(c.name) || c.foreColor == QColor(Qt::white))
                continue;
            for (const QString& word : text.split(blanks, Qt::SkipEmptyParts))
                printing.insert(word);
            const QRectF box = run.boxes.value(c.name);
            QCOMPARE(qRound(box.top() * 20), top + c.top);
            QCOMPARE(qRound(box.left() * 20), left + c.left);
        }
        m_fixture.verify(
            run, {u"page:Fld_STORE_NM_CD"_s, u"page:Fld_CUSTOM_MEI"_s, u"page:Fld_VISIT_YY"_s});
        QSet<QString> onPage;
        for (const PdfWord& word : pdfWords(run.file))
            onPage.insert(word.text);
        onPage.remove(run.barcode);
        QCOMPARE(onPage, printing);
    }
};

QTEST_MAIN(TestOffsetSlips)
#include "tst_slips_offset.moc"
