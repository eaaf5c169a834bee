#include "CardSupport.h"

#include "card/TKV418R3.h"
#include "report/Controls.h"
#include "report/Layout.h"
#include "request/SharedRequestState.h"
#include "services/database/Database.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <memory>

namespace kema::test {

namespace {

// The card as the product builds it; its end is watched.
class ObservedCard final : public card::TKV418R3 {
protected:
    void Report_ReportEnd() override {
        if (beforeCardEnd())
            beforeCardEnd()();
        TKV418R3::Report_ReportEnd();
        CardRun run;
        run.printRtng = PrintRTNG();
        run.printErrorFlag = SharedRequestState::instance().PrintErrorFlag;
        for (int i = 6; i <= 13; ++i) {
            const QString name = QStringLiteral("Fld_UMEISAI_%1").arg(i, 2, 10, QLatin1Char('0'));
            const report::TextControl& field = textField(name);
            run.fonts.insert(name, QStringLiteral("%1 %2")
                                       .arg(QLatin1String(field.bold() ? "bold" : "normal"))
                                       .arg(field.fontSize()));
        }
        cardRuns().append(run);
    }
};

const report::LayoutControl* design(const QString& layout, const QString& name) {
    auto loaded = report::loadLayout(layout);
    return loaded.ok() ? loaded.value()->find(name) : nullptr;
}

QPointF corner(const report::LayoutControl& c) {
    return QPointF(c.left, c.top) / 20.0;
}

class FixedItems final : public IItemDefinition {
public:
    explicit FixedItems(ItemDefinitionDouble config) : m_config(config) {}

    Result<long> GetDETAIL_All(int category) override {
        if (category == m_config.failingCategory)
            return failure(QStringLiteral("detail list"));
        return 0L;
    }
    QVariant DetailNumber(int position) const override {
        return listed(position) ? QVariant(position) : QVariant();
    }
    QVariant DetailName(int position) const override {
        return listed(position) ? QVariant(QStringLiteral("明%1").arg(position)) : QVariant();
    }
    Result<long> GetDETAIL(int, qint16&) override { return 1L; }
    QVariant D_DETAIL_NM() const override { return {}; }
    Result<long> GetDEFINE(qint16& itemNumber) override {
        if (itemNumber == m_config.failingItem)
            return failure(QStringLiteral("definition"));
        m_item = itemNumber;
        return itemNumber >= 11 && itemNumber <= 31 ? 0L : 1L;
    }
    QVariant H_ZOKUSEI() const override { return 1; }
    QVariant ITEM_NM() const override { return QStringLiteral("項目%1").arg(m_item); }
    QVariant USE_FLG() const override { return 1; }
    QVariant DISP_KBN() const override { return 1; }

private:
    static bool listed(int position) { return position >= 1 && position <= 16; }
    static Error failure(const QString& what) {
        return Error{3021, QStringLiteral("RVA510C6"), QStringLiteral("no current ") + what};
    }

    ItemDefinitionDouble m_config;
    int m_item = 0;
};

class FixedStore final : public IStoreMaster {
public:
    explicit FixedStore(std::function<void()> onLookup) : m_onLookup(std::move(onLookup)) {}
    Result<long> GetMSTORE(QString&) override {
        m_onLookup();
        return 0L;
    }
    QVariant STORE_NM() const override { return QStringLiteral("テスト店"); }

private:
    std::function<void()> m_onLookup;
};

} // namespace

QList<CardRun>& cardRuns() {
    static QList<CardRun> runs;
    return runs;
}

std::function<void()>& beforeCardEnd() {
    static std::function<void()> hook;
    return hook;
}

void registerObservedCard() {
    report::ReportFactory::instance().registerReport(
        QStringLiteral("TKV418R3"), [] { return std::make_unique<ObservedCard>(); });
}

QRectF cardBox(const SlipRun& run, const QString& className, const QString& control) {
    const report::LayoutControl* c = design(QStringLiteral("TKV418R3"), control);
    if (!c)
        return {};
    QPointF origin;
    if (className == u"TKV418R3") {
        const QString anchor = QStringLiteral("Field2");
        origin = run.boxes.value(anchor).topLeft() - corner(*design(className, anchor));
    } else {
        const QString anchor = QStringLiteral("Fld_CUSTOM_MEI");
        const report::LayoutControl* slipField = design(className, anchor);
        const report::LayoutControl* hosting = design(className, QStringLiteral("SubTKV418R3"));
        if (!slipField || !hosting)
            return {};
        origin = run.boxes.value(anchor).topLeft() - corner(*slipField) + corner(*hosting);
    }
    return QRectF(origin + corner(*c), QSizeF(c->width, c->height) / 20.0);
}

report::Align cardAlign(const QString& control) {
    const report::LayoutControl* c = design(QStringLiteral("TKV418R3"), control);
    return c ? c->align : report::Align::Left;
}

QString setting(const QString& key) {
    QFile file(qEnvironmentVariable("KEMA_SETTINGS"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
        if (line.startsWith(key + u'=', Qt::CaseInsensitive))
            return line.mid(key.size() + 1);
    return {};
}

bool setSetting(const QString& key, const QString& value) {
    QFile file(qEnvironmentVariable("KEMA_SETTINGS"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    file.close();
    lines.removeIf(
        [&](const QString& line) { return line.startsWith(key + u'=', Qt::CaseInsensitive); });
    lines << key + u'=' + value;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write((lines.join(u'\n') + u'\n').toUtf8()) > 0;
}

void ItemDefinitionDouble::install() const {
    const ItemDefinitionDouble config = *this;
    ComponentRegistry::instance().registerItemDefinition(
        QStringLiteral("RVA510.RVA510C6"),
        [config] { return std::make_unique<FixedItems>(config); });
}

void installStoreMaster(std::function<void()> onLookup) {
    ComponentRegistry::instance().registerStoreMaster(
        QStringLiteral("RVA510.RVA510C2"),
        [onLookup] { return std::make_unique<FixedStore>(onLookup); });
}

bool ServerConnections::tag() {
    const QString connection = setting(QStringLiteral("DBPARMS"));
    if (!connection.contains(QLatin1String("ConnSettings="), Qt::CaseInsensitive) ||
        connection.endsWith(u';'))
        return false;
    static int counter = 0;
    m_name =
        QStringLiteral("kema_card_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    // The driver decodes %3B into the separator of the statements it runs after connecting.
    return setSetting(QStringLiteral("DBPARMS"),
                      connection + QStringLiteral("%3BSET application_name TO '") + m_name + u'\'');
}

int ServerConnections::count() const {
    db::Connection connection;
    if (m_name.isEmpty() || !connection.open(qEnvironmentVariable("KEMA_TEST_PG")).ok())
        return -1;
    auto rs = connection.execute(
        QStringLiteral("SELECT COUNT(*) AS N FROM pg_stat_activity WHERE application_name = ?"),
        {m_name});
    if (!rs.ok() || rs.value().atEnd())
        return -1;
    auto n = rs.value().field(QStringLiteral("N"));
    return n.ok() ? n.value().toInt() : -1;
}

bool ServerConnections::countsOwnConnection() const {
    db::Connection own;
    if (!own.open(setting(QStringLiteral("DBPARMS"))).ok())
        return false;
    return count() == 1;
}

} // namespace kema::test
