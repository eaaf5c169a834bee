// The customer card on store databases built from db/schema.sql and the rows each scenario
// inserts, once on SQLite and once on PostgreSQL: alone and inside the glasses slip, its fields,
// its texts on the rendered page, the colour of its amount block, its failures and the server
// connections it leaves behind.
#include "CardSupport.h"
#include "SlipFixture.h"
#include "TestDatabase.h"

#include "request/SharedRequestState.h"
#include "services/components/Components.h"

#include <QImage>
#include <QTest>

#include <optional>
#include <utility>

using namespace kema;
using namespace kema::test;

namespace {

const QString kCard = QStringLiteral("TKV418R3");
const QString kSlip = QStringLiteral("TKV418R1");
const QString kBroken = QStringLiteral("DRIVER=NoSuchDriver;Database=/nonexistent");

// The card's item definitions: one free item of every attribute and every way of not being
// shown; category 11 shown, 29 not in use, 30 of another display kind, 31 not defined.
const char* const kItems = R"(
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
)";

// Free items 1 to 16 are items 13 to 28; marks 1, 2, 0 and Null.
const char* const kFreeColumns = R"(CUBS_FREE_1, CUBS_FREE_2, CUBS_FREE_3, CUBS_FREE_4,
  CUBS_FREE_5, CUBS_FREE_6, CUBS_FREE_7, CUBS_FREE_8, CUBS_FREE_9, CUBS_FREE_10, CUBS_FREE_11,
  CUBS_FREE_12, CUBS_FREE_13, CUBS_FREE_14, CUBS_FREE_15, CUBS_FREE_16, CUBS_BUY1_FLG,
  CUBS_BUY2_FLG, CUBS_BUY3_FLG, CUBS_BUY4_FLG, CUBS_BUY16_FLG, CUBS_FREE_17_1, CUBS_FREE_18_16,
  CUBS_FREE_19_5, CUBS_FREE_19_6)";
const char* const kFreeValues = R"(19980315, 125, 1234.5, 1235.5, 2, 5, 70000, 0, NULL, 7, 42,
  43, 9, 19981345, 9, -1234567.5, 1, 2, 0, NULL, 1, 1, 1, 1, 2)";

QString customer(int key, const QString& amounts = QStringLiteral("NULL, NULL, NULL")) {
    return QStringLiteral("INSERT INTO CBASE (CUBS_UNIQUE_KEY, CUBS_CUSTOMER_NO, CUBS_STORE_CD, "
                          "CUBS_KANA_MEI, CUBS_CUSTOM_MEI, CUBS_SEX, CUBS_GL_AMT_SUM, "
                          "CUBS_CL_AMT_SUM, CUBS_OTH_AMT_SUM, %1) VALUES (%2, '0015001', '001', "
                          "'ﾀﾅｶ ﾊﾅｺ', '田中 花子', 1, %3, %4);\n")
        .arg(QLatin1String(kFreeColumns))
        .arg(key)
        .arg(amounts, QLatin1String(kFreeValues));
}

const QString kCustomers = QString::fromUtf8(kItems) + customer(7001);

const char* const kReception = R"(
INSERT INTO URECEPT (RC_INQ_NO, RC_SEQ_NO, RC_STORE_CD, RC_UNIQUE_KEY, RC_CM_NO, RC_KNAME, RC_NAME,
  RC_SEX)
VALUES ('R0001', 1, '001', 5001, '0015001', 'ﾀﾅｶ ﾊﾅｺ', '田中 花子', 1),
       ('R0001', 2, '001', NULL, NULL, 'ｳｴﾀﾞ ｲﾁﾛｳ', '上田 一郎', 2);
)";

const QString kSlipRows = QString::fromUtf8(kItems) +
                          customer(5001, QStringLiteral("123456, 0, NULL")) +
                          QString::fromUtf8(kReception);

QVariantMap with(QVariantMap request, const QVariantMap& changes) {
    for (auto it = changes.begin(); it != changes.end(); ++it)
        request.insert(it.key(), it.value());
    return request;
}

// What the glasses slip hands the card for a customer, set by hand.
QVariantMap cardRequest() {
    return {{"KidouKbnL", 1},
            {"DenpKbnL", 1},
            {"GrasRuikeiKingakuL", 1234567},
            {"ContRuikeiKingakuL", 0},
            {"OtherRuikeiKingakuL", -500},
            {"UserUQKeyL", 7001.0}};
}

QVariantMap customerSlip() {
    return {{"KidouKbnL", 1},       {"SyoriKbnL", 2},         {"BarcodeKbnL", 1},
            {"QNumberL", "R0001"},  {"DenpKbnL", 1},          {"StoreCodeL", "001"},
            {"UserUQKeyL", 5001.0}, {"OutNumberL", 1},        {"OutKbnL", 1},
            {"PrintKbnL", 0},       {"OutDate", "2024/03/05"}};
}

