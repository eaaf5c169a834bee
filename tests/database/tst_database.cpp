// Connections, recordsets and the report objects' database side, on SQLite and PostgreSQL
// through ODBC.
#include "Relay.h"
#include "TestDatabase.h"

#include "services/database/Database.h"
#include "services/database/ReportDatabase.h"
#include "services/host/SharedRequestState.h"
#include "services/text/Conversions.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace kema;
using namespace kema::test;

namespace {

const QString kBadServer =
    QStringLiteral("DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=1;DATABASE=kema;UID=kema");

// A reception row whose every nullable column is Null, and one with a value of every type.
const char kOwnReceptions[] =
    "INSERT INTO URECEPT (RC_INQ_NO, RC_SEQ_NO) VALUES ('N1', 1);\n"
    "INSERT INTO URECEPT (RC_INQ_NO, RC_SEQ_NO, RC_STORE_CD, RC_RECEPT_DT, RC_RECEPT_TM, "
    "RC_DENP_KBN, RC_UNIQUE_KEY, RC_KNAME) VALUES ('T1', 1, '001', '2024-03-09', "
    "'2024-03-09 14:05:30', 2, 9007199254740993, 'ﾃｽﾄ');\n"
    "INSERT INTO URECEPT (RC_INQ_NO, RC_SEQ_NO, RC_RECEPT_TM) VALUES ('M1', 1, "
    "'2024-03-09 00:00:00');\n"
    "INSERT INTO URECEPT (RC_INQ_NO, RC_SEQ_NO, RC_KNAME) VALUES ('O''Brien', 1, 'quote');\n"
    "INSERT INTO CBASE (CUBS_UNIQUE_KEY, CUBS_GL_AMT_SUM) VALUES (1000000000000000, 0.25);\n";

db::ConnectionPtr openConnection(const QString& connectionString) {
    auto connection = std::make_shared<db::Connection>();
    const Status opened = connection->open(connectionString);
    if (!opened.ok())
        qWarning("%s", qPrintable(opened.error().messageBoxText()));
    return connection;
}

QVariant valueOf(const db::Recordset& rs, const QString& name) {
    auto value = rs.field(name);
    return value.ok() ? value.value() : QVariant(QStringLiteral("<error>"));
}

} // namespace

class DatabaseTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void boundValuesOfEveryType_data() { addBackendRows(); }
    void boundValuesOfEveryType();
    void valuesOfEveryType_data();
    void valuesOfEveryType();
    void fieldsByNameWithoutCase_data() { addBackendRows(); }
    void fieldsByNameWithoutCase();
    void recordsetPositions_data() { addBackendRows(); }
    void recordsetPositions();
    void rejectedStatementIsAnError_data() { addBackendRows(); }
    void rejectedStatementIsAnError();
    void connectionsAreIndependent_data() { addBackendRows(); }
    void connectionsAreIndependent();
    void unopenableConnectionStrings_data();
    void unopenableConnectionStrings();
    void connectionStringReachesTheDriverAsWritten_data();
    void connectionStringReachesTheDriverAsWritten();
    void passwordsAreMasked_data();
    void passwordsAreMasked();

    void dbopenChoosesTheConnectionString_data();
    void dbopenChoosesTheConnectionString();
    void dbopenFailureShowsOneMessageBox_data();
    void dbopenFailureShowsOneMessageBox();
    void dbopenAgainClosesTheOldConnection_data() { addBackendRows(); }
    void dbopenAgainClosesTheOldConnection();
    void receptionRead_data();
    void receptionRead();
    void receptionReadRejected_data();
    void receptionReadRejected();
    void hostConnectionIsOnlyBorrowed_data() { addBackendRows(); }
    void hostConnectionIsOnlyBorrowed();
    void systemParameters_data();
    void systemParameters();
    void systemParameterErrors_data() { addBackendRows(); }
    void systemParameterErrors();
    void bothEyesItems_data() { addBackendRows(); }
    void bothEyesItems();
    void workRecordsetIsReplaced_data() { addBackendRows(); }
    void workRecordsetIsReplaced();
    void defaultPlatformMessageBoxWritesOneLine();

private:
    QTemporaryDir m_sources;
    QString m_sourcesError;
};

// A data source of a demo database, for the whole run: the driver manager reads its ini file
// once.
void DatabaseTest::initTestCase() {
    TestDatabase db(kSqlite);
    const QDir dir(m_sources.path());
    const QString database = dir.filePath(QStringLiteral("store.sqlite"));
    const auto write = [](const QString& path, const QString& text) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0;
    };
    if (!db.isValid())
        m_sourcesError = db.error();
    else if (!QFile::copy(db.connectionString().section(u'=', 2), database) ||
             !QFile::copy(database, dir.filePath(QStringLiteral("store.dsn.sqlite"))))
        m_sourcesError = QStringLiteral("cannot copy the demo database");
    else if (!write(
                 dir.filePath(QStringLiteral("odbc.ini")),
                 QStringLiteral("[kema_test_source]\nDriver=SQLite3\nDatabase=%1\n").arg(database)))
        m_sourcesError = QStringLiteral("cannot write the data source file");
    qputenv("ODBCINI", QFile::encodeName(dir.filePath(QStringLiteral("odbc.ini"))));
}

// A host that never takes its connection back: the process still ends cleanly.
void DatabaseTest::cleanupTestCase() {
    TestDatabase db(kSqlite);
    auto lent = openConnection(db.connectionString());
    QVERIFY(lent->isOpen());
    SharedRequestState::instance().DBconnection = lent;
}

void DatabaseTest::init() {
    SharedRequestState::instance().DBconnection.reset();
}

