#pragma once

#include "report/Report.h"

#include <QStringList>
#include <QVariantMap>

namespace kema::test {

// What the launcher did to the reports it created, and what the next report does in its run;
// reset before each test.
struct LaunchLog {
    QStringList created;
    QStringList assigned;
    QVariantMap values;
    QString caption;
    int copies = -1;
    report::Target target = report::Target::Printer;
    QString layout = QStringLiteral("RequestTest");
    bool failInStart = false;
    qint16 printErrorFlag = 0;
    qint16 printOut = 0;
};

LaunchLog& launchLog();

// moc expands the macro, so each recorded request property is declared once.
#define KEMA_RECORDED(Type, Name)                                                                  \
    Q_PROPERTY(Type Name READ Name WRITE set##Name)                                                \
public:                                                                                            \
    Type Name() const {                                                                            \
        return launchLog().values.value(#Name).value<Type>();                                      \
    }                                                                                              \
    void set##Name(Type v) {                                                                       \
        assign(#Name, QVariant::fromValue(v));                                                     \
    }

// A report with the request properties of a slip, registered under the slip class names, that
// records how the launcher fills and runs it.
class RecordingReport : public report::Report {
    Q_OBJECT
    KEMA_RECORDED(qint16, KidouKbnL)
    KEMA_RECORDED(qint16, SyoriKbnL)
    KEMA_RECORDED(qint16, BarcodeKbnL)
    KEMA_RECORDED(QString, QNumberL)
    KEMA_RECORDED(qint16, DenpKbnL)
    KEMA_RECORDED(QString, StoreCodeL)
    KEMA_RECORDED(double, UserUQKeyL)
    KEMA_RECORDED(qint32, UserSKeyL)
    KEMA_RECORDED(qint16, OutNumberL)
    KEMA_RECORDED(qint16, OutKbnL)
    KEMA_RECORDED(qint16, PrintKbnL)
    KEMA_RECORDED(QString, OutDate)
    Q_PROPERTY(qint16 PrintErrorFlag READ PrintErrorFlag)
    Q_PROPERTY(qint16 PRINT_OUT READ PRINT_OUT)

public:
    RecordingReport();
    static void registerAll();
    static void unregisterAll();
    qint16 PrintErrorFlag() const { return launchLog().printErrorFlag; }
    qint16 PRINT_OUT() const { return launchLog().printOut; }

protected:
    void Report_ReportStart() override;

private:
    void assign(const char* name, const QVariant& value);
};

#undef KEMA_RECORDED

// A report without the request properties: the launcher cannot fill it.
class BareReport : public report::Report {
    Q_OBJECT
public:
    BareReport() : report::Report(QStringLiteral("RequestTest")) {}
};

} // namespace kema::test
