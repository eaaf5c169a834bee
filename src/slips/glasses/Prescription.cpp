// The printed notation of the prescription grid: which value prints empty, which gets a sign,
// how many decimals, and the words of the prism base.
#include "TKV418R1.h"

#include "services/text/Conversions.h"
#include "services/text/Format.h"

namespace kema::slips {

QString TKV418R1::prf_PrismBase(qint16 code) {
    switch (code) {
    case 6:
        return QStringLiteral("IN");
    case 7:
        return QStringLiteral("OT");
    case 8:
        return QStringLiteral("UP");
    case 9:
        return QStringLiteral("DN");
    default:
        return {};
    }
}

QString TKV418R1::prf_FmtSignedBlankZero(const QString& t, const QString& pattern) {
    const double v = leadingNumber(t, LeadingBlanks::Kept);
    if (v == 0)
        return Format(t, QStringLiteral("#"));
    if (v > 0)
        return u'+' + Format(t, pattern);
    return Format(t, pattern);
}

// A text of exactly "0" prints empty; any other text is shown with the pattern.
void TKV418R1::zeroBlank(const QString& family, const QStringList& suffixes,
                         const QString& pattern) {
    for (const QString& s : suffixes) {
        const QString field = family + s;
        const QString t = text(field);
        setText(field, Format(t, t == u"0" ? QStringLiteral("#") : pattern));
    }
}

void TKV418R1::prs_FmtSight() {
    zeroBlank(QStringLiteral("Fld_SIGHT_"), sightSlots(), QStringLiteral("0.00"));
}

void TKV418R1::prs_FmtSPH() {
    for (const QString& s : eyeSlots()) {
        const QString field = QStringLiteral("Fld_SPH_") + s;
        const QString t = text(field);
        // Compared as text: a positive value sorts after "0", a negative one or Null before it.
        const int order = QString::compare(t, QStringLiteral("0"), Qt::CaseSensitive);
        if (order == 0)
            setText(field, QStringLiteral("+ 0.00"));
        else if (order > 0)
            setText(field, u'+' + Format(t, QStringLiteral("#0.00")));
        else
            setText(field, Format(t, QStringLiteral("#0.00")));
    }
}

void TKV418R1::prs_FmtCYL() {
    for (const QString& s : eyeSlots()) {
        const QString field = QStringLiteral("Fld_CYL_") + s;
        setText(field, prf_FmtSignedBlankZero(text(field), QStringLiteral("0.00")));
    }
}

void TKV418R1::prsAXhen() {
    zeroBlank(QStringLiteral("Fld_AX_"), eyeSlots(), QStringLiteral("###"));
}
void TKV418R1::prsADDhen() {
    zeroBlank(QStringLiteral("Fld_ADD_"), eyeSlots(), QStringLiteral("0.00"));
}
void TKV418R1::prsPhen() {
    zeroBlank(QStringLiteral("Fld_P_"), eyeSlots(), QStringLiteral("#0.00"));
}
void TKV418R1::prsBhen() {
    zeroBlank(QStringLiteral("Fld_B_"), eyeSlots(), QStringLiteral("###"));
}
void TKV418R1::prsHENhen() {
    zeroBlank(QStringLiteral("Fld_HEN_"), eyeSlots(), QStringLiteral("#0.00"));
}
void TKV418R1::prsPDhen() {
    zeroBlank(QStringLiteral("Fld_PD_"), eyeSlots(), QStringLiteral("#0.0"));
}
void TKV418R1::prsNPDhen() {
    zeroBlank(QStringLiteral("Fld_NPD_"), eyeSlots(), QStringLiteral("#0.0"));
}
void TKV418R1::prsPOINThen() {
    zeroBlank(QStringLiteral("Fld_EYE_POINT_"), eyeSlots(), QStringLiteral("0.0"));
}

} // namespace kema::slips
