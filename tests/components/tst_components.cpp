// The component registry and the default sibling components against the demo store database,
// on SQLite and PostgreSQL.
#include "TestDatabase.h"

#include "services/components/Components.h"
#include "services/text/Conversions.h"

#include <QDate>
#include <QTest>

#include <cmath>

using namespace kema;
using namespace kema::test;

namespace {

const QString kBadServer =
    QStringLiteral("DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=1;DATABASE=kema;UID=kema");

class FixedStore : public IStoreMaster {
public:
    Result<long> GetMSTORE(QString&) override { return 0L; }
    QVariant STORE_NM() const override { return QStringLiteral("テスト店"); }
};

} // namespace

class ComponentsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void unknownIdentifierCannotBeCreated_data();
    void unknownIdentifierCannotBeCreated();
    void identifiersIgnoreCase();
    void registeredComponentReplacesTheDefault();
    void messagesOnStandardError_data();
    void messagesOnStandardError();
    void databaseErrorOnStandardError();

    void detailLists_data();
    void detailLists();
    void detailByCode_data();
    void detailByCode();
    void itemDefinitions_data();
    void itemDefinitions();
    void storeMaster_data();
    void storeMaster();
    void customerBase_data() { addBackendRows(); }
    void customerBase();
    void nullInEveryColumn_data() { addBackendRows(); }
    void nullInEveryColumn();
    void databaseFailureIsAnError_data() { addBackendRows(); }
    void databaseFailureIsAnError();
    void connectionLivesWithTheComponent_data() { addBackendRows(); }
    void connectionLivesWithTheComponent();
    void componentsShareAConnectionInAScope_data() { addBackendRows(); }
    void componentsShareAConnectionInAScope();
};

void ComponentsTest::cleanup() {
    ComponentRegistry::instance().reset();
}

void ComponentsTest::unknownIdentifierCannotBeCreated_data() {
    QTest::addColumn<QString>("progId");
    QTest::newRow("empty") << QString();
    QTest::newRow("unknown") << QStringLiteral("RVX999.RVX999C1");
    QTest::newRow("blank after") << QStringLiteral("RVB520.RVB520C1 ");
}

void ComponentsTest::unknownIdentifierCannotBeCreated() {
    QFETCH(QString, progId);
    ComponentRegistry& registry = ComponentRegistry::instance();
    const QList<Error> errors{registry.createMessageDisplay(progId).error(),
                              registry.createItemDefinition(progId).error(),
                              registry.createStoreMaster(progId).error(),
                              registry.createCustomerBase(progId).error()};
    for (const Error& e : errors) {
        QCOMPARE(e.number, 429L);
        QCOMPARE(e.description, QStringLiteral("ActiveX component can't create object"));
        QCOMPARE(e.source, progId);
    }
}

void ComponentsTest::identifiersIgnoreCase() {
    ComponentRegistry& registry = ComponentRegistry::instance();
    QVERIFY(registry.createMessageDisplay(QStringLiteral("rvb520.rvb520c1")).ok());
    QVERIFY(registry.createItemDefinition(QStringLiteral("Rva510.Rva510C6")).ok());
    QVERIFY(registry.createStoreMaster(QStringLiteral("RVA510.RVA510c2")).ok());
    QVERIFY(registry.createCustomerBase(QStringLiteral("rve530.RVE530C1")).ok());
    // The default identifiers are the ones of the sibling components.
    QVERIFY(registry.createMessageDisplay().ok());
    QVERIFY(registry.createItemDefinition().ok());
    QVERIFY(registry.createStoreMaster().ok());
    QVERIFY(registry.createCustomerBase().ok());
}

void ComponentsTest::registeredComponentReplacesTheDefault() {
    ComponentRegistry& registry = ComponentRegistry::instance();
    registry.registerStoreMaster(QStringLiteral("rva510.rva510c2"),
                                 [] { return std::make_unique<FixedStore>(); });
    auto store = registry.createStoreMaster();
    QVERIFY(store.ok());
    QString code = QStringLiteral("001");
    QCOMPARE(store.value()->GetMSTORE(code).value(), 0L);
    QCOMPARE(store.value()->STORE_NM(), QVariant(QStringLiteral("テスト店")));
    registry.registerCustomerBase(QStringLiteral("RVE530.RVE530C1"), nullptr);
    QCOMPARE(registry.createCustomerBase().error().number, 429L);
    registry.reset();
    QVERIFY(registry.createCustomerBase().ok());
}

