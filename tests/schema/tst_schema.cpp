// The store database as the demo builds it (scripts/make-demo-db, through the sqlite3 CLI), read
// back through ODBC.
#include <QDate>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

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

    // Dates arrive as dates, amounts as numbers, the codes whose leading zeros matter as texts.
    void valuesKeepTheirTypes() {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QODBC"_s);
        db.setDatabaseName(u"DRIVER=SQLite3;Database="_s + m_dir.filePath(u"store.sqlite"_s));
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QSqlQuery query(db);
        QVERIFY2(query.exec(u"SELECT RC_RECEPT_DT, RC_STORE_CD, CUBS_MAILNO, CUBS_CL_AMT_SUM, "
                            "RC_UNIQUE_KEY FROM URECEPT, CBASE WHERE RC_UNIQUE_KEY = "
                            "CUBS_UNIQUE_KEY AND RC_INQ_NO = '130100003'"_s),
                 qPrintable(query.lastError().text()));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).metaType().id(), QMetaType::QDate);
        QCOMPARE(query.value(0).toDate(), QDate::currentDate());
        QCOMPARE(query.value(1), QVariant(u"001"_s));
        QCOMPARE(query.value(2), QVariant(u"0600001"_s));
        QCOMPARE(query.value(3), QVariant(54321.0));
        QCOMPARE(query.value(4).metaType().id(), QMetaType::LongLong);
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
