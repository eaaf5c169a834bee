// The customer card on store databases built from db/schema.sql and the rows each scenario
// inserts, once on SQLite and once on PostgreSQL: alone and inside the glasses slip, its fields,
// its texts on the rendered page, the colour of its amount block and its failures.
#include "SlipFixture.h"
#include "TestDatabase.h"

#include "card/TKV418R3.h"
#include "report/Controls.h"
#include "report/ReportFactory.h"
#include "services/components/Components.h"
#include "services/database/Database.h"
#include "services/host/SharedRequestState.h"

#include <QTest>

#include <functional>
#include <utility>

using namespace kema;
using namespace kema::test;
using namespace Qt::StringLiterals;

namespace {

using Settings = QMap<QString, QString>;

const QString kCard = u"TKV418R3"_s;
const QString kSlip = u"TKV418R1"_s;
const QString kBroken = u"DRIVER=NoSuchDriver;Database=/nonexistent"_s;

// The card's item definitions: one free item of every attribute and every way of not being
// shown; category 11 shown, 29 not in use, 30 of another display kind, 31 not defined.
const QString kItems = uR"(
INSERT INTO MITEMDEF (ITEM_NO, ITEM_NM, USE_FLG, DISP_KBN, H_ZOKUSEI) VALUES
  (13, '  記念日  ', 1, 1, 5), (14, 'お客様の視力補正係数', 1, 1, 4), (15, '年間購入額', 1, 1, 1),
  (16, NULL, 1, 1, 2), (17, 'レンズ加工', 1, 1, 3), (18, '備考欄', 1, 1, 0),
  (19, '紹介コード', 1, 1, 3), (20, '割引率', 1, 1, 4), (21, '来店回数', 1, 1, 1),
  (23, '旧ポイント', 0, 1, 1), (24, '非表示項目', 1, 2, 1), (25, '予備', 1, 1, 6),
  (26, '次回来店日', 1, 1, 5), (27, 'フレーム形状', 1, 1, 3), (28, '調整額', 1, 1, 1),
  (11, 'メガネ購入区分', 1, 1, 0), (29, '付属品', 0, 1, 0), (30, 'コンタクト', 1, 2, 0);
INSERT INTO MITEMDTL (ITEM_NO, DETAIL_NO, DETAIL_NM, DISP_ORDER) VALUES
  (17, 1, '無加工', 1), (17, 2, 'ハードコート', 2), (19, 1, '友人', 1), (27, 1, '丸型', 1),
  (11, 1, 'レンズ', 2), (11, 2, 'フレーム', 1), (11, 3, 'サングラス', NULL),
  (29, 1, 'ケース', 1), (30, 1, '使い捨て', 1), (31, 1, '補聴器', 1);
)"_s;

// Free items 1 to 16 are items 13 to 28; marks 1, 2, 0 and Null.
QString customer(int key, const char* amounts = "NULL, NULL, NULL") {
    return uR"(
INSERT INTO CBASE (CUBS_UNIQUE_KEY, CUBS_CUSTOMER_NO, CUBS_STORE_CD, CUBS_KANA_MEI, CUBS_CUSTOM_MEI,
  CUBS_SEX, CUBS_GL_AMT_SUM, CUBS_CL_AMT_SUM, CUBS_OTH_AMT_SUM, CUBS_FREE_1, CUBS_FREE_2,
  CUBS_FREE_3, CUBS_FREE_4, CUBS_FREE_5, CUBS_FREE_6, CUBS_FREE_7, CUBS_FREE_8, CUBS_FREE_9,
  CUBS_FREE_10, CUBS_FREE_11, CUBS_FREE_12, CUBS_FREE_13, CUBS_FREE_14, CUBS_FREE_15, CUBS_FREE_16,
  CUBS_BUY1_FLG, CUBS_BUY2_FLG, CUBS_BUY3_FLG, CUBS_BUY4_FLG, CUBS_BUY16_FLG, CUBS_FREE_17_1,
  CUBS_FREE_18_16, CUBS_FREE_19_5, CUBS_FREE_19_6)
VALUES (%1, '0015001', '001', 'ﾀﾅｶ ﾊﾅｺ', '田中 花子', 1, %2, 19980315, 125, 1234.5, 1235.5, 2, 5,
  70000, 0, NULL, 7, 42, 43, 9, 19981345, 9, -1234567.5, 1, 2, 0, NULL, 1, 1, 1, 1, 2);
)"_s.arg(key)
        .arg(QLatin1String(amounts));
}

