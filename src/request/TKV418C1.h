#pragma once

#include "report/Report.h"
#include "request/tkv418_export.h"
#include "services/database/Database.h"

#include <QObject>
#include <QString>

#include <optional>

namespace kema {

// The print request of a visit slip: the host fills the properties and calls
// RaitenDenpyoPRINT, which validates them, picks the report from the company code and runs it.
//
// The request values and the host's override texts are write-only for the host; their READ
// accessors exist only because the meta-object needs one and are private. The dispatch table
// (Dispatch.h) is the host's contract and refuses reading them.
class TKV418_EXPORT TKV418C1 : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint16 KidouKbnL READ kidouKbnL WRITE setKidouKbnL)
    Q_PROPERTY(qint16 SyoriKbnL READ syoriKbnL WRITE setSyoriKbnL)
    Q_PROPERTY(qint16 BarcodeKbnL READ barcodeKbnL WRITE setBarcodeKbnL)
    Q_PROPERTY(QString QNumberL READ qNumberL WRITE setQNumberL)
    Q_PROPERTY(qint16 DenpKbnL READ denpKbnL WRITE setDenpKbnL)
    Q_PROPERTY(QString StoreCodeL READ storeCodeL WRITE setStoreCodeL)
    Q_PROPERTY(double UserUQKeyL READ userUQKeyL WRITE setUserUQKeyL)
    Q_PROPERTY(qint32 UserSKeyL READ userSKeyL WRITE setUserSKeyL)
    Q_PROPERTY(qint16 OutNumberL READ outNumberL WRITE setOutNumberL)
    Q_PROPERTY(qint16 OutKbnL READ outKbnL WRITE setOutKbnL)
    Q_PROPERTY(qint16 PrintKbnL READ printKbnL WRITE setPrintKbnL)
    Q_PROPERTY(QString OutDate READ outDate WRITE setOutDate)
    Q_PROPERTY(QString DenpyoNo READ denpyoNo WRITE setDenpyoNo)
    Q_PROPERTY(qint16 PRINT_OUT READ PRINT_OUT)
    Q_PROPERTY(kema::db::ConnectionPtr DBconnection READ dbConnection WRITE setDBconnection)
    Q_PROPERTY(QString HOME_TEL READ homeTel WRITE setHOME_TEL)
    Q_PROPERTY(QString RENRAKUSAKI READ renrakusaki WRITE setRENRAKUSAKI)
    Q_PROPERTY(QString RENRAKUBIKOU READ renrakubikou WRITE setRENRAKUBIKOU)
    Q_PROPERTY(QString KANA READ kana WRITE setKANA)
    Q_PROPERTY(QString KANJI READ kanji WRITE setKANJI)
    Q_PROPERTY(qint16 SEX READ sex WRITE setSEX)
    Q_PROPERTY(QString BIRTH READ birth WRITE setBIRTH)

public:
    explicit TKV418C1(QObject* parent = nullptr);
    ~TKV418C1() override;

    // 0 when the slip was produced, -1 when the request was refused or the run failed.
    Q_INVOKABLE qint32 RaitenDenpyoPRINT();

    void setKidouKbnL(qint16 value) { m_kidouKbnL = value; }
    void setSyoriKbnL(qint16 value) { m_syoriKbnL = value; }
    void setBarcodeKbnL(qint16 value) { m_barcodeKbnL = value; }
    void setQNumberL(const QString& value) { m_qNumberL = value; }
    void setDenpKbnL(qint16 value) { m_denpKbnL = value; }
    void setStoreCodeL(const QString& value) { m_storeCodeL = value; }
    void setUserUQKeyL(double value) { m_userUQKeyL = value; }
    void setUserSKeyL(qint32 value) { m_userSKeyL = value; }
    void setOutNumberL(qint16 value) { m_outNumberL = value; }
    void setOutKbnL(qint16 value) { m_outKbnL = value; }
    void setPrintKbnL(qint16 value) { m_printKbnL = value; }
    void setOutDate(const QString& value) { m_outDate = value; }

    // These live in SharedRequestState: every request object and every report of the process
    // sees the last value set.
    void setDenpyoNo(const QString& value);
    qint16 PRINT_OUT() const;
    // A counted reference to the host's open connection; the component never closes it.
    void setDBconnection(db::ConnectionPtr connection);
    void setHOME_TEL(const QString& value);
    void setRENRAKUSAKI(const QString& value);
    void setRENRAKUBIKOU(const QString& value);
    void setKANA(const QString& value);
    void setKANJI(const QString& value);
    void setSEX(qint16 value);
    void setBIRTH(const QString& value);

    // Renders the next runs into a PDF file or PNG files instead of printing or previewing,
    // whatever PrintKbnL says. Not part of the host interface: the command-line host uses it.
    void setFileTarget(report::Target target, const QString& file, int dpi = 150);
    void clearFileTarget();

private:
    struct FileTarget {
        report::Target target;
        QString file;
        int dpi;
    };

    qint16 kidouKbnL() const { return m_kidouKbnL; }
    qint16 syoriKbnL() const { return m_syoriKbnL; }
    qint16 barcodeKbnL() const { return m_barcodeKbnL; }
    QString qNumberL() const { return m_qNumberL; }
    qint16 denpKbnL() const { return m_denpKbnL; }
    QString storeCodeL() const { return m_storeCodeL; }
    double userUQKeyL() const { return m_userUQKeyL; }
    qint32 userSKeyL() const { return m_userSKeyL; }
    qint16 outNumberL() const { return m_outNumberL; }
    qint16 outKbnL() const { return m_outKbnL; }
    qint16 printKbnL() const { return m_printKbnL; }
    QString outDate() const { return m_outDate; }
    QString denpyoNo() const;
    db::ConnectionPtr dbConnection() const;
    QString homeTel() const;
    QString renrakusaki() const;
    QString renrakubikou() const;
    QString kana() const;
    QString kanji() const;
    qint16 sex() const;
    QString birth() const;

    qint16 prf_propchk();
    void prf_msgdsp(const QString& code);
    qint16 prf_choice();
    qint16 prf_print(const QString& reportClass);
    Status applyRequest(report::Report& report) const;
    void applyOutput(report::Report& report) const;
    qint16 launchResult(const Status& run, const report::Report& report);

    qint16 m_kidouKbnL = 0;
    qint16 m_syoriKbnL = 0;
    qint16 m_barcodeKbnL = 0;
    QString m_qNumberL;
    qint16 m_denpKbnL = 0;
    QString m_storeCodeL;
    double m_userUQKeyL = 0;
    qint32 m_userSKeyL = 0;
    qint16 m_outNumberL = 0;
    qint16 m_outKbnL = 0;
    qint16 m_printKbnL = 0;
    QString m_outDate;
    std::optional<FileTarget> m_fileTarget;
};

} // namespace kema