void DatabaseTest::cleanup() {
    SharedRequestState::instance().DBconnection.reset();
}

void DatabaseTest::boundValuesOfEveryType() {
    QFETCH(QString, backend);
    TestDatabase db(backend, TestDatabase::Content::Schema);
    KEMA_REQUIRE_DATABASE(db);
    QVERIFY(db.run(QString::fromUtf8(kOwnReceptions)).ok());
    auto connection = openConnection(db.connectionString());
    auto rs = connection->execute(
        QStringLiteral("SELECT RC_INQ_NO FROM URECEPT WHERE RC_SEQ_NO = ? AND RC_DENP_KBN = ? AND "
                       "RC_RECEPT_DT = ? AND RC_RECEPT_TM = ? AND RC_UNIQUE_KEY = ? AND "
                       "RC_STORE_CD = ? AND RC_SEQ_NO = ? AND RC_DENP_KBN = ?"),
        {QVariant::fromValue<qint16>(1), QVariant::fromValue<quint8>(2), QDate(2024, 3, 9),
         QDateTime(QDate(2024, 3, 9), QTime(14, 5, 30)), qlonglong(9007199254740993),
         QStringLiteral("001"), 1.0f, 2.0});
    QVERIFY2(rs.ok(), qPrintable(failureText(rs)));
    QCOMPARE(rs.value().recordCount(), 1);
    QCOMPARE(valueOf(rs.value(), QStringLiteral("RC_INQ_NO")), QVariant(QStringLiteral("T1")));
    // A whole double of 16 digits reaches an integer column as that number, a fraction keeps it.
    auto wide = connection->execute(QStringLiteral("SELECT CUBS_UNIQUE_KEY FROM CBASE WHERE "
                                                   "CUBS_UNIQUE_KEY = ? AND CUBS_GL_AMT_SUM = ?"),
                                    {1e15, 0.25});
    QVERIFY2(wide.ok(), qPrintable(failureText(wide)));
    QCOMPARE(wide.value().recordCount(), 1);
    auto nulls = connection->execute(
        QStringLiteral("SELECT RC_INQ_NO FROM URECEPT WHERE RC_INQ_NO = ? OR RC_KNAME = ?"),
        {QVariant(), QVariant(QMetaType::fromType<QString>())});
    QVERIFY2(nulls.ok(), qPrintable(failureText(nulls)));
    QCOMPARE(nulls.value().recordCount(), 0);
}

void DatabaseTest::valuesOfEveryType_data() {
    addBackendColumn();
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("type"); // of the value read; UnknownType for Null
    QTest::addColumn<QString>("text");
    const auto t1 = [](const char* column) {
        return QStringLiteral("SELECT %1 FROM URECEPT WHERE RC_INQ_NO = 'T1'").arg(column);
    };
    const auto n1 = [](const char* column) {
        return QStringLiteral("SELECT %1 FROM URECEPT WHERE RC_INQ_NO = 'N1'").arg(column);
    };
    // Longer than one piece the driver hands over.
    const QString longText(5000, u'長');
    for (const QString& backend : backends()) {
        const auto row = [&](const char* name, const QString& sql, int type, const QString& text) {
            QTest::addRow("%s %s", qPrintable(backend), name) << backend << sql << type << text;
        };
        row("integer", t1("RC_SEQ_NO"), QMetaType::Int, QStringLiteral("1"));
        row("smallint", t1("RC_DENP_KBN"), QMetaType::Int, QStringLiteral("2"));
        // 2^53 + 1: a double would lose the last digit.
        row("bigint", t1("RC_UNIQUE_KEY"), QMetaType::LongLong, QStringLiteral("9007199254740993"));
        row("varchar with leading zeros", t1("RC_STORE_CD"), QMetaType::QString,
            QStringLiteral("001"));
        row("date", t1("RC_RECEPT_DT"), QMetaType::QDate, QStringLiteral("2024/03/09"));
        row("timestamp", t1("RC_RECEPT_TM"), QMetaType::QDateTime,
            QStringLiteral("2024/03/09 14:05:30"));
        row("timestamp at midnight",
            QStringLiteral("SELECT RC_RECEPT_TM FROM URECEPT WHERE RC_INQ_NO = 'M1'"),
            QMetaType::QDateTime, QStringLiteral("2024/03/09"));
        row("numeric zero",
            QStringLiteral("SELECT CUBS_CL_AMT_SUM FROM CBASE WHERE CUBS_UNIQUE_KEY = 1001"),
            QMetaType::Double, QStringLiteral("0"));
        row("numeric amount",
            QStringLiteral("SELECT CUBS_GL_AMT_SUM FROM CBASE WHERE CUBS_UNIQUE_KEY = 1001"),
            QMetaType::Double, QStringLiteral("128000"));
        row("numeric fraction",
            QStringLiteral("SELECT GLS_S_1 FROM CGLASDTL WHERE GLS_UNIQUE_KEY = 1001 AND "
                           "GLS_S_1 = -2.25"),
            QMetaType::Double, QStringLiteral("-2.25"));
        row("single-precision real", QStringLiteral("SELECT CAST(1.1 AS REAL) AS R"),
            QMetaType::Double, QStringLiteral("1.1"));
        row("long text", QStringLiteral("SELECT CAST('%1' AS VARCHAR(6000)) AS T").arg(longText),
            QMetaType::QString, longText);
        row("null numeric",
            QStringLiteral("SELECT CUBS_GL_AMT_SUM FROM CBASE WHERE CUBS_UNIQUE_KEY = 1016"),
            QMetaType::UnknownType, QString());
        for (const char* column :
             {"RC_STORE_CD", "RC_RECEPT_DT", "RC_RECEPT_TM", "RC_DENP_KBN", "RC_UNIQUE_KEY"})
            row(qPrintable(QStringLiteral("null %1").arg(QLatin1String(column))), n1(column),
                QMetaType::UnknownType, QString());
    }
}

