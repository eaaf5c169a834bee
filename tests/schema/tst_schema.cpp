// The store database as the demo builds it (scripts/make-demo-db, through the sqlite3 CLI) and
// as a server holds it (psql into a fresh schema), read back through ODBC.
#include "TestDatabase.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kema::test;

namespace {

struct TableCount {
    const char* table;
    int rows;
};

const TableCount kDemoRows[] = {
    {"MSTORE", 3},    {"MITEMDEF", 25}, {"MITEMDTL", 100}, {"MITEMCD", 9},
    {"GSYSPARM", 6},  {"URECEPT", 12},  {"CBASE", 24},     {"CGLASBS", 8},
    {"CGLASDTL", 16}, {"CCNTBS", 7},    {"CCNTDTL", 12},   {"CSALE", 31},
};

QString sourcePath(const QString& relative) {
    return QDir(QStringLiteral(KEMA_SOURCE_DIR)).filePath(relative);
}

} // namespace

class SchemaTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void demoSettingsOpenTheDatabase();
    void tablesHoldTheDemoRows_data();
    void tablesHoldTheDemoRows();
    void valuesKeepTheirTypes_data();
    void valuesKeepTheirTypes();
    void bothEyesItemsExcludeSpecialOrders_data();
    void bothEyesItemsExcludeSpecialOrders();
    void customerKeyMatchesABoundDouble_data();
    void customerKeyMatchesABoundDouble();
    void demoReceptions_data();
    void demoReceptions();

private:
    QSqlDatabase connection(const QString& backend);
    void addBackendColumn();
    QString runPsql(const QStringList& arguments, const QString& schema = QString());

    QTemporaryDir m_dir;
    QStringList m_settingsLines;
    QString m_sqliteConnection;
    QString m_pgSchema;
    QString m_pgError;
    QMap<QString, QString> m_pg;
};

void SchemaTest::initTestCase() {
    QVERIFY(m_dir.isValid());
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty(),
             "the sqlite3 CLI is missing (scripts/install-deps installs it)");

    QProcess make;
    make.start(sourcePath(QStringLiteral("scripts/make-demo-db")), {m_dir.path()});
    QVERIFY(make.waitForFinished(120000));
    QVERIFY2(make.exitStatus() == QProcess::NormalExit && make.exitCode() == 0,
             make.readAllStandardError().constData());
    QFile settings(QDir(m_dir.path()).filePath(QStringLiteral("settings.ini")));
    QVERIFY(settings.open(QIODevice::ReadOnly | QIODevice::Text));
    m_settingsLines = QString::fromUtf8(settings.readAll()).split(QLatin1Char('\n'));
    const QString prefix = QStringLiteral("DBPARMS=");
    for (const QString& line : std::as_const(m_settingsLines)) {
        if (line.startsWith(prefix))
            m_sqliteConnection = line.mid(prefix.size());
    }

    const QString pg = qEnvironmentVariable("KEMA_TEST_PG");
    if (pg.isEmpty())
        return;
    m_pg = connectionValues(pg);
    m_pgSchema = QStringLiteral("schema_test_%1_%2")
                     .arg(QCoreApplication::applicationPid())
                     .arg(QDateTime::currentMSecsSinceEpoch());
    m_pgError = runPsql({QStringLiteral("-c"), QStringLiteral("CREATE SCHEMA %1").arg(m_pgSchema)});
    for (const char* file : {"db/schema.sql", "db/demo.sql"}) {
        if (m_pgError.isEmpty())
            m_pgError =
                runPsql({QStringLiteral("-f"), sourcePath(QString::fromLatin1(file))}, m_pgSchema);
    }
}

void SchemaTest::cleanupTestCase() {
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString& name : names)
        QSqlDatabase::removeDatabase(name);
    if (!m_pgSchema.isEmpty())
        runPsql({QStringLiteral("-c"), QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_pgSchema)});
}

