// The contact-lens visit slip on a store database built from db/schema.sql and the rows each
// scenario inserts, on SQLite and on PostgreSQL: the fields after the run, the rendered text
// layer and the hosted card.
#include "SlipFixture.h"
#include "TestDatabase.h"

#include "services/host/SharedRequestState.h"

#include <QTest>

using namespace kema;
using namespace kema::test;
using namespace Qt::StringLiterals;

namespace {

// A contact-lens customer: history 2 of 2025-02-10 is the latest, with rows of the four kinds
// 40, 10, 20, 30 and one of kind 50 that labels no row.
const QString kCustomer = uR"(
INSERT INTO CBASE (CUBS_UNIQUE_KEY, CUBS_CUSTOMER_NO, CUBS_STORE_CD, CUBS_KANA_MEI,
  CUBS_CUSTOM_MEI, CUBS_SEX, CUBS_BIRTH_DT, CUBS_MAILNO, CUBS_ADDRESS1, CUBS_ADDRESS2,
  CUBS_HOME_TEL, CUBS_CONNECT_TEL, CUBS_E_MAIL, CUBS_GL_AMT_SUM, CUBS_CL_AMT_SUM,
  CUBS_OTH_AMT_SUM)
VALUES (6001, '0016001', '001', 'ﾀﾅｶ ﾐﾕｷ', '田中 美幸', 2, '1975-11-03', '0600001', '札幌市中央区',
  '北1条西2丁目', '011-111-2222', '080-1111-2222', 'miyuki@example.jp', 0, 45000, 1200);
INSERT INTO CCNTBS (CNT_STORE_NO, CNT_UNIQUE_KEY, CNT_HISTORY_NO, CNT_EXAM_DT, CNT_INT_CD,
  CNT_DOCTOR_CD, CNT_NAKED_SIGHT_1, CNT_NAKED_SIGHT_2, CNT_NAKED_SIGHT_3, CNT_VK_1, CNT_HK_1,
  CNT_VK_2, CNT_HK_2, CNT_REMARKS)
VALUES ('001', 6001, 1, '2023-08-01', 3, 1, 0.06, 0.08, 0.1, 7.8, 7.9, 7.5, 7.65, '前回'),
       ('001', 6001, 2, '2025-02-10', 3, 1, 0.05, 0, 0.1, 7.8, 7.9, 7.5, 7.65, '乱視用に変更');
INSERT INTO CCNTDTL (CNT_STORE_NO, CNT_UNIQUE_KEY, CNT_HISTORY_NO, CNT_KIND1, CNT_SIGHT_1,
  CNT_SIGHT_2, CNT_SIGHT_3, CNT_BC_1, CNT_BC_2, CNT_P_1, CNT_P_2, CNT_SIZ_1, CNT_SIZ_2, CNT_C_1,
  CNT_C_2, CNT_AX_1, CNT_AX_2, CNT_ADD_1, CNT_ADD_2)
VALUES ('001', 6001, 2, 10, 1.2, 1, 1.2, 8.6, 8.6, '-3.5', '2', 14.5, 14, -0.75, 0.75, 180, 5, NULL,
        NULL),
       ('001', 6001, 2, 40, 0.9, 1, 1, 8.6, 8.6, '0.00', ' -3.50', 14, 14, NULL, NULL, NULL, NULL,
        1.5, 0),
       ('001', 6001, 2, 20, 1.2, 1.2, 1.5, 8.6, 8.6, '+1.25', '0.5', 14.5, 14, 0, 0, 0, 0, NULL,
        NULL),
       ('001', 6001, 2, 50, 1, 1, 1, 8.7, 8.7, '-9.75', '-9.75', 14, 14, NULL, NULL, NULL, NULL,
        NULL, NULL),
       ('001', 6001, 1, 30, 1, 1, 1, 8.8, 8.8, '-1.00', '-1.00', 14, 14, NULL, NULL, NULL, NULL,
        NULL, NULL);
INSERT INTO CSALE (CSALE_STORE_NO, CSALE_KIND, CSALE_UNIQUE_KEY, CSALE_HISTORY_NO, CSALE_LINE_NO,
  CSALE_GOODS_KBN, CSALE_GOODS_NM, CSALE_RL_KBN)
VALUES ('001', 2, 6001, 2, 1, 60, '両眼用レンズ', NULL),
       ('001', 2, 6001, 2, 2, 60, '右眼用トーリック', 1),
       ('001', 2, 6001, 2, 3, 50, '小物の行', 2),
       ('001', 1, 6001, 2, 4, 60, 'メガネの行', 2),
       ('001', 2, 6001, 1, 1, 60, '前回のレンズ', NULL);
INSERT INTO URECEPT (RC_INQ_NO, RC_CM_NO, RC_KNAME, RC_NAME, RC_SEX, RC_BIRTHDAY, RC_TEL)
VALUES ('R0002', ' 0016001 ', ' ﾀﾅｶ ﾐﾕｷ ', ' 田中 美幸 ', 2, '1975-11-03', ' 011-111-2222 ');
)"_s;