void DatabaseTest::valuesOfEveryType() {
    QFETCH(QString, backend);
    QFETCH(QString, sql);
    QFETCH(int, type);
    QFETCH(QString, text);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    QVERIFY(db.run(QString::fromUtf8(kOwnReceptions)).ok());
    QVERIFY(db.run(QStringLiteral("UPDATE CBASE SET CUBS_CL_AMT_SUM = 0, CUBS_GL_AMT_SUM = "
                                  "128000 WHERE CUBS_UNIQUE_KEY = 1001;"))
                .ok());
    auto connection = openConnection(db.connectionString());
    auto rs = connection->execute(sql);
    QVERIFY2(rs.ok(), qPrintable(failureText(rs)));
    QVERIFY(!rs.value().atEnd());
    const QVariant value = valueOf(rs.value(), rs.value().fieldNames().value(0));
    QCOMPARE(value.metaType().id(), type);
    QCOMPARE(NullToEmpty(value), text);
}

void DatabaseTest::fieldsByNameWithoutCase() {
    QFETCH(QString, backend);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    auto connection = openConnection(db.connectionString());
    auto rs = connection->execute(
        QStringLiteral("SELECT * FROM URECEPT WHERE RC_INQ_NO = ? ORDER BY RC_SEQ_NO"),
        {QStringLiteral("130100002")});
    QVERIFY2(rs.ok(), qPrintable(failureText(rs)));
    const db::Recordset& r = rs.value();
    // PostgreSQL folds the names to lower case; SQLite keeps them as declared.
    const QString first = r.fieldNames().value(0);
    QCOMPARE(first,
             backend == kPostgres ? QStringLiteral("rc_inq_no") : QStringLiteral("RC_INQ_NO"));
    for (const QString& name :
         {QStringLiteral("RC_KNAME"), QStringLiteral("rc_kname"), QStringLiteral("Rc_KName")}) {
        QVERIFY(r.hasField(name));
        QCOMPARE(valueOf(r, name), QVariant(QStringLiteral("ﾔﾏﾓﾄ ｹﾝｲﾁ")));
    }
    QVERIFY(!r.hasField(QStringLiteral("RC_NO_SUCH")));
    auto missing = r.field(QStringLiteral("RC_NO_SUCH"));
    QVERIFY(!missing.ok());
    QCOMPARE(missing.error().number, 3265L);
}

void DatabaseTest::recordsetPositions() {
    QFETCH(QString, backend);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    auto connection = openConnection(db.connectionString());
    const QString sql =
        QStringLiteral("SELECT RC_KNAME FROM URECEPT WHERE RC_INQ_NO = ? ORDER BY RC_SEQ_NO");

    auto none = connection->execute(sql, {QStringLiteral("no such reception")});
    QVERIFY(none.ok());
    QVERIFY(none.value().isOpen());
    QCOMPARE(none.value().recordCount(), 0);
    QVERIFY(none.value().atEnd());
    QVERIFY(none.value().atBegin());
    auto noRow = none.value().field(QStringLiteral("RC_KNAME"));
    QVERIFY(!noRow.ok());
    QCOMPARE(noRow.error().number, 3021L);

    auto two = connection->execute(sql, {QStringLiteral("130100005")});
    QVERIFY(two.ok());
    db::Recordset& r = two.value();
    QCOMPARE(r.recordCount(), 2);
    QVERIFY(!r.atEnd());
    QVERIFY(!r.atBegin());
    QCOMPARE(valueOf(r, QStringLiteral("RC_KNAME")), QVariant(QStringLiteral("ｱﾍﾞ ﾕｶﾘ")));
    r.moveNext();
    QCOMPARE(valueOf(r, QStringLiteral("RC_KNAME")), QVariant(QStringLiteral("ｳｴ")));
    r.moveNext();
    QVERIFY(r.atEnd());
    QVERIFY(!r.atBegin());
    r.moveNext();
    QVERIFY(r.atEnd());
    r.close();
    QVERIFY(!r.isOpen());
    QCOMPARE(r.field(QStringLiteral("RC_KNAME")).error().number, 3704L);
}

void DatabaseTest::rejectedStatementIsAnError() {
    QFETCH(QString, backend);
    TestDatabase db(backend, TestDatabase::Content::Schema);
    KEMA_REQUIRE_DATABASE(db);
    auto connection = openConnection(db.connectionString());
    for (const QString& sql :
         {QStringLiteral("SELECT NO_SUCH_COLUMN FROM URECEPT"),
          QStringLiteral("SELECT * FROM NO_SUCH_TABLE"), QStringLiteral("SELEC 1")}) {
        auto rs = connection->execute(sql);
        QVERIFY2(!rs.ok(), qPrintable(sql));
        QVERIFY(!rs.error().description.isEmpty());
        const QList<db::DbError> errors = connection->errors();
        QVERIFY2(!errors.isEmpty(), qPrintable(sql));
        QCOMPARE(errors.first().sqlState.size(), 5);
        QVERIFY(!errors.first().description.isEmpty());
        QVERIFY(rs.error().description.contains(errors.first().description));
    }
    QVERIFY(connection->execute(QStringLiteral("SELECT * FROM MSTORE")).ok());
    QVERIFY(connection->errors().isEmpty());
}

