#include "services/database/ReportDatabase.h"
#include "services/ErrorNumbers.h"

#include "services/host/SharedRequestState.h"
#include "services/settings/Settings.h"
#include "services/text/Conversions.h"

namespace kema::db {
namespace {

const QString kSection = QStringLiteral("NWLS\\COMMON");

// VB's "Object variable or With block variable not set": a statement without a connection.
Error noConnection(const QString& source) {
    return Error{errors::ObjectNotSet, source,
                 QStringLiteral("Object variable or With block variable not set")};
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

ReportDatabase::ReportDatabase(QString reportName, MessageDisplayFactory messages)
    : m_reportName(std::move(reportName)), m_messages(std::move(messages)) {}

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
        showDatabaseError(m_messages, QStringLiteral("11001"), rs.error(),
                          connection ? connection->errors() : QList<DbError>(), where);
        DbOpenError = -1;
        ReceptionReadError = -1;
        return -1;
    }
    m_reception = std::move(rs).value();
    if (m_reception.recordCount() == 0) {
        NoReception = -1;
        showCatalogueMessage(m_messages, QStringLiteral("11003"), QVariant(), where);
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

} // namespace kema::db
