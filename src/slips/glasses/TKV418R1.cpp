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
    fields << gridFamily("Fld_SIGHT_", sightSlots());
    for (const char* family : {"Fld_SPH_", "Fld_CYL_", "Fld_AX_", "Fld_ADD_", "Fld_P_", "Fld_B_",
                               "Fld_HEN_", "Fld_P_WAY_", "Fld_PD_", "Fld_NPD_", "Fld_EYE_POINT_"})
        fields << gridFamily(family, eyeSlots());
    return fields;
}

void TKV418R1::prs_ClearFields() {
    clearFields(dataFields());
}

qint32 TKV418R1::prf_init_SET() {
    return loadKindLabels(43);
}

void TKV418R1::examinationStep(const QString& store, double key) {
    prf_SetGlassesExam(store, key);
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
