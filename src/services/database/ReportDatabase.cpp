#include "services/database/ReportDatabase.h"

#include "request/SharedRequestState.h"
#include "services/components/Components.h"
#include "services/settings/Settings.h"
#include "services/text/Conversions.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>

namespace kema::db {
namespace {

const QString kSection = QStringLiteral("NWLS\\COMMON");

// VB's "Object variable or With block variable not set": a statement without a connection.
Error noConnection(const QString& source) {
    return Error{91, source, QStringLiteral("Object variable or With block variable not set")};
}

// Without a message component the code still reaches the user, on the component's line.
void reportCreationFailure(const Error& error, const QString& code, const QString& title) {
    std::fprintf(stderr, "%s %s [%s]\n", qPrintable(code),
                 qPrintable(singleLine(error.messageBoxText())), qPrintable(title));
}

void showMessage(const QString& code, const QString& title) {
    auto display = ComponentRegistry::instance().createMessageDisplay();
    if (!display.ok()) {
        reportCreationFailure(display.error(), code, title);
        return;
    }
    display.value()->MSGDSP(code, QVariant(), title);
}

void showDbError(const Error& error, const QList<DbError>& errors, const QString& title) {
    const QString code = QStringLiteral("11001");
    auto display = ComponentRegistry::instance().createMessageDisplay();
    if (!display.ok()) {
        reportCreationFailure(display.error(), code, title);
        return;
    }
    display.value()->setErrObject(error);
    display.value()->DBERRDSP(code, errors, QVariant(), title);
}

MessageBoxHandler& messageBoxHandler() {
    static MessageBoxHandler handler;
    return handler;
}

void writeLine(const QString& text, const QString& title) {
    std::fprintf(stderr, "%s [%s]\n", qPrintable(singleLine(text)), qPrintable(title));
    std::fflush(stderr);
}

const QString kSysParmSql = QStringLiteral("SELECT PARM_NAIYO FROM GSYSPARM WHERE PARM_NO = ?");

} // namespace

QString settingsConnectionString() {
    const QString area = GetSetting(kSection, QStringLiteral("AREA"));
    const QString key =
        area == QLatin1String("1") ? QStringLiteral("DBPARMC") : QStringLiteral("DBPARMS");
    return GetSetting(kSection, key, QString());
}

Result<ConnectionPtr> openSettingsConnection() {
    auto connection = std::make_shared<Connection>();
    if (Status opened = connection->open(settingsConnectionString()); !opened)
        return opened.error();
    return connection;
}

ReportDatabase::ReportDatabase(QString reportName) : m_reportName(std::move(reportName)) {}

ReportDatabase::~ReportDatabase() {
    release();
}

QString ReportDatabase::title(const char* procedure) const {
    return m_reportName + u'.' + QLatin1String(procedure);
}

qint32 ReportDatabase::prf_init_dbopen() {
    if (m_own) {
        m_own->close();
        m_own.reset();
    }
    auto opened = openSettingsConnection();
    if (!opened.ok()) {
        showPlatformMessageBox(opened.error().messageBoxText(), title("prf_init_dbopen"));
        DbOpenError = -1;
        return -1;
    }
    m_own = std::move(opened).value();
    return 0;
}

qint32 ReportDatabase::prf_init_dborec(const QString& qnumber) {
    const QString where = title("prf_init_dborec");
    m_reception.close();
    const ConnectionPtr& host = SharedRequestState::instance().DBconnection;
    Connection* connection = host ? host.get() : m_own.get();
    auto rs = connection ? connection->execute(QStringLiteral("SELECT * FROM URECEPT WHERE "
                                                              "RC_INQ_NO = ?"),
                                               {qnumber})
                         : Result<Recordset>(noConnection(where));
    if (!rs.ok()) {
        showDbError(rs.error(), connection ? connection->errors() : QList<DbError>(), where);
        DbOpenError = -1;
        ReceptionReadError = -1;
        return -1;
    }
    m_reception = std::move(rs).value();
    if (m_reception.recordCount() == 0) {
        NoReception = -1;
        showMessage(QStringLiteral("11003"), where);
    }
    ReceptionReadError = 0;
    return 0;
}

qint16 ReportDatabase::prf_GetSysParm(qint16 parmNo) {
    auto rs = openWork(kSysParmSql, {int(parmNo)});
    if (!rs.ok())
        return -1;
    const Recordset& work = *rs.value();
    if (work.atEnd() || work.atBegin())
        return -1;
    auto value = work.field(QStringLiteral("PARM_NAIYO"));
    return value.ok() ? ToInteger16(value.value()) : qint16(-1);
}

Result<QVariantList> ReportDatabase::prf_BothEyesItems(bool excludeSpecialOrder) {
    if (!m_own)
        return noConnection(title("prf_BothEyesItems"));
    // PARM_NAIYO is text: the cast lets both servers compare it with the integer item code.
    QString sql = QStringLiteral("SELECT ITEM_CD FROM MITEMCD WHERE RYOUGAN_KBN = 1");
    if (excludeSpecialOrder)
        sql += QStringLiteral(" AND ITEM_CD <> (SELECT CAST(PARM_NAIYO AS INTEGER) FROM GSYSPARM "
                              "WHERE PARM_NO = 1180)");
    sql += QStringLiteral(" ORDER BY ITEM_CD");
    auto rs = m_own->execute(sql);
    if (!rs.ok())
        return rs.error();
    QVariantList items;
    for (Recordset& r = rs.value(); !r.atEnd(); r.moveNext()) {
        auto item = r.field(QStringLiteral("ITEM_CD"));
        if (!item.ok())
            return item.error();
        items << item.value();
    }
    return items;
}

void ReportDatabase::prs_CloseWorkRs() {
    m_work.close();
}

Result<Recordset*> ReportDatabase::openWork(const QString& sql, const QVariantList& params) {
    prs_CloseWorkRs();
    if (!m_own)
        return noConnection(m_reportName);
    auto rs = m_own->execute(sql, params);
    if (!rs.ok())
        return rs.error();
    m_work = std::move(rs).value();
    return &m_work;
}

void ReportDatabase::release() {
    m_work.close();
    m_reception.close();
    if (m_own) {
        m_own->close();
        m_own.reset();
    }
}

Result<std::optional<QVariant>> sysParm(Connection& connection, int parmNo) {
    auto rs = connection.execute(kSysParmSql, {parmNo});
    if (!rs.ok())
        return rs.error();
    const Recordset& r = rs.value();
    if (r.atEnd())
        return std::optional<QVariant>();
    auto value = r.field(QStringLiteral("PARM_NAIYO"));
    if (!value.ok())
        return value.error();
    return std::optional<QVariant>(value.value());
}

QString singleLine(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    return text;
}

bool interactiveDisplay() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void setPlatformMessageBoxHandler(MessageBoxHandler handler) {
    messageBoxHandler() = std::move(handler);
}

void showPlatformMessageBox(const QString& text, const QString& title) {
    if (const MessageBoxHandler& handler = messageBoxHandler()) {
        handler(text, title);
        return;
    }
    if (interactiveDisplay()) {
        QMessageBox::warning(nullptr, title, text, QMessageBox::Ok);
        return;
    }
    writeLine(text, title);
}

void showPlatformMessageBoxAndLog(const QString& text, const QString& title) {
    const bool boxShown = messageBoxHandler() || interactiveDisplay();
    showPlatformMessageBox(text, title);
    if (boxShown)
        writeLine(text, title);
}

} // namespace kema::db