void DatabaseTest::connectionsAreIndependent() {
    QFETCH(QString, backend);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    const int before = db::openConnectionCount();
    {
        auto first = openConnection(db.connectionString());
        auto second = openConnection(db.connectionString());
        QVERIFY(first->isOpen() && second->isOpen());
        QCOMPARE(db::openConnectionCount(), before + 2);
        first->close();
        QVERIFY(!first->isOpen());
        auto rs = second->execute(QStringLiteral("SELECT STORE_NM FROM MSTORE ORDER BY STORE_CD"));
        QVERIFY(rs.ok());
        QCOMPARE(rs.value().recordCount(), 3);
        auto closed = first->execute(QStringLiteral("SELECT STORE_NM FROM MSTORE"));
        QVERIFY(!closed.ok());
        QCOMPARE(closed.error().number, 3709L);
    }
    QCOMPARE(db::openConnectionCount(), before);
}

void DatabaseTest::unopenableConnectionStrings_data() {
    QTest::addColumn<QString>("connectionString");
    QTest::addColumn<QString>("sqlState");
    QTest::newRow("empty") << QString() << QStringLiteral("IM002");
    QTest::newRow("blank") << QStringLiteral("  ") << QStringLiteral("IM002");
    QTest::newRow("unknown data source")
        << QStringLiteral("DSN=kema_no_such_source") << QStringLiteral("IM002");
    QTest::newRow("unknown driver")
        << QStringLiteral("DRIVER=kema_no_such_driver") << QStringLiteral("01000");
    QTest::newRow("server not listening") << kBadServer << QString();
    // The driver manager quotes the braced name, password and all.
    QTest::newRow("driver name holding a password")
        << QStringLiteral("DRIVER={kema_no_such_driver;PWD=secret}") << QStringLiteral("01000");
}

void DatabaseTest::unopenableConnectionStrings() {
    QFETCH(QString, connectionString);
    QFETCH(QString, sqlState);
    db::Connection connection;
    const Status opened = connection.open(connectionString);
    QVERIFY(!opened.ok());
    QVERIFY(!connection.isOpen());
    QCOMPARE(connection.connectionString(), connectionString);
    QVERIFY(!opened.error().description.isEmpty());
    QCOMPARE(opened.error().source, QStringLiteral("QODBC"));
    QVERIFY2(!opened.error().description.contains(QLatin1String("secret")),
             qPrintable(opened.error().description));
    const QList<db::DbError> errors = connection.errors();
    QVERIFY(!errors.isEmpty());
    for (const db::DbError& e : errors)
        QVERIFY(!e.description.contains(QLatin1String("secret")));
    QCOMPARE(errors.first().sqlState.size(), 5);
    if (!sqlState.isEmpty())
        QCOMPARE(errors.first().sqlState, sqlState);
    auto rs = connection.execute(QStringLiteral("SELECT 1"));
    QVERIFY(!rs.ok());
}

void DatabaseTest::connectionStringReachesTheDriverAsWritten_data() {
    QTest::addColumn<QString>("connectionString");
    QTest::addColumn<QString>("sqlState"); // of the refusal; empty when it opens
    // %1 is the folder of the data source.
    QTest::newRow("driver") << QStringLiteral("DRIVER=SQLite3;Database=%1/store.sqlite")
                            << QString();
    QTest::newRow("data source") << QStringLiteral("DSN=kema_test_source") << QString();
    QTest::newRow("data source, keyword in lower case")
        << QStringLiteral("dsn=kema_test_source") << QString();
    QTest::newRow("data source and options")
        << QStringLiteral("DSN=kema_test_source;Timeout=500") << QString();
    QTest::newRow("data source not first")
        << QStringLiteral("UID=kema;DSN=kema_test_source") << QString();
    QTest::newRow("data source after the database")
        << QStringLiteral("Database=%1/store.sqlite;DSN=kema_test_source") << QString();
    QTest::newRow(".dsn inside the database path")
        << QStringLiteral("DRIVER=SQLite3;Database=%1/store.dsn.sqlite") << QString();
    QTest::newRow("bare data source name") << QStringLiteral("kema_test_source") << QString();
    QTest::newRow("unknown data source not first, refused by the driver manager")
        << QStringLiteral("UID=kema;DSN=kema_no_such_source") << QStringLiteral("IM002");
}

// Only the driver manager refuses a string: a copy of the demo database answers, so the
// driver opened the file that was named.
void DatabaseTest::connectionStringReachesTheDriverAsWritten() {
    QFETCH(QString, connectionString);
    QFETCH(QString, sqlState);
    QVERIFY2(m_sources.isValid(), qPrintable(m_sourcesError));
    db::Connection connection;
    const QString written = connectionString.contains(QLatin1String("%1"))
                                ? connectionString.arg(m_sources.path())
                                : connectionString;
    const Status opened = connection.open(written);
    if (!sqlState.isEmpty()) {
        QVERIFY(!opened.ok());
        QVERIFY(!connection.errors().isEmpty());
        QCOMPARE(connection.errors().first().sqlState, sqlState);
        QVERIFY2(opened.error().description.contains(QLatin1String("Driver Manager")),
                 qPrintable(opened.error().description));
        return;
    }
    QVERIFY2(opened.ok(), qPrintable(failureText(opened)));
    QCOMPARE(connection.connectionString(), written);
    auto rs = connection.execute(QStringLiteral("SELECT COUNT(*) AS N FROM MSTORE"));
    QVERIFY(rs.ok());
    QCOMPARE(ToInteger32(valueOf(rs.value(), QStringLiteral("N"))), 3);
}

