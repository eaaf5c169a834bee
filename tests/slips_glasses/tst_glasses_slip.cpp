// The glasses visit slip on a store database built from db/schema.sql and the rows each scenario
// inserts, once on SQLite and once on PostgreSQL: the fields after the run, the pages, the
// rendered text layer and the barcode read back from the page.
#include "Relay.h"
#include "SlipFixture.h"
#include "TestDatabase.h"

#include "report/Report.h"
#include "report/ReportFactory.h"
#include "services/components/Components.h"
#include "services/database/Database.h"
#include "services/host/SharedRequestState.h"

#include <QCoreApplication>
#include <QDate>
#include <QScopeGuard>
#include <QTest>

using namespace kema;
using namespace kema::test;
using namespace Qt::StringLiterals;

namespace {

// A customer with a full examination: history 2 of 2024-06-01 is the latest.
const QString kCustomer = uR"(
INSERT INTO CBASE (CUBS_UNIQUE_KEY, CUBS_CUSTOMER_NO, CUBS_STORE_CD, CUBS_KANA_MEI,
  CUBS_CUSTOM_MEI, CUBS_SEX, CUBS_BIRTH_DT, CUBS_MAILNO, CUBS_ADDRESS1, CUBS_ADDRESS2,
  CUBS_KATAGAKI, CUBS_HOME_TEL, CUBS_CONNECT_TEL, CUBS_CONNECT_CMT, CUBS_E_MAIL,
  CUBS_GL_AMT_SUM, CUBS_CL_AMT_SUM, CUBS_OTH_AMT_SUM)
VALUES (5001, '0015001', '001', 'ﾀﾅｶ ﾊﾅｺ', '田中 花子', 1, '1975-04-03', '1234567',
  '東京都港区芝1-2-3', 'メゾン芝101', 'みどり商事', '03-1111-2222', '090-1111-2222', '日中は携帯',
  'hanako@example.jp', 123456, 0, NULL);
INSERT INTO CGLASBS (GLS_STORE_NO, GLS_UNIQUE_KEY, GLS_HISTORY_NO, GLS_EXAM_DT, GLS_USE_PUR,
  GLS_INT_CD, GLS_NAKED_SIGHT_1, GLS_NAKED_SIGHT_2, GLS_NAKED_SIGHT_3, GLS_REMARKS,
  GLS_LENS_COLR1, GLS_LENS_NODO1, GLS_LENS_NODO_UD1, GLS_LENS_COLR2, GLS_LENS_NODO2,
  GLS_LENS_NODO_UD2)
VALUES ('001', 5001, 1, '2023-01-10', 1, NULL, 0.5, 0.5, 0.6, '初回', 'グレー', 15, 0, NULL, 0, 0),
       ('001', 5001, 2, '2024-06-01', 2, 3, 0.1, 0.05, 0, '遠近を希望', NULL, 0, 10, 'ブラウン', 25,
        20);
INSERT INTO CGLASDTL (GLS_STORE_NO, GLS_UNIQUE_KEY, GLS_HISTORY_NO, GLS_SEQ_NO, GLS_KIND1,
  GLS_SIGHT_1, GLS_SIGHT_2, GLS_SIGHT_3, GLS_S_1, GLS_S_2, GLS_C_1, GLS_C_2, GLS_AX_1, GLS_AX_2,
  GLS_ADD_1, GLS_ADD_2, GLS_P1_1, GLS_P1_2, GLS_B1_1, GLS_B1_2, GLS_HEN1_1, GLS_HEN1_2,
  GLS_P_WAY1_1, GLS_P_WAY1_2, GLS_PD_1, GLS_PD_2, GLS_NPD_1, GLS_NPD_2, GLS_EYE_POINT_1,
  GLS_EYE_POINT_2)
VALUES ('001', 5001, 2, 1, 7, NULL, NULL, NULL, NULL, -0.25, NULL, NULL, NULL, NULL, NULL, NULL,
        NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
       ('001', 5001, 2, 2, 1, 1.2, 0.05, 0, -2.5, 1.25, -0.75, 0.5, 180, 90, 2.5, 0, 0.75, 2, 270,
        0, 2.4, 2, 6, 9, 32, 31.5, 30, 0, 22, -2),
       ('001', 5001, 2, 3, 2, 0.7, 0.6, 0.8, 0, 0.5, 0, NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 10,
        0, 0, 0, 0, 0, 0),
       ('001', 5001, 2, 4, 9, 1.5, 1.5, 1.5, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
        3, 3, 3, 3),
       ('001', 5001, 1, 1, 5, 1, 1, 1, -1, -1, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
        NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
INSERT INTO CSALE (CSALE_STORE_NO, CSALE_KIND, CSALE_UNIQUE_KEY, CSALE_HISTORY_NO, CSALE_LINE_NO,
  CSALE_GOODS_KBN, CSALE_GOODS_NM, CSALE_RL_KBN)
VALUES ('001', 1, 5001, 2, 1, 30, 'D', NULL),
       ('001', 1, 5001, 2, 2, 21, '遠近共通', NULL),
       ('001', 1, 5001, 2, 3, 20, '単焦点L', 2),
       ('001', 1, 5001, 2, 4, 10, 'チタンフレーム', NULL),
       ('001', 1, 5001, 2, 5, 30, 'A', 1),
       ('001', 1, 5001, 2, 6, 30, 'B', 2),
       ('001', 1, 5001, 2, 7, 30, 'C', 3),
       ('001', 1, 5001, 2, 8, 30, '', 1),
       ('001', 1, 5001, 1, 1, 10, '前回フレーム', NULL),
       ('001', 2, 5001, 2, 1, 10, 'コンタクトの行', NULL);
)"_s;

const QString kReception = uR"(
INSERT INTO URECEPT (RC_INQ_NO, RC_SEQ_NO, RC_STORE_CD, RC_UNIQUE_KEY, RC_CM_NO, RC_KNAME, RC_NAME,
  RC_SEX, RC_BIRTHDAY, RC_TEL, RC_CONNECT_TEL, RC_CONNECT_RMKS)
VALUES ('R0001', 1, '001', 5001, ' 0015001 ', ' ﾀﾅｶ ﾊﾅｺ ', ' 田中 花子 ', 1, '1975-04-03',
        ' 03-1111-2222 ', '090-1111-2222', ' 日中は携帯 ');
)"_s;

QString today(const char* format) {
    return QDate::currentDate().toString(QLatin1String(format));
}

// A second visitor of the reception.
const QString kSecondVisitor = uR"(
INSERT INTO URECEPT (RC_INQ_NO, RC_SEQ_NO, RC_STORE_CD, RC_KNAME, RC_NAME, RC_SEX)
VALUES ('R0001', 2, '001', 'ｳｴﾀﾞ ｲﾁﾛｳ', '上田 一郎', 2);)"_s;

