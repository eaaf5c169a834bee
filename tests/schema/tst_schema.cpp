// The store database as the demo builds it (scripts/make-demo-db, through the sqlite3 CLI) and
// as a server holds it (psql into a fresh schema), read back through ODBC.
#include "TestDatabase.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <memory>

using namespace kema::test;
using namespace Qt::StringLiterals;

class TestSchema : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        QProcess make;
        make.start(QStringLiteral(KEMA_SOURCE_DIR "/scripts/make-demo-db"), {m_dir.path()});
        QVERIFY(make.waitForFinished(120000));
        QVERIFY2(make.exitStatus() == QProcess::NormalExit && make.exitCode() == 0,
                 make.readAllStandardError().constData());
    }

    void cleanupTestCase() {
        for (const QString& name : QSqlDatabase::connectionNames())
            QSqlDatabase::removeDatabase(name);
    }

    // The demo's settings name the store database it built.
    void demoSettingsOpenTheDatabase() {
        QFile settings(m_dir.filePath(u"settings.ini"_s));
        QVERIFY(settings.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(settings.readAll()).split(u'\n');
        QCOMPARE(lines.mid(0, 3), QStringList({"[NWLS\\Common]", "KIGYO=", "AREA="}));
        QCOMPARE(lines.value(3), u"DBPARMS=DRIVER=SQLite3;Database="_s +
                                     QDir(m_dir.path()).filePath(u"store.sqlite"_s));
    }

    void valuesKeepTheirTypes_data() { addBackendRows(); }
    // Dates arrive as dates, amounts as numbers, the codes whose leading zeros matter as texts.
    void valuesKeepTheirTypes() {
        QFETCH(QString, backend);
        std::unique_ptr<TestDatabase> server;
        QString connection = u"DRIVER=SQLite3;Database="_s + m_dir.filePath(u"store.sqlite"_s);
        if (backend == kPostgres) {
            server = std::make_unique<TestDatabase>(backend);
            KEMA_REQUIRE_DATABASE(*server);
            connection = server->connectionString();
        }
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QODBC"_s, backend);
        db.setDatabaseName(connection);
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QSqlQuery query(db);
        QVERIFY2(query.exec(u"SELECT RC_RECEPT_DT, RC_BIRTHDAY, RC_STORE_CD, CUBS_MAILNO, "
                            "CUBS_SEX, CUBS_CL_AMT_SUM, RC_UNIQUE_KEY FROM URECEPT, CBASE "
                            "WHERE RC_UNIQUE_KEY = CUBS_UNIQUE_KEY AND RC_INQ_NO = '130100003'"_s),
                 qPrintable(query.lastError().text()));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).metaType().id(), QMetaType::QDate);
        QCOMPARE(query.value(0).toDate(), QDate::currentDate());
        QCOMPARE(query.value(1).toDate(), QDate(1975, 11, 3));
        QCOMPARE(query.value(2), QVariant(u"001"_s));
        QCOMPARE(query.value(3), QVariant(u"0600001"_s));
        QCOMPARE(query.value(4).toInt(), 2);
        QCOMPARE(query.value(5), QVariant(54321.0));
        QCOMPARE(query.value(6).metaType().id(), QMetaType::LongLong);
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
