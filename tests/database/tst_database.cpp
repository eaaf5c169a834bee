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
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace kema;
using namespace kema::test;
using namespace Qt::StringLiterals;

namespace {

const QString kBadServer =
    u"DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=1;DATABASE=kema;UID=kema"_s;

// Reception rows whose every nullable column is Null, and one with a value of every type.
const char kOwnReceptions[] =
    "INSERT INTO URECEPT (RC_INQ_NO, RC_SEQ_NO) VALUES ('N1', 1);\n"
    "INSERT INTO URECEPT (RC_INQ_NO, RC_SEQ_NO, RC_STORE_CD, RC_RECEPT_DT, RC_RECEPT_TM, "
    "RC_DENP_KBN, RC_UNIQUE_KEY, RC_KNAME) VALUES ('T1', 1, '001', '2024-03-09', "
    "'2024-03-09 14:05:30', 2, 9007199254740993, 'ﾃｽﾄ');\n"
    "INSERT INTO CBASE (CUBS_UNIQUE_KEY, CUBS_GL_AMT_SUM) VALUES (1000000000000000, 0.25);\n";

db::ConnectionPtr openConnection(const QString& connectionString) {
    auto connection = std::make_shared<db::Connection>();
    if (const Status opened = connection->open(connectionString); !opened.ok())
        qWarning("%s", qPrintable(opened.error().messageBoxText()));
    return connection;
}

QVariant valueOf(const db::Recordset& rs, const QString& name) {
    auto value = rs.field(name);
    return value.ok() ? value.value() : QVariant(u"<error>"_s);
}

// "member code title" of a recorded message.
QString summary(const RecordedMessage& m) {
    return m.member + u' ' + m.code + u' ' + m.title;
}

// A reception read that the database rejects: message 11001 with the errors of `ran`.
void verifyRejected(db::ReportDatabase& report, const MessageRecorder& messages,
                    const db::Connection& ran) {
    QCOMPARE(report.prf_init_dborec(u"130100002"_s), -1);
    QCOMPARE(report.DbOpenError, qint16(-1));
    QCOMPARE(report.ReceptionReadError, qint16(-1));
    QCOMPARE(messages.messages().size(), 1);
    const RecordedMessage m = messages.messages().first();
    QCOMPARE(summary(m), u"DBERRDSP 11001 TKV418R1.prf_init_dborec"_s);
    QStringList texts;
    for (const db::DbError& e : ran.errors())
        texts << e.description;
    QCOMPARE(m.errorTexts, texts);
    QCOMPARE(m.sqlStates.value(0).size(), 5);
    QVERIFY(m.errObject && m.errObject->description.contains(texts.value(0)));
}

} // namespace

class DatabaseTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_sources;