void ComponentsTest::messagesOnStandardError_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("30008") << QStringLiteral("30008")
                           << QStringLiteral("起動区分が正しくありません。");
    QTest::newRow("30009") << QStringLiteral("30009")
                           << QStringLiteral("処理区分または受付番号が正しくありません。");
    QTest::newRow("30015") << QStringLiteral("30015")
                           << QStringLiteral("印刷区分が正しくありません。");
    QTest::newRow("11003") << QStringLiteral("11003")
                           << QStringLiteral("該当する受付データがありません。");
    QTest::newRow("30002") << QStringLiteral("30002")
                           << QStringLiteral("検眼種別の読み込みに失敗しました。");
    QTest::newRow("not in the catalogue")
        << QStringLiteral("99999") << QStringLiteral("メッセージ 99999 は登録されていません。");
}

// The offscreen platform has no one to answer a box: one line, and the call returns.
void ComponentsTest::messagesOnStandardError() {
    QFETCH(QString, code);
    QFETCH(QString, text);
    auto display = ComponentRegistry::instance().createMessageDisplay();
    QVERIFY(display.ok());
    StderrCapture capture;
    QCOMPARE(display.value()->MSGDSP(code, 0, QStringLiteral("TKV418C1_prf_propchk")), 0L);
    QCOMPARE(capture.text(), code + u' ' + text + QStringLiteral(" [TKV418C1_prf_propchk]\n"));
}

void ComponentsTest::databaseErrorOnStandardError() {
    auto display = ComponentRegistry::instance().createMessageDisplay();
    QVERIFY(display.ok());
    StderrCapture capture;
    display.value()->setErrObject(
        Error{1, QStringLiteral("QODBC"),
              QStringLiteral("[42P01] relation \"urecept\"\ndoes not exist")});
    const QList<db::DbError> errors{
        {1, QStringLiteral("42P01"), QStringLiteral("QODBC"),
         QStringLiteral("relation \"urecept\"\ndoes not exist")},
        {7, QStringLiteral("HY000"), QStringLiteral("QODBC"), QStringLiteral("second record")}};
    QCOMPARE(display.value()->DBERRDSP(QStringLiteral("11001"), errors, QVariant(),
                                       QStringLiteral("TKV418R1.prf_init_dborec")),
             0L);
    QCOMPARE(capture.text(),
             QStringLiteral("11001 データベースの処理でエラーが発生しました。 [42P01] relation "
                            "\"urecept\" does not exist [HY000] second record "
                            "[TKV418R1.prf_init_dborec]\n"));
}

void ComponentsTest::detailLists_data() {
    addBackendColumn();
    QTest::addColumn<int>("category");
    QTest::addColumn<long>("answer");
    QTest::addColumn<QVariantList>("numbers");
    QTest::addColumn<QStringList>("names");
    for (const QString& backend : backends()) {
        QTest::addRow("%s glasses kinds", qPrintable(backend))
            << backend << 43 << 0L << QVariantList{1, 2, 3, 4, 9}
            << QStringList{QStringLiteral("装用眼鏡"), QStringLiteral("他覚測定"),
                           QStringLiteral("自覚測定"), QStringLiteral("処方"),
                           QStringLiteral("参考値")};
        QTest::addRow("%s contact kinds in display order", qPrintable(backend))
            << backend << 45 << 0L << QVariantList{40, 10, 20, 30, 50}
            << QStringList{QStringLiteral("装用中"), QStringLiteral("トライアル"),
                           QStringLiteral("追加矯正"), QStringLiteral("処方"),
                           QStringLiteral("参考値")};
        QTest::addRow("%s display order ties by number", qPrintable(backend))
            << backend << 77 << 0L << QVariantList{2, 3, 1}
            << QStringList{QStringLiteral("二"), QStringLiteral("三"), QStringLiteral("一")};
        QTest::addRow("%s no details", qPrintable(backend))
            << backend << 99 << 1L << QVariantList() << QStringList();
    }
}

