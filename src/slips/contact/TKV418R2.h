#pragma once

#include "slips/common/VisitSlip.h"

namespace kema::slips {

// The contact-lens visit slip. Its printer-offset form derives from it and overrides the steps
// in which the pre-printed form differs.
class TKV418R2 : public VisitSlip {
    Q_OBJECT
public:
    TKV418R2();

    qint32 ExamHistoryNo() const { return m_examHistoryNo; }

    // The printed notation of a value (the leading number of the text decides): zero prints
    // empty; otherwise the text with the pattern.
    static QString prf_FmtBlankZero(const QString& text, const QString& pattern);
    // Zero prints "+ 0.00", a positive value gets "+" before the text with the pattern, a
    // negative one its own "-"; the empty text stays empty.
    static QString prf_FmtSigned(const QString& text, const QString& pattern);
    // (HK + VK) / 2 of two readings in millimetres, each taken to hundredths, rounded half up
    // to hundredths; the empty text when either reading is missing or zero.
    static QString averageKeratometry(const QVariant& hk, const QVariant& vk);

protected:
    TKV418R2(const QString& layoutName, const QString& reportName);

    void prs_ClearFields() override;
    // TKV418R2_prf_init_SET: the kind labels of item group 45.
    qint32 prf_init_SET() override;
    void examinationStep(const QString& store, double key) override;
    void failedReadRecord() override;
    void formatRecord() override;

    virtual QStringList dataFields() const;

    void prf_SetContactExam(const QString& store, double key);
    QString prf_DoctorName(qint16 code) { return detailName(37, code); }

private:
    void fillGridRow(int row, const db::Recordset& rs);

    qint32 m_examHistoryNo = 0;
};

} // namespace kema::slips