// A store master whose look-up fails, as a broken installation's does.
class FailingStoreMaster : public IStoreMaster {
public:
    Result<long> GetMSTORE(QString&) override {
        return Error{429, u"RVA510.RVA510C2"_s, u"store master down"_s};
    }
    QVariant STORE_NM() const override { return {}; }
};

// URECEPT as a store's own database has it: only the columns the slips read.
const QString kStoresOwnReception = uR"(
DROP TABLE URECEPT;
CREATE TABLE URECEPT (RC_INQ_NO VARCHAR(20), RC_KNAME VARCHAR(40), RC_NAME VARCHAR(40),
  RC_CM_NO VARCHAR(12), RC_BIRTHDAY DATE, RC_TEL VARCHAR(15), RC_CONNECT_TEL VARCHAR(15),
  RC_CONNECT_RMKS VARCHAR(40), RC_CARRY_TEL VARCHAR(15), RC_SEX SMALLINT);
INSERT INTO URECEPT (RC_INQ_NO, RC_KNAME, RC_NAME, RC_SEX)
VALUES ('R0001', 'ﾀﾅｶ ﾊﾅｺ', '田中 花子', 1), ('R0001', 'ｳｴﾀﾞ ｲﾁﾛｳ', '上田 一郎', 2);
)"_s;

} // namespace

class TestGlassesSlip : public QObject {
    Q_OBJECT

    SlipFixture m_fixture;

private slots:
    void initTestCase() { m_fixture.initTestCase(); }
    void init() { SharedRequestState::instance() = SharedRequestState(); }