void DatabaseTest::passwordsAreMasked_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("masked");
    const auto row = [](const char* name, const char* text, const char* masked) {
        QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(masked);
    };
    row("PWD", "DRIVER=x;UID=kema;PWD=secret;DATABASE=kema",
        "DRIVER=x;UID=kema;PWD=***;DATABASE=kema");
    row("PASSWORD at the end without ';'", "UID=kema;PASSWORD=secret", "UID=kema;PASSWORD=***");
    row("keys in mixed case", "Pwd=secret;passWord=secret", "Pwd=***;passWord=***");
    row("braced value holding ';'", "UID=kema;PWD={a;b};DATABASE=kema",
        "UID=kema;PWD=***;DATABASE=kema");
    row("brace inside braces", "PWD={a}};b};UID=kema", "PWD=***;UID=kema");
    row("unclosed brace", "PWD={a;b", "PWD=***");
    row("blanks around the key", "UID=kema; PWD =secret", "UID=kema; PWD =***");
    row("'=' in the value", "PWD=a=b;UID=kema", "PWD=***;UID=kema");
    row("empty value", "PWD=;UID=kema", "PWD=***;UID=kema");
    row("keys that only contain the word", "XPWD=1;PWDX=2;MYPASSWORD=3",
        "XPWD=1;PWDX=2;MYPASSWORD=3");
    row("braced value of another key", "DRIVER={x;PWD=y};UID=kema", "DRIVER={x;PWD=y};UID=kema");
    row("no password", "DSN=kema_test_source", "DSN=kema_test_source");
    row("quoted in a diagnostic", "[unixODBC][Driver Manager]Can't open lib 'x;PWD=secret' : file",
        "[unixODBC][Driver Manager]Can't open lib 'x;PWD=***");
    row("empty", "", "");
}

void DatabaseTest::passwordsAreMasked() {
    QFETCH(QString, text);
    QFETCH(QString, masked);
    QCOMPARE(db::maskedConnectionString(text), masked);
}

void DatabaseTest::dbopenChoosesTheConnectionString_data() {
    addBackendColumn();
    QTest::addColumn<QString>("area");
    QTest::addColumn<bool>("parmc");
    for (const QString& backend : backends()) {
        const auto row = [&](const char* name, const QString& area, bool parmc) {
            QTest::addRow("%s %s", qPrintable(backend), name) << backend << area << parmc;
        };
        row("AREA absent", QStringLiteral("<absent>"), false);
        row("AREA empty", QString(), false);
        row("AREA 2", QStringLiteral("2"), false);
        row("AREA 01", QStringLiteral("01"), false);
        row("AREA 1 with a blank", QStringLiteral("1 "), false);
        row("AREA 1", QStringLiteral("1"), true);
    }
}

void DatabaseTest::dbopenChoosesTheConnectionString() {
    QFETCH(QString, backend);
    QFETCH(QString, area);
    QFETCH(bool, parmc);
    TestDatabase db(backend, TestDatabase::Content::Schema);
    KEMA_REQUIRE_DATABASE(db);
    QVERIFY(
        db.run(QStringLiteral("INSERT INTO GSYSPARM (PARM_NO, PARM_NAIYO) VALUES (1, '7');")).ok());
    // The ini reader strips blanks around values; quotes keep the one after "1".
    const QString areaLine = area == QLatin1String("1 ") ? QStringLiteral("\"1 \"") : area;
    QMap<QString, QString> settings{{QStringLiteral("DBPARMC"), db.connectionString()},
                                    {QStringLiteral("DBPARMS"), kBadServer}};
    if (!parmc)
        std::swap(settings[QStringLiteral("DBPARMC")], settings[QStringLiteral("DBPARMS")]);
    if (area != QLatin1String("<absent>"))
        settings.insert(QStringLiteral("AREA"), areaLine);
    db.writeSettings(settings);
    MessageBoxRecorder boxes;
    db::ReportDatabase report(QStringLiteral("TKV418R1"), messageComponent());
    QCOMPARE(report.prf_init_dbopen(), 0);
    QVERIFY(boxes.boxes().isEmpty());
    QCOMPARE(report.DbOpenError, qint16(0));
    QVERIFY(report.ownConnection() && report.ownConnection()->isOpen());
    QCOMPARE(report.prf_GetSysParm(1), qint16(7));
}

void DatabaseTest::dbopenFailureShowsOneMessageBox_data() {
    addBackendColumn();
    // The login's password, or empty for a server that does not listen.
    QTest::addColumn<QString>("password");
    for (const QString& backend : backends())
        QTest::addRow("%s server not listening", qPrintable(backend)) << backend << QString();
    QTest::newRow("postgres login refused") << kPostgres << QStringLiteral("PWD=secret");
    QTest::newRow("postgres login refused, braced password")
        << kPostgres << QStringLiteral("password={kema;secret}");
}

