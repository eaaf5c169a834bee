#pragma once

#include "slips/common/VisitSlip.h"

#include <array>

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

    // Detail numbers of item group 43 that label the four grid rows; 0 until loaded.
    const std::array<qint16, 4>& KindNumber() const { return m_kindNumber; }
    qint32 ExamHistoryNo() const { return m_examHistoryNo; }

    // The grid's field suffixes: row and eye ("11" … "42"); the sight columns add the third,
    // both-eyes column ("13" … "43").
    static const QStringList& eyeSlots();
    static const QStringList& sightSlots();

    static QString prf_PrismBase(qint16 code);
    static QString prf_FmtSignedBlankZero(const QString& t, const QString& pattern);

protected:
    TKV418R1(const QString& layoutName, const QString& reportName);

    void prs_ClearFields() override;
    qint32 prf_init_SET() override;
    void prs_SetReception() override;
    void fetchCustomerRecord() override;
    void formatRecord() override;

    virtual void prs_SetCustomer(const FieldCollection& customer);
    // 1 = customer found and filled; 0 = no such customer; -1 = any other answer.
    qint16 prf_GetBaseData();
    // The header fields the reception row fills, shared with the printer-offset form.
    void setReceptionNames();
    virtual QStringList dataFields() const;

    void prf_SetGlassesExam(const QString& store, double key);
    QString prf_IntroducerName(qint16 code);
    QString prf_PurposeName(qint16 code);
    QString detailName(int group, qint16 code);

    void prs_FmtSight();
    void prs_FmtSPH();
    void prs_FmtCYL();

private:
    void fillGridRow(int row, const db::Recordset& rs);
    void zeroBlank(const QString& family, const QStringList& suffixes, const QString& pattern);

    std::array<qint16, 4> m_kindNumber{};
    qint32 m_examHistoryNo = 0;
    QString m_bothEyesItemList;
    QString m_rightSpecialText;
    QString m_leftSpecialText;
};

} // namespace kema::slips