// Runs psql against the server of KEMA_TEST_PG; returns its error text, empty on success.
QString SchemaTest::runPsql(const QStringList& arguments, const QString& schema) {
    return failureText(kema::test::runPsql(m_pg, arguments, schema));
}

// The backend's connection, or a skip (a failure when the services are required).
QSqlDatabase SchemaTest::connection(const QString& backend) {
    if (QSqlDatabase::contains(backend))
        return QSqlDatabase::database(backend);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), backend);
    if (backend == kSqlite) {
        db.setDatabaseName(m_sqliteConnection);
    } else {
        db.setDatabaseName(qEnvironmentVariable("KEMA_TEST_PG"));
    }
    if (!db.open())
        return db;
    if (backend == kPostgres)
        QSqlQuery(db).exec(QStringLiteral("SET search_path TO %1").arg(m_pgSchema));
    return db;
}

void SchemaTest::addBackendColumn() {
    QTest::addColumn<QString>("backend");
}

#define KEMA_OPEN(db, backend)                                                                     \
    if ((backend) == kPostgres && qEnvironmentVariable("KEMA_TEST_PG").isEmpty()) {                \
        if (servicesRequired())                                                                    \
            QFAIL("KEMA_TEST_PG is not set but KEMA_REQUIRE_SERVICES=1");                          \
        QSKIP("KEMA_TEST_PG is not set: no PostgreSQL server to load the schema into");            \
    }                                                                                              \
    QVERIFY2((backend) != kPostgres || m_pgError.isEmpty(), qPrintable(m_pgError));                \
    QSqlDatabase db = connection(backend);                                                         \
    QVERIFY2(db.isOpen(), qPrintable(db.lastError().text()))

void SchemaTest::demoSettingsOpenTheDatabase() {
    const QStringList& lines = m_settingsLines;
    QCOMPARE(lines.value(0), QStringLiteral("[NWLS\\Common]"));
    QVERIFY(lines.contains(QStringLiteral("KIGYO=")));
    QVERIFY(lines.contains(QStringLiteral("AREA=")));
    const QString database = QDir(m_dir.path()).filePath(QStringLiteral("store.sqlite"));
    QCOMPARE(m_sqliteConnection, QStringLiteral("DRIVER=SQLite3;Database=%1").arg(database));
    KEMA_OPEN(db, kSqlite);
}

void SchemaTest::tablesHoldTheDemoRows_data() {
    addBackendColumn();
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("rows");
    for (const QString& backend : {kSqlite, kPostgres}) {
        for (const TableCount& count : kDemoRows) {
            QTest::addRow("%s %s", qPrintable(backend), count.table)
                << backend << QString::fromLatin1(count.table) << count.rows;
        }
    }
}

void SchemaTest::tablesHoldTheDemoRows() {
    QFETCH(QString, backend);
    QFETCH(QString, table);
    QFETCH(int, rows);
    KEMA_OPEN(db, backend);
    QSqlQuery query(db);
    QVERIFY2(query.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)),
             qPrintable(query.lastError().text()));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), rows);
}

void SchemaTest::valuesKeepTheirTypes_data() {
    addBackendColumn();
    for (const QString& backend : {kSqlite, kPostgres})
        QTest::newRow(qPrintable(backend)) << backend;
}