void ComponentsTest::detailLists() {
    QFETCH(QString, backend);
    QFETCH(int, category);
    QFETCH(long, answer);
    QFETCH(QVariantList, numbers);
    QFETCH(QStringList, names);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    // Without a display order a detail comes last.
    QVERIFY(db.run(QStringLiteral("INSERT INTO MITEMDTL (ITEM_NO, DETAIL_NO, DETAIL_NM, "
                                  "DISP_ORDER) VALUES (77, 1, '一', NULL), (77, 3, '三', 5), "
                                  "(77, 2, '二', 5);"))
                .ok());
    db.writeSettings();
    auto items = ComponentRegistry::instance().createItemDefinition();
    QVERIFY(items.ok());
    auto loaded = items.value()->GetDETAIL_All(category);
    QVERIFY2(loaded.ok(), qPrintable(failureText(loaded)));
    QCOMPARE(loaded.value(), answer);
    for (int p = 1; p <= numbers.size(); ++p) {
        QCOMPARE(items.value()->DetailNumber(p), numbers.at(p - 1));
        QCOMPARE(items.value()->DetailName(p), QVariant(names.at(p - 1)));
    }
    for (int p : {0, -1, int(numbers.size()) + 1, 16}) {
        QVERIFY(isNull(items.value()->DetailNumber(p)));
        QVERIFY(isNull(items.value()->DetailName(p)));
    }
}

void ComponentsTest::detailByCode_data() {
    addBackendColumn();
    QTest::addColumn<int>("category");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    for (const QString& backend : backends()) {
        const auto row = [&](const char* label, int category, int code, const QString& name) {
            QTest::addRow("%s %s", qPrintable(backend), label)
                << backend << category << code << name;
        };
        row("introducer", 36, 4, QStringLiteral("眼科医院"));
        row("purpose", 35, 1, QStringLiteral("遠用"));
        row("doctor", 37, 3, QStringLiteral("渡辺 医師"));
        row("card item", 13, 9, QStringLiteral("その他"));
        row("unknown code", 36, 99, QString());
        row("code of another item", 37, 6, QString());
        row("negative code", 36, -1, QString());
    }
}

void ComponentsTest::detailByCode() {
    QFETCH(QString, backend);
    QFETCH(int, category);
    QFETCH(int, code);
    QFETCH(QString, name);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    db.writeSettings();
    auto itemsCreated = ComponentRegistry::instance().createItemDefinition();
    QVERIFY(itemsCreated.ok());
    IItemDefinition& items = *itemsCreated.value();
    qint16 detail = qint16(code);
    auto found = items.GetDETAIL(category, detail);
    QVERIFY(found.ok());
    QCOMPARE(detail, qint16(code));
    if (name.isEmpty()) {
        QVERIFY(found.value() != 0);
        QVERIFY(isNull(items.D_DETAIL_NM()));
    } else {
        QCOMPARE(found.value(), 0L);
        QCOMPARE(items.D_DETAIL_NM(), QVariant(name));
    }
}

void ComponentsTest::itemDefinitions_data() {
    addBackendColumn();
    QTest::addColumn<int>("item");
    QTest::addColumn<QVariantList>("values"); // ITEM_NM, USE_FLG, DISP_KBN, H_ZOKUSEI
    for (const QString& backend : backends()) {
        const auto row = [&](const char* label, int item, const QVariantList& values) {
            QTest::addRow("%s %s", qPrintable(backend), label) << backend << item << values;
        };
        row("detail code", 13, {QStringLiteral("職業"), 1, 1, 3});
        row("date", 14, {QStringLiteral("初回来店日"), 1, 1, 5});
        row("not in use", 25, {QStringLiteral("旧会員番号"), 0, 1, 2});
        row("not displayed", 26, {QStringLiteral("予備項目"), 1, 2, 0});
        row("category", 11, {QStringLiteral("メガネ購入品"), 1, 1, 0});
        row("undefined", 12, {});
    }
}