// A refused login is tried once and its secret shows nowhere. The test server trusts every
// password, so it is the role that it refuses.
void DatabaseTest::dbopenFailureShowsOneMessageBox() {
    QFETCH(QString, backend);
    QFETCH(QString, password);
    TestDatabase db(backend, TestDatabase::Content::Schema);
    KEMA_REQUIRE_DATABASE(db);
    std::optional<Relay> relay;
    QString connection = kBadServer;
    if (!password.isEmpty()) {
        const QMap<QString, QString> server =
            connectionValues(qEnvironmentVariable("KEMA_TEST_PG"));
        relay.emplace(server.value(QStringLiteral("PORT")).toUShort());
        QVERIFY(relay->port() != 0);
        connection =
            QStringLiteral("DRIVER=%1;SERVER=%2;PORT=%3;DATABASE=%4;"
                           "UID=kema_no_such_role;%5")
                .arg(server.value(QStringLiteral("DRIVER")), server.value(QStringLiteral("SERVER")))
                .arg(relay->port())
                .arg(server.value(QStringLiteral("DATABASE")), password);
    }
    db.writeSettings({{QStringLiteral("DBPARMS"), connection}});
    MessageBoxRecorder boxes;
    MessageRecorder messages;
    for (const char* name : {"TKV418R1", "TKV418R2", "TKV418R3", "TKV418R4", "TKV418R5"}) {
        db::ReportDatabase report{QLatin1String(name), messageComponent()};
        QCOMPARE(report.prf_init_dbopen(), -1);
        QCOMPARE(report.DbOpenError, qint16(-1));
        QVERIFY(!report.ownConnection());
        QCOMPARE(boxes.boxes().size(), 1);
        const RecordedBox box = boxes.boxes().constLast();
        QCOMPARE(box.title, QLatin1String(name) + QStringLiteral(".prf_init_dbopen"));
        // "number:source" CR LF "description"
        const qsizetype crlf = box.text.indexOf(QStringLiteral("\r\n"));
        QVERIFY(crlf > 0);
        const QString head = box.text.left(crlf);
        QVERIFY2(head.endsWith(QStringLiteral(":QODBC")), qPrintable(head));
        bool numeric = false;
        head.section(u':', 0, 0).toLong(&numeric);
        QVERIFY(numeric);
        QVERIFY(box.text.mid(crlf + 2).contains(QStringLiteral("08001")));
        QVERIFY2(!box.text.contains(QLatin1String("secret")), qPrintable(box.text));
        QVERIFY(messages.messages().isEmpty());
        boxes.clear();
    }
    if (!password.isEmpty()) {
        QCOMPARE(relay->connections(), 5);
        db::Connection direct;
        const Status opened = direct.open(connection);
        QVERIFY(!opened.ok());
        QVERIFY2(!opened.error().description.contains(QLatin1String("secret")),
                 qPrintable(opened.error().description));
        QCOMPARE(relay->connections(), 6);
    }
}

void DatabaseTest::dbopenAgainClosesTheOldConnection() {
    QFETCH(QString, backend);
    TestDatabase db(backend, TestDatabase::Content::Schema);
    KEMA_REQUIRE_DATABASE(db);
    db.writeSettings();
    const int before = db::openConnectionCount();
    db::ReportDatabase report(QStringLiteral("TKV418R3"), messageComponent());
    QCOMPARE(report.prf_init_dbopen(), 0);
    QCOMPARE(db::openConnectionCount(), before + 1);
    QCOMPARE(report.prf_init_dbopen(), 0);
    QCOMPARE(db::openConnectionCount(), before + 1);
    report.release();
    QVERIFY(!report.ownConnection());
    QCOMPARE(db::openConnectionCount(), before);
}

void DatabaseTest::receptionRead_data() {
    addBackendColumn();
    QTest::addColumn<QString>("qnumber");
    QTest::addColumn<int>("rows");
    for (const QString& backend : backends()) {
        const auto row = [&](const char* name, const QString& qnumber, int rows) {
            QTest::addRow("%s %s", qPrintable(backend), name) << backend << qnumber << rows;
        };
        row("one row", QStringLiteral("130100002"), 1);
        row("two rows", QStringLiteral("130100005"), 2);
        row("no row", QStringLiteral("999999999"), 0);
        row("empty", QString(), 0);
        row("quote in the number", QStringLiteral("1301'00002"), 0);
        row("quoted value", QStringLiteral("O'Brien"), 1);
        row("or true", QStringLiteral("x' OR '1'='1"), 0);
        row("second statement", QStringLiteral("130100002'; DROP TABLE URECEPT; --"), 0);
        row("question mark", QStringLiteral("?"), 0);
        row("backslash", QStringLiteral("\\' OR 1=1 --"), 0);
        row("trailing blank", QStringLiteral("130100002 "), 0);
    }
}

void DatabaseTest::receptionRead() {
    QFETCH(QString, backend);
    QFETCH(QString, qnumber);
    QFETCH(int, rows);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    QVERIFY(db.run(QString::fromUtf8(kOwnReceptions)).ok());
    db.writeSettings();
    MessageRecorder messages;
    db::ReportDatabase report(QStringLiteral("TKV418R2"), messageComponent());
    QCOMPARE(report.prf_init_dbopen(), 0);
    QCOMPARE(report.prf_init_dborec(qnumber), 0);
    QCOMPARE(report.DbOpenError, qint16(0));
    QCOMPARE(report.ReceptionReadError, qint16(0));
    db::Recordset& rs = report.reception();
    QVERIFY(rs.isOpen());
    QCOMPARE(rs.recordCount(), rows);
    if (rows == 0) {
        QCOMPARE(report.NoReception, qint16(-1));
        QCOMPARE(messages.messages().size(), 1);
        const RecordedMessage m = messages.messages().first();
        QCOMPARE(m.member, QStringLiteral("MSGDSP"));
        QCOMPARE(m.code, QStringLiteral("11003"));
        QVERIFY(!m.argument.isValid());
        QCOMPARE(m.title, QStringLiteral("TKV418R2.prf_init_dborec"));
    } else {
        QCOMPARE(report.NoReception, qint16(0));
        QVERIFY(messages.messages().isEmpty());
        for (int seq = 1; seq <= rows; ++seq, rs.moveNext())
            QCOMPARE(ToInteger16(valueOf(rs, QStringLiteral("RC_SEQ_NO"))), qint16(seq));
    }
    auto left =
        report.ownConnection()->execute(QStringLiteral("SELECT COUNT(*) AS N FROM URECEPT"));
    QVERIFY(left.ok());
    QCOMPARE(ToInteger32(valueOf(left.value(), QStringLiteral("N"))), 16);
}