QVariantMap receptionSlip() {
    return with(customerSlip(), {{"SyoriKbnL", 1}, {"UserUQKeyL", 0.0}, {"OutDate", ""}});
}

QVariantMap blankSlip() {
    return with(customerSlip(), {{"KidouKbnL", 2}, {"UserUQKeyL", 0.0}, {"OutDate", ""}});
}

// The amount texts as the text layer of the PDF gives them back: the card's face draws U+005C
// as the yen sign, and the text layer keeps the character the card wrote.
QString amountInPdf(const char* digits) {
    return u'\\' + QLatin1String(digits);
}

const QStringList kCaptions{"Fld_H_ITEM_NO_13=記念日",
                            "Fld_H_ITEM_NO_14=お客様の視力補正",
                            "Fld_H_ITEM_NO_15=年間購入額",
                            "Fld_H_ITEM_NO_16=",
                            "Fld_H_ITEM_NO_17=レンズ加工",
                            "Fld_H_ITEM_NO_18=備考欄",
                            "Fld_H_ITEM_NO_21=来店回数",
                            "Fld_H_ITEM_NO_22=",
                            "Fld_H_ITEM_NO_23=",
                            "Fld_H_ITEM_NO_24=",
                            "Fld_H_ITEM_NO_25=予備",
                            "Fld_H_ITEM_NO_28=調整額",
                            "Fld_H_ITEM_NO11=メガネ購入",
                            "+Fld_H_ITEM_NO11",
                            "Fld_H_ITEM_NO29=",
                            "-Fld_H_ITEM_NO29",
                            "-Fld_H_ITEM_NO30",
                            "-Fld_H_ITEM_NO31",
                            "Fld_H_ITEM_NO11_01=フレ",
                            "Fld_H_ITEM_NO11_02=レン",
                            "Fld_H_ITEM_NO11_03=サン",
                            "Fld_H_ITEM_NO11_04=",
                            "Fld_H_ITEM_NO11_16=",
                            "Fld_H_ITEM_NO29_01=",
                            "Fld_H_ITEM_NO30_01=",
                            "Fld_H_ITEM_NO31_01="};

const QStringList kValues{"Fld_H_ITEM_13=1998年03月15日",
                          "Fld_H_ITEM_14=1.25",
                          "Fld_H_ITEM_15=1,234",
                          "Fld_H_ITEM_16=1,236",
                          "Fld_H_ITEM_17=ハードコート",
                          "Fld_H_ITEM_18=",
                          "Fld_H_ITEM_19=",
                          "Fld_H_ITEM_20=",
                          "Fld_H_ITEM_21=",
                          "Fld_H_ITEM_22=",
                          "Fld_H_ITEM_23=42",
                          "Fld_H_ITEM_24=43",
                          "Fld_H_ITEM_25=",
                          "Fld_H_ITEM_26=1998/13/45",
                          "Fld_H_ITEM_27=",
                          "Fld_H_ITEM_28=-1,234,568"};

const QStringList kMarks{"Fld_H_ITEM_11_01=1", "Fld_H_ITEM_11_02=",  "Fld_H_ITEM_11_03=",
                         "Fld_H_ITEM_11_04=",  "Fld_H_ITEM_11_16=1", "Fld_H_ITEM_29_01=1",
                         "Fld_H_ITEM_30_16=1", "Fld_H_ITEM_31_05=1", "Fld_H_ITEM_31_06="};

const QStringList kNoValues{
    "Fld_H_ITEM_13=",    "Fld_H_ITEM_14=",    "Fld_H_ITEM_23=",    "Fld_H_ITEM_28=",
    "Fld_H_ITEM_11_01=", "Fld_H_ITEM_11_16=", "Fld_H_ITEM_29_01=", "Fld_H_ITEM_31_05="};

const QStringList kGlassesLabels{"Fld_UMEISAI_01=レンズ", "Fld_UMEISAI_02=フレーム",
                                 "Fld_UMEISAI_03=その他", "Fld_UMEISAI_04=", "Fld_UMEISAI_05="};

// Parameter 5040 = 1.
const QStringList kPaymentLabels{
    "Fld_UMEISAI_06=小　計",        "font:Fld_UMEISAI_06=bold 10", "Fld_UMEISAI_07=消費税",
    "font:Fld_UMEISAI_07=normal 9", "Fld_UMEISAI_08=お買上額",     "Fld_UMEISAI_09=現金",
    "font:Fld_UMEISAI_09=normal 9", "Fld_UMEISAI_10=カード",       "Fld_UMEISAI_11=その他",
    "Fld_UMEISAI_12=入金計",        "font:Fld_UMEISAI_12=bold 10", "Fld_UMEISAI_13=未入金"};