void ComponentsTest::itemDefinitions() {
    QFETCH(QString, backend);
    QFETCH(int, item);
    QFETCH(QVariantList, values);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    db.writeSettings();
    auto itemsCreated = ComponentRegistry::instance().createItemDefinition();
    QVERIFY(itemsCreated.ok());
    IItemDefinition& items = *itemsCreated.value();
    qint16 number = 13;
    QCOMPARE(items.GetDEFINE(number).value(), 0L);
    number = qint16(item);
    auto found = items.GetDEFINE(number);
    QVERIFY(found.ok());
    const QVariantList read{items.ITEM_NM(), items.USE_FLG(), items.DISP_KBN(), items.H_ZOKUSEI()};
    if (values.isEmpty()) {
        QVERIFY(found.value() != 0);
        for (const QVariant& v : read)
            QVERIFY(isNull(v));
    } else {
        QCOMPARE(found.value(), 0L);
        QCOMPARE(read, values);
    }
}

void ComponentsTest::storeMaster_data() {
    addBackendColumn();
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    for (const QString& backend : backends()) {
        const auto row = [&](const char* label, const QString& code, const QString& name) {
            QTest::addRow("%s %s", qPrintable(backend), label) << backend << code << name;
        };
        row("main store", QStringLiteral("001"), QStringLiteral("あおば眼鏡 本店"));
        row("third store", QStringLiteral("003"), QStringLiteral("あおば眼鏡 札幌駅前店"));
        row("without leading zeros", QStringLiteral("1"), QString());
        row("with a blank", QStringLiteral("001 "), QString());
        row("quote", QStringLiteral("0'1"), QStringLiteral("オブライエン店"));
        row("or true", QStringLiteral("x' OR '1'='1"), QString());
        row("second statement", QStringLiteral("001'; DELETE FROM MSTORE; --"), QString());
    }
}

void ComponentsTest::storeMaster() {
    QFETCH(QString, backend);
    QFETCH(QString, code);
    QFETCH(QString, name);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    QVERIFY(db.run(QStringLiteral("INSERT INTO MSTORE (STORE_CD, STORE_NM) VALUES ('0''1', "
                                  "'オブライエン店');"))
                .ok());
    db.writeSettings();
    auto storesCreated = ComponentRegistry::instance().createStoreMaster();
    QVERIFY(storesCreated.ok());
    IStoreMaster& stores = *storesCreated.value();
    QString asked = code;
    auto found = stores.GetMSTORE(asked);
    QVERIFY(found.ok());
    QCOMPARE(asked, code);
    if (name.isEmpty()) {
        QVERIFY(found.value() != 0);
        QVERIFY(isNull(stores.STORE_NM()));
    } else {
        QCOMPARE(found.value(), 0L);
        QCOMPARE(stores.STORE_NM(), QVariant(name));
    }
    QString main = QStringLiteral("001");
    QCOMPARE(stores.GetMSTORE(main).value(), 0L);
}