const QString kCustomers = kItems + customer(7001);
const QString kEveryCategory = uR"(
UPDATE MITEMDEF SET USE_FLG = 1, DISP_KBN = 1 WHERE ITEM_NO IN (29, 30);
INSERT INTO MITEMDEF (ITEM_NO, ITEM_NM, USE_FLG, DISP_KBN, H_ZOKUSEI) VALUES (31, '補聴器類', 1, 1, 0);
)"_s;
const QString kSlipRows = kItems + customer(5001, "123456, 0, NULL") + uR"(
INSERT INTO URECEPT (RC_INQ_NO, RC_SEQ_NO, RC_STORE_CD, RC_UNIQUE_KEY, RC_CM_NO, RC_KNAME, RC_NAME,
  RC_SEX)
VALUES ('R0001', 1, '001', 5001, '0015001', 'ﾀﾅｶ ﾊﾅｺ', '田中 花子', 1),
       ('R0001', 2, '001', NULL, NULL, 'ｳｴﾀﾞ ｲﾁﾛｳ', '上田 一郎', 2);
)"_s;

// What the glasses slip hands the card for a customer, set by hand.
QVariantMap cardRequest(const QVariantMap& changes = {}) {
    return with({{"KidouKbnL", 1},
                 {"DenpKbnL", 1},
                 {"GrasRuikeiKingakuL", 1234567},
                 {"ContRuikeiKingakuL", 0},
                 {"OtherRuikeiKingakuL", -500},
                 {"UserUQKeyL", 7001.0}},
                changes);
}

// Captions and detail names are cut to 8, 5 and 2 characters.
const QStringList kCaptions = items(
    u"Fld_H_ITEM_NO_13=記念日|Fld_H_ITEM_NO_14=お客様の視力補正|Fld_H_ITEM_NO_15=年間購入額|"
    "Fld_H_ITEM_NO_16=|Fld_H_ITEM_NO_17=レンズ加工|Fld_H_ITEM_NO_18=備考欄|"
    "Fld_H_ITEM_NO_21=来店回数|Fld_H_ITEM_NO_22=|Fld_H_ITEM_NO_23=|Fld_H_ITEM_NO_24=|"
    "Fld_H_ITEM_NO_25=予備|Fld_H_ITEM_NO_28=調整額|Fld_H_ITEM_NO11=メガネ購入|+Fld_H_ITEM_NO11|"
    "Fld_H_ITEM_NO29=|-Fld_H_ITEM_NO29|-Fld_H_ITEM_NO30|-Fld_H_ITEM_NO31|"
    "Fld_H_ITEM_NO11_01=フレ|Fld_H_ITEM_NO11_02=レン|Fld_H_ITEM_NO11_03=サン|"
    "Fld_H_ITEM_NO11_04=|Fld_H_ITEM_NO11_16=|Fld_H_ITEM_NO29_01=|Fld_H_ITEM_NO30_01=|"
    "Fld_H_ITEM_NO31_01="_s);
// The free items by attribute; only mark 1 prints, also under categories without caption.
const QStringList kValues = items(
    u"Fld_H_ITEM_13=1998年03月15日|Fld_H_ITEM_14=1.25|Fld_H_ITEM_15=1,234|Fld_H_ITEM_16=1,236|"
    "Fld_H_ITEM_17=ハードコート|Fld_H_ITEM_18=|Fld_H_ITEM_19=|Fld_H_ITEM_20=|Fld_H_ITEM_21=|"
    "Fld_H_ITEM_22=|Fld_H_ITEM_23=42|Fld_H_ITEM_24=43|Fld_H_ITEM_25=|Fld_H_ITEM_26=1998/13/45|"
    "Fld_H_ITEM_27=|Fld_H_ITEM_28=-1,234,568"_s);
const QStringList kMarks =
    items(u"Fld_H_ITEM_11_01=1|Fld_H_ITEM_11_02=|Fld_H_ITEM_11_03=|Fld_H_ITEM_11_04=|"
          "Fld_H_ITEM_11_16=1|Fld_H_ITEM_29_01=1|Fld_H_ITEM_30_16=1|Fld_H_ITEM_31_05=1|"
          "Fld_H_ITEM_31_06="_s);
const QStringList kNoValues =
    items(u"Fld_H_ITEM_13=|Fld_H_ITEM_14=|Fld_H_ITEM_23=|Fld_H_ITEM_28=|Fld_H_ITEM_11_01=|"
          "Fld_H_ITEM_11_16=|Fld_H_ITEM_29_01=|Fld_H_ITEM_31_05="_s);
