// The component registry and the default sibling components against the demo store database,
// on SQLite and PostgreSQL.
#include "TestDatabase.h"

#include "services/components/Components.h"
#include "services/text/Conversions.h"

#include <QTest>

#include <map>
#include <memory>

using namespace kema;
using namespace kema::test;
using namespace Qt::StringLiterals;

namespace {

QString shown(const QVariant& value) {
    return isNull(value) ? u"<null>"_s : NullToEmpty(value);
}

QString answer(const Result<long>& result) {
    return result.ok() ? QString::number(result.value()) : u"error "_s + result.error().description;
}

// One look-up ("details 45", "detail 36 4", "define 25", "store 001", "customer 1001") and what
// it gives.
QString lookUp(const QString& query) {
    const QStringList words = query.split(u' ');
    ComponentRegistry& registry = ComponentRegistry::instance();
    QStringList out;
    if (words[0] == u"store") {
        auto stores = registry.createStoreMaster();
        QString code = query.mid(6);
        out << answer(stores.value()->GetMSTORE(code)) << shown(stores.value()->STORE_NM());
        if (code != query.mid(6))
            out << u"code changed to "_s + code;
        return out.join(u'|');
    }
    if (words[0] == u"customer") {
        // A look-up replaces what the one before found.
        auto customers = registry.createCustomerBase();
        ICustomerBase& customer = *customers.value();
        double first = 1001;
        double key = words[1].toDouble();
        out << answer(customer.GetBaseData(first)) << answer(customer.GetBaseData(key));
        const FieldCollection& row = customer.CustomerBase();
        out << QString::number(row.count()) << shown(row.value(u"cubs_custom_mei"_s))
            << shown(row.value(u"CUBS_BIRTH_DT"_s));
        return out.join(u'|');
    }
    auto items = registry.createItemDefinition();
    IItemDefinition& item = *items.value();
    if (words[0] == u"details") {
        out << answer(item.GetDETAIL_All(words[1].toInt()));
        for (int p = -1; p <= 17; ++p)
            if (!isNull(item.DetailNumber(p)) || !isNull(item.DetailName(p)))
                out << shown(item.DetailNumber(p)) + u' ' + shown(item.DetailName(p));
    } else if (words[0] == u"detail") {
        qint16 code = qint16(words[2].toInt());
        out << answer(item.GetDETAIL(words[1].toInt(), code)) << shown(item.D_DETAIL_NM());
        if (code != words[2].toInt())
            out << u"code changed"_s;
    } else {
        // A look-up replaces what the one before found.
        qint16 first = 13;
        out << answer(item.GetDEFINE(first));
        qint16 number = qint16(words[1].toInt());
        out << answer(item.GetDEFINE(number)) << shown(item.ITEM_NM()) << shown(item.USE_FLG())
            << shown(item.DISP_KBN()) << shown(item.H_ZOKUSEI());
    }
    return out.join(u'|');
}

} // namespace

class TestComponents : public QObject {
    Q_OBJECT

    std::map<QString, std::unique_ptr<TestDatabase>> m_demo;

private slots:
    void cleanup() { ComponentRegistry::instance().reset(); }

    // The defaults are the sibling components, whose identifiers ignore case but not blanks; a
    // registered creator replaces one until the registry is reset.
    void registry() {
        ComponentRegistry& registry = ComponentRegistry::instance();
        QVERIFY(registry.createMessageDisplay(u"rvb520.rvb520c1"_s).ok());
        QVERIFY(registry.createItemDefinition(u"Rva510.Rva510C6"_s).ok());
        QVERIFY(registry.createStoreMaster(u"RVA510.RVA510c2"_s).ok());
        QVERIFY(registry.createCustomerBase(u"rve530.RVE530C1"_s).ok());
        for (const QString& progId : {u"RVX999.RVX999C1"_s, u"RVB520.RVB520C1 "_s})
            for (const Error& e : {registry.createMessageDisplay(progId).error(),
                                   registry.createItemDefinition(progId).error(),
                                   registry.createStoreMaster(progId).error(),
                                   registry.createCustomerBase(progId).error()})
                QCOMPARE(QString::number(e.number) + u' ' + e.description + u' ' + e.source,
                         u"429 ActiveX component can't create object "_s + progId);
        registry.registerCustomerBase(u"RVE530.rve530c1"_s, nullptr);
        QCOMPARE(registry.createCustomerBase().error().number, 429L);
        registry.reset();
        QVERIFY(registry.createCustomerBase().ok());
    }