void ComponentsTest::customerBase() {
    QFETCH(QString, backend);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    db.writeSettings();
    auto customersCreated = ComponentRegistry::instance().createCustomerBase();
    QVERIFY(customersCreated.ok());
    ICustomerBase& customers = *customersCreated.value();
    double key = 1001;
    QCOMPARE(customers.GetBaseData(key).value(), 0L);
    const FieldCollection& row = customers.CustomerBase();
    QCOMPARE(row.count(), 101);
    for (const QString& name :
         {QStringLiteral("CUBS_CUSTOM_MEI"), QStringLiteral("cubs_custom_mei"),
          QStringLiteral("Cubs_Custom_Mei")}) {
        QVERIFY(row.contains(name));
        QCOMPARE(row.value(name), QVariant(QStringLiteral("山本 健一")));
    }
    QCOMPARE(row.value(QStringLiteral("CUBS_UNIQUE_KEY")), QVariant(qlonglong(1001)));
    QCOMPARE(row.value(QStringLiteral("CUBS_SEX")), QVariant(1));
    QCOMPARE(row.value(QStringLiteral("CUBS_BIRTH_DT")), QVariant(QDate(1968, 7, 14)));
    QCOMPARE(row.value(QStringLiteral("CUBS_MAILNO")), QVariant(QStringLiteral("1350016")));
    QCOMPARE(row.value(QStringLiteral("CUBS_GL_AMT_SUM")), QVariant(123456.0));
    QCOMPARE(row.value(QStringLiteral("CUBS_CL_AMT_SUM")), QVariant(0.0));
    QCOMPARE(NullToEmpty(row.value(QStringLiteral("CUBS_OTH_AMT_SUM"))), QStringLiteral("8800"));
    QVERIFY(!row.contains(QStringLiteral("CUBS_NO_SUCH")));

    double unknown = 424242;
    auto none = customers.GetBaseData(unknown);
    QVERIFY(none.ok());
    QVERIFY(none.value() != 0);
    QCOMPARE(customers.CustomerBase().count(), 0);
    for (double key : {1001.5, -1001.0, 1e300, std::nan("")}) {
        auto found = customers.GetBaseData(key);
        QVERIFY2(found.ok(), qPrintable(failureText(found)));
        QVERIFY(found.value() != 0);
    }
    double whole = 1001.0;
    QCOMPARE(customers.GetBaseData(whole).value(), 0L);
}

void ComponentsTest::nullInEveryColumn() {
    QFETCH(QString, backend);
    TestDatabase db(backend, TestDatabase::Content::Schema);
    KEMA_REQUIRE_DATABASE(db);
    QVERIFY(
        db.run(QStringLiteral("INSERT INTO MITEMDEF (ITEM_NO) VALUES (13);\n"
                              "INSERT INTO MITEMDTL (ITEM_NO, DETAIL_NO) VALUES (43, 1), (43, 2);\n"
                              "INSERT INTO MSTORE (STORE_CD) VALUES ('001');\n"
                              "INSERT INTO CBASE (CUBS_UNIQUE_KEY) VALUES (5);\n"))
            .ok());
    db.writeSettings();
    ComponentRegistry& registry = ComponentRegistry::instance();

    auto itemsCreated = registry.createItemDefinition();

    QVERIFY(itemsCreated.ok());

    IItemDefinition& items = *itemsCreated.value();
    qint16 item = 13;
    QCOMPARE(items.GetDEFINE(item).value(), 0L);
    for (const QVariant& v :
         {items.ITEM_NM(), items.USE_FLG(), items.DISP_KBN(), items.H_ZOKUSEI()})
        QVERIFY(isNull(v));
    QCOMPARE(items.GetDETAIL_All(43).value(), 0L);
    QCOMPARE(items.DetailNumber(2), QVariant(2));
    QVERIFY(isNull(items.DetailName(1)));
    qint16 code = 1;
    QCOMPARE(items.GetDETAIL(43, code).value(), 0L);
    QVERIFY(isNull(items.D_DETAIL_NM()));

    auto storesCreated = registry.createStoreMaster();

    QVERIFY(storesCreated.ok());

    IStoreMaster& stores = *storesCreated.value();
    QString store = QStringLiteral("001");
    QCOMPARE(stores.GetMSTORE(store).value(), 0L);
    QVERIFY(isNull(stores.STORE_NM()));
    QCOMPARE(NullToEmpty(stores.STORE_NM()), QString());

    auto customersCreated = registry.createCustomerBase();

    QVERIFY(customersCreated.ok());

    ICustomerBase& customers = *customersCreated.value();
    double key = 5;
    QCOMPARE(customers.GetBaseData(key).value(), 0L);
    const FieldCollection& row = customers.CustomerBase();
    QCOMPARE(row.count(), 101);
    int nulls = 0;
    for (int i = 1; i <= 16; ++i) {
        for (const QString& name :
             {QStringLiteral("CUBS_FREE_%1").arg(i), QStringLiteral("CUBS_BUY%1_FLG").arg(i),
              QStringLiteral("CUBS_FREE_17_%1").arg(i), QStringLiteral("CUBS_FREE_19_%1").arg(i)}) {
            QVERIFY2(row.contains(name) && isNull(row.value(name)), qPrintable(name));
            ++nulls;
        }
    }
    QCOMPARE(nulls, 64);
    QVERIFY(isNull(row.value(QStringLiteral("CUBS_BIRTH_DT"))));
    QCOMPARE(ToDouble(row.value(QStringLiteral("CUBS_GL_AMT_SUM"))), 0.0);
}