const QStringList kGlassesLabels =
    items(u"Fld_UMEISAI_01=レンズ|Fld_UMEISAI_02=フレーム|Fld_UMEISAI_03=その他|Fld_UMEISAI_04=|"
          "Fld_UMEISAI_05="_s);
// Parameter 5040 = 1, and any other value.
const QStringList kPaymentLabels =
    items(u"Fld_UMEISAI_06=小　計|font:Fld_UMEISAI_06=bold 10|Fld_UMEISAI_07=消費税|"
          "font:Fld_UMEISAI_07=normal 9|Fld_UMEISAI_08=お買上額|Fld_UMEISAI_09=現金|"
          "font:Fld_UMEISAI_09=normal 9|Fld_UMEISAI_10=カード|Fld_UMEISAI_11=その他|"
          "Fld_UMEISAI_12=入金計|font:Fld_UMEISAI_12=bold 10|Fld_UMEISAI_13=未入金"_s);
const QStringList kDepositLabels =
    items(u"Fld_UMEISAI_06=|font:Fld_UMEISAI_06=normal 9|Fld_UMEISAI_07=|Fld_UMEISAI_08=|"
          "Fld_UMEISAI_09=小　計|font:Fld_UMEISAI_09=bold 10|Fld_UMEISAI_10=消費税|"
          "Fld_UMEISAI_11=お買上額|Fld_UMEISAI_12=内　金|font:Fld_UMEISAI_12=normal 9|"
          "Fld_UMEISAI_13=未入金|font:Fld_UMEISAI_13=normal 9"_s);
// The card's face draws U+005C as the yen sign; the text layer keeps the character written.
const QStringList kAmounts =
    items(u"Fld_CUBS_GL_AMT_SUM=\\1,234,567|Fld_CUBS_CL_AMT_SUM=|Fld_CUBS_OTH_AMT_SUM="_s);
const QStringList kNormalEnd = items(u"pages=1|rtng=0|flag=0|cards=0|messages=|boxes="_s);

// The same expectations on the card's texts in the PDF, and its fonts.
QStringList onPage(const QStringList& expected) {
    QStringList page;
    for (const QString& e : expected)
        if (e.startsWith(u"Fld_"))
            page << u"card:"_s + e;
        else if (e.startsWith(u"font:"))
            page << e;
    return page;
}

// The card's state at the end of each of its runs.
struct CardRun {
    qint16 printRtng = 0;
    qint16 printErrorFlag = 0;
    QHash<QString, QString> fonts; // "bold 10"
};
QList<CardRun> g_cardRuns;

class ObservedCard final : public card::TKV418R3 {
protected:
    void Report_ReportEnd() override {
        TKV418R3::Report_ReportEnd();
        CardRun run{PrintRTNG(), SharedRequestState::instance().PrintErrorFlag, {}};
        for (int i = 6; i <= 13; ++i) {
            const report::TextControl& f =
                textField(u"Fld_UMEISAI_%1"_s.arg(i, 2, 10, QLatin1Char('0')));
            run.fonts.insert(f.name(), (f.bold() ? u"bold "_s : u"normal "_s) +
                                           QString::number(f.fontSize()));
        }
        g_cardRuns.append(run);
    }
};

// The store master answering every code, running `onLookup` at each look-up.
class FixedStore final : public IStoreMaster {
public:
    explicit FixedStore(std::function<void()> onLookup) : m_onLookup(std::move(onLookup)) {}
    Result<long> GetMSTORE(QString&) override {
        m_onLookup();
        return 0L;
    }
    QVariant STORE_NM() const override { return u"テスト店"_s; }

private:
    std::function<void()> m_onLookup;
};

} // namespace

class TestCard : public QObject {
    Q_OBJECT

    SlipFixture m_fixture;
    bool m_doubles = false; // a test replaced a component

    void restoreComponents() {
        m_fixture.initTestCase();
        report::ReportFactory::instance().registerReport(
            kCard, [] { return std::make_unique<ObservedCard>(); });
    }

    SlipRun run(const QString& className, const QVariantMap& request, const QStringList& expected) {
        g_cardRuns.clear();
        return m_fixture.run(className, request, SlipFixture::outputFor(expected));
    }