void DatabaseTest::receptionReadRejected_data() {
    addBackendColumn();
    QTest::addColumn<bool>("lent"); // the statement runs on the host's connection
    for (const QString& backend : backends()) {
        QTest::addRow("%s own connection", qPrintable(backend)) << backend << false;
        QTest::addRow("%s host connection", qPrintable(backend)) << backend << true;
    }
}

// The message carries the errors of the connection that ran the statement.
void DatabaseTest::receptionReadRejected() {
    QFETCH(QString, backend);
    QFETCH(bool, lent);
    TestDatabase own(backend, lent ? TestDatabase::Content::Demo : TestDatabase::Content::Schema);
    KEMA_REQUIRE_DATABASE(own);
    TestDatabase host(backend, TestDatabase::Content::Schema);
    KEMA_REQUIRE_DATABASE(host);
    QVERIFY((lent ? host : own).run(QStringLiteral("DROP TABLE URECEPT;")).ok());
    own.writeSettings();
    db::ConnectionPtr hostConnection;
    if (lent) {
        hostConnection = openConnection(host.connectionString());
        SharedRequestState::instance().DBconnection = hostConnection;
    }
    MessageRecorder messages;
    db::ReportDatabase report(QStringLiteral("TKV418R1"), messageComponent());
    QCOMPARE(report.prf_init_dbopen(), 0);
    QCOMPARE(report.prf_init_dborec(QStringLiteral("130100002")), -1);
    QCOMPARE(report.DbOpenError, qint16(-1));
    QCOMPARE(report.ReceptionReadError, qint16(-1));
    QCOMPARE(report.NoReception, qint16(0));
    QVERIFY(!report.reception().isOpen());
    QCOMPARE(messages.messages().size(), 1);
    const RecordedMessage m = messages.messages().first();
    QCOMPARE(m.member, QStringLiteral("DBERRDSP"));
    QCOMPARE(m.code, QStringLiteral("11001"));
    QCOMPARE(m.title, QStringLiteral("TKV418R1.prf_init_dborec"));
    QVERIFY(!m.argument.isValid());
    QVERIFY(m.errObject.has_value());
    QVERIFY(!m.errorTexts.isEmpty());
    QCOMPARE(m.sqlStates.first().size(), 5);
    QVERIFY(m.errObject->description.contains(m.errorTexts.first()));
    const db::Connection* ran = lent ? hostConnection.get() : report.ownConnection();
    QStringList texts;
    for (const db::DbError& e : ran->errors())
        texts << e.description;
    QCOMPARE(m.errorTexts, texts);
    if (lent) {
        QVERIFY(report.ownConnection()->errors().isEmpty());
        report.release();
        QVERIFY(hostConnection->isOpen());
    }
}

void DatabaseTest::hostConnectionIsOnlyBorrowed() {
    QFETCH(QString, backend);
    TestDatabase own(backend, TestDatabase::Content::Schema);
    KEMA_REQUIRE_DATABASE(own);
    TestDatabase host(backend);
    KEMA_REQUIRE_DATABASE(host);
    QVERIFY(own.run(QStringLiteral("INSERT INTO GSYSPARM (PARM_NO, PARM_NAIYO) VALUES (1180, "
                                   "'77');"))
                .ok());
    own.writeSettings();
    auto lent = openConnection(host.connectionString());
    QVERIFY(lent->isOpen());
    SharedRequestState::instance().DBconnection = lent;

    MessageRecorder messages;
    db::ReportDatabase report(QStringLiteral("TKV418R1"), messageComponent());
    QCOMPARE(report.prf_init_dbopen(), 0);
    QVERIFY(report.ownConnection() != lent.get());
    // Only the host's database holds the reception; only the own one says 77.
    QCOMPARE(report.prf_init_dborec(QStringLiteral("130100002")), 0);
    QCOMPARE(report.reception().recordCount(), 1);
    QCOMPARE(report.prf_GetSysParm(1180), qint16(77));
    auto items = report.prf_BothEyesItems(false);
    QVERIFY(items.ok());
    QVERIFY(items.value().isEmpty());
    auto work = report.openWork(QStringLiteral("SELECT * FROM URECEPT"));
    QVERIFY(work.ok());
    QCOMPARE(work.value()->recordCount(), 0);
    QVERIFY(messages.messages().isEmpty());

    report.release();
    QVERIFY(!report.ownConnection());
    QVERIFY(!report.reception().isOpen());
    QVERIFY(lent->isOpen());
    QCOMPARE(SharedRequestState::instance().DBconnection, lent);
    auto still = lent->execute(QStringLiteral("SELECT * FROM URECEPT"));
    QVERIFY(still.ok());
    QCOMPARE(still.value().recordCount(), 12);
}

void DatabaseTest::systemParameters_data() {
    addBackendColumn();
    QTest::addColumn<int>("parmNo");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("row");
    for (const QString& backend : backends()) {
        const auto add = [&](const char* name, int parmNo, int value, bool row) {
            QTest::addRow("%s %s", qPrintable(backend), name) << backend << parmNo << value << row;
        };
        add("frames 1120", 1120, 10, true);
        add("special orders 1180", 1180, 30, true);
        add("card 5020", 5020, 1, true);
        add("not numeric", 9001, 0, true);
        add("blanks around", 7001, 12, true);
        add("rounded half to even", 7002, 12, true);
        add("out of 16 bits", 7003, 0, true);
        add("null value", 7004, 0, true);
        add("no row", 4242, -1, false);
    }
}