// Any other value.
const QStringList kDepositLabels{"Fld_UMEISAI_06=",       "font:Fld_UMEISAI_06=normal 9",
                                 "Fld_UMEISAI_07=",       "Fld_UMEISAI_08=",
                                 "Fld_UMEISAI_09=小　計", "font:Fld_UMEISAI_09=bold 10",
                                 "Fld_UMEISAI_10=消費税", "Fld_UMEISAI_11=お買上額",
                                 "Fld_UMEISAI_12=内　金", "font:Fld_UMEISAI_12=normal 9",
                                 "Fld_UMEISAI_13=未入金", "font:Fld_UMEISAI_13=normal 9"};

QStringList operator+(QStringList a, const char* b) {
    a << QString::fromUtf8(b);
    return a;
}

// The same expectations on the card's texts in the slip's PDF.
QStringList onPage(const QStringList& expected) {
    QStringList page;
    for (const QString& e : expected)
        if (e.startsWith(u"Fld_"))
            page << QStringLiteral("card:") + e;
    return page;
}

} // namespace

class TestCard : public QObject {
    Q_OBJECT

    SlipFixture m_fixture;
    // Replaces the fixture's recorder, to keep the titles and arguments of the messages.
    std::optional<MessageRecorder> m_messages;
    bool m_doubles = false; // a test replaced a component

    void restoreComponents() {
        m_fixture.initTestCase();
        registerObservedCard();
        m_messages.emplace();
    }

    // A fresh scenario with the settings of the row; false when it cannot run.
    bool prepare(const QString& backend, const QString& rows, const QVariantMap& settings) {
        if (!m_fixture.prepare(backend, rows))
            return false;
        for (auto it = settings.begin(); it != settings.end(); ++it)
            if (!QTest::qVerify(setSetting(it.key(), it.value().toString()), "setting",
                                qPrintable(it.key()), __FILE__, __LINE__))
                return false;
        return true;
    }

    SlipRun run(const QString& className, const QVariantMap& request, const QStringList& expected) {
        cardRuns().clear();
        m_messages->clear();
        const bool onPaper = std::any_of(expected.begin(), expected.end(),
                                         [](const QString& e) { return e.startsWith(u"card:"); });
        return m_fixture.run(className, request, onPaper ? Output::Pdf : Output::Fields);
    }

    // The fixture's expectations, and the card's own: "card:Field=text" (the card's text in the
    // PDF, on every page, at its designed place), "cards=r1,r2" (the card's PrintRTNG in each
    // of its runs), "cardflags=f1,f2" (PrintErrorFlag after each card run),
    // "font:Field=bold 10" (after the last card run), "messages=c1,c2" (all message codes
    // shown, in order), "shown=MEMBER code title|…" (the same with their titles) and
    // "boxes=t1,t2" (all platform message box titles), "drivererrors" (every DBERRDSP carries
    // the connection's errors). Every MSGDSP passes the number 0, every DBERRDSP the error
    // object.
    void verify(const QString& className, const SlipRun& run, const QStringList& expected) {
        QVERIFY2(run.status.ok(), qPrintable(failureText(run.status)));
        QStringList common;
        QList<QList<PdfWord>> pages;
        if (!run.file.isEmpty())
            pages = pdfPages(run.file);
        const auto joined = [](const QList<CardRun>& runs, auto value) {
            QStringList texts;
            for (const CardRun& r : runs)
                texts << value(r);
            return texts.join(u',');
        };
        for (const QString& item : expected) {
            const qsizetype eq = item.indexOf(u'=');
            const QString key = item.left(eq);
            const QString value = item.mid(eq + 1);
            if (key.startsWith(u"card:")) {
                QCOMPARE(pages.size(), run.pages);
                const QString field = key.mid(5);
                const QRectF box = cardBox(run, className, field);
                QVERIFY2(box.isValid(), qPrintable(field));
                for (const QList<PdfWord>& words : pages) {
                    verifyPrinted(words, box, cardAlign(field), value);
                    if (QTest::currentTestFailed())
                        return;
                }
            } else if (key == u"cards") {
                QCOMPARE(joined(cardRuns(),
                                [](const CardRun& r) { return QString::number(r.printRtng); }),
                         value);
            } else if (key == u"cardflags") {
                QCOMPARE(joined(cardRuns(),
                                [](const CardRun& r) { return QString::number(r.printErrorFlag); }),
                         value);
            } else if (key.startsWith(u"font:")) {
                QVERIFY(!cardRuns().isEmpty());
                QCOMPARE(cardRuns().last().fonts.value(key.mid(5)), value);
            } else if (item == u"drivererrors") {
                continue;
            } else if (key == u"messages") {
                QCOMPARE(m_messages->codes().join(u','), value);
            } else if (key == u"shown") {
                QStringList shown;
                for (const RecordedMessage& m : m_messages->messages())
                    shown << m.member + u' ' + m.code + u' ' + m.title;
                QCOMPARE(shown.join(u'|'), value);
            } else if (key == u"boxes") {
                QCOMPARE(run.messageBoxes.join(u','), value);
            } else {
                common << item;
            }
        }
        for (const RecordedMessage& m : m_messages->messages()) {
            if (m.member == u"MSGDSP") {
                QCOMPARE(m.argument, QVariant(0));
            } else {
                QVERIFY2(m.errObject.has_value(), qPrintable(m.title));
                if (expected.contains(QStringLiteral("drivererrors")))
                    QVERIFY2(!m.errorTexts.isEmpty(), qPrintable(m.title));
            }
        }
        m_fixture.verify(run, common);
    }

private slots:
    void initTestCase() { restoreComponents(); }
    void init() { SharedRequestState::instance() = SharedRequestState(); }
    void cleanup() {
        beforeCardEnd() = nullptr;
        if (std::exchange(m_doubles, false))
            restoreComponents();
    }