    // The fixture's expectations, and the card's own: "cards=r1,r2" (the card's PrintRTNG in
    // each of its runs), "cardflags=f1,f2" (PrintErrorFlag after each), "font:Field=bold 10"
    // (after the last), "messages=c1,c2" (every message code), "shown=MEMBER code title;…" and
    // "boxes=t1,t2" (every platform message box title), "drivererrors" (every DBERRDSP carries
    // the connection's errors). Every MSGDSP passes the number 0, every DBERRDSP the error.
    void verify(const SlipRun& run, const QStringList& expected) {
        QVERIFY2(run.status.ok(), qPrintable(failureText(run.status)));
        const QList<RecordedMessage>& messages = m_fixture.messages().messages();
        QStringList rtngs, flags, shown;
        for (const CardRun& r : g_cardRuns) {
            rtngs << QString::number(r.printRtng);
            flags << QString::number(r.printErrorFlag);
        }
        for (const RecordedMessage& m : messages)
            shown << m.member + u' ' + m.code + u' ' + m.title;
        const QHash<QString, QString> own{{u"cards"_s, rtngs.join(u',')},
                                          {u"cardflags"_s, flags.join(u',')},
                                          {u"messages"_s, m_fixture.messages().codes().join(u',')},
                                          {u"shown"_s, shown.join(u';')},
                                          {u"boxes"_s, run.messageBoxes.join(u',')}};
        QStringList common;
        for (const QString& item : expected) {
            const QString key = item.section(u'=', 0, 0);
            const QString value = item.section(u'=', 1);
            if (key.startsWith(u"font:")) {
                QVERIFY(!g_cardRuns.isEmpty());
                QCOMPARE(g_cardRuns.last().fonts.value(key.mid(5)), value);
            } else if (own.contains(key)) {
                QCOMPARE(key + u'=' + own.value(key), item);
            } else if (key != u"drivererrors") {
                common << item;
            }
        }
        for (const RecordedMessage& m : messages) {
            if (m.member == u"MSGDSP")
                QCOMPARE(m.argument, QVariant(0));
            else
                QVERIFY2(m.errObject &&
                             (!expected.contains(u"drivererrors"_s) || !m.errorTexts.isEmpty()),
                         qPrintable(m.title));
        }
        m_fixture.verify(run, common);
    }

private slots:
    void initTestCase() { restoreComponents(); }
    void init() { SharedRequestState::instance() = SharedRequestState(); }
    void cleanup() {
        if (std::exchange(m_doubles, false))
            restoreComponents();
    }