QVariantMap customerRequest() {
    return {{"KidouKbnL", 1}, {"SyoriKbnL", 2},    {"BarcodeKbnL", 1},       {"QNumberL", "R0002"},
            {"DenpKbnL", 2},  {"StoreCodeL", "1"}, {"UserUQKeyL", 6001.0},   {"OutNumberL", 1},
            {"OutKbnL", 1},   {"PrintKbnL", 0},    {"OutDate", "2025/03/04"}};
}

} // namespace

class TestContactSlip : public QObject {
    Q_OBJECT

    SlipFixture m_fixture;

private slots:
    void initTestCase() { m_fixture.initTestCase(); }
    void init() { SharedRequestState::instance() = SharedRequestState(); }

    // The scenario's own rows after the customer, the request, the host's values, and what the
    // slip shows.
    void scenario_data() {
        SlipFixture::addScenarioColumns();
        const auto row = [](const char* name, const QString& rows, const QVariantMap& request,
                            const QVariantMap& host, const QStringList& expected) {
            SlipFixture::addScenario(name, u"TKV418R2"_s, kCustomer + rows, request, host,
                                     expected);
        };
        row("customer: header, examination and notation", {}, customerRequest(), {},
            items(u"pages=1|flag=0|Fld_STORE_NM_CD=みどり眼鏡 本店  (001)|"
                  "Fld_CUSTOM_MEI=田中 美幸|Fld_MAILNO=060-0001|+Fld_ASTA_M|-Fld_ASTA_W|-GENGO1|"
                  "-GENGO2|Fld_VISIT_YY=2025|Fld_EXAM_DT=2025年02月10日|Fld_INT_CD_NM=友人の紹介|"
                  "Fld_CLERK_CD_NM=高橋 医師|Fld_CNT_REMARKS=乱視用に変更|Fld_NAKED_SIGHT1=0.05|"
                  "Fld_NAKED_SIGHT2=|Fld_HK_1=7.90|Fld_VK_1=7.80|Fld_AVG_1=7.85|Fld_AVG_2=7.58|"
                  "Fld_ZKIND1=装用中|Fld_NKIND4=処方|Fld_LENS1_NM=右眼用トーリック|"
                  "Fld_LENS2_NM=両眼用レンズ|Fld_P_11=+ 0.00|Fld_P_12=-3.50|Fld_ADD_11=1.50|"
                  "Fld_ADD_12=|Fld_P_21=-3.50|Fld_P_22=+2.00|Fld_AX_21=180|Fld_AX_22=5|"
                  "Fld_C_21=-0.75|Fld_C_22=0.75|Fld_BC_21=8.60|Fld_SIZ_21=14.50|Fld_P_31=+1.25|"
                  "Fld_P_32=+0.50|Fld_AX_31=|Fld_P_41=|Fld_SIGHT_41=|barcode=R0002|"
                  // On paper, and the card's contact-lens caption and cumulative amount.
                  "page:Fld_CUSTOM_MEI|page:Fld_P_21|page:Fld_AVG_1|page:Fld_CLERK_CD_NM|"
                  "card:Fld_UMEISAI_02=キット|card:Fld_CUBS_CL_AMT_SUM=\\45,000"_s));
        row("customer: on one date the highest history number, an undated one is not the latest",
            "INSERT INTO CCNTBS (CNT_STORE_NO, CNT_UNIQUE_KEY, CNT_HISTORY_NO, CNT_EXAM_DT, "
            "CNT_REMARKS) VALUES ('001', 6001, 3, '2025-02-10', '同日の再検査'), "
            "('001', 6001, 9, NULL, '日付なし');",
            customerRequest(), {},
            items(u"Fld_CNT_REMARKS=同日の再検査|Fld_P_21=|Fld_LENS1_NM="_s));
        row("customer: keratometry missing",
            "UPDATE CCNTBS SET CNT_VK_1 = NULL, CNT_HK_1 = NULL, CNT_HK_2 = 0;", customerRequest(),
            {}, items(u"Fld_VK_1=|Fld_HK_1=|Fld_AVG_1=|Fld_VK_2=7.50|Fld_AVG_2="_s));
        row("customer: introducer and doctor unknown or empty",
            "UPDATE CCNTBS SET CNT_INT_CD = NULL, CNT_DOCTOR_CD = 9;", customerRequest(), {},
            items(u"Fld_INT_CD_NM=|Fld_CLERK_CD_NM="_s));
        row("customer: a line for both eyes names both",
            "DELETE FROM CSALE WHERE CSALE_RL_KBN = 1; UPDATE CSALE SET CSALE_RL_KBN = 3 WHERE "
            "CSALE_GOODS_NM = '両眼用レンズ';",
            customerRequest(), {}, items(u"Fld_LENS1_NM=両眼用レンズ|Fld_LENS2_NM=両眼用レンズ"_s));
        row("customer: without examination", "DELETE FROM CCNTBS; DELETE FROM CCNTDTL;",
            customerRequest(), {},
            items(u"pages=1|flag=0|Fld_EXAM_DT="_s + kBlankDate + u"|Fld_P_21=|Fld_AVG_1="_s));
        row("reception: header from the row", {}, byReception(customerRequest()), {},
            items(u"Fld_CUSTOM_MEI=田中 美幸|Fld_CUSTOM_NO=0016001|Fld_HOME_TEL=011-111-2222|"
                  "+Fld_ASTA_M|-Fld_ASTA_W|Fld_ZKIND2=トライアル|Fld_P_21="_s));
        row("reception: two rows, the second anonymous",
            "INSERT INTO URECEPT (RC_INQ_NO, RC_KNAME, RC_NAME, RC_SEX) VALUES ('R0002', 'ｳｴ', "
            "'上', 1);",
            byReception(customerRequest()), {{"DenpyoNo", "D0042"}},
            items(u"pages=2|Fld_KANA_MEI=|Fld_CUSTOM_MEI=|barcode=R0002"_s));
        row("reception: not found prints one page without barcode", {},
            with(byReception(customerRequest()), {{"QNumberL", "R9999"}}), {},
            items(u"pages=1|flag=-1|rtng=-1|message=11003|-Fld_ASTA_M|-Fld_ASTA_W|-Fld_INQ_NO"_s));
        row("blank form", {}, blankForm(customerRequest()), {},
            items(u"pages=1|flag=0|Fld_STORE_NM_CD=みどり眼鏡 本店  (001)|Fld_ZKIND1=装用中"_s));
        row("group 45 with three details",
            "DELETE FROM MITEMDTL WHERE ITEM_NO = 45 AND DETAIL_NO = 30;", customerRequest(), {},
            items(u"pages=1|message=30002|Fld_ZKIND1=|Fld_P_21=-3.50"_s));
    }
    void scenario() { m_fixture.runScenario(); }
};

QTEST_MAIN(TestContactSlip)
#include "tst_slips_contact.moc"
