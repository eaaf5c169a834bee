#include "services/components/Components.h"
#include "services/ErrorNumbers.h"

#include "services/database/ReportDatabase.h"

#include <QHash>

#include <cmath>
#include <optional>

namespace kema {
namespace {

// A programmatic identifier is matched without regard to case, as the registry matched it.
QString registryKey(const QString& progId) {
    return progId.toLower();
}

struct CatalogueEntry {
    const char* code;
    const char* text;
};

const CatalogueEntry kCatalogue[] = {
    {"11001", "データベースの処理でエラーが発生しました。"},
    {"11003", "該当する受付データがありません。"},
    {"30002", "検眼種別の読み込みに失敗しました。"},
    {"30003", "メガネ購入品の見出しを設定できませんでした。"},
    {"30004", "コンタクト購入品の見出しを設定できませんでした。"},
    {"30005", "ケア用品購入の見出しを設定できませんでした。"},
    {"30006", "その他購入品の見出しを設定できませんでした。"},
    {"30007", "顧客項目名を設定できませんでした。"},
    {"30008", "起動区分が正しくありません。"},
    {"30009", "処理区分または受付番号が正しくありません。"},
    {"30010", "伝票区分が正しくありません。"},
    {"30011", "店舗コードが指定されていません。"},
    {"30012", "顧客キーが指定されていません。"},
    {"30013", "出力枚数が指定されていません。"},
    {"30014", "出力区分が正しくありません。"},
    {"30015", "印刷区分が正しくありません。"},
};

QString catalogueText(const QString& code) {
    for (const CatalogueEntry& entry : kCatalogue) {
        if (code == QLatin1String(entry.code))
            return QString::fromUtf8(entry.text);
    }
    return QStringLiteral("メッセージ %1 は登録されていません。").arg(code);
}

// RVB520.RVB520C1: a modal box when someone can answer it, else one line on standard error.
class MessageDisplay : public IMessageDisplay {
public:
    long MSGDSP(const QString& code, const QVariant&, const QString& title) override {
        show(code, catalogueText(code), title, false);
        return 0;
    }
    void setErrObject(const Error& error) override { m_error = error; }
    long DBERRDSP(const QString& code, const QList<db::DbError>& errors, const QVariant&,
                  const QString& title) override {
        QStringList details;
        if (m_error)
            details << m_error->description;
        for (const db::DbError& e : errors) {
            const QString text = e.text();
            if (!details.contains(text) && !(m_error && m_error->description.contains(text)))
                details << text;
        }
        QString text = catalogueText(code);
        if (!details.isEmpty())
            text += u'\n' + details.join(u'\n');
        show(code, text, title, true);
        return 0;
    }

private:
    static void show(const QString& code, const QString& text, const QString& title,
                     bool critical) {
        if (presentOnDesktop(
                {title, text, QStringLiteral("メッセージ番号 %1").arg(code), critical}))
            return;
        writeMessageLine(code + u' ' + text, title);
    }

    std::optional<Error> m_error;
};

// The connections shared while a SharedComponentConnections lives on this thread; a report
// runs on one thread, and a connection is never used by two at once.
struct SharedConnections {
    int scopes = 0;
    QHash<QString, db::ConnectionPtr> open;
};

SharedConnections& sharedConnections() {
    thread_local SharedConnections shared;
    return shared;
}

// A connection to the database of the settings: the shared one inside a scope, else a new one.
Result<db::ConnectionPtr> componentConnection() {
    SharedConnections& shared = sharedConnections();
    if (shared.scopes == 0)
        return db::openSettingsConnection();
    const QString connectionString = db::settingsConnectionString();
    if (const db::ConnectionPtr& known = shared.open.value(connectionString);
        known && known->isOpen())
        return known;
    auto connection = std::make_shared<db::Connection>();
    if (Status opened = connection->open(connectionString); !opened)
        return opened.error();
    shared.open.insert(connectionString, connection);
    return connection;
}

// The connection of a default component: taken at its first statement, given up with the
// component.
class ComponentConnection {
public:
    Result<db::Recordset> execute(const QString& sql, const QVariantList& params) {
        if (!m_connection) {
            auto opened = componentConnection();
            if (!opened.ok())
                return opened.error();
            m_connection = std::move(opened).value();
        }
        return m_connection->execute(sql, params);
    }

private:
    db::ConnectionPtr m_connection;
};

// The current row's value of `column`.
Result<QVariant> columnValue(const db::Recordset& rs, const char* column) {
    return rs.field(QLatin1String(column));
}

// A look-up of one value: 0 and the first row's `column` in `value` when a row is found, 1 and
// Null when none is.
Result<long> lookUp(ComponentConnection& db, const QString& sql, const QVariantList& params,
                    const char* column, QVariant& value) {
    value = QVariant();
    auto rs = db.execute(sql, params);
    if (!rs.ok())
        return rs.error();
    if (rs.value().atEnd())
        return 1L;
    auto found = columnValue(rs.value(), column);
    if (!found.ok())
        return found.error();
    value = found.value();
    return 0L;
}

// RVA510.RVA510C6 over MITEMDEF and MITEMDTL.
class ItemDefinition : public IItemDefinition {
public:
    Result<long> GetDETAIL_All(int category) override {
        m_details.clear();
        auto rs = m_db.execute(QStringLiteral("SELECT DETAIL_NO, DETAIL_NM FROM MITEMDTL WHERE "
                                              "ITEM_NO = ? ORDER BY CASE WHEN DISP_ORDER IS NULL "
                                              "THEN 1 ELSE 0 END, DISP_ORDER, DETAIL_NO"),
                               {category});
        if (!rs.ok())
            return rs.error();
        for (db::Recordset& r = rs.value(); !r.atEnd(); r.moveNext()) {
            auto number = columnValue(r, "DETAIL_NO");
            auto name = columnValue(r, "DETAIL_NM");
            if (!number.ok())
                return number.error();
            if (!name.ok())
                return name.error();
            m_details.append({number.value(), name.value()});
        }
        return m_details.isEmpty() ? 1L : 0L;
    }
    QVariant DetailNumber(int position) const override { return detail(position).first; }
    QVariant DetailName(int position) const override { return detail(position).second; }