void DatabaseTest::systemParameters() {
    QFETCH(QString, backend);
    QFETCH(int, parmNo);
    QFETCH(int, value);
    QFETCH(bool, row);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    QVERIFY(db.run(QStringLiteral("INSERT INTO GSYSPARM (PARM_NO, PARM_NAIYO) VALUES (7001, ' 12 "
                                  "'), (7002, '12.5'), (7003, '40000'), (7004, NULL);"))
                .ok());
    db.writeSettings();
    MessageRecorder messages;
    db::ReportDatabase report(QStringLiteral("TKV418R1"), messageComponent());
    QCOMPARE(report.prf_init_dbopen(), 0);
    QCOMPARE(report.prf_GetSysParm(qint16(parmNo)), qint16(value));

    auto looked = db::sysParm(*report.ownConnection(), parmNo);
    QVERIFY(looked.ok());
    QCOMPARE(looked.value().has_value(), row);
    if (row) {
        const qint32 expected = parmNo == 7003 ? 40000 : value;
        QCOMPARE(ToInteger32(*looked.value()), expected);
    }
    QVERIFY(messages.messages().isEmpty());
}

void DatabaseTest::systemParameterErrors() {
    QFETCH(QString, backend);
    TestDatabase db(backend, TestDatabase::Content::Schema);
    KEMA_REQUIRE_DATABASE(db);
    QVERIFY(db.run(QStringLiteral("DROP TABLE GSYSPARM;")).ok());
    db.writeSettings();
    MessageRecorder messages;
    db::ReportDatabase report(QStringLiteral("TKV418R1"), messageComponent());
    QCOMPARE(report.prf_GetSysParm(1120), qint16(-1)); // not open yet
    QCOMPARE(report.prf_init_dbopen(), 0);
    QCOMPARE(report.prf_GetSysParm(1120), qint16(-1));
    auto looked = db::sysParm(*report.ownConnection(), 5020);
    QVERIFY(!looked.ok());
    QVERIFY(!report.ownConnection()->errors().isEmpty());
    QVERIFY(messages.messages().isEmpty());
}

void DatabaseTest::bothEyesItems() {
    QFETCH(QString, backend);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    db.writeSettings();
    db::ReportDatabase report(QStringLiteral("TKV418R1"), messageComponent());
    QVERIFY(!report.prf_BothEyesItems(true).ok());
    QCOMPARE(report.prf_init_dbopen(), 0);
    auto glasses = report.prf_BothEyesItems(true);
    QVERIFY2(glasses.ok(), qPrintable(failureText(glasses)));
    QCOMPARE(glasses.value(), (QVariantList{20, 21, 40, 41}));
    auto contact = report.prf_BothEyesItems(false);
    QVERIFY(contact.ok());
    QCOMPARE(contact.value(), (QVariantList{20, 21, 30, 40, 41}));

    // Without parameter 1180 the comparison is unknown for every item, as on any server.
    QVERIFY(db.run(QStringLiteral("DELETE FROM GSYSPARM WHERE PARM_NO = 1180;")).ok());
    auto none = report.prf_BothEyesItems(true);
    QVERIFY(none.ok());
    QVERIFY(none.value().isEmpty());
    QVERIFY(db.run(QStringLiteral("DROP TABLE MITEMCD;")).ok());
    QVERIFY(!report.prf_BothEyesItems(false).ok());
}

void DatabaseTest::workRecordsetIsReplaced() {
    QFETCH(QString, backend);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    db.writeSettings();
    db::ReportDatabase report(QStringLiteral("TKV418R1"), messageComponent());
    QCOMPARE(report.prf_init_dbopen(), 0);
    auto first = report.openWork(QStringLiteral("SELECT STORE_CD FROM MSTORE WHERE STORE_CD <> ? "
                                                "ORDER BY STORE_CD"),
                                 {QStringLiteral("002")});
    QVERIFY(first.ok());
    db::Recordset* work = first.value();
    QCOMPARE(work->recordCount(), 2);
    auto second = report.openWork(QStringLiteral("SELECT PARM_NAIYO FROM GSYSPARM WHERE "
                                                 "PARM_NO = ?"),
                                  {1120});
    QVERIFY(second.ok());
    QCOMPARE(second.value(), work);
    QCOMPARE(work->recordCount(), 1);
    QVERIFY(!work->hasField(QStringLiteral("STORE_CD")));
    auto rejected = report.openWork(QStringLiteral("SELECT * FROM NO_SUCH_TABLE"));
    QVERIFY(!rejected.ok());
    QVERIFY(!work->isOpen());
    QVERIFY(report.openWork(QStringLiteral("SELECT * FROM MSTORE")).ok());
    report.prs_CloseWorkRs();
    QVERIFY(!work->isOpen());
    QCOMPARE(work->recordCount(), 0);
}

// Without a QApplication on a display, the box is a line on standard error.
void DatabaseTest::defaultPlatformMessageBoxWritesOneLine() {
    StderrCapture capture;
    showPlatformMessageBox(QStringLiteral("-2147467259:QODBC\r\n[08001] refused"),
                           QStringLiteral("TKV418R1.prf_init_dbopen"));
    QCOMPARE(capture.text(),
             QStringLiteral("-2147467259:QODBC [08001] refused [TKV418R1.prf_init_dbopen]\n"));
}

QTEST_GUILESS_MAIN(DatabaseTest)
#include "tst_database.moc"