    // Each row: the report run (the card alone, or the glasses slip hosting it), the scenario's
    // own rows, settings, the request, and what the run shows.
    void scenario_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<QVariantMap>("request");
        QTest::addColumn<QStringList>("expected");

        struct Row {
            const char* name;
            QString className;
            QString rows;
            QVariantMap settings;
            QVariantMap request;
            QStringList expected;
        };
        const QString parm5020 =
            QStringLiteral("UPDATE GSYSPARM SET PARM_NAIYO = '%1' WHERE PARM_NO = 5020;");
        const QString parm5040 =
            QStringLiteral("UPDATE GSYSPARM SET PARM_NAIYO = '%1' WHERE PARM_NO = 5040;");
        const QStringList amounts{"Fld_CUBS_GL_AMT_SUM=\\1,234,567",
                                  "Fld_CUBS_CL_AMT_SUM=", "Fld_CUBS_OTH_AMT_SUM="};
        const QStringList noAmounts{
            "Fld_CUBS_GL_AMT_SUM=", "Fld_CUBS_CL_AMT_SUM=", "Fld_CUBS_OTH_AMT_SUM="};
        const QStringList normalEnd{"pages=1", "rtng=0",    "flag=0",
                                    "cards=0", "messages=", "boxes="};
        const QList<Row> rows{
            {"card: free items by attribute",
             kCard,
             kCustomers,
             {},
             cardRequest(),
             normalEnd + kValues},
            {"card: captions and detail names cut to 8, 5 and 2 characters",
             kCard,
             kCustomers,
             {},
             cardRequest(),
             kCaptions},
            {"card: only mark 1 prints, also under categories without caption",
             kCard,
             kCustomers,
             {},
             cardRequest(),
             kMarks},
            {"card: every category shown with sixteen details",
             kCard,
             kCustomers + R"(
UPDATE MITEMDEF SET USE_FLG = 1, DISP_KBN = 1 WHERE ITEM_NO IN (29, 30);
INSERT INTO MITEMDEF (ITEM_NO, ITEM_NM, USE_FLG, DISP_KBN, H_ZOKUSEI) VALUES (31, '補聴器類', 1, 1, 0);
INSERT INTO MITEMDTL (ITEM_NO, DETAIL_NO, DETAIL_NM, DISP_ORDER) VALUES
  (11, 4, 'D4', 4), (11, 5, 'D5', 5), (11, 6, 'D6', 6), (11, 7, 'D7', 7), (11, 8, 'D8', 8),
  (11, 9, 'D9', 9), (11, 10, 'DA', 10), (11, 11, 'DB', 11), (11, 12, 'DC', 12), (11, 13, 'DD', 13),
  (11, 14, 'DE', 14), (11, 15, 'DF', 15), (11, 16, 'DG', 16), (11, 17, 'DH', 17);)",
             {},
             cardRequest(),
             {"Fld_H_ITEM_NO29=付属品", "+Fld_H_ITEM_NO29", "Fld_H_ITEM_NO30=コンタクト",
              "+Fld_H_ITEM_NO30", "Fld_H_ITEM_NO31=補聴器類", "+Fld_H_ITEM_NO31",
              "Fld_H_ITEM_NO11_03=D4", "Fld_H_ITEM_NO11_15=DG", "Fld_H_ITEM_NO11_16=DH",
              "Fld_H_ITEM_NO29_01=ケー", "Fld_H_ITEM_NO29_02=", "Fld_H_ITEM_NO30_01=使い",
              "Fld_H_ITEM_NO31_01=補聴", "Fld_H_ITEM_29_01=1"}},
            {"card: amounts 1234567, 0 and negative",
             kCard,
             kCustomers,
             {},
             cardRequest(),
             amounts},
            {"card: amounts with decimals and beyond the pattern",
             kCard,
             kCustomers,
             {},
             with(cardRequest(), {{"GrasRuikeiKingakuL", 1234.5},
                                  {"ContRuikeiKingakuL", 0.4},
                                  {"OtherRuikeiKingakuL", 12345678901.0}}),
             {"Fld_CUBS_GL_AMT_SUM=\\1,235", "Fld_CUBS_CL_AMT_SUM=\\0",
              "Fld_CUBS_OTH_AMT_SUM=\\12,345,678,901"}},
            {"card: amounts that are not numbers count as 0",
             kCard,
             kCustomers,
             {},
             with(cardRequest(),
                  {{"GrasRuikeiKingakuL", "abc"}, {"ContRuikeiKingakuL", QVariant()}}),
             noAmounts},
            {"card: parameter 5020 is 0",
             kCard,
             kCustomers + parm5020.arg(0),
             {},
             cardRequest(),
             normalEnd + kNoValues + amounts + "Fld_H_ITEM_NO_13=記念日" +
                 "Fld_H_ITEM_NO11_01=フレ" + "Fld_UMEISAI_09=現金"},
            {"card: parameter 5020 is not a number",
             kCard,
             kCustomers + parm5020.arg(QStringLiteral("abc")),
             {},
             cardRequest(),
             kNoValues + amounts},
            {"card: parameter 5020 missing",
             kCard,
             kCustomers + "DELETE FROM GSYSPARM WHERE PARM_NO = 5020;",
             {},
             cardRequest(),
             normalEnd + kNoValues + amounts},
            {"card: parameter 5040 is 1",
             kCard,
             kCustomers,
             {},
             cardRequest(),
             kGlassesLabels + kPaymentLabels},
            {"card: parameter 5040 is 2",
             kCard,
             kCustomers + parm5040.arg(2),
             {},
             cardRequest(),
             kGlassesLabels + kDepositLabels},
            {"card: parameter 5040 missing",
             kCard,
             kCustomers + "DELETE FROM GSYSPARM WHERE PARM_NO = 5040;",
             {},
             cardRequest(),
             normalEnd + kDepositLabels},
            {"card: contact-lens slip",
             kCard,
             kCustomers,
             {},
             with(cardRequest(), {{"DenpKbnL", 2}}),
             {"Fld_UMEISAI_01=レンズ", "Fld_UMEISAI_02=キット", "Fld_UMEISAI_03=その他",
              "Fld_H_ITEM_13=1998年03月15日"}},
            {"card: slip kind 0 leaves the goods captions empty",
             kCard,
             kCustomers,
             {},
             with(cardRequest(), {{"DenpKbnL", 0}}),
             {"Fld_UMEISAI_01=", "Fld_UMEISAI_02=", "Fld_UMEISAI_03=", "Fld_UMEISAI_06=小　計"}},
            {"card: blank form prints captions only",
             kCard,
             kCustomers,
             {},
             with(cardRequest(), {{"KidouKbnL", 2}}),
             normalEnd + kNoValues + noAmounts + kGlassesLabels + kPaymentLabels +
                 "Fld_H_ITEM_NO_13=記念日" + "Fld_H_ITEM_NO11_01=フレ"},
            {"card: blank form reads parameter 5040 too",
             kCard,
             kCustomers + parm5040.arg(0),
             {},
             with(cardRequest(), {{"KidouKbnL", 2}}),
             kDepositLabels},
            {"card: customer without a customer row",
             kCard,
             kCustomers,
             {},
             with(cardRequest(), {{"UserUQKeyL", 9999.0}}),
             normalEnd + kNoValues + amounts + "Fld_H_ITEM_NO_13=記念日"},
            {"card: company 000004 keeps the texts of its white block",
             kCard,
             kCustomers,
             {{"KIGYO", "000004"}},
             cardRequest(),
             normalEnd + amounts},
            {"card: database cannot be opened",
             kCard,
             kCustomers,
             {{"DBPARMS", kBroken}},
             cardRequest(),
             noAmounts + kNoValues +
                 QStringList{"pages=1", "rtng=-1", "flag=-1", "cards=-1",
                             "shown=MSGDSP 30007 TKV418R3_prs_Set_H_ITEM_NM",
                             "boxes=TKV418R3.prf_init_dbopen",
                             "Fld_H_ITEM_NO_13=", "-Fld_H_ITEM_NO11",
                             "Fld_UMEISAI_01=", "Fld_UMEISAI_06=", "Fld_UMEISAI_09=小　計",
                             "font:Fld_UMEISAI_09=bold 9.75", "Fld_UMEISAI_12=内　金",
                             "Fld_UMEISAI_13=未入金"}},
            {"card: database cannot be opened on the blank form",
             kCard,
             kCustomers,
             {{"DBPARMS", kBroken}},
             with(cardRequest(), {{"KidouKbnL", 2}}),
             kGlassesLabels + kDepositLabels +
                 QStringList{"pages=1", "rtng=0", "flag=0", "cards=0",
                             "shown=MSGDSP 30007 TKV418R3_prs_Set_H_ITEM_NM",
                             "boxes=TKV418R3.prf_init_dbopen"}},
            {"card: customer row unreadable from the marks of category 29 on",
             kCard,
             kCustomers + "ALTER TABLE CBASE DROP COLUMN CUBS_FREE_17_1;",
             {},
             cardRequest(),
             kValues + amounts +
                 QStringList{"pages=1", "rtng=0", "flag=0",
                             "shown=DBERRDSP 11001 TKV418R3.prfrecordset", "Fld_H_ITEM_11_01=1",
                             "Fld_H_ITEM_11_16=1", "Fld_H_ITEM_29_01=", "Fld_H_ITEM_30_16=",
                             "Fld_H_ITEM_31_05=", "Fld_UMEISAI_09=現金"}},
            {"card: system parameters unreadable",
             kCard,
             kCustomers + "DROP TABLE GSYSPARM;",
             {},
             cardRequest(),
             kNoValues + amounts + kDepositLabels +
                 QStringList{"pages=1", "rtng=0", "flag=0", "drivererrors",
                             "shown=DBERRDSP 11001 TKV418R3.prfChkSysParm|DBERRDSP 11001 "
                             "TKV418R3.prfChkSysParm2"}},
            {"card: on the page",
             kCard,
             kCustomers,
             {},
             cardRequest(),
             onPage(kCaptions + kValues + kMarks + kPaymentLabels + kGlassesLabels) +
                 QStringList{"card:Fld_CUBS_GL_AMT_SUM=" + amountInPdf("1,234,567"),
                             "card:Fld_CUBS_CL_AMT_SUM=", "card:Field2=累計金額",
                             "card:Field3=メガネ累計金額", "card:Fld_SYOKAN="}},
            {"slip: customer",
             kSlip,
             kSlipRows,
             {},
             customerSlip(),
             onPage(kCaptions + kValues + kMarks + kGlassesLabels + kPaymentLabels) +
                 QStringList{"pages=1", "flag=0", "rtng=0", "cards=0",
                             "messages=", "boxes=", "Fld_CUSTOM_MEI=田中 花子",
                             "card:Fld_CUBS_GL_AMT_SUM=" + amountInPdf("123,456"),
                             "card:Fld_CUBS_CL_AMT_SUM=", "card:Fld_CUBS_OTH_AMT_SUM="}},
            {"slip: reception of two rows runs the card on each page",
             kSlip,
             kSlipRows,
             {},
             receptionSlip(),
             onPage(kCaptions + kNoValues + kGlassesLabels + kPaymentLabels) +
                 QStringList{"pages=2", "flag=0", "cards=0,0", "card:Fld_CUBS_GL_AMT_SUM="}},
            {"slip: blank form",
             kSlip,
             kSlipRows,
             {},
             blankSlip(),
             onPage(kCaptions + kNoValues + kGlassesLabels + kPaymentLabels) +
                 QStringList{"pages=1", "flag=0", "cards=0", "card:Fld_CUBS_GL_AMT_SUM="}},
            {"slip: customer not found prints the card with captions only",
             kSlip,
             kSlipRows,
             {},
             with(customerSlip(), {{"UserUQKeyL", 9999.0}}),
             onPage(kCaptions + kNoValues + kPaymentLabels) +
                 QStringList{"pages=1", "flag=0", "cards=0",
                             "card:Fld_CUBS_GL_AMT_SUM=", "card:Fld_UMEISAI_01="}},
            {"slip: parameter 5020 is 0",
             kSlip,
             kSlipRows + parm5020.arg(0),
             {},
             customerSlip(),
             onPage(kCaptions + kNoValues) +
                 QStringList{"card:Fld_CUBS_GL_AMT_SUM=" + amountInPdf("123,456")}},
        };
        for (const QString& backend : backends())
            for (const Row& row : rows)
                QTest::addRow("%s: %s", qPrintable(backend), row.name)
                    << backend << row.className << row.rows << row.settings << row.request
                    << row.expected;
    }

    void scenario() {
        QFETCH(QString, backend);
        QFETCH(QString, className);
        QFETCH(QString, rows);
        QFETCH(QVariantMap, settings);
        QFETCH(QVariantMap, request);
        QFETCH(QStringList, expected);
        if (!prepare(backend, rows, settings))
            return;
        verify(className, run(className, request, expected), expected);
    }

    // Company "000004" prints the amount block in white, keeping its place; any other company,
    // an empty one included, prints it in black. Read from the rendered page's pixels.
    void amountBlockColour_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("company");
        QTest::addColumn<bool>("white");
        for (const QString& backend : backends()) {
            for (const QString& className : {kCard, kSlip}) {
                for (const auto& [company, white] :
                     {std::pair{"000004", true}, std::pair{"000001", false}, std::pair{"", false}})
                    QTest::addRow("%s: %s: company \"%s\"", qPrintable(backend),
                                  qPrintable(className), company)
                        << backend << className << QString::fromLatin1(company) << white;
            }
        }
    }
    void amountBlockColour() {
        QFETCH(QString, backend);
        QFETCH(QString, className);
        QFETCH(QString, company);
        QFETCH(bool, white);
        if (!prepare(backend, kSlipRows + customer(7001), {{"KIGYO", company}}))
            return;
        const QVariantMap request = className == kCard ? cardRequest() : customerSlip();
        const SlipRun png = m_fixture.run(className, request, Output::Png);
        QVERIFY2(png.status.ok(), qPrintable(failureText(png.status)));
        QVERIFY(!png.texts
                     .value(className == kCard ? QStringLiteral("Field2")
                                               : QStringLiteral("Fld_CUSTOM_MEI"))
                     .isEmpty());
        const QImage image(png.file);
        QVERIFY(!image.isNull());
        constexpr int dpi = 300;
        // The frame Shape4 with its border holds the captions, the amounts and the rules.
        const QRectF block =
            cardBox(png, className, QStringLiteral("Shape4")).adjusted(-2, -2, 2, 2);
        const QRectF amount = cardBox(png, className, QStringLiteral("Fld_CUBS_GL_AMT_SUM"));
        const QRectF grid =
            cardBox(png, className, QStringLiteral("Fld_H_ITEM_NO11_01")).adjusted(-2, -2, 2, 30);
        if (white) {
            QCOMPARE(darkPixels(image, block, dpi), 0);
        } else {
            QVERIFY(darkPixels(image, block, dpi) > 1000);
            QVERIFY(darkPixels(image, amount, dpi) > 50);
        }
        QVERIFY(darkPixels(image, grid, dpi) > 50);
    }

    // A detail list that fails to load shows its routine's message; the card still prints,
    // the other categories keep their details and the card's result stays 0.
    void headerRoutineFails_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("code");
        for (const QString& backend : backends())
            for (const auto& [category, code] : {std::pair{11, "30003"}, std::pair{29, "30004"},
                                                 std::pair{30, "30005"}, std::pair{31, "30006"}})
                QTest::addRow("%s: category %d", qPrintable(backend), category)
                    << backend << category << QString::fromLatin1(code);
    }
    void headerRoutineFails() {
        QFETCH(QString, backend);
        QFETCH(int, category);
        QFETCH(QString, code);
        if (!prepare(backend, kCustomers, {}))
            return;
        ItemDefinitionDouble items;
        items.failingCategory = category;
        items.install();
        m_doubles = true;
        const SlipRun card = run(kCard, cardRequest(), {});
        QStringList expected{"pages=1",
                             "rtng=0",
                             "flag=0",
                             "shown=MSGDSP " + code + " TKV418R3_prf_Set_H_ITEM_NO" +
                                 QString::number(category) + "_01_16",
                             "Fld_H_ITEM_NO_13=項目13",
                             "Fld_H_ITEM_13=19,980,315",
                             "Fld_H_ITEM_11_01=1",
                             "Fld_UMEISAI_09=現金"};
        for (int c : {11, 29, 30, 31}) {
            expected << QStringLiteral("Fld_H_ITEM_NO%1=項目%1").arg(c);
            const QString cell = QStringLiteral("Fld_H_ITEM_NO%1_").arg(c);
            // Detail names are cut to two characters: "明16" prints as "明1".
            expected << cell + (c == category ? QStringLiteral("01=") : QStringLiteral("01=明1"))
                     << cell + (c == category ? QStringLiteral("16=") : QStringLiteral("16=明1"));
        }
        verify(kCard, card, expected);
    }

    // A definition that fails to load shows "30007" and leaves the captions from there on
    // empty; the values of the other items still print.
    void captionRoutineFails_data() { addBackendRows(); }
    void captionRoutineFails() {
        QFETCH(QString, backend);
        if (!prepare(backend, kCustomers, {}))
            return;
        ItemDefinitionDouble items;
        items.failingItem = 23;
        items.install();
        m_doubles = true;
        const SlipRun card = run(kCard, cardRequest(), {});
        verify(kCard, card,
               {"pages=1", "rtng=0", "flag=0", "shown=MSGDSP 30007 TKV418R3_prs_Set_H_ITEM_NM",
                "Fld_H_ITEM_NO_13=項目13", "Fld_H_ITEM_NO_22=項目22",
                "Fld_H_ITEM_NO_23=", "Fld_H_ITEM_NO_28=", "Fld_H_ITEM_NO11=", "-Fld_H_ITEM_NO11",
                "-Fld_H_ITEM_NO31", "Fld_H_ITEM_NO11_01=", "Fld_H_ITEM_13=19,980,315",
                "Fld_H_ITEM_23=", "Fld_H_ITEM_24=43", "Fld_H_ITEM_11_01=1"});
    }

    // The card's connection fails after the slip opened its own: the card shows the message
    // box and ends in error, the slip prints and its own end decides the result.
    void cardDatabaseFailsInSlip_data() { addBackendRows(); }
    void cardDatabaseFailsInSlip() {
        QFETCH(QString, backend);
        if (!prepare(backend, kSlipRows, {}))
            return;
        // The store is looked up while the slip's page is filled, before the card runs.
        installStoreMaster([] { setSetting(QStringLiteral("DBPARMS"), kBroken); });
        m_doubles = true;
        const QStringList expected{"pages=2",
                                   "flag=0",
                                   "rtng=0",
                                   "cards=-1,-1",
                                   "cardflags=-1,-1",
                                   "messages=30007,30007",
                                   "Fld_STORE_NM_CD=テスト店  (001)",
                                   "Fld_CUSTOM_MEI=上田 一郎",
                                   "card:Fld_H_ITEM_NO_13=",
                                   "card:Fld_UMEISAI_01=",
                                   "card:Fld_UMEISAI_09=小　計",
                                   "card:Fld_UMEISAI_12=内　金"};
        const SlipRun slip = run(kSlip, receptionSlip(), expected);
        verify(kSlip, slip, expected);
        QCOMPARE(slip.messageBoxes, QStringList(2, QStringLiteral("TKV418R3.prf_init_dbopen")));
    }

    // No connection to the server stays open after the runs of one host process.
    void serverConnections() {
        if (!prepare(kPostgres, kSlipRows + customer(7001), {}))
            return;
        ServerConnections connections;
        QVERIFY(connections.tag());
        QCOMPARE(connections.count(), 0);
        QVERIFY(connections.countsOwnConnection());
        QCOMPARE(connections.count(), 0);
        const QList<std::pair<QString, QVariantMap>> runs{
            {kSlip, receptionSlip()}, {kSlip, customerSlip()},
            {kSlip, blankSlip()},     {kSlip, with(customerSlip(), {{"UserUQKeyL", 9999.0}})},
            {kCard, cardRequest()},   {kCard, with(cardRequest(), {{"KidouKbnL", 2}})}};
        for (const auto& [className, request] : runs) {
            const SlipRun done = run(className, request, {});
            QVERIFY2(done.status.ok(), qPrintable(failureText(done.status)));
            QVERIFY(done.pages > 0);
            QCOMPARE(connections.count(), 0);
        }
    }

    // The connection that parameter 5040's look-up replaces is closed at once: as its end
    // begins, the card holds its own connection and, when it read item values, the one of its
    // item-definition object.
    void replacedConnectionIsClosed_data() {
        QTest::addColumn<int>("kidou");
        QTest::addColumn<QString>("held");
        QTest::newRow("customer") << 1 << QStringLiteral("2");
        QTest::newRow("blank form") << 2 << QStringLiteral("1");
    }
    void replacedConnectionIsClosed() {
        QFETCH(int, kidou);
        QFETCH(QString, held);
        if (!prepare(kPostgres, kCustomers, {}))
            return;
        ServerConnections connections;
        QVERIFY(connections.tag());
        QStringList counts;
        beforeCardEnd() = [&] { counts << QString::number(connections.count()); };
        const SlipRun card = run(kCard, with(cardRequest(), {{"KidouKbnL", kidou}}), {});
        verify(kCard, card, {"rtng=0", "messages="});
        QCOMPARE(counts.join(u','), held);
        QCOMPARE(connections.count(), 0);
    }
};

QTEST_MAIN(TestCard)
#include "tst_card.moc"
