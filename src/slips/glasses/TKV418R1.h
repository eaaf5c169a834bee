#pragma once

#include "slips/common/VisitSlip.h"

namespace kema::slips {

// The glasses visit slip. Its printer-offset form derives from it and overrides the steps in
// which the pre-printed form differs.
class TKV418R1 : public VisitSlip {
    Q_OBJECT
public:
    TKV418R1();

    // The zero-blank formatting of the prescription grid, in the slot order of the slip's
    // interface.
    Q_INVOKABLE void prsAXhen();
    Q_INVOKABLE void prsADDhen();
    Q_INVOKABLE void prsPhen();
    Q_INVOKABLE void prsBhen();
    Q_INVOKABLE void prsHENhen();
    Q_INVOKABLE void prsPDhen();
    Q_INVOKABLE void prsNPDhen();
    Q_INVOKABLE void prsPOINThen();

    qint32 ExamHistoryNo() const { return m_examHistoryNo; }

    static QString prf_PrismBase(qint16 code);
    static QString prf_FmtSignedBlankZero(const QString& t, const QString& pattern);

protected:
    TKV418R1(const QString& layoutName, const QString& reportName);

    void prs_ClearFields() override;
    qint32 prf_init_SET() override;
    void examinationStep(const QString& store, double key) override;
    void formatRecord() override;

    virtual QStringList dataFields() const;

    void prf_SetGlassesExam(const QString& store, double key);
    QString prf_PurposeName(qint16 code) { return detailName(35, code); }

    void prs_FmtSight();
    void prs_FmtSPH();
    void prs_FmtCYL();

private:
    void fillGridRow(int row, const db::Recordset& rs);
    void zeroBlank(const QString& family, const QStringList& suffixes, const QString& pattern);

    qint32 m_examHistoryNo = 0;
    QString m_rightSpecialText;
    QString m_leftSpecialText;
};

} // namespace kema::slips