    Result<long> GetDETAIL(int category, qint16& code) override {
        return lookUp(m_db,
                      QStringLiteral("SELECT DETAIL_NM FROM MITEMDTL WHERE ITEM_NO = ? AND "
                                     "DETAIL_NO = ?"),
                      {category, int(code)}, "DETAIL_NM", m_detailName);
    }
    QVariant D_DETAIL_NM() const override { return m_detailName; }

    Result<long> GetDEFINE(qint16& itemNumber) override {
        m_define = {};
        if (!m_defines) {
            // An object is asked for many items in a row: the small master is read once.
            auto loaded = loadDefines();
            if (!loaded.ok())
                return loaded.error();
            m_defines = std::move(loaded).value();
        }
        const auto found = m_defines->constFind(itemNumber);
        if (found == m_defines->constEnd())
            return 1L;
        m_define = *found;
        return 0L;
    }
    QVariant H_ZOKUSEI() const override { return m_define.attribute; }
    QVariant ITEM_NM() const override { return m_define.name; }
    QVariant USE_FLG() const override { return m_define.useFlag; }
    QVariant DISP_KBN() const override { return m_define.displayKind; }

private:
    using Detail = std::pair<QVariant, QVariant>;
    struct Define {
        QVariant name, useFlag, displayKind, attribute;
    };

    Result<QHash<int, Define>> loadDefines() {
        auto rs = m_db.execute(QStringLiteral("SELECT ITEM_NO, ITEM_NM, USE_FLG, DISP_KBN, "
                                              "H_ZOKUSEI FROM MITEMDEF"),
                               {});
        if (!rs.ok())
            return rs.error();
        QHash<int, Define> defines;
        for (db::Recordset& r = rs.value(); !r.atEnd(); r.moveNext()) {
            auto number = columnValue(r, "ITEM_NO");
            if (!number.ok())
                return number.error();
            Define define;
            for (auto [column, value] :
                 {std::pair{"ITEM_NM", &define.name}, std::pair{"USE_FLG", &define.useFlag},
                  std::pair{"DISP_KBN", &define.displayKind},
                  std::pair{"H_ZOKUSEI", &define.attribute}}) {
                auto v = columnValue(r, column);
                if (!v.ok())
                    return v.error();
                *value = v.value();
            }
            defines.insert(number.value().toInt(), define);
        }
        return defines;
    }

    Detail detail(int position) const {
        if (position < 1 || position > m_details.size())
            return {};
        return m_details.at(position - 1);
    }