// Dates arrive as dates, amounts as numbers, and the codes whose leading zeros matter as texts.
void SchemaTest::valuesKeepTheirTypes() {
    QFETCH(QString, backend);
    KEMA_OPEN(db, backend);
    QSqlQuery query(db);
    QVERIFY2(query.exec(QStringLiteral(
                 "SELECT RC_RECEPT_DT, RC_BIRTHDAY, RC_STORE_CD, CUBS_MAILNO, CUBS_SEX, "
                 "CUBS_CL_AMT_SUM, RC_UNIQUE_KEY "
                 "FROM URECEPT, CBASE WHERE RC_UNIQUE_KEY = CUBS_UNIQUE_KEY "
                 "AND RC_INQ_NO = '130100003'")),
             qPrintable(query.lastError().text()));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).metaType().id(), QMetaType::QDate);
    QCOMPARE(query.value(0).toDate(), QDate::currentDate());
    QCOMPARE(query.value(1).toDate(), QDate(1975, 11, 3));
    QCOMPARE(query.value(2).metaType().id(), QMetaType::QString);
    QCOMPARE(query.value(2).toString(), QStringLiteral("001"));
    QCOMPARE(query.value(3).toString(), QStringLiteral("0600001"));
    QCOMPARE(query.value(4).toInt(), 2);
    QCOMPARE(query.value(5).metaType().id(), QMetaType::Double);
    QCOMPARE(query.value(5).toDouble(), 54321.0);
    QCOMPARE(query.value(6).metaType().id(), QMetaType::LongLong);
}

void SchemaTest::bothEyesItemsExcludeSpecialOrders_data() {
    valuesKeepTheirTypes_data();
}

// The text parameter value is compared with the integer item codes after a cast.
void SchemaTest::bothEyesItemsExcludeSpecialOrders() {
    QFETCH(QString, backend);
    KEMA_OPEN(db, backend);
    QSqlQuery query(db);
    QVERIFY2(query.exec(QStringLiteral(
                 "SELECT ITEM_CD FROM MITEMCD WHERE RYOUGAN_KBN = 1 AND ITEM_CD <> "
                 "(SELECT CAST(PARM_NAIYO AS INTEGER) FROM GSYSPARM WHERE PARM_NO = 1180) "
                 "ORDER BY ITEM_CD")),
             qPrintable(query.lastError().text()));
    QList<int> items;
    while (query.next())
        items.append(query.value(0).toInt());
    QCOMPARE(items, (QList<int>{20, 21, 40, 41}));
}

void SchemaTest::customerKeyMatchesABoundDouble_data() {
    valuesKeepTheirTypes_data();
}

void SchemaTest::customerKeyMatchesABoundDouble() {
    QFETCH(QString, backend);
    KEMA_OPEN(db, backend);
    QSqlQuery query(db);
    QVERIFY(query.prepare(
        QStringLiteral("SELECT CUBS_CUSTOM_MEI FROM CBASE WHERE CUBS_UNIQUE_KEY = ?")));
    query.addBindValue(1001.0);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("山本 健一"));
}

void SchemaTest::demoReceptions_data() {
    addBackendColumn();
    QTest::addColumn<QString>("reception");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("lastKana");
    for (const QString& backend : {kSqlite, kPostgres}) {
        QTest::addRow("%s returning customer", qPrintable(backend))
            << backend << QStringLiteral("130100002") << 1 << QStringLiteral("ﾔﾏﾓﾄ ｹﾝｲﾁ");
        QTest::addRow("%s two rows", qPrintable(backend))
            << backend << QStringLiteral("130100005") << 2 << QStringLiteral("ｳｴ");
    }
}

void SchemaTest::demoReceptions() {
    QFETCH(QString, backend);
    QFETCH(QString, reception);
    QFETCH(int, rows);
    QFETCH(QString, lastKana);
    KEMA_OPEN(db, backend);
    QSqlQuery query(db);
    QVERIFY(query.prepare(QStringLiteral(
        "SELECT RC_KNAME, RC_STORE_CD FROM URECEPT WHERE RC_INQ_NO = ? ORDER BY RC_SEQ_NO")));
    query.addBindValue(reception);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    int count = 0;
    QString kana;
    while (query.next()) {
        ++count;
        kana = query.value(0).toString();
        QCOMPARE(query.value(1).toString(), QStringLiteral("001"));
    }
    QCOMPARE(count, rows);
    QCOMPARE(kana, lastKana);
}

QTEST_GUILESS_MAIN(SchemaTest)
#include "tst_schema.moc"
