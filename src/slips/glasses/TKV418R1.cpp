#include "TKV418R1.h"
#include "services/ErrorNumbers.h"

#include "services/host/SharedRequestState.h"
#include "services/text/Conversions.h"
#include "services/text/Format.h"
#include "slips/common/Fields.h"

namespace kema::slips {

TKV418R1::TKV418R1() : TKV418R1(QStringLiteral("TKV418R1"), QStringLiteral("TKV418R1")) {}

TKV418R1::TKV418R1(const QString& layoutName, const QString& reportName)
    : VisitSlip(layoutName, reportName) {}

QStringList TKV418R1::dataFields() const {
    QStringList fields{
        "Fld_STORE_NM_CD", "Fld_MAILNO",       "Fld_KANA_MEI",     "Fld_CUSTOM_MEI",
        "Fld_BIRTH_MD",    "Fld_HOME_TEL",     "Fld_CONNECT_TEL",  "Fld_ADDRESS1",
        "Fld_ADDRESS2",    "Fld_CONNECT_CMT",  "Fld_KATAGAKI",     "Fld_VISIT_DT",
        "Fld_VISIT_YY",    "Fld_VISIT_MM",     "Fld_VISIT_DD",     "Fld_EMAIL",
        "Fld_CUSTOM_NO",   "Fld_ZKIND1",       "Fld_ZKIND2",       "Fld_ZKIND3",
        "Fld_ZKIND4",      "Fld_NKIND1",       "Fld_NKIND2",       "Fld_NKIND3",
        "Fld_NKIND4",      "Fld_CNT_REMARKS",  "Fld_EXAM_DT",      "Fld_INT_CD_NM",
        "Fld_USE_PUR_NM",  "Fld_NAKED_SIGHT1", "Fld_NAKED_SIGHT2", "Fld_NAKED_SIGHT3",
        "Fld_LENS_COLR",   "Fld_NODO",         "Fld_NODO_UD",      "Fld_SPEC_1",
        "Fld_SPEC_2",      "fld_FRAME_NM",     "Fld_LENS1_NM",     "Fld_LENS2_NM"};
    for (const QString& s : sightSlots())
        fields << QStringLiteral("Fld_SIGHT_") + s;
    for (const char* family : {"Fld_SPH_", "Fld_CYL_", "Fld_AX_", "Fld_ADD_", "Fld_P_", "Fld_B_",
                               "Fld_HEN_", "Fld_P_WAY_", "Fld_PD_", "Fld_NPD_", "Fld_EYE_POINT_"})
        for (const QString& s : eyeSlots())
            fields << QLatin1String(family) + s;
    return fields;
}

void TKV418R1::prs_ClearFields() {
    clearFields(dataFields());
}

qint32 TKV418R1::prf_init_SET() {
    const QString title = reportName() + u'.' + reportName() + QStringLiteral("_prf_init_SET");
    auto items = ComponentRegistry::instance().createItemDefinition();
    if (!items.ok()) {
        showMessage(QStringLiteral("30002"), title);
        return -1;
    }
    m_itemDefinition = std::move(items).value();
    auto loaded = m_itemDefinition->GetDETAIL_All(43);
    if (!loaded.ok()) {
        showMessage(QStringLiteral("30002"), title);
        return -1;
    }
    if (loaded.value() == 0) {
        for (int i = 0; i < 4; ++i) {
            const QVariant number = m_itemDefinition->DetailNumber(i + 1);
            auto kind = isNull(number) ? Result<qint16>(Error{errors::TypeMismatch, reportName(),
                                                              QStringLiteral("Null detail number")})
                                       : ToInteger16Strict(NullToEmpty(number).trimmed());
            if (!kind.ok()) {
                showMessage(QStringLiteral("30002"), title);
                return -1;
            }
            m_kindNumber[size_t(i)] = kind.value();
        }
        for (int i = 1; i <= 4; ++i) {
            const QString name = NullToEmpty(m_itemDefinition->DetailName(i)).trimmed();
            setText(QStringLiteral("Fld_ZKIND%1").arg(i), name);
            setText(QStringLiteral("Fld_NKIND%1").arg(i), name);
        }
    }
    m_recordDelivered = 0;
    return 0;
}

void TKV418R1::setReceptionNames() {
    const db::Recordset& rs = database().reception();
    const QString kana = trimmedColumn(rs, "RC_KNAME");
    if (kana != QStringLiteral("ｳｴ"))
        setText(QStringLiteral("Fld_KANA_MEI"), kana);
    const QString name = trimmedColumn(rs, "RC_NAME");
    if (name != QStringLiteral("上"))
        setText(QStringLiteral("Fld_CUSTOM_MEI"), name);
    setText(QStringLiteral("Fld_CUSTOM_NO"), trimmedColumn(rs, "RC_CM_NO"));
}

void TKV418R1::prs_SetReception() {
    const db::Recordset& rs = database().reception();
    setReceptionNames();
    setText(QStringLiteral("Fld_STORE_NM_CD"), prf_StoreName(storeCode()));
    setText(QStringLiteral("Fld_BIRTH_MD"), trimmedColumn(rs, "RC_BIRTHDAY"));
    setText(QStringLiteral("Fld_HOME_TEL"), trimmedColumn(rs, "RC_TEL"));
    setText(QStringLiteral("Fld_CONNECT_TEL"), trimmedColumn(rs, "RC_CONNECT_TEL"));
    setText(QStringLiteral("Fld_CONNECT_CMT"), trimmedColumn(rs, "RC_CONNECT_RMKS"));
    setVisitDate(QString());
    prs_SetSexMark(ToInteger16(trimmedColumn(rs, "RC_SEX")));
    prs_SetVisitMark(SyoriKbnL());
    prs_ShowDateLabels();
    setText(QStringLiteral("Fld_MAILNO"), blankMailNo());
    setText(QStringLiteral("Fld_EXAM_DT"), blankDate());
    prs_SetCardKinds();
}

void TKV418R1::fetchCustomerRecord() {
    setVisible(QStringLiteral("GENGO1"), false);
    setVisible(QStringLiteral("GENGO2"), false);
    if (prf_GetBaseData() != 1) {
        prs_SetSexMark(3);
        prs_SetVisitMark(SyoriKbnL());
    }
    const SharedRequestState& host = SharedRequestState::instance();
    applyOverride(QStringLiteral("Fld_HOME_TEL"), host.HOME_TEL);
    applyOverride(QStringLiteral("Fld_CONNECT_TEL"), host.RENRAKUSAKI);
    applyOverride(QStringLiteral("Fld_CONNECT_CMT"), host.RENRAKUBIKOU);
    applyOverride(QStringLiteral("Fld_KANA_MEI"), host.KANA);
    applyOverride(QStringLiteral("Fld_CUSTOM_MEI"), host.KANJI);
    applyOverride(QStringLiteral("Fld_BIRTH_MD"), host.BIRTH);
    applySexOverride(host.SEX);
}

qint16 TKV418R1::prf_GetBaseData() {
    ICustomerBase* customers = customerBase();
    if (!customers)
        throw Failure(Error{errors::ObjectNotSet, reportName(),
                            QStringLiteral("the customer base is not available")});
    double key = UserUQKeyL();
    auto r = customers->GetBaseData(key);
    if (!r.ok())
        throw Failure(r.error());
    if (r.value() == 1)
        return 0;
    if (r.value() != 0)
        return -1;
    prs_SetCustomer(customers->CustomerBase());
    prf_SetGlassesExam(StoreCodeL(), UserUQKeyL());
    return 1;
}

void TKV418R1::prs_SetCustomer(const FieldCollection& c) {
    const auto col = [&](const char* name) { return NullToEmpty(c.value(QLatin1String(name))); };
    try {
        setText(QStringLiteral("Fld_STORE_NM_CD"), prf_StoreName(storeCode()));
        setText(QStringLiteral("Fld_MAILNO"), prf_MailNo(col("CUBS_MAILNO")));
        setText(QStringLiteral("Fld_KANA_MEI"), col("CUBS_KANA_MEI"));
        setText(QStringLiteral("Fld_CUSTOM_MEI"), col("CUBS_CUSTOM_MEI"));
        prs_SetSexMark(ToInteger16(c.value(QStringLiteral("CUBS_SEX"))));
        prs_SetVisitMark(SyoriKbnL());
        setText(QStringLiteral("Fld_BIRTH_MD"), col("CUBS_BIRTH_DT"));
        setText(QStringLiteral("Fld_HOME_TEL"), col("CUBS_HOME_TEL"));
        setText(QStringLiteral("Fld_CONNECT_TEL"), col("CUBS_CONNECT_TEL"));
        setText(QStringLiteral("Fld_ADDRESS1"), col("CUBS_ADDRESS1"));
        setText(QStringLiteral("Fld_ADDRESS2"), col("CUBS_ADDRESS2"));
        setText(QStringLiteral("Fld_CONNECT_CMT"), col("CUBS_CONNECT_CMT"));
        setText(QStringLiteral("Fld_KATAGAKI"), col("CUBS_KATAGAKI"));
        setText(QStringLiteral("Fld_EMAIL"), col("CUBS_E_MAIL"));
        setVisitDate(OutDate());
        setText(QStringLiteral("Fld_CUSTOM_NO"), col("CUBS_CUSTOMER_NO"));
        prs_SetCardAmounts(c);
    } catch (const Failure& failure) {
        // What was filled stays; the examination still follows.
        reportHandledFailure("prs_SetCustomer", failure);
    }
}

void TKV418R1::formatRecord() {
    const QString exam = text(QStringLiteral("Fld_EXAM_DT"));
    setText(QStringLiteral("Fld_EXAM_DT"),
            exam.isEmpty() ? blankDate() : Format(exam, QStringLiteral("yyyy年mm月dd日")));
    for (int i = 1; i <= 3; ++i) {
        const QString f = QStringLiteral("Fld_NAKED_SIGHT%1").arg(i);
        const QString t = text(f);
        setText(f, Format(t, t == u"0" ? QStringLiteral("#") : QStringLiteral("0.00")));
    }
    for (const char* name : {"Fld_NODO", "Fld_NODO_UD"}) {
        const QString f = QLatin1String(name);
        const QString t = text(f);
        setText(f, Format(t, t == u"0" ? QStringLiteral("#") : QStringLiteral("0")));
    }
    prs_FmtSight();
    prs_FmtSPH();
    prs_FmtCYL();
    prsAXhen();
    prsADDhen();
    prsPhen();
    prsBhen();
    prsHENhen();
    prsPDhen();
    prsNPDhen();
    prsPOINThen();
}

} // namespace kema::slips
