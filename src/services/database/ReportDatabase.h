#pragma once

#include "services/Error.h"
#include "services/database/Database.h"
#include "services/messages/Messages.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace kema::db {

// The connection string of the settings store: "DBPARMC" when "AREA" is exactly "1", else
// "DBPARMS" (section NWLS\COMMON, read afresh at every call).
QString settingsConnectionString();
// A new connection opened with settingsConnectionString().
Result<ConnectionPtr> openSettingsConnection();

// The database side of one report object: its own connection, the reception and work
// recordsets and the flags the report's events look at. Every statement binds its values.
class ReportDatabase {
public:
    // `reportName` is "TKV418R1", "TKV418R3", ...; `messages` creates the message component.
    ReportDatabase(QString reportName, MessageDisplayFactory messages);
    ~ReportDatabase();
    ReportDatabase(const ReportDatabase&) = delete;
    ReportDatabase& operator=(const ReportDatabase&) = delete;

    // -1 when set.
    qint16 DbOpenError = 0;
    qint16 NoReception = 0;
    qint16 ReceptionReadError = 0;

    // Opens the own connection from the settings; 0, or -1 after the platform message box
    // "N:source CR LF description" titled "<report>.prf_init_dbopen" and DbOpenError = -1.
    qint32 prf_init_dbopen();
    // Reads the reception rows of `qnumber` on the host's connection when one is lent, else on
    // the own one. No row: message "11003" and NoReception = -1, result 0. An error: "11001"
    // with the errors of the connection the statement ran on, DbOpenError and
    // ReceptionReadError = -1, result -1.
    qint32 prf_init_dborec(const QString& qnumber);
    // PARM_NAIYO of the parameter as a 16-bit number; -1 without a row and on any error.
    qint16 prf_GetSysParm(qint16 parmNo);
    // The lens categories (MITEMCD.RYOUGAN_KBN = 1) in item-code order; with
    // `excludeSpecialOrder` without the goods kind of parameter 1180 (the glasses slips).
    Result<QVariantList> prf_BothEyesItems(bool excludeSpecialOrder);
    void prs_CloseWorkRs();
    // Replaces the work recordset with the rows of `sql` on the own connection.
    Result<Recordset*> openWork(const QString& sql, const QVariantList& params = {});

    Recordset& reception() { return m_reception; }
    Connection* ownConnection() { return m_own.get(); }
    // Closes the recordsets and the own connection; the host's connection is only borrowed.
    void release();

private:
    QString title(const char* procedure) const;

    QString m_reportName;
    MessageDisplayFactory m_messages;
    ConnectionPtr m_own;
    Recordset m_reception;
    Recordset m_work;
};

// PARM_NAIYO of the GSYSPARM row `parmNo`; nothing when there is no such row.
Result<std::optional<QVariant>> sysParm(Connection& connection, int parmNo);

} // namespace kema::db