    // The scenario's own rows, the request, the host's shared values, and what the slip shows.
    void scenario_data() {
        SlipFixture::addScenarioColumns();
        const auto row = [](const char* name, const QString& rows, const QVariantMap& request,
                            const QVariantMap& host, const QString& expected) {
            SlipFixture::addScenario(name, u"TKV418R1"_s, rows, request, host, items(expected));
        };
        row("customer", kCustomer, slipRequest(), {},
            u"pages=1|flag=0|Fld_STORE_NM_CD=みどり眼鏡 本店  (001)|Fld_MAILNO=123-4567|"
            "Fld_KANA_MEI=ﾀﾅｶ ﾊﾅｺ|Fld_CUSTOM_MEI=田中 花子|Fld_BIRTH_MD=昭和 50年 04月 03日|"
            "Fld_HOME_TEL=03-1111-2222|Fld_CONNECT_TEL=090-1111-2222|"
            "Fld_CONNECT_CMT=日中は携帯|Fld_ADDRESS1=東京都港区芝1-2-3|"
            "Fld_ADDRESS2=メゾン芝101|Fld_KATAGAKI=みどり商事|Fld_EMAIL=hanako@example.jp|"
            "Fld_CUSTOM_NO=0015001|Fld_VISIT_DT=2024/03/05|Fld_VISIT_YY=2024|"
            "Fld_VISIT_MM=03|Fld_VISIT_DD=05|-Fld_ASTA_M|+Fld_ASTA_W|-Fld_ASTA_SAI|"
            "+Fld_ASTA_SIN|-GENGO1|-GENGO2|+Fld_INQ_NO|barcode=R0001|"
            // The examination header and the sales.
            "Fld_EXAM_DT=2024年06月01日|Fld_CNT_REMARKS=遠近を希望|Fld_INT_CD_NM=友人の紹介|"
            "Fld_USE_PUR_NM=読書用|Fld_NAKED_SIGHT1=0.10|Fld_NAKED_SIGHT2=0.05|"
            "Fld_NAKED_SIGHT3=|Fld_LENS_COLR=ブラウン|Fld_NODO=25|Fld_NODO_UD=10|"
            "Fld_ZKIND1=遠用|Fld_ZKIND2=近用|Fld_ZKIND3=中間|Fld_ZKIND4=常用|"
            "Fld_NKIND1=遠用|Fld_NKIND4=常用|Fld_SPEC_1=D A C |Fld_SPEC_2=D B C |"
            "fld_FRAME_NM=チタンフレーム|Fld_LENS1_NM=遠近共通|Fld_LENS2_NM=単焦点L|"
            // The prescription's notation.
            "Fld_SIGHT_11=1.20|Fld_SIGHT_12=0.05|Fld_SIGHT_13=|Fld_SPH_11=-2.50|"
            "Fld_SPH_12=+1.25|Fld_CYL_11=-0.75|Fld_CYL_12=+0.50|Fld_AX_11=180|Fld_AX_12=90|"
            "Fld_ADD_11=2.50|Fld_ADD_12=|Fld_P_11=0.75|Fld_P_12=2.00|Fld_B_11=270|"
            "Fld_B_12=|Fld_HEN_11=2.00|Fld_HEN_12=2.00|Fld_P_WAY_11=IN|Fld_P_WAY_12=DN|"
            "Fld_PD_11=32.0|Fld_PD_12=31.5|Fld_NPD_11=30.0|Fld_NPD_12=|"
            "Fld_EYE_POINT_11=22.0|Fld_EYE_POINT_12=-2.0|"
            // Row 2: exact zeros and a zero-led positive power.
            "Fld_SIGHT_21=0.70|Fld_SIGHT_23=0.80|Fld_SPH_21=+ "
            "0.00|Fld_SPH_22=+0.50|Fld_CYL_21=|Fld_CYL_22=|"
            "Fld_AX_21=|Fld_P_WAY_21=|Fld_P_WAY_22=|Fld_PD_21=|"
            // Row 3 has no detail row; kind 9 matches no row label; history 1 is not shown.
            "Fld_SIGHT_31=|Fld_SPH_31=|Fld_CYL_31=|Fld_AX_31=|Fld_PD_31=|"
            // Row 4: a Null power prints nothing.
            "Fld_SPH_41=|Fld_SPH_42=-0.25|Fld_SIGHT_41=|"
            // What the staff read on paper: the texts in their designed boxes.
            "page:Fld_CUSTOM_MEI|page:Fld_STORE_NM_CD|page:Fld_SPH_11|page:Fld_SPH_12|"
            "page:Fld_CYL_11|page:Fld_PD_12|page:Fld_EXAM_DT|page:Fld_LENS1_NM"_s);
        row("customer: the other prism bases",
            kCustomer + "UPDATE CGLASDTL SET GLS_P_WAY1_1 = 7, GLS_P_WAY1_2 = 8 "
                        "WHERE GLS_KIND1 = 1;",
            slipRequest(), {}, u"Fld_P_WAY_11=OT|Fld_P_WAY_12=UP"_s);
        row("customer: no postal code, sex, birth date",
            kCustomer + "UPDATE CBASE SET CUBS_MAILNO = NULL, CUBS_SEX = NULL, "
                        "CUBS_BIRTH_DT = NULL;",
            slipRequest(), {}, "Fld_MAILNO=-|-Fld_ASTA_M|-Fld_ASTA_W|Fld_BIRTH_MD=" + kBlankDate);
        row("customer: empty OutDate is today", kCustomer, slipRequest({{"OutDate", "  "}}), {},
            "Fld_VISIT_DT=" + today("yyyy/MM/dd"));
        row("customer: OutDate that is not a date", kCustomer,
            slipRequest({{"OutDate", "2024/13/45"}}), {},
            u"flag=0|Fld_VISIT_DT=|Fld_VISIT_DD=|+Fld_nen|+Fld_hi|Fld_EXAM_DT=2024年06月01日"_s);
        row("customer: host overrides", kCustomer, slipRequest(),
            {{"HOME_TEL", "   "},
             {"RENRAKUSAKI", "080-0000-0000"},
             {"RENRAKUBIKOU", " 夜間 "},
             {"KANA", ""},
             {"KANJI", "  山田 太郎 "},
             {"SEX", 2},
             {"BIRTH", "不明"}},
            u"Fld_HOME_TEL=03-1111-2222|Fld_CONNECT_TEL=080-0000-0000|"
            "Fld_CONNECT_CMT= 夜間 |Fld_KANA_MEI=ﾀﾅｶ ﾊﾅｺ|Fld_CUSTOM_MEI=  山田 太郎 |"
            "+Fld_ASTA_M|-Fld_ASTA_W|Fld_BIRTH_MD=不明"_s);
        row("customer: barcode off", kCustomer, slipRequest({{"BarcodeKbnL", 0}}), {},
            u"-Fld_INQ_NO"_s);
        row("customer: two examinations on one date, the highest history wins", kCustomer + uR"(
INSERT INTO CGLASBS (GLS_STORE_NO, GLS_UNIQUE_KEY, GLS_HISTORY_NO, GLS_EXAM_DT, GLS_REMARKS)
VALUES ('001', 5001, 3, '2024-06-01', '同日の再検'), ('001', 5001, 9, NULL, '日付なし');)"_s,
            slipRequest(), {},
            u"Fld_CNT_REMARKS=同日の再検|Fld_EXAM_DT=2024年06月01日|Fld_SPH_11=|"
            "fld_FRAME_NM="_s);
        row("customer: without examination",
            kCustomer + "DELETE FROM CGLASBS; DELETE FROM CGLASDTL; DELETE FROM CSALE;",
            slipRequest(), {},
            "pages=1|Fld_CUSTOM_MEI=田中 花子|Fld_EXAM_DT=" + kBlankDate +
                "|Fld_CNT_REMARKS=|Fld_SPH_11=|Fld_LENS1_NM=|Fld_ZKIND1=遠用");
        row("customer: introducer missing and purpose 0",
            kCustomer + "UPDATE CGLASBS SET GLS_INT_CD = NULL, GLS_USE_PUR = 0;", slipRequest(), {},
            u"Fld_INT_CD_NM=|Fld_USE_PUR_NM=|Fld_CNT_REMARKS=遠近を希望"_s);
        row("customer: right colour and density win",
            kCustomer + "UPDATE CGLASBS SET GLS_LENS_COLR1 = 'グレー', GLS_LENS_NODO1 = 15, "
                        "GLS_LENS_NODO_UD1 = 0;",
            slipRequest(), {}, u"Fld_LENS_COLR=グレー|Fld_NODO=15|Fld_NODO_UD=20"_s);
        row("customer: no both-eyes items still fills the examination",
            kCustomer + "UPDATE MITEMCD SET RYOUGAN_KBN = 0;", slipRequest(), {},
            u"Fld_LENS1_NM=|Fld_LENS2_NM=|fld_FRAME_NM=チタンフレーム|"
            "Fld_EXAM_DT=2024年06月01日|Fld_SPH_11=-2.50"_s);
        row("customer: item definitions missing",
            kCustomer + "DELETE FROM MITEMDTL WHERE ITEM_NO = 43; DELETE FROM MITEMDEF WHERE "
                        "ITEM_NO = 43; UPDATE CGLASDTL SET GLS_KIND1 = 0 WHERE GLS_KIND1 = 2;",
            slipRequest(), {}, u"Fld_ZKIND1=|Fld_NKIND1=|Fld_SPH_11=+ 0.00|Fld_SPH_12=+0.50"_s);
        row("customer: not found", kCustomer, slipRequest({{"UserUQKeyL", 9999.0}}),
            {{"KANJI", "来店 太郎"}},
            "pages=1|flag=0|Fld_CUSTOM_MEI=来店 太郎|Fld_KANA_MEI=|Fld_STORE_NM_CD=|"
            "Fld_EXAM_DT=" +
                kBlankDate + "|-Fld_ASTA_M|-Fld_ASTA_W|-Fld_ASTA_SAI|+Fld_ASTA_SIN");
        row("reception", kReception, byReception(slipRequest()), {},
            "pages=1|flag=0|Fld_STORE_NM_CD=みどり眼鏡 本店  (001)|Fld_KANA_MEI=ﾀﾅｶ ﾊﾅｺ|"
            "Fld_CUSTOM_MEI=田中 花子|Fld_CUSTOM_NO=0015001|Fld_BIRTH_MD=昭和 50年 04月 03日|"
            "Fld_HOME_TEL=03-1111-2222|Fld_CONNECT_TEL=090-1111-2222|"
            "Fld_CONNECT_CMT=日中は携帯|Fld_MAILNO=    -|"
            "Fld_EXAM_DT=" +
                kBlankDate + "|Fld_VISIT_YY=" + today("yyyy") + "|Fld_VISIT_DD=" + today("dd") +
                "|-Fld_ASTA_M|+Fld_ASTA_W|-Fld_ASTA_SIN|+Fld_ASTA_SAI|+GENGO1|"
                "barcode=R0001|Fld_SPH_11=");
        // The barcode of every page reads back, the slip number on the first page only.
        row("reception: two rows give two pages", kReception + kSecondVisitor,
            byReception(slipRequest()), {{"DenpyoNo", "D0042"}},
            "pages=2|Fld_CUSTOM_MEI=上田 一郎|Fld_KANA_MEI=ｳｴﾀﾞ ｲﾁﾛｳ|+Fld_ASTA_M|"
            "-Fld_ASTA_W|Fld_BIRTH_MD=" +
                kBlankDate + "|barcode=R0001|read=D0042,R0001");
        row("reception on the store's own table, without line numbers", kStoresOwnReception,
            byReception(slipRequest()), {}, u"pages=2|flag=0"_s);
        row("reception: not found prints one page and fails", kReception,
            with(byReception(slipRequest()), {{"QNumberL", "R9999"}}), {},
            u"pages=1|flag=-1|message=11003|-Fld_ASTA_M|-Fld_ASTA_W|barcode=R9999"_s);
        row("reception: a quote finds no row", kReception,
            with(byReception(slipRequest()), {{"QNumberL", "R0001' OR '1'='1"}}), {},
            u"pages=1|flag=-1|message=11003"_s);
        // The barcode step runs after the blank form hid the barcode, so it shows again.
        row("blank form", kReception, blankForm(slipRequest()), {},
            "pages=1|flag=0|Fld_STORE_NM_CD=みどり眼鏡 本店  (001)|Fld_MAILNO=    -|"
            "Fld_BIRTH_MD=" +
                kBlankDate + "|Fld_EXAM_DT=" + kBlankDate +
                "|Fld_CUSTOM_MEI=|+Fld_INQ_NO|-Fld_ASTA_W|-Fld_ASTA_SIN|-Fld_VISIT_DD|"
                "+Fld_tuki|-Fld_CUSTOM_NO|+GENGO1|Fld_ZKIND1=遠用");
    }
    void scenario() { m_fixture.runScenario(); }

    // A sibling that cannot do its part: the card is part of the standard slip, so without it
    // the start fails and nothing prints; a store master that fails still leaves the store code
    // in its three-digit form for the examination.
    void components_data() {
        QTest::addColumn<QString>("component");
        QTest::addColumn<QVariantMap>("request");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("card not registered")
            << "no card" << slipRequest() << items(u"pages=0|flag=-1|rtng=-1"_s);
        QTest::newRow("store master fails, code 1")
            << "failing store" << slipRequest({{"StoreCodeL", "1"}})
            << items(u"pages=1|flag=0|Fld_STORE_NM_CD=|Fld_EXAM_DT=2024年06月01日|"
                     "Fld_LENS1_NM=遠近共通"_s);
    }
    void components() {
        QFETCH(QString, component);
        QFETCH(QVariantMap, request);
        QFETCH(QStringList, expected);
        if (!m_fixture.prepare(kSqlite, kCustomer))
            return;
        ComponentRegistry& registry = ComponentRegistry::instance();
        const auto restore = qScopeGuard([&] {
            registry.reset();
            m_fixture.initTestCase();
        });
        if (component == u"no card") {
            report::ReportFactory::instance().unregisterReport(u"TKV418R3"_s);
        } else {
            registry.registerStoreMaster(u"RVA510.RVA510C2"_s,
                                         [] { return std::make_unique<FailingStoreMaster>(); });
        }
        m_fixture.verify(m_fixture.run(u"TKV418R1"_s, request), expected);
    }

    // A database that fails the slip on PostgreSQL: the failure is shown as a database failure
    // and the run reports -1; a slip never prints as if the customer had no examination, nothing
    // waits past the server's own limit, and no connection stays open, in the process or on the
    // server.
    void databaseFaults_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("title"); // of the message box or the database error
        QTest::addColumn<QStringList>("expected");
        const QStringList openFailed = items(u"pages=1|flag=-1|rtng=-1|-Fld_ASTA_M|-Fld_ASTA_W"_s);
        QTest::newRow("server stopped before the run") << "stopped"
                                                       << "TKV418R1.prf_init_dbopen" << openFailed;
        QTest::newRow("login refused") << "login"
                                       << "TKV418R1.prf_init_dbopen" << openFailed;
        QTest::newRow("server killed after the customer read")
            << "killed"
            << "TKV418R1.prf_SetGlassesExam" << items(u"pages=0|flag=-1|rtng=-1|message=11001"_s);
        QTest::newRow("examination read cancelled by statement_timeout")
            << "timeout"
            << "TKV418R1.prf_SetGlassesExam" << items(u"pages=0|flag=-1|rtng=-1|message=11001"_s);
    }
    void databaseFaults() {
        QFETCH(QString, fault);
        QFETCH(QString, title);
        QFETCH(QStringList, expected);
        if (!m_fixture.prepare(kPostgres, kCustomer))
            return;
        const int openBefore = db::openConnectionCount();
        const QString server =
            connectionValues(m_fixture.database().connectionString()).value(u"PORT"_s);
        Relay relay(server.toUShort(), fault == u"killed" ? "CGLASBS" : "");
        QVERIFY(relay.port() != 0);
        static int counter = 0;
        const QString application =
            u"kema_fault_%1_%2"_s.arg(QCoreApplication::applicationPid()).arg(++counter);
        QString connection = withApplicationName(
            withPort(m_fixture.database().connectionString(), relay.port()), application);
        std::unique_ptr<TestDatabase::TableLock> lock;
        if (fault == u"stopped")
            relay.serverDown();
        if (fault == u"login")
            connection.replace(u"UID=kema"_s, u"UID=kema_no_such_role"_s);
        if (fault == u"timeout") {
            connection += u"%3BSET statement_timeout TO 300"_s;
            lock = m_fixture.database().lockTable(u"CGLASBS"_s);
            QVERIFY(lock);
        }
        m_fixture.database().writeSettings({{u"DBPARMS"_s, connection}});

        const SlipRun run = m_fixture.run(u"TKV418R1"_s, slipRequest());
        m_fixture.verify(run, expected);
        QCOMPARE(run.status.ok(), run.pages > 0);
        QStringList titles = run.messageBoxes;
        QStringList states;
        for (const RecordedMessage& message : m_fixture.messages().messages()) {
            titles << message.title;
            states << message.sqlStates;
        }
        QCOMPARE(titles.value(0), title);
        if (fault == u"timeout")
            QVERIFY2(states.contains(u"57014"_s), qPrintable(states.join(u',')));
        QCOMPARE(relay.dead(), fault == u"stopped" || fault == u"killed");
        QCOMPARE(db::openConnectionCount(), openBefore);
        QCOMPARE(sessionsOnServer(application), 0);
    }
};

QTEST_MAIN(TestGlassesSlip)
#include "tst_glasses_slip.moc"