    // The report run (the card alone, or the glasses slip hosting it), the scenario's own rows,
    // settings, the request, and what the run shows.
    void scenario_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<QVariantMap>("request");
        QTest::addColumn<QStringList>("expected");
        const QString parm = u"UPDATE GSYSPARM SET PARM_NAIYO = '%1' WHERE PARM_NO = %2;"_s;
        const Settings broken{{u"DBPARMS"_s, kBroken}};
        const auto row = [](const char* name, const QString& className, const QString& rows,
                            const Settings& settings, const QVariantMap& request,
                            const QStringList& expected) {
            for (const QString& backend : backends())
                QTest::addRow("%s: %s", qPrintable(backend), name)
                    << backend << className << rows << settings << request << expected;
        };
        row("card: every category shown with sixteen details", kCard,
            kCustomers + kEveryCategory + uR"(
INSERT INTO MITEMDTL (ITEM_NO, DETAIL_NO, DETAIL_NM, DISP_ORDER) VALUES
  (11, 4, 'D4', 4), (11, 5, 'D5', 5), (11, 6, 'D6', 6), (11, 7, 'D7', 7), (11, 8, 'D8', 8),
  (11, 9, 'D9', 9), (11, 10, 'DA', 10), (11, 11, 'DB', 11), (11, 12, 'DC', 12), (11, 13, 'DD', 13),
  (11, 14, 'DE', 14), (11, 15, 'DF', 15), (11, 16, 'DG', 16), (11, 17, 'DH', 17);)"_s,
            {}, cardRequest(),
            items(u"Fld_H_ITEM_NO29=付属品|+Fld_H_ITEM_NO29|Fld_H_ITEM_NO30=コンタクト|"
                  "+Fld_H_ITEM_NO30|Fld_H_ITEM_NO31=補聴器類|+Fld_H_ITEM_NO31|"
                  "Fld_H_ITEM_NO11_03=D4|Fld_H_ITEM_NO11_15=DG|Fld_H_ITEM_NO11_16=DH|"
                  "Fld_H_ITEM_NO29_01=ケー|Fld_H_ITEM_NO29_02=|Fld_H_ITEM_NO30_01=使い|"
                  "Fld_H_ITEM_NO31_01=補聴|Fld_H_ITEM_29_01=1"_s));
        row("card: amounts with decimals and beyond the pattern", kCard, kCustomers, {},
            cardRequest({{"GrasRuikeiKingakuL", 1234.5},
                         {"ContRuikeiKingakuL", 0.4},
                         {"OtherRuikeiKingakuL", 12345678901.0}}),
            items(u"Fld_CUBS_GL_AMT_SUM=\\1,235|Fld_CUBS_CL_AMT_SUM=\\0|"
                  "Fld_CUBS_OTH_AMT_SUM=\\12,345,678,901"_s));
        row("card: parameter 5020 is 0", kCard, kCustomers + parm.arg(0).arg(5020), {},
            cardRequest(),
            kNormalEnd + kNoValues + kAmounts +
                items(u"Fld_H_ITEM_NO_13=記念日|Fld_H_ITEM_NO11_01=フレ|Fld_UMEISAI_09=現金"_s));
        row("card: parameter 5040 missing", kCard,
            kCustomers + u"DELETE FROM GSYSPARM WHERE PARM_NO = 5040;"_s, {}, cardRequest(),
            kNormalEnd + kDepositLabels);
        row("card: database cannot be opened on the blank form", kCard, kCustomers, broken,
            cardRequest({{"KidouKbnL", 2}}),
            kGlassesLabels + kDepositLabels +
                items(u"pages=1|rtng=0|flag=0|cards=0|"
                      "shown=MSGDSP 30007 TKV418R3_prs_Set_H_ITEM_NM|"
                      "boxes=TKV418R3.prf_init_dbopen"_s));
        row("card: customer row unreadable from the marks of category 29 on", kCard,
            kCustomers + u"ALTER TABLE CBASE DROP COLUMN CUBS_FREE_17_1;"_s, {}, cardRequest(),
            kValues + kAmounts +
                items(u"pages=1|rtng=0|flag=0|shown=DBERRDSP 11001 TKV418R3.prfrecordset|"
                      "Fld_H_ITEM_11_01=1|Fld_H_ITEM_11_16=1|Fld_H_ITEM_29_01=|"
                      "Fld_H_ITEM_30_16=|Fld_H_ITEM_31_05=|Fld_UMEISAI_09=現金"_s));
        row("card: system parameters unreadable", kCard, kCustomers + u"DROP TABLE GSYSPARM;"_s, {},
            cardRequest(),
            kNoValues + kAmounts + kDepositLabels +
                items(u"pages=1|rtng=0|flag=0|drivererrors|"
                      "shown=DBERRDSP 11001 TKV418R3.prfChkSysParm;"
                      "DBERRDSP 11001 TKV418R3.prfChkSysParm2"_s));
        // A detail list that fails to load shows its category's message; a definition list that
        // fails shows "30007" and leaves every caption empty. The card still ends with 0.
        row("card: detail lists unreadable", kCard,
            kCustomers + kEveryCategory + u"DROP TABLE MITEMDTL;"_s, {}, cardRequest(),
            items(u"pages=1|rtng=0|flag=0|Fld_H_ITEM_NO11=メガネ購入|Fld_H_ITEM_NO11_01=|"
                  "Fld_H_ITEM_13=1998年03月15日|Fld_H_ITEM_11_01=1|Fld_UMEISAI_09=現金|"
                  "shown=MSGDSP 30003 TKV418R3_prf_Set_H_ITEM_NO11_01_16;"
                  "MSGDSP 30004 TKV418R3_prf_Set_H_ITEM_NO29_01_16;"
                  "MSGDSP 30005 TKV418R3_prf_Set_H_ITEM_NO30_01_16;"
                  "MSGDSP 30006 TKV418R3_prf_Set_H_ITEM_NO31_01_16"_s));
        row("card: item definitions unreadable", kCard, kCustomers + u"DROP TABLE MITEMDEF;"_s, {},
            cardRequest(),
            items(u"pages=1|rtng=0|flag=0|shown=MSGDSP 30007 TKV418R3_prs_Set_H_ITEM_NM|"
                  "Fld_H_ITEM_NO_13=|-Fld_H_ITEM_NO11|Fld_H_ITEM_13=|Fld_H_ITEM_11_01=1|"
                  "Fld_UMEISAI_09=現金"_s));
        row("slip: customer", kSlip, kSlipRows, {}, slipRequest(),
            onPage(kCaptions + kValues + kMarks + kGlassesLabels + kPaymentLabels) +
                items(u"pages=1|flag=0|rtng=0|cards=0|messages=|boxes=|"
                      "Fld_CUSTOM_MEI=田中 花子|card:Fld_CUBS_GL_AMT_SUM=\\123,456|"
                      "card:Fld_CUBS_CL_AMT_SUM=|card:Fld_CUBS_OTH_AMT_SUM=|"
                      "card:Field2=累計金額|card:Field3=メガネ累計金額|card:Fld_SYOKAN="_s));
        row("slip: reception of two rows runs the card on each page", kSlip, kSlipRows, {},
            byReception(slipRequest()),
            onPage(kCaptions + kNoValues + kGlassesLabels + kPaymentLabels) +
                items(u"pages=2|flag=0|cards=0,0|card:Fld_CUBS_GL_AMT_SUM="_s));
        row("slip: blank form", kSlip, kSlipRows, {}, blankForm(slipRequest()),
            onPage(kCaptions + kNoValues + kGlassesLabels + kPaymentLabels) +
                items(u"pages=1|flag=0|cards=0|card:Fld_CUBS_GL_AMT_SUM="_s));
        row("slip: customer not found prints the card with captions only", kSlip, kSlipRows, {},
            slipRequest({{"UserUQKeyL", 9999.0}}),
            onPage(kCaptions + kNoValues + kPaymentLabels) +
                items(u"pages=1|flag=0|cards=0|card:Fld_CUBS_GL_AMT_SUM=|"
                      "card:Fld_UMEISAI_01="_s));
        // Company "000004" prints the card's amount block, its frame Shape4 holding the captions,
        // the amounts and the rules, in white, keeping its place; any other in black.
        row("slip: company 000004", kSlip, kSlipRows, {{u"KIGYO"_s, u"000004"_s}}, slipRequest(),
            items(u"Fld_CUSTOM_MEI=田中 花子|ink:card:Shape4=0|ink:card:Fld_H_ITEM_NO11_01>50"_s));
        row("slip: company 000001", kSlip, kSlipRows, {{u"KIGYO"_s, u"000001"_s}}, slipRequest(),
            items(u"ink:card:Shape4>1000|ink:card:Fld_CUBS_GL_AMT_SUM>50|"
                  "ink:card:Fld_H_ITEM_NO11_01>50"_s));
    }

    void scenario() {
        QFETCH(QString, backend);
        QFETCH(QString, className);
        QFETCH(QString, rows);
        QFETCH(Settings, settings);
        QFETCH(QVariantMap, request);
        QFETCH(QStringList, expected);
        if (!m_fixture.prepare(backend, rows))
            return;
        m_fixture.database().writeSettings(settings);
        verify(run(className, request, expected), expected);
    }

    // The card's connection fails after the slip opened its own: the card shows the message
    // box and ends in error, the slip prints and its own end decides the result.
    void cardDatabaseFailsInSlip_data() { addBackendRows(); }
    void cardDatabaseFailsInSlip() {
        QFETCH(QString, backend);
        if (!m_fixture.prepare(backend, kSlipRows))
            return;
        // The store is looked up while the slip's page is filled, before the card runs.
        ComponentRegistry::instance().registerStoreMaster(u"RVA510.RVA510C2"_s, [this] {
            return std::make_unique<FixedStore>([this] {
                m_fixture.database().writeSettings({{u"DBPARMS"_s, kBroken}});
            });
        });
        m_doubles = true;
        const QStringList expected =
            items(u"pages=2|flag=0|rtng=0|cards=-1,-1|cardflags=-1,-1|messages=30007,30007|"
                  "boxes=TKV418R3.prf_init_dbopen,TKV418R3.prf_init_dbopen|"
                  "Fld_STORE_NM_CD=テスト店  (001)|Fld_CUSTOM_MEI=上田 一郎|card:Fld_H_ITEM_NO_13=|"
                  "card:Fld_UMEISAI_01=|card:Fld_UMEISAI_09=小　計|font:Fld_UMEISAI_09=bold 9.75|"
                  "card:Fld_UMEISAI_12=内　金"_s);
        verify(run(kSlip, byReception(slipRequest()), expected), expected);
    }
};

QTEST_MAIN(TestCard)
#include "tst_card.moc"