// A customer slip printed blank with result 0 would report a failure as success.
void ComponentsTest::databaseFailureIsAnError() {
    QFETCH(QString, backend);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    ComponentRegistry& registry = ComponentRegistry::instance();
    qint16 item = 13;
    qint16 code = 1;
    QString store = QStringLiteral("001");
    double key = 1001;

    db.writeSettings({{QStringLiteral("DBPARMS"), kBadServer}});
    {
        auto itemsCreated = registry.createItemDefinition();
        QVERIFY(itemsCreated.ok());
        IItemDefinition& items = *itemsCreated.value();
        QVERIFY(!items.GetDETAIL_All(43).ok());
        QVERIFY(!items.GetDETAIL(36, code).ok());
        QVERIFY(!items.GetDEFINE(item).ok());
        QVERIFY(!registry.createStoreMaster().value()->GetMSTORE(store).ok());
        auto customer = registry.createCustomerBase().value()->GetBaseData(key);
        QVERIFY(!customer.ok());
        QVERIFY(!customer.error().description.isEmpty());
    }

    db.writeSettings();
    QVERIFY(db.run(QStringLiteral("DROP TABLE MITEMDTL; DROP TABLE MITEMDEF; DROP TABLE MSTORE; "
                                  "DROP TABLE CBASE;"))
                .ok());
    auto itemsCreated = registry.createItemDefinition();
    QVERIFY(itemsCreated.ok());
    IItemDefinition& items = *itemsCreated.value();
    QVERIFY(!items.GetDETAIL_All(43).ok());
    QVERIFY(!items.GetDETAIL(36, code).ok());
    QVERIFY(!items.GetDEFINE(item).ok());
    QVERIFY(!registry.createStoreMaster().value()->GetMSTORE(store).ok());
    QVERIFY(!registry.createCustomerBase().value()->GetBaseData(key).ok());
}

void ComponentsTest::connectionLivesWithTheComponent() {
    QFETCH(QString, backend);
    TestDatabase db(backend);
    KEMA_REQUIRE_DATABASE(db);
    db.writeSettings();
    const int before = db::openConnectionCount();
    {
        auto customers = ComponentRegistry::instance().createCustomerBase();
        auto stores = ComponentRegistry::instance().createStoreMaster();
        double key = 1001;
        QString store = QStringLiteral("002");
        QCOMPARE(customers.value()->GetBaseData(key).value(), 0L);
        QCOMPARE(stores.value()->GetMSTORE(store).value(), 0L);
        QCOMPARE(customers.value()->GetBaseData(key).value(), 0L);
        QCOMPARE(db::openConnectionCount(), before + 2);
    }
    QCOMPARE(db::openConnectionCount(), before);
}

// Inside a scope the components of one database share a connection; it outlives the scope
// while a component still uses it and closes with the last user.
void ComponentsTest::componentsShareAConnectionInAScope() {
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
            auto stores = registry.createStoreMaster();
            QString store = QStringLiteral("002");
            QCOMPARE(stores.value()->GetMSTORE(store).value(), 0L);
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

    // Outside any scope each component has its own again.
    auto first = registry.createStoreMaster();
    auto second = registry.createStoreMaster();
    QString store = QStringLiteral("002");
    QCOMPARE(first.value()->GetMSTORE(store).value(), 0L);
    QCOMPARE(second.value()->GetMSTORE(store).value(), 0L);
    QCOMPARE(db::openConnectionCount(), before + 2);
}

QTEST_MAIN(ComponentsTest)
#include "tst_components.moc"
