#include "TKV418R2.h"

#include "report/Controls.h"
#include "services/text/Format.h"

namespace kema::slips {

namespace {

enum class Rule {
    ZeroText,  // exactly "0" prints empty, anything else with the pattern
    BlankZero, // prf_FmtBlankZero
    Signed,    // prf_FmtSigned
};

struct Notation {
    const char* procedure;
    QStringList controls;
    Rule rule;
    const char* pattern;
};

// The examination block's notation, procedure by procedure in the order Detail_Format runs them.
const Notation kNotation[] = {
    {"prs_FmtNaked",
     {"Fld_NAKED_SIGHT1", "Fld_NAKED_SIGHT2", "Fld_NAKED_SIGHT3"},
     Rule::ZeroText,
     "0.00"},
    {"prs_FmtKerato",
     {"Fld_HK_1", "Fld_VK_1", "Fld_AVG_1", "Fld_HK_2", "Fld_VK_2", "Fld_AVG_2"},
     Rule::ZeroText,
     "0.00"},
    {"prs_FmtBC", VisitSlip::gridFamily("Fld_BC_", VisitSlip::eyeSlots()), Rule::BlankZero, "0.00"},
    {"prs_FmtSight", VisitSlip::gridFamily("Fld_SIGHT_", VisitSlip::sightSlots()), Rule::BlankZero,
     "0.00"},
    {"prsPhen", VisitSlip::gridFamily("Fld_P_", VisitSlip::eyeSlots()), Rule::Signed, "#0.00"},
    {"prs_FmtSIZ", VisitSlip::gridFamily("Fld_SIZ_", VisitSlip::eyeSlots()), Rule::BlankZero,
     "0.00"},
    {"prsChen", VisitSlip::gridFamily("Fld_C_", VisitSlip::eyeSlots()), Rule::BlankZero, "0.00"},
    {"prsAXhen", VisitSlip::gridFamily("Fld_AX_", VisitSlip::eyeSlots()), Rule::BlankZero, "###"},
    {"prsADDhen", VisitSlip::gridFamily("Fld_ADD_", VisitSlip::eyeSlots()), Rule::BlankZero,
     "0.00"},
};

} // namespace

TKV418R2::TKV418R2() : TKV418R2(QStringLiteral("TKV418R2"), QStringLiteral("TKV418R2")) {}

TKV418R2::TKV418R2(const QString& layoutName, const QString& reportName)
    : VisitSlip(layoutName, reportName) {}

QStringList TKV418R2::dataFields() const {
    QStringList fields{
        "Fld_INT_CD_NM",    "Fld_STORE_NM_CD", "Fld_MAILNO",       "Fld_KANA_MEI",
        "Fld_CUSTOM_MEI",   "Fld_BIRTH_MD",    "Fld_HOME_TEL",     "Fld_CONNECT_TEL",
        "Fld_ADDRESS1",     "Fld_ADDRESS2",    "Fld_CONNECT_CMT",  "Fld_KATAGAKI",
        "Fld_VISIT_DT",     "Fld_VISIT_YY",    "Fld_VISIT_MM",     "Fld_VISIT_DD",
        "Fld_EMAIL",        "Fld_CUSTOM_NO",   "Fld_ZKIND1",       "Fld_ZKIND2",
        "Fld_ZKIND3",       "Fld_ZKIND4",      "Fld_NKIND1",       "Fld_NKIND2",
        "Fld_NKIND3",       "Fld_NKIND4",      "Fld_CNT_REMARKS",  "Fld_EXAM_DT",
        "Fld_INT_CD_NM",    "Fld_CLERK_CD_NM", "Fld_NAKED_SIGHT1", "Fld_NAKED_SIGHT2",
        "Fld_NAKED_SIGHT3", "Fld_VK_1",        "Fld_HK_1",         "Fld_AVG_1",
        "Fld_VK_2",         "Fld_HK_2",        "Fld_AVG_2",        "Fld_LENS1_NM",
        "Fld_LENS2_NM"};
    fields << VisitSlip::gridFamily("Fld_SIGHT_", VisitSlip::sightSlots())
           << VisitSlip::gridFamily("Fld_BC_", VisitSlip::eyeSlots())
           << VisitSlip::gridFamily("Fld_P_", VisitSlip::eyeSlots())
           << VisitSlip::gridFamily("Fld_SIZ_", VisitSlip::eyeSlots())
           << VisitSlip::gridFamily("Fld_C_", VisitSlip::eyeSlots())
           << VisitSlip::gridFamily("Fld_AX_", VisitSlip::eyeSlots())
           << VisitSlip::gridFamily("Fld_ADD_", VisitSlip::eyeSlots());
    return fields;
}

void TKV418R2::prs_ClearFields() {
    clearFields(dataFields());
}

qint32 TKV418R2::prf_init_SET() {
    return loadKindLabels(45);
}

void TKV418R2::examinationStep(const QString& store, double key) {
    prf_SetContactExam(store, key);
}

// This slip gives that page the marks only: no barcode.
void TKV418R2::failedReadRecord() {
    prs_SetSexMark(3);
    prs_SetVisitMark(SyoriKbnL());
    barcode(QStringLiteral("Fld_INQ_NO")).setVisible(false);
}

void TKV418R2::formatRecord() {
    const QString exam = text(QStringLiteral("Fld_EXAM_DT"));
    setText(QStringLiteral("Fld_EXAM_DT"),
            exam.isEmpty() ? blankDate() : Format(exam, QStringLiteral("yyyy年mm月dd日")));
    for (const Notation& notation : kNotation) {
        const QString pattern = QLatin1String(notation.pattern);
        for (const QString& field : notation.controls) {
            const QString t = text(field);
            switch (notation.rule) {
            case Rule::ZeroText:
                setText(field, Format(t, t == u"0" ? QStringLiteral("#") : pattern));
                break;
            case Rule::BlankZero:
                setText(field, prf_FmtBlankZero(t, pattern));
                break;
            case Rule::Signed:
                setText(field, prf_FmtSigned(t, pattern));
                break;
            }
        }
    }
}

QString TKV418R2::prf_FmtBlankZero(const QString& t, const QString& pattern) {
    if (leadingNumber(t, LeadingBlanks::Skipped) == 0)
        return Format(t, QStringLiteral("#"));
    return Format(t, pattern);
}

QString TKV418R2::prf_FmtSigned(const QString& t, const QString& pattern) {
    if (t.isEmpty())
        return {};
    const double v = leadingNumber(t, LeadingBlanks::Skipped);
    if (v == 0)
        return QStringLiteral("+ 0.00");
    if (v < 0)
        return Format(t, pattern);
    return u'+' + Format(t, pattern);
}

} // namespace kema::slips