    // The offscreen platform has no one to answer a box: one line, and the call returns. A
    // database error shows each driver record once, after the error object.
    void messagesOnStandardError_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("line");
        QTest::newRow("30008") << u"30008"_s << u"30008 起動区分が正しくありません。"_s;
        QTest::newRow("not in the catalogue")
            << u"99999"_s << u"99999 メッセージ 99999 は登録されていません。"_s;
        QTest::newRow("database error")
            << u"11001"_s
            << u"11001 データベースの処理でエラーが発生しました。 [42P01] relation \"urecept\" "
               "does not exist [HY000] second record third record"_s;
    }
    void messagesOnStandardError() {
        QFETCH(QString, code);
        QFETCH(QString, line);
        auto display = ComponentRegistry::instance().createMessageDisplay();
        QVERIFY(display.ok());
        StderrCapture capture;
        const QString title = u"TKV418R1.prf_init_dborec"_s;
        if (code == u"11001") {
            // Records the error object names are not repeated; one it does not name follows it.
            display.value()->setErrObject(
                Error{1, u"QODBC"_s,
                      u"[42P01] relation \"urecept\"\ndoes not exist\n[HY000] second record"_s});
            const QList<db::DbError> errors{
                {1, u"42P01"_s, u"QODBC"_s, u"relation \"urecept\"\ndoes not exist"_s},
                {7, u"HY000"_s, u"QODBC"_s, u"second record"_s},
                {0, QString(), u"QODBC"_s, u"third record"_s}};
            QCOMPARE(display.value()->DBERRDSP(code, errors, QVariant(), title), 0L);
        } else {
            QCOMPARE(display.value()->MSGDSP(code, 0, title), 0L);
        }
        QCOMPARE(capture.text(), line + u" ["_s + title + u"]\n"_s);
    }

    // The answer, then what the component holds: the details in display order, Null beyond
    // them; a name by code; a definition; a store by its code as written; a customer's row.
    void lookUps_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected");
        for (const QString& backend : backends()) {
            const auto row = [&](const char* query, const QString& expected) {
                QTest::addRow("%s %s", qPrintable(backend), query)
                    << backend << QString::fromLatin1(query) << expected;
            };
            row("details 45", u"0|40 装用中|10 トライアル|20 追加矯正|30 処方|50 参考値"_s);
            row("details 77", u"0|2 二|3 三|1 一"_s); // ties by number, no order last
            row("details 99", u"1"_s);
            row("detail 36 4", u"0|眼科医院"_s);
            row("detail 36 99", u"1|<null>"_s);
            row("define 25", u"0|0|旧会員番号|0|1|2"_s);
            row("define 12", u"0|1|<null>|<null>|<null>|<null>"_s);
            row("store 001", u"0|あおば眼鏡 本店"_s);
            row("store 1", u"1|<null>"_s);
            row("store 0'1", u"0|オブライエン店"_s);
            row("store x' OR '1'='1", u"1|<null>"_s);
            row("define 98", u"0|0|<null>|<null>|<null>|<null>"_s); // Null in every column
            row("details 98", u"0|1 <null>|2 <null>"_s);
            row("store 099", u"0|<null>"_s);
            // The whole row, its names without case; a key that is no whole number finds no one.
            row("customer 1001", u"0|0|101|山本 健一|1968/07/14"_s);
            row("customer 5", u"0|0|101|<null>|<null>"_s);
            for (const char* key :
                 {"customer 424242", "customer 1001.5", "customer 1e300", "customer nan"})
                row(key, u"0|1|0|<null>|<null>"_s);
        }
    }
    void lookUps() {
        QFETCH(QString, backend);
        QFETCH(QString, query);
        QFETCH(QString, expected);
        std::unique_ptr<TestDatabase>& db = m_demo[backend];
        if (!db) {
            db = std::make_unique<TestDatabase>(backend);
            KEMA_REQUIRE_DATABASE(*db);
            // Without a display order a detail comes last.
            QVERIFY(db->run(u"INSERT INTO MITEMDTL (ITEM_NO, DETAIL_NO, DETAIL_NM, DISP_ORDER) "
                            "VALUES (77, 1, '一', NULL), (77, 3, '三', 5), (77, 2, '二', 5);\n"
                            "INSERT INTO MSTORE (STORE_CD, STORE_NM) VALUES ('0''1', "
                            "'オブライエン店');\n"
                            "INSERT INTO MITEMDEF (ITEM_NO) VALUES (98);\n"
                            "INSERT INTO MITEMDTL (ITEM_NO, DETAIL_NO) VALUES (98, 1), (98, 2);\n"
                            "INSERT INTO MSTORE (STORE_CD) VALUES ('099');\n"
                            "INSERT INTO CBASE (CUBS_UNIQUE_KEY) VALUES (5);"_s)
                        .ok());
        }
        KEMA_REQUIRE_DATABASE(*db);
        db->writeSettings();
        QCOMPARE(lookUp(query), expected);
    }

    // A customer slip printed blank with result 0 would report a failure as success.
    void databaseFailureIsAnError_data() { addBackendRows(); }
    void databaseFailureIsAnError() {
        QFETCH(QString, backend);
        TestDatabase db(backend);
        KEMA_REQUIRE_DATABASE(db);
        const auto failing = [] {
            for (const QString& query : {u"details 43"_s, u"detail 36 1"_s, u"define 13"_s,
                                         u"store 001"_s, u"customer 1001"_s})
                QVERIFY2(lookUp(query).contains(u"error "_s), qPrintable(query));
        };
        db.writeSettings({{u"DBPARMS"_s, u"DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=1;"
                                         "DATABASE=kema;UID=kema"_s}});
        failing();
        db.writeSettings();
        QVERIFY(db.run(u"DROP TABLE MITEMDTL; DROP TABLE MITEMDEF; DROP TABLE MSTORE; "
                       "DROP TABLE CBASE;"_s)
                    .ok());
        failing();
    }

    // Inside a scope the components of one database share a connection; it outlives the scope
    // while a component still uses it and closes with the last user.
    void componentsShareAConnectionInAScope_data() { addBackendRows(); }
    void componentsShareAConnectionInAScope() {
        QFETCH(QString, backend);
        TestDatabase db(backend);
        KEMA_REQUIRE_DATABASE(db);
        db.writeSettings();
        ComponentRegistry& registry = ComponentRegistry::instance();
        const int before = db::openConnectionCount();
        auto customers = registry.createCustomerBase();
        {
            SharedComponentConnections scope;
            {
                SharedComponentConnections nested;
                QCOMPARE(lookUp(u"store 002"_s).left(1), u"0"_s);
            }
            QCOMPARE(db::openConnectionCount(), before + 1);
            double key = 1001;
            QCOMPARE(customers.value()->GetBaseData(key).value(), 0L);
            auto items = registry.createItemDefinition();
            qint16 item = 13;
            QVERIFY(items.value()->GetDEFINE(item).ok());
            QCOMPARE(db::openConnectionCount(), before + 1);
        }
        QCOMPARE(db::openConnectionCount(), before + 1);
        customers.value().reset();
        QCOMPARE(db::openConnectionCount(), before);

        // Outside any scope each component has its own again, closed with it.
        {
            auto first = registry.createStoreMaster();
            auto second = registry.createStoreMaster();
            QString store = u"002"_s;
            QCOMPARE(first.value()->GetMSTORE(store).value(), 0L);
            QCOMPARE(second.value()->GetMSTORE(store).value(), 0L);
            QCOMPARE(db::openConnectionCount(), before + 2);
        }
        QCOMPARE(db::openConnectionCount(), before);
    }
};

QTEST_MAIN(TestComponents)
#include "tst_components.moc"