private slots:
    void cleanup() { SharedRequestState::instance().DBconnection.reset(); }
    // A data source of a demo database, for the whole run: the driver manager reads its ini file
    // once.
    void initTestCase() {
        TestDatabase db(kSqlite);
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        const QString database = m_sources.filePath(u"store.dsn.sqlite"_s);
        QVERIFY(QFile::copy(db.connectionString().section(u'=', 2), database));
        QFile ini(m_sources.filePath(u"odbc.ini"_s));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(u"[kema_test_source]\nDriver=SQLite3\nDatabase=%1\n"_s.arg(database).toUtf8());
        qputenv("ODBCINI", QFile::encodeName(ini.fileName()));
    }

    // A host that never takes its connection back: the process still ends cleanly.
    void cleanupTestCase() {
        TestDatabase db(kSqlite);
        auto lent = openConnection(db.connectionString());
        QVERIFY(lent->isOpen());
        SharedRequestState::instance().DBconnection = lent;
    }

    void valuesOfEveryType_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("type"); // of the value read; UnknownType for Null
        QTest::addColumn<QString>("text");
        const auto t1 = [](const char* column, const char* inqNo = "T1") {
            return u"SELECT %1 FROM URECEPT WHERE RC_INQ_NO = '%2'"_s.arg(QLatin1String(column),
                                                                          QLatin1String(inqNo));
        };
        // Longer than one piece the driver hands over.
        const QString longText(5000, u'長');
        for (const QString& backend : backends()) {
            const auto row = [&](const char* name, const QString& sql, int type,
                                 const QString& text) {
                QTest::addRow("%s %s", qPrintable(backend), name) << backend << sql << type << text;
            };
            row("integer", t1("RC_SEQ_NO"), QMetaType::Int, u"1"_s);
            row("smallint", t1("RC_DENP_KBN"), QMetaType::Int, u"2"_s);
            // 2^53 + 1: a double would lose the last digit.
            row("bigint", t1("RC_UNIQUE_KEY"), QMetaType::LongLong, u"9007199254740993"_s);
            row("date", t1("RC_RECEPT_DT"), QMetaType::QDate, u"2024/03/09"_s);
            row("timestamp", t1("RC_RECEPT_TM"), QMetaType::QDateTime, u"2024/03/09 14:05:30"_s);
            row("numeric fraction",
                u"SELECT GLS_S_1 FROM CGLASDTL WHERE GLS_UNIQUE_KEY = 1001 AND GLS_S_1 = -2.25"_s,
                QMetaType::Double, u"-2.25"_s);
            row("single-precision real", u"SELECT CAST(1.1 AS REAL) AS R"_s, QMetaType::Double,
                u"1.1"_s);
            row("long text", u"SELECT CAST('%1' AS VARCHAR(6000)) AS T"_s.arg(longText),
                QMetaType::QString, longText);
            row("null numeric", u"SELECT CUBS_GL_AMT_SUM FROM CBASE WHERE CUBS_UNIQUE_KEY = 1016"_s,
                QMetaType::UnknownType, QString());
            row("null text", t1("RC_STORE_CD", "N1"), QMetaType::UnknownType, QString());
        }
    }

    void valuesOfEveryType() {
        QFETCH(QString, backend);
        QFETCH(QString, sql);
        QFETCH(int, type);
        QFETCH(QString, text);
        TestDatabase db(backend);
        KEMA_REQUIRE_DATABASE(db);
        QVERIFY(db.run(QString::fromUtf8(kOwnReceptions)).ok());
        auto rs = openConnection(db.connectionString())->execute(sql);
        QVERIFY2(rs.ok(), qPrintable(failureText(rs)));
        const QVariant value = valueOf(rs.value(), rs.value().fieldNames().value(0));
        QCOMPARE(value.metaType().id(), type);
        QCOMPARE(NullToEmpty(value), text);
    }

    // Values of every type bound; fields by name without case (PostgreSQL folds names to lower
    // case, SQLite keeps them as declared); the positions of an empty and a two-row recordset;
    // closing one connection leaves the other usable; a rejected statement keeps the driver's
    // records until the next one.
    void connections_data() { addBackendRows(); }
    void connections() {
        QFETCH(QString, backend);
        TestDatabase db(backend);
        KEMA_REQUIRE_DATABASE(db);
        QVERIFY(db.run(QString::fromUtf8(kOwnReceptions)).ok());
        const int before = db::openConnectionCount();
        auto connection = openConnection(db.connectionString());
        auto rs = connection->execute(u"SELECT RC_INQ_NO FROM URECEPT WHERE RC_SEQ_NO = ? AND "
                                      "RC_RECEPT_DT = ? AND RC_RECEPT_TM = ? AND RC_UNIQUE_KEY = ? "
                                      "AND RC_STORE_CD = ? AND RC_DENP_KBN = ?"_s,
                                      {QVariant::fromValue<qint16>(1), QDate(2024, 3, 9),
                                       QDateTime(QDate(2024, 3, 9), QTime(14, 5, 30)),
                                       qlonglong(9007199254740993), u"001"_s, 2.0f});
        QVERIFY2(rs.ok(), qPrintable(failureText(rs)));
        QCOMPARE(valueOf(rs.value(), u"RC_INQ_NO"_s), QVariant(u"T1"_s));
        // A whole double of 16 digits reaches an integer column as that number, a fraction keeps
        // it.
        auto wide = connection->execute(
            u"SELECT CUBS_UNIQUE_KEY FROM CBASE WHERE CUBS_UNIQUE_KEY = ? AND CUBS_GL_AMT_SUM = ?"_s,
            {1e15, 0.25});
        QVERIFY2(wide.ok(), qPrintable(failureText(wide)));
        QCOMPARE(wide.value().recordCount(), 1);

        const QString sql = u"SELECT * FROM URECEPT WHERE RC_INQ_NO = ? ORDER BY RC_SEQ_NO"_s;
        auto none = connection->execute(sql, {QVariant()});
        QVERIFY2(none.ok(), qPrintable(failureText(none)));
        QVERIFY(none.value().atEnd() && none.value().atBegin());
        QCOMPARE(none.value().field(u"RC_KNAME"_s).error().number, 3021L);
        auto two = connection->execute(sql, {u"130100005"_s});
        QVERIFY(two.ok());
        db::Recordset& r = two.value();
        QCOMPARE(r.field(u"RC_NO_SUCH"_s).error().number, 3265L);
        QVERIFY(!r.atBegin());
        QCOMPARE(valueOf(r, u"Rc_KName"_s), QVariant(u"ｱﾍﾞ ﾕｶﾘ"_s));
        r.moveNext();
        r.moveNext();
        QVERIFY(r.atEnd());
        r.close();
        QCOMPARE(r.field(u"RC_KNAME"_s).error().number, 3704L);

        auto second = openConnection(db.connectionString());
        QCOMPARE(db::openConnectionCount(), before + 2);
        connection->close();
        QCOMPARE(connection->execute(u"SELECT 1"_s).error().number, 3709L);
        QVERIFY(!second->execute(u"SELECT * FROM NO_SUCH_TABLE"_s).ok());
        QVERIFY(!second->errors().isEmpty());
        QVERIFY(second->execute(u"SELECT * FROM MSTORE"_s).ok());
        QVERIFY(second->errors().isEmpty());
        second.reset();
        QCOMPARE(db::openConnectionCount(), before);
    }

    void connectionStrings_data() {
        QTest::addColumn<QString>("connectionString"); // %1 is the folder of the data source
        QTest::addColumn<QString>("sqlState");         // of the refusal; empty when it opens
        // The driver manager quotes the braced name, password and all.
        QTest::newRow("driver name holding a password")
            << u"DRIVER={kema_no_such_driver;PWD=secret}"_s << u"01000"_s;
        // A copy of the demo database answers: the driver opened the file that was named.
        QTest::newRow("data source not first") << u"UID=kema;DSN=kema_test_source"_s << QString();
        QTest::newRow(".dsn inside the database path")
            << u"DRIVER=SQLite3;Database=%1/store.dsn.sqlite"_s << QString();
        QTest::newRow("bare data source name") << u"kema_test_source"_s << QString();
    }

    // The string reaches the driver manager as written.
    void connectionStrings() {
        QFETCH(QString, connectionString);
        QFETCH(QString, sqlState);
        db::Connection connection;
        const Status opened = connection.open(connectionString.replace("%1"_L1, m_sources.path()));
        if (sqlState.isEmpty()) {
            QVERIFY2(opened.ok(), qPrintable(failureText(opened)));
            QVERIFY(connection.execute(u"SELECT * FROM MSTORE"_s).ok());
            return;
        }
        QVERIFY(!opened.ok());
        QVERIFY2(!opened.error().description.contains("secret"_L1),
                 qPrintable(opened.error().description));
        QCOMPARE(connection.errors().value(0).sqlState, sqlState);
        QVERIFY(!connection.execute(u"SELECT 1"_s).ok());
    }

    void passwordsAreMasked_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("masked");
        const auto row = [](const char* name, const char* text, const char* masked) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(masked);
        };
        row("keys in mixed case, '=' in a value, PASSWORD at the end without ';'",
            "DRIVER=x;Pwd=a=b;UID=kema;passWord=secret", "DRIVER=x;Pwd=***;UID=kema;passWord=***");
        row("brace inside braces", "PWD={a}};b};UID=kema", "PWD=***;UID=kema");
        row("unclosed brace", "PWD={a;b", "PWD=***");
        row("blanks around the key", "UID=kema; PWD =secret", "UID=kema; PWD =***");
        row("keys that only contain the word", "XPWD=1;PWDX=2;MYPASSWORD=3",
            "XPWD=1;PWDX=2;MYPASSWORD=3");
    }

    void passwordsAreMasked() {
        QFETCH(QString, text);
        QFETCH(QString, masked);
        QCOMPARE(db::maskedConnectionString(text), masked);
    }

    // AREA 1 takes DBPARMC, anything else DBPARMS; the other key names a server that refuses.
    void dbopenChoosesTheConnectionString_data() {
        QTest::addColumn<QString>("area");
        QTest::addColumn<QString>("key");
        QTest::newRow("AREA 01") << u"01"_s << u"DBPARMS"_s;
        // The ini reader strips blanks around values; quotes keep the one after "1".
        QTest::newRow("AREA 1 with a blank") << u"\"1 \""_s << u"DBPARMS"_s;
        QTest::newRow("AREA 1") << u"1"_s << u"DBPARMC"_s;
    }

    void dbopenChoosesTheConnectionString() {
        QFETCH(QString, area);
        QFETCH(QString, key);
        TestDatabase db(kSqlite, TestDatabase::Content::Schema);
        KEMA_REQUIRE_DATABASE(db);
        QMap<QString, QString> settings{{u"DBPARMC"_s, kBadServer}, {u"DBPARMS"_s, kBadServer}};
        settings[key] = db.connectionString();
        settings.insert(u"AREA"_s, area);
        db.writeSettings(settings);
        db::ReportDatabase report(u"TKV418R1"_s, messageComponent());
        QCOMPARE(report.prf_init_dbopen(), 0);
    }

    // A refused login is tried once and its secret shows nowhere. The test server trusts every
    // password, so it is the role that it refuses.
    void dbopenFailureShowsOneMessageBox() {
        TestDatabase db(kPostgres, TestDatabase::Content::Schema);
        KEMA_REQUIRE_DATABASE(db);
        Relay relay(
            connectionValues(qEnvironmentVariable("KEMA_TEST_PG")).value(u"PORT"_s).toUShort());
        QVERIFY(relay.port() != 0);
        db.writeSettings(
            {{u"DBPARMS"_s, serverConnection({{u"PORT"_s, QString::number(relay.port())},
                                              {u"UID"_s, u"kema_no_such_role"_s},
                                              {u"PASSWORD"_s, u"{kema;secret}"_s}})}});
        MessageBoxRecorder boxes;
        MessageRecorder messages;
        db::ReportDatabase report{u"TKV418R4"_s, messageComponent()};
        QCOMPARE(report.prf_init_dbopen(), -1);
        QCOMPARE(report.DbOpenError, qint16(-1));
        QCOMPARE(boxes.boxes().size(), 1);
        const RecordedBox box = boxes.boxes().constFirst();
        QCOMPARE(box.title, u"TKV418R4.prf_init_dbopen"_s);
        const QRegularExpression shape(u"^-?\\d+:QODBC\r\n.*08001"_s,
                                       QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(shape.match(box.text).hasMatch(), qPrintable(box.text));
        QVERIFY2(!box.text.contains("secret"_L1), qPrintable(box.text));
        QVERIFY(messages.messages().isEmpty());
        QCOMPARE(relay.connections(), 1);
    }

    // The host's connection is only borrowed: the reception is read on it, everything else on the
    // own one. A rejected read reports the errors of the connection that ran it; a missing
    // reception is message 11003.
    void receptionOnTheHostConnection_data() { addBackendRows(); }
    void receptionOnTheHostConnection() {
        QFETCH(QString, backend);
        TestDatabase own(backend, TestDatabase::Content::Schema);
        KEMA_REQUIRE_DATABASE(own);
        TestDatabase host(backend);
        KEMA_REQUIRE_DATABASE(host);
        QVERIFY(own.run(u"INSERT INTO GSYSPARM (PARM_NO, PARM_NAIYO) VALUES (1180, '77');"_s).ok());
        own.writeSettings();
        auto lent = openConnection(host.connectionString());
        SharedRequestState::instance().DBconnection = lent;
        MessageRecorder messages;
        db::ReportDatabase report(u"TKV418R1"_s, messageComponent());
        QCOMPARE(report.prf_init_dbopen(), 0);
        // Only the host's database holds the reception; only the own one says 77.
        QCOMPARE(report.prf_init_dborec(u"130100002"_s), 0);
        QCOMPARE(report.prf_GetSysParm(1180), qint16(77));
        QVERIFY(messages.messages().isEmpty());

        QVERIFY(host.run(u"DROP TABLE URECEPT;"_s).ok());
        verifyRejected(report, messages, *lent);
        report.release();
        QVERIFY(lent->execute(u"SELECT * FROM MSTORE"_s).ok());

        SharedRequestState::instance().DBconnection.reset();
        messages.clear();
        db::ReportDatabase alone(u"TKV418R1"_s, messageComponent());
        QCOMPARE(alone.prf_init_dbopen(), 0);
        QCOMPARE(alone.prf_init_dborec(u"130100002"_s), 0);
        QCOMPARE(alone.NoReception, qint16(-1));
        QCOMPARE(summary(messages.messages().value(0)), u"MSGDSP 11003 TKV418R1.prf_init_dborec"_s);
        QVERIFY(!messages.messages().first().argument.isValid());
        QVERIFY(own.run(u"DROP TABLE URECEPT;"_s).ok());
        messages.clear();
        verifyRejected(alone, messages, *alone.ownConnection());
    }

    // A second open closes the first connection; a system parameter is read rounded half to even,
    // or as stored; a failed statement closes the work recordset; what needs a connection or a
    // missing table fails without a message.
    void reportConnection_data() { addBackendRows(); }
    void reportConnection() {
        QFETCH(QString, backend);
        TestDatabase db(backend);
        KEMA_REQUIRE_DATABASE(db);
        QVERIFY(
            db.run(u"INSERT INTO GSYSPARM (PARM_NO, PARM_NAIYO) VALUES (7002, '12.5');"_s).ok());
        db.writeSettings();
        MessageRecorder messages;
        const int before = db::openConnectionCount();
        db::ReportDatabase report(u"TKV418R1"_s, messageComponent());
        QVERIFY(!report.prf_BothEyesItems(true).ok());
        QCOMPARE(report.prf_init_dbopen(), 0);
        QCOMPARE(report.prf_init_dbopen(), 0);
        QCOMPARE(db::openConnectionCount(), before + 1);
        QCOMPARE(report.prf_GetSysParm(7002), qint16(12));
        const auto stored = db::sysParm(*report.ownConnection(), 7002);
        QVERIFY(stored.ok() && stored.value() == QVariant(u"12.5"_s));
        const auto absent = db::sysParm(*report.ownConnection(), 4242);
        QVERIFY(absent.ok() && !absent.value());
        auto glasses = report.prf_BothEyesItems(true);
        QVERIFY2(glasses.ok(), qPrintable(failureText(glasses)));
        QCOMPARE(glasses.value(), (QVariantList{20, 21, 40, 41}));
        auto contact = report.prf_BothEyesItems(false);
        QVERIFY(contact.ok());
        QCOMPARE(contact.value(), (QVariantList{20, 21, 30, 40, 41}));

        auto first =
            report.openWork(u"SELECT STORE_CD FROM MSTORE WHERE STORE_CD <> ?"_s, {u"002"_s});
        QVERIFY(first.ok());
        db::Recordset* work = first.value();
        QCOMPARE(work->recordCount(), 2);
        QVERIFY(!report.openWork(u"SELECT * FROM NO_SUCH_TABLE"_s).ok());
        QVERIFY(!work->isOpen());

        // Without parameter 1180 the comparison is unknown for every item, as on any server.
        QVERIFY(db.run(u"DELETE FROM GSYSPARM WHERE PARM_NO = 1180;"_s).ok());
        auto none = report.prf_BothEyesItems(true);
        QVERIFY(none.ok() && none.value().isEmpty());
        QVERIFY(db.run(u"DROP TABLE MITEMCD; DROP TABLE GSYSPARM;"_s).ok());
        QVERIFY(!report.prf_BothEyesItems(false).ok());
        QCOMPARE(report.prf_GetSysParm(1120), qint16(-1));
        QVERIFY(!db::sysParm(*report.ownConnection(), 5020).ok());
        QVERIFY(messages.messages().isEmpty());
        report.release();
        QVERIFY(!report.ownConnection());
        QCOMPARE(db::openConnectionCount(), before);
    }

    // Without a QApplication on a display, the box is a line on standard error.
    void defaultPlatformMessageBoxWritesOneLine() {
        StderrCapture capture;
        showPlatformMessageBox(u"-2147467259:QODBC\r\n[08001] refused"_s,
                               u"TKV418R1.prf_init_dbopen"_s);
        QCOMPARE(capture.text(),
                 u"-2147467259:QODBC [08001] refused [TKV418R1.prf_init_dbopen]\n"_s);
    }
};

QTEST_GUILESS_MAIN(DatabaseTest)
#include "tst_database.moc"