    ComponentConnection m_db;
    QList<Detail> m_details;
    QVariant m_detailName;
    Define m_define;
    std::optional<QHash<int, Define>> m_defines;
};

// RVA510.RVA510C2 over MSTORE.
class StoreMaster : public IStoreMaster {
public:
    Result<long> GetMSTORE(QString& storeCode) override {
        return lookUp(m_db, QStringLiteral("SELECT STORE_NM FROM MSTORE WHERE STORE_CD = ?"),
                      {storeCode}, "STORE_NM", m_name);
    }
    QVariant STORE_NM() const override { return m_name; }

private:
    ComponentConnection m_db;
    QVariant m_name;
};

// RVE530.RVE530C1 over CBASE: the whole row, every value as the driver typed it.
class CustomerBaseComponent : public ICustomerBase {
public:
    Result<long> GetBaseData(double& customerKey) override {
        m_row = FieldCollection();
        // The key column is a whole number: a fraction names no customer, and PostgreSQL
        // would reject it as a BIGINT parameter.
        if (!std::isfinite(customerKey) || std::trunc(customerKey) != customerKey ||
            std::fabs(customerKey) >= 9.2e18)
            return 1L;
        auto rs = m_db.execute(QStringLiteral("SELECT * FROM CBASE WHERE CUBS_UNIQUE_KEY = ?"),
                               {qlonglong(customerKey)});
        if (!rs.ok())
            return rs.error();
        const db::Recordset& r = rs.value();
        if (r.atEnd())
            return 1L;
        FieldCollection row;
        for (const QString& name : r.fieldNames()) {
            auto value = r.field(name);
            if (!value.ok())
                return value.error();
            row.insert(name, value.value());
        }
        m_row = row;
        return 0L;
    }
    const FieldCollection& CustomerBase() const override { return m_row; }

private:
    ComponentConnection m_db;
    FieldCollection m_row;
};

template <class Factory> using Factories = QHash<QString, Factory>;

template <class Interface, class Factory>
Result<std::unique_ptr<Interface>> create(const Factories<Factory>& factories,
                                          const QString& progId) {
    const auto it = factories.constFind(registryKey(progId));
    std::unique_ptr<Interface> object = it != factories.constEnd() && *it ? (*it)() : nullptr;
    if (!object)
        return Error{errors::CannotCreate, progId,
                     QStringLiteral("ActiveX component can't create object")};
    return object;
}

} // namespace

struct ComponentRegistry::Private {
    Factories<MessageFactory> messages;
    Factories<ItemFactory> items;
    Factories<StoreFactory> stores;
    Factories<CustomerFactory> customers;
};

SharedComponentConnections::SharedComponentConnections() {
    ++sharedConnections().scopes;
}

SharedComponentConnections::~SharedComponentConnections() {
    SharedConnections& shared = sharedConnections();
    // Components still holding a connection keep it until they are released.
    if (--shared.scopes == 0)
        shared.open.clear();
}

ComponentRegistry& ComponentRegistry::instance() {
    static ComponentRegistry registry;
    return registry;
}

ComponentRegistry::ComponentRegistry() : d(std::make_unique<Private>()) {
    reset();
}

void ComponentRegistry::reset() {
    *d = Private();
    registerMessageDisplay(QStringLiteral("RVB520.RVB520C1"),
                           [] { return std::make_unique<MessageDisplay>(); });
    registerItemDefinition(QStringLiteral("RVA510.RVA510C6"),
                           [] { return std::make_unique<ItemDefinition>(); });
    registerStoreMaster(QStringLiteral("RVA510.RVA510C2"),
                        [] { return std::make_unique<StoreMaster>(); });
    registerCustomerBase(QStringLiteral("RVE530.RVE530C1"),
                         [] { return std::make_unique<CustomerBaseComponent>(); });
}

void ComponentRegistry::registerMessageDisplay(const QString& progId, MessageFactory factory) {
    d->messages.insert(registryKey(progId), std::move(factory));
}

void ComponentRegistry::registerItemDefinition(const QString& progId, ItemFactory factory) {
    d->items.insert(registryKey(progId), std::move(factory));
}

void ComponentRegistry::registerStoreMaster(const QString& progId, StoreFactory factory) {
    d->stores.insert(registryKey(progId), std::move(factory));
}

void ComponentRegistry::registerCustomerBase(const QString& progId, CustomerFactory factory) {
    d->customers.insert(registryKey(progId), std::move(factory));
}

Result<std::unique_ptr<IMessageDisplay>>
ComponentRegistry::createMessageDisplay(const QString& progId) {
    return create<IMessageDisplay>(d->messages, progId);
}

Result<std::unique_ptr<IItemDefinition>>
ComponentRegistry::createItemDefinition(const QString& progId) {
    return create<IItemDefinition>(d->items, progId);
}

Result<std::unique_ptr<IStoreMaster>> ComponentRegistry::createStoreMaster(const QString& progId) {
    return create<IStoreMaster>(d->stores, progId);
}

Result<std::unique_ptr<ICustomerBase>>
ComponentRegistry::createCustomerBase(const QString& progId) {
    return create<ICustomerBase>(d->customers, progId);
}

MessageDisplayFactory messageComponent() {
    return [] { return ComponentRegistry::instance().createMessageDisplay(); };
}

} // namespace kema
