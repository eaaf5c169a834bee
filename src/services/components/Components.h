#pragma once

#include "services/Error.h"
#include "services/database/Database.h"
#include "services/messages/Messages.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace kema {

// RVA510.RVA510C6: item definitions and their detail lists.
class IItemDefinition {
public:
    virtual ~IItemDefinition() = default;
    // 0 when the category's detail list is loaded.
    virtual Result<long> GetDETAIL_All(int category) = 0;
    // Detail number / name at a position of the loaded list (1-based); Null past its end.
    virtual QVariant DetailNumber(int position) const = 0;
    virtual QVariant DetailName(int position) const = 0;
    // 0 when the detail `code` of `category` (or of a card item number) exists.
    virtual Result<long> GetDETAIL(int category, qint16& code) = 0;
    virtual QVariant D_DETAIL_NM() const = 0;
    // 0 when the item is defined; then the item's values below describe it.
    virtual Result<long> GetDEFINE(qint16& itemNumber) = 0;
    virtual QVariant H_ZOKUSEI() const = 0; // attribute 0..5
    virtual QVariant ITEM_NM() const = 0;
    virtual QVariant USE_FLG() const = 0;  // 1 = in use
    virtual QVariant DISP_KBN() const = 0; // display kind
};

// RVA510.RVA510C2: store master.
class IStoreMaster {
public:
    virtual ~IStoreMaster() = default;
    virtual Result<long> GetMSTORE(QString& storeCode) = 0; // 0 when found
    virtual QVariant STORE_NM() const = 0;
};

// The column values of one customer row, keyed by column name without regard to case.
class FieldCollection {
public:
    void insert(const QString& name, const QVariant& value) {
        m_values.insert(name.toLower(), value);
    }
    bool contains(const QString& name) const { return m_values.contains(name.toLower()); }
    // The value of the column; an invalid QVariant for a name the row does not have.
    QVariant value(const QString& name) const { return m_values.value(name.toLower()); }
    int count() const { return int(m_values.size()); }

private:
    QHash<QString, QVariant> m_values;
};

// RVE530.RVE530C1: customer base, one object per report.
class ICustomerBase {
public:
    virtual ~ICustomerBase() = default;
    // 0 when the customer was found; a database failure is an error, never "not found".
    virtual Result<long> GetBaseData(double& customerKey) = 0;
    virtual const FieldCollection& CustomerBase() const = 0;
};

// While one of these lives on a thread, the default components there that read the database of
// the settings share one connection per connection string instead of opening one each. A slip
// holds one for its run: its own and its card's short-lived components then cost one
// connection, not a dozen. The shared connection closes when the last scope and the last
// component using it are gone, so nothing stays open after the run. Scopes nest.
class SharedComponentConnections {
public:
    SharedComponentConnections();
    ~SharedComponentConnections();
    SharedComponentConnections(const SharedComponentConnections&) = delete;
    SharedComponentConnections& operator=(const SharedComponentConnections&) = delete;
};

// Creates the sibling components by programmatic identifier. The product registers working
// defaults; a test or a host may register its own, which replace them for the process.
class ComponentRegistry {
public:
    using MessageFactory = std::function<std::unique_ptr<IMessageDisplay>()>;
    using ItemFactory = std::function<std::unique_ptr<IItemDefinition>()>;
    using StoreFactory = std::function<std::unique_ptr<IStoreMaster>()>;
    using CustomerFactory = std::function<std::unique_ptr<ICustomerBase>()>;

    static ComponentRegistry& instance();

    void registerMessageDisplay(const QString& progId, MessageFactory factory);
    void registerItemDefinition(const QString& progId, ItemFactory factory);
    void registerStoreMaster(const QString& progId, StoreFactory factory);
    void registerCustomerBase(const QString& progId, CustomerFactory factory);
    // Restores the default components.
    void reset();

    // A failed creation (no such identifier) is an error for the caller's handling.
    Result<std::unique_ptr<IMessageDisplay>>
    createMessageDisplay(const QString& progId = QStringLiteral("RVB520.RVB520C1"));
    Result<std::unique_ptr<IItemDefinition>>
    createItemDefinition(const QString& progId = QStringLiteral("RVA510.RVA510C6"));
    Result<std::unique_ptr<IStoreMaster>>
    createStoreMaster(const QString& progId = QStringLiteral("RVA510.RVA510C2"));
    Result<std::unique_ptr<ICustomerBase>>
    createCustomerBase(const QString& progId = QStringLiteral("RVE530.RVE530C1"));

private:
    ComponentRegistry();
    struct Private;
    std::unique_ptr<Private> d;
};

// The message component of the registry, for the message helpers.
MessageDisplayFactory messageComponent();

} // namespace kema
