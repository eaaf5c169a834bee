#pragma once

#include "report/Report.h"
#include "services/components/Components.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <memory>

namespace kema::test {

struct ShownMessage {
    QString code;
    QVariant argument;
    QString title;
};

// Stands in for RVB520.RVB520C1 and keeps every message shown in the process.
class RecordingMessageDisplay : public IMessageDisplay {
public:
    static QList<ShownMessage>& shown();
    static void install();

    long MSGDSP(const QString& code, const QVariant& argument, const QString& title) override;
    void setErrObject(const Error&) override {}
    long DBERRDSP(const QString& code, const QList<db::DbError>&, const QVariant& argument,
                  const QString& title) override;
};

// What the launcher did to the reports it created; reset before each test.
struct LaunchLog {
    QStringList created;
    QStringList assigned;
    QVariantMap values;
    QString caption;
    int copies = -1;
    report::Target target = report::Target::Printer;
    // What the next report does in its run.
    QString layout = QStringLiteral("RequestTest");
    bool failInStart = false;
    qint16 printErrorFlag = 0;
    qint16 printOut = 0;
};

LaunchLog& launchLog();

// A report with the request properties of a slip that records how the launcher fills and runs
// it, registered under the slip class names.
class RecordingReport : public report::Report {
    Q_OBJECT
    Q_PROPERTY(qint16 PrintRTNG READ PrintRTNG)
    Q_PROPERTY(qint16 KidouKbnL READ KidouKbnL WRITE setKidouKbnL)
    Q_PROPERTY(qint16 SyoriKbnL READ SyoriKbnL WRITE setSyoriKbnL)
    Q_PROPERTY(qint16 BarcodeKbnL READ BarcodeKbnL WRITE setBarcodeKbnL)
    Q_PROPERTY(QString QNumberL READ QNumberG WRITE setQNumberL)
    Q_PROPERTY(QString QNumberG READ QNumberG)
    Q_PROPERTY(qint16 DenpKbnL READ DenpKbnL WRITE setDenpKbnL)
    Q_PROPERTY(QString StoreCodeL READ StoreCodeL WRITE setStoreCodeL)
    Q_PROPERTY(double UserUQKeyL READ UserUQKeyL WRITE setUserUQKeyL)
    Q_PROPERTY(qint32 UserSKeyL READ UserSKeyL WRITE setUserSKeyL)
    Q_PROPERTY(qint16 OutNumberL READ OutNumberL WRITE setOutNumberL)
    Q_PROPERTY(qint16 OutKbnL READ OutKbnL WRITE setOutKbnL)
    Q_PROPERTY(qint16 PrintKbnL READ PrintKbnL WRITE setPrintKbnL)
    Q_PROPERTY(QString OutDate READ OutDate WRITE setOutDate)
    Q_PROPERTY(qint16 PrintErrorFlag READ PrintErrorFlag)
    Q_PROPERTY(qint16 PRINT_OUT READ PRINT_OUT)

public:
    RecordingReport();

    // Registers the report under TKV418R1, R2, R4 and R5.
    static void registerAll();
    static void unregisterAll();

    qint16 PrintRTNG() const { return 0; }
    qint16 KidouKbnL() const { return m_values.value("KidouKbnL").value<qint16>(); }
    void setKidouKbnL(qint16 v) { assign("KidouKbnL", QVariant::fromValue(v)); }
    qint16 SyoriKbnL() const { return m_values.value("SyoriKbnL").value<qint16>(); }
    void setSyoriKbnL(qint16 v) { assign("SyoriKbnL", QVariant::fromValue(v)); }
    qint16 BarcodeKbnL() const { return m_values.value("BarcodeKbnL").value<qint16>(); }
    void setBarcodeKbnL(qint16 v) { assign("BarcodeKbnL", QVariant::fromValue(v)); }
    QString QNumberG() const { return m_values.value("QNumberL").toString(); }
    void setQNumberL(const QString& v) { assign("QNumberL", v); }
    qint16 DenpKbnL() const { return m_values.value("DenpKbnL").value<qint16>(); }
    void setDenpKbnL(qint16 v) { assign("DenpKbnL", QVariant::fromValue(v)); }
    QString StoreCodeL() const { return m_values.value("StoreCodeL").toString(); }
    void setStoreCodeL(const QString& v) { assign("StoreCodeL", v); }
    double UserUQKeyL() const { return m_values.value("UserUQKeyL").toDouble(); }
    void setUserUQKeyL(double v) { assign("UserUQKeyL", v); }
    qint32 UserSKeyL() const { return m_values.value("UserSKeyL").value<qint32>(); }
    void setUserSKeyL(qint32 v) { assign("UserSKeyL", QVariant::fromValue(v)); }
    qint16 OutNumberL() const { return m_values.value("OutNumberL").value<qint16>(); }
    void setOutNumberL(qint16 v) { assign("OutNumberL", QVariant::fromValue(v)); }
    qint16 OutKbnL() const { return m_values.value("OutKbnL").value<qint16>(); }
    void setOutKbnL(qint16 v) { assign("OutKbnL", QVariant::fromValue(v)); }
    qint16 PrintKbnL() const { return m_values.value("PrintKbnL").value<qint16>(); }
    void setPrintKbnL(qint16 v) { assign("PrintKbnL", QVariant::fromValue(v)); }
    QString OutDate() const { return m_values.value("OutDate").toString(); }
    void setOutDate(const QString& v) { assign("OutDate", v); }
    qint16 PrintErrorFlag() const { return launchLog().printErrorFlag; }
    qint16 PRINT_OUT() const { return launchLog().printOut; }

protected:
    void Report_ReportStart() override;

private:
    void assign(const char* name, const QVariant& value);
    QVariantMap m_values;
};

// A report without the request properties: the launcher cannot fill it.
class BareReport : public report::Report {
    Q_OBJECT
public:
    BareReport();
};

} // namespace kema::test
