#pragma once

#include "report/Report.h"
#include "services/components/Components.h"
#include "services/database/ReportDatabase.h"

#include <QVariant>

#include <memory>

namespace kema::card {

// A currency amount: 64-bit fixed point with four decimals.
struct Currency {
    qint64 ticks = 0; // 1/10000 of the unit
    double toDouble() const { return double(ticks) / 10000.0; }
    // Any numeric value, rounded to four decimals; false for a value that is not a number or
    // does not fit.
    static bool fromVariant(const QVariant& value, Currency& out);
};

// The customer card, printed inside a visit slip's band. Its input properties are set by the
// host slip by name before the card runs.
class TKV418R3 : public report::Report {
    Q_OBJECT
    Q_PROPERTY(qint16 PrintRTNG READ PrintRTNG)
    Q_PROPERTY(qint16 KidouKbnL READ KidouKbnL WRITE setKidouKbnL)
    Q_PROPERTY(qint16 DenpKbnL READ DenpKbnL WRITE setDenpKbnL)
    Q_PROPERTY(QVariant GrasRuikeiKingakuL READ GrasRuikeiKingakuL WRITE setGrasRuikeiKingakuL)
    Q_PROPERTY(QVariant ContRuikeiKingakuL READ ContRuikeiKingakuL WRITE setContRuikeiKingakuL)
    Q_PROPERTY(QVariant OtherRuikeiKingakuL READ OtherRuikeiKingakuL WRITE setOtherRuikeiKingakuL)
    Q_PROPERTY(double UserUQKeyL READ UserUQKeyL WRITE setUserUQKeyL)

public:
    TKV418R3();
    ~TKV418R3() override;

    qint16 PrintRTNG() const { return m_printRtng; }
    qint16 KidouKbnL() const { return m_kidou; }
    void setKidouKbnL(qint16 v) { m_kidou = v; }
    qint16 DenpKbnL() const { return m_denpKbn; }
    void setDenpKbnL(qint16 v) { m_denpKbn = v; }
    QVariant GrasRuikeiKingakuL() const { return m_glasses.toDouble(); }
    void setGrasRuikeiKingakuL(const QVariant& v) { setAmount(m_glasses, v); }
    QVariant ContRuikeiKingakuL() const { return m_contacts.toDouble(); }
    void setContRuikeiKingakuL(const QVariant& v) { setAmount(m_contacts, v); }
    QVariant OtherRuikeiKingakuL() const { return m_other.toDouble(); }
    void setOtherRuikeiKingakuL(const QVariant& v) { setAmount(m_other, v); }
    double UserUQKeyL() const { return m_uqKey; }
    void setUserUQKeyL(double v) { m_uqKey = v; }

    qint16 StartError() const { return m_startError; }
    db::ReportDatabase& database() { return m_db; }

    static QString prf_TrimLeft(const QVariant& value, qint16 length);

protected:
    void Report_Initialize() override;
    void Report_ReportStart() override;
    void Report_ReportEnd() override;

    void prs_ClearItems();
    void prs_InitAmounts();
    qint32 prs_SetAmountBlockColour();
    void prs_ClearDetailLabels();
    void prs_Set_H_ITEM_NM();
    void prs_SetHeaderRows();
    qint16 prf_Set_H_ITEM_NO11_01_16();
    qint16 prf_Set_H_ITEM_NO29_01_16();
    qint16 prf_Set_H_ITEM_NO30_01_16();
    qint16 prf_Set_H_ITEM_NO31_01_16();
    qint32 prfChkSysParm();
    qint32 prfChkSysParm2();
    qint32 prfrecordset();
    void prs_SetItemValue(qint16 item, const QString& control, double value);
    void prs_SetAmounts();
    void prs_SetDetailLabels();

private:
    qint16 setHeaderRow(int category, const QString& code);
    qint32 checkSysParm(int parmNo, const QString& title);
    void setAmount(Currency& amount, const QVariant& value);
    void showMessage(const QString& code, const QString& title);
    void setText(const QString& field, const QString& text);

    db::ReportDatabase m_db;
    std::unique_ptr<IItemDefinition> m_items;
    qint16 m_printRtng = 0;
    qint16 m_kidou = 0;
    qint16 m_denpKbn = 0;
    Currency m_glasses;
    Currency m_contacts;
    Currency m_other;
    double m_uqKey = 0;
    qint16 m_startError = 0;
};

} // namespace kema::card
