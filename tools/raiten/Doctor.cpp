#include "Doctor.h"
#include "Options.h"

#include "report/Fonts.h"
#include "report/Layout.h"
#include "report/print/Desktop.h"
#include "report/print/LibCups.h"
#include "services/database/Database.h"
#include "services/database/ReportDatabase.h"
#include "services/settings/Settings.h"
#include "services/text/Conversions.h"

#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace kema::doctor {
namespace {

const QString kSection = QStringLiteral("NWLS\\Common");
const QString kOffsetCompany = QStringLiteral("000008");
constexpr int kUsageError = 2;

enum class Verdict { Pass, Fail, Skip };

struct Check {
    QString id;
    QString title;
    Verdict verdict = Verdict::Pass;
    QString detail;
    QString hint;
    QJsonObject data;
};

Check passed(const char* id, const char* title, const QString& detail, QJsonObject data = {}) {
    return {QLatin1String(id), QLatin1String(title), Verdict::Pass, detail, {}, std::move(data)};
}

Check failed(const char* id, const char* title, const QString& detail, const QString& hint,
             QJsonObject data = {}) {
    return {QLatin1String(id), QLatin1String(title), Verdict::Fail, detail, hint, std::move(data)};
}

Check skipped(const char* id, const char* title, const QString& reason) {
    return {QLatin1String(id), QLatin1String(title), Verdict::Skip, reason, {}, {}};
}

// What may be shown of a connection string or of a driver's text quoting one.
QString masked(const QString& text) {
    return kema::db::maskedConnectionString(text);
}

QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

// What the slips, the customer card and the master-data look-ups read, table by table. The
// statements that select "*" are listed by the columns their readers take.
struct Table {
    QString name;
    QStringList columns;
};

QStringList numbered(const char* stem, int first, int last, const char* tail = "") {
    QStringList names;
    for (int i = first; i <= last; ++i)
        names << QLatin1String(stem) + QString::number(i) + QLatin1String(tail);
    return names;
}

QStringList perEye(std::initializer_list<const char*> stems) {
    QStringList names;
    for (const char* stem : stems)
        names << numbered(stem, 1, 2);
    return names;
}

QList<Table> readTables() {
    QStringList customer{"CUBS_UNIQUE_KEY",  "CUBS_CUSTOMER_NO", "CUBS_KANA_MEI",
                         "CUBS_CUSTOM_MEI",  "CUBS_SEX",         "CUBS_BIRTH_DT",
                         "CUBS_MAILNO",      "CUBS_ADDRESS1",    "CUBS_ADDRESS2",
                         "CUBS_KATAGAKI",    "CUBS_HOME_TEL",    "CUBS_CONNECT_TEL",
                         "CUBS_CONNECT_CMT", "CUBS_CARRY_TEL",   "CUBS_E_MAIL",
                         "CUBS_GL_AMT_SUM",  "CUBS_CL_AMT_SUM",  "CUBS_OTH_AMT_SUM"};
    customer << numbered("CUBS_FREE_", 1, 16) << numbered("CUBS_BUY", 1, 16, "_FLG")
             << numbered("CUBS_FREE_17_", 1, 16) << numbered("CUBS_FREE_18_", 1, 16)
             << numbered("CUBS_FREE_19_", 1, 16);
    const QStringList examKeys{"_STORE_NO", "_UNIQUE_KEY", "_HISTORY_NO"};
    const auto keys = [&](const char* prefix) {
        QStringList names;
        for (const QString& key : examKeys)
            names << QLatin1String(prefix) + key;
        return names;
    };
    return {
        {"URECEPT",
         {"RC_INQ_NO", "RC_CM_NO", "RC_KNAME", "RC_NAME", "RC_SEX", "RC_BIRTHDAY", "RC_TEL",
          "RC_CONNECT_TEL", "RC_CONNECT_RMKS", "RC_CARRY_TEL"}},
        {"CBASE", customer},
        {"MSTORE", {"STORE_CD", "STORE_NM"}},
        {"MITEMDEF", {"ITEM_NO", "ITEM_NM", "USE_FLG", "DISP_KBN", "H_ZOKUSEI"}},
        {"MITEMDTL", {"ITEM_NO", "DETAIL_NO", "DETAIL_NM", "DISP_ORDER"}},
        {"MITEMCD", {"ITEM_CD", "RYOUGAN_KBN"}},
        {"GSYSPARM", {"PARM_NO", "PARM_NAIYO"}},
        {"CSALE",
         {"CSALE_STORE_NO", "CSALE_KIND", "CSALE_UNIQUE_KEY", "CSALE_HISTORY_NO", "CSALE_LINE_NO",
          "CSALE_GOODS_KBN", "CSALE_GOODS_NM", "CSALE_RL_KBN"}},
        {"CGLASBS", keys("GLS") +
                        QStringList{"GLS_EXAM_DT", "GLS_USE_PUR", "GLS_INT_CD", "GLS_REMARKS",
                                    "GLS_LENS_COLR1", "GLS_LENS_NODO1", "GLS_LENS_NODO_UD1",
                                    "GLS_LENS_COLR2", "GLS_LENS_NODO2", "GLS_LENS_NODO_UD2"} +
                        numbered("GLS_NAKED_SIGHT_", 1, 3)},
        {"CGLASDTL",
         keys("GLS") + QStringList{"GLS_KIND1"} + numbered("GLS_SIGHT_", 1, 3) +
             perEye({"GLS_S_", "GLS_C_", "GLS_AX_", "GLS_ADD_", "GLS_P1_", "GLS_B1_", "GLS_HEN1_",
                     "GLS_P_WAY1_", "GLS_PD_", "GLS_NPD_", "GLS_EYE_POINT_"})},
        {"CCNTBS", keys("CNT") +
                       QStringList{"CNT_EXAM_DT", "CNT_INT_CD", "CNT_DOCTOR_CD", "CNT_VK_1",
                                   "CNT_HK_1", "CNT_VK_2", "CNT_HK_2", "CNT_REMARKS"} +
                       numbered("CNT_NAKED_SIGHT_", 1, 3)},
        {"CCNTDTL", keys("CNT") + QStringList{"CNT_KIND1"} + numbered("CNT_SIGHT_", 1, 3) +
                        perEye({"CNT_BC_", "CNT_P_", "CNT_SIZ_", "CNT_C_", "CNT_AX_", "CNT_ADD_"})},
    };
}

bool readsNoRow(db::Connection& connection, const QString& table, const QStringList& columns) {
    return connection
        .execute(QStringLiteral("SELECT %1 FROM %2 WHERE 1 = 0").arg(columns.join(u", "), table))
        .ok();
}

Check tablesCheck(db::Connection& connection) {
    QStringList absentTables;
    QStringList absentColumns;
    int columnCount = 0;
    const QList<Table> tables = readTables();
    for (const Table& table : tables) {
        columnCount += int(table.columns.size());
        if (readsNoRow(connection, table.name, table.columns))
            continue;
        // One statement per column then tells a missing column from a missing table.
        QStringList absent;
        for (const QString& column : table.columns) {
            if (!readsNoRow(connection, table.name, {column}))
                absent << table.name + u'.' + column;
        }
        if (absent.size() == table.columns.size())
            absentTables << table.name;
        else
            absentColumns << absent;
    }
    if (absentTables.isEmpty() && absentColumns.isEmpty())
        return passed(
            "tables", "Tables and columns",
            QStringLiteral("%1 tables, %2 columns readable").arg(tables.size()).arg(columnCount));
    QStringList parts;
    if (!absentTables.isEmpty())
        parts << QStringLiteral("missing or unreadable tables: ") + absentTables.join(u", ");
    if (!absentColumns.isEmpty())
        parts << QStringLiteral("missing columns: ") + absentColumns.join(u", ");
    return failed("tables", "Tables and columns", parts.join(u"; "),
                  QStringLiteral("add them to the store database as the schema of the slips "
                                 "defines them (schema.sql in the package's documentation), or "
                                 "grant this user SELECT on them"),
                  {{"missingTables", QJsonArray::fromStringList(absentTables)},
                   {"missingColumns", QJsonArray::fromStringList(absentColumns)}});
}

Check parametersCheck(db::Connection& connection) {
    const int wanted[] = {1120, 1180, 5020, 5040};
    auto rs = connection.execute(QStringLiteral("SELECT PARM_NO, PARM_NAIYO FROM GSYSPARM WHERE "
                                                "PARM_NO IN (1120, 1180, 5020, 5040)"));
    if (!rs.ok())
        return failed("parameters", "System parameters",
                      QStringLiteral("GSYSPARM cannot be read: ") + masked(rs.error().description),
                      QStringLiteral("see the tables and columns above"));
    QMap<int, QString> values;
    for (db::Recordset& r = rs.value(); !r.atEnd(); r.moveNext())
        values.insert(ToInteger32(r.field(QStringLiteral("PARM_NO")).value()),
                      NullToEmpty(r.field(QStringLiteral("PARM_NAIYO")).value()));
    QStringList missing;
    QStringList shown;
    QJsonObject data;
    for (int number : wanted) {
        const auto found = values.constFind(number);
        if (found == values.constEnd()) {
            missing << QString::number(number);
            continue;
        }
        shown << QStringLiteral("%1 = %2").arg(number).arg(quoted(*found));
        data.insert(QString::number(number), *found);
    }
    // The goods kinds are compared as whole numbers, in SQL too.
    QStringList notNumbers;
    for (int number : {1120, 1180}) {
        if (values.contains(number) && !ToInteger16Strict(values.value(number)).ok())
            notNumbers << QString::number(number);
    }
    if (missing.isEmpty() && notNumbers.isEmpty())
        return passed("parameters", "System parameters", shown.join(u", "), data);
    QStringList parts;
    if (!missing.isEmpty())
        parts << QStringLiteral("missing from GSYSPARM: ") + missing.join(u", ");
    if (!notNumbers.isEmpty())
        parts << QStringLiteral("PARM_NAIYO is no whole number: ") + notNumbers.join(u", ");
    return failed("parameters", "System parameters", parts.join(u"; "),
                  QStringLiteral("add the rows to GSYSPARM (PARM_NO, PARM_NAIYO): 1120 the goods "
                                 "kind of frames, 1180 that of special orders, 5020 and 5040 the "
                                 "customer card's switches"),
                  data);
}

Check itemsCheck(db::Connection& connection) {
    // Each slip shows the first four examination kinds of its group.
    constexpr int kKinds = 4;
    auto rs = connection.execute(
        QStringLiteral("SELECT ITEM_NO, DETAIL_NO FROM MITEMDTL WHERE ITEM_NO IN (43, 45)"));
    if (!rs.ok())
        return failed("items", "Item definitions",
                      QStringLiteral("MITEMDTL cannot be read: ") + masked(rs.error().description),
                      QStringLiteral("see the tables and columns above"));
    QMap<int, int> details{{43, 0}, {45, 0}};
    for (db::Recordset& r = rs.value(); !r.atEnd(); r.moveNext())
        ++details[ToInteger32(r.field(QStringLiteral("ITEM_NO")).value())];
    QStringList shown;
    QStringList tooFew;
    QJsonObject data;
    for (auto it = details.cbegin(); it != details.cend(); ++it) {
        const QString text =
            QStringLiteral("group %1 has %2 details").arg(it.key()).arg(it.value());
        shown << text;
        data.insert(QString::number(it.key()), it.value());
        if (it.value() < kKinds)
            tooFew << text;
    }
    if (tooFew.isEmpty())
        return passed("items", "Item definitions", shown.join(u", "), data);
    return failed("items", "Item definitions",
                  tooFew.join(u", ") + QStringLiteral(", the slip shows %1").arg(kKinds),
                  QStringLiteral("add the examination kinds to MITEMDTL: item group 43 for the "
                                 "eyeglasses slip, 45 for the contact-lens slip, four details "
                                 "each (DETAIL_NO, DETAIL_NM, DISP_ORDER)"),
                  data);
}

// The database side runs on a thread of its own, so that a server that never answers costs the
// timeout and not the check.
struct DatabaseProbe {
    std::promise<Status> opened;
    std::promise<std::vector<Check>> contents;
};

void probeDatabase(const std::shared_ptr<DatabaseProbe>& probe, const QString& connectionString) {
    db::Connection connection;
    Status opened = connection.open(connectionString);
    const bool ok = opened.ok();
    probe->opened.set_value(std::move(opened));
    if (!ok)
        return;
    std::vector<Check> checks{tablesCheck(connection), parametersCheck(connection),
                              itemsCheck(connection)};
    connection.close();
    probe->contents.set_value(std::move(checks));
}

struct Settings {
    QString path;
    bool named = false;
    bool found = false;
    QString kigyo;
    QString area;
    QString key;
    QString connectionString;
    bool offsetForms() const { return kigyo == kOffsetCompany; }
};

Check settingsCheck(Settings& settings) {
    settings.path = settingsFilePath();
    settings.named = !qEnvironmentVariableIsEmpty("KEMA_SETTINGS");
    const QString source =
        settings.named ? QStringLiteral("KEMA_SETTINGS") : QStringLiteral("the per-user default");
    const QJsonObject data{{"path", settings.path},
                           {"source", settings.named ? "KEMA_SETTINGS" : "default"}};
    const QFileInfo info(settings.path);
    const QString hint = QStringLiteral("create %1 with the section [NWLS\\Common] and its keys "
                                        "KIGYO, AREA and DBPARMS, or name the workstation's file "
                                        "with KEMA_SETTINGS")
                             .arg(settings.path);
    if (!info.exists())
        return failed("settings", "Settings file",
                      QStringLiteral("no file %1 (%2)").arg(settings.path, source), hint, data);
    if (!info.isFile() || !info.isReadable())
        return failed("settings", "Settings file",
                      QStringLiteral("%1 (%2) cannot be read").arg(settings.path, source),
                      QStringLiteral("make it a file this user may read"), data);
    settings.found = true;
    return passed("settings", "Settings file", QStringLiteral("%1 (%2)").arg(settings.path, source),
                  data);
}

Check companyCheck(Settings& settings) {
    settings.kigyo = GetSetting(kSection, QStringLiteral("KIGYO"));
    const QString slips =
        settings.offsetForms()
            ? QStringLiteral("the printer-offset slips TKV418R4 (eyeglasses) and TKV418R5 "
                             "(contact lenses)")
            : QStringLiteral("the standard slips TKV418R1 (eyeglasses) and TKV418R2 (contact "
                             "lenses) with the customer card TKV418R3");
    return passed("company", "Company code",
                  QStringLiteral("KIGYO %1 selects %2").arg(quoted(settings.kigyo), slips),
                  {{"kigyo", settings.kigyo}, {"offsetForms", settings.offsetForms()}});
}

Check connectionStringCheck(Settings& settings) {
    settings.area = GetSetting(kSection, QStringLiteral("AREA"));
    const bool central = settings.area == u"1";
    settings.key = central ? QStringLiteral("DBPARMC") : QStringLiteral("DBPARMS");
    settings.connectionString = db::settingsConnectionString();
    const QJsonObject data{{"area", settings.area},
                           {"key", settings.key},
                           {"connection", masked(settings.connectionString)}};
    if (settings.connectionString.trimmed().isEmpty())
        return failed("connection-string", "Connection string",
                      QStringLiteral("AREA %1 selects %2, which is empty")
                          .arg(quoted(settings.area), settings.key),
                      QStringLiteral("set %1 in [NWLS\\Common] of %2 to the store database's ODBC "
                                     "connection string, or set AREA to select %3")
                          .arg(settings.key, settings.path,
                               central ? QStringLiteral("DBPARMS") : QStringLiteral("DBPARMC")),
                      data);
    return passed("connection-string", "Connection string",
                  QStringLiteral("AREA %1 selects %2: %3")
                      .arg(quoted(settings.area), settings.key, masked(settings.connectionString)),
                  data);
}

// The database checks; false when the probe is still running after the timeout and its thread
// was left behind.
bool databaseChecks(const Settings& settings, std::chrono::seconds timeout,
                    std::vector<Check>& checks) {
    const auto skipRest = [&](const QString& reason) {
        checks.push_back(skipped("tables", "Tables and columns", reason));
        checks.push_back(skipped("parameters", "System parameters", reason));
        checks.push_back(skipped("items", "Item definitions", reason));
    };
    if (!settings.found || settings.connectionString.trimmed().isEmpty()) {
        checks.push_back(
            skipped("database", "Database", QStringLiteral("needs a connection string")));
        skipRest(QStringLiteral("needs the database"));
        return true;
    }
    const QString shown = masked(settings.connectionString);
    auto probe = std::make_shared<DatabaseProbe>();
    std::future<Status> opened = probe->opened.get_future();
    std::future<std::vector<Check>> contents = probe->contents.get_future();
    std::thread worker(probeDatabase, probe, settings.connectionString);
    const QString unanswered =
        QStringLiteral("no answer from %1 within %2 s").arg(shown).arg(qlonglong(timeout.count()));
    const QString reachHint = QStringLiteral("check that the database server is running and that "
                                             "this workstation reaches it");
    if (opened.wait_for(timeout) != std::future_status::ready) {
        worker.detach();
        checks.push_back(failed("database", "Database", unanswered, reachHint));
        skipRest(QStringLiteral("needs the database"));
        return false;
    }
    const Status status = opened.get();
    if (!status) {
        worker.join();
        checks.push_back(failed(
            "database", "Database",
            QStringLiteral("cannot open %1: %2").arg(shown, masked(status.error().description)),
            QStringLiteral("check in %1 the ODBC driver (odbcinst -q -d lists the installed "
                           "ones), the server, the database, the user and the password")
                .arg(settings.key)));
        skipRest(QStringLiteral("needs the database"));
        return true;
    }
    checks.push_back(passed("database", "Database", QStringLiteral("opened ") + shown));
    if (contents.wait_for(timeout) != std::future_status::ready) {
        worker.detach();
        checks.push_back(failed("tables", "Tables and columns", unanswered, reachHint));
        checks.push_back(
            skipped("parameters", "System parameters", QStringLiteral("needs the database")));
        checks.push_back(
            skipped("items", "Item definitions", QStringLiteral("needs the database")));
        return false;
    }
    worker.join();
    for (Check& check : contents.get())
        checks.push_back(std::move(check));
    return true;
}

Check fontsCheck() {
    QStringList faces;
    QStringList problems;
    const QStringList files = QDir(QStringLiteral(":/layouts"))
                                  .entryList({QStringLiteral("*.layout")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const auto layout = report::loadLayout(QFileInfo(file).completeBaseName());
        if (!layout) {
            problems << layout.error().description;
            continue;
        }
        for (const report::LayoutControl& control : layout.value()->controls) {
            if (!control.font.face.isEmpty() && !faces.contains(control.font.face))
                faces << control.font.face;
        }
    }
    QStringList resolved;
    for (const QString& face : faces) {
        if (const Status found = report::checkFace(report::TextFont{face}); !found)
            problems << found.error().description;
        else
            resolved << face + QStringLiteral(" → ") + QFontInfo(QFont(face)).family();
    }
    if (problems.isEmpty())
        return passed("fonts", "Fonts", resolved.join(u", "),
                      {{"faces", QJsonArray::fromStringList(resolved)}});
    return failed("fonts", "Fonts", problems.join(u"; "),
                  QStringLiteral("install fonts-ipafont-mincho, fonts-ipafont-gothic and "
                                 "fonts-liberation2, and check that fontconfig lists them: "
                                 "fc-list | grep -e IPA -e Liberation"),
                  {{"faces", QJsonArray::fromStringList(faces)}});
}

// Printing and the preview come from the desktop module; file output works without it.
Check desktopCheck() {
    if (const Result<report::Desktop*> loaded = report::desktop(); !loaded)
        return failed("desktop", "Printing and preview", loaded.error().description,
                      QStringLiteral("install the package again: the module belongs beside "
                                     "libtkv418.so, in its folder tkv418"));
    return passed("desktop", "Printing and preview",
                  QStringLiteral("the desktop module loads (Qt Widgets, Qt Print Support)"));
}

struct Cups {
    QString server;
    bool answered = false;
    QString error;
    QStringList queues;
    QStringList rejecting;
    QString defaultQueue;
};

Cups queryCups(std::chrono::seconds timeout) {
    Cups cups;
    const kema::report::LibCups* loaded = kema::report::libCups();
    if (!loaded) {
        cups.error = QString::fromLocal8Bit(kema::report::libCupsError());
        return cups;
    }
    const kema::report::LibCups& lib = *loaded;
    const char* host = lib.cupsServer();
    cups.server = QString::fromLocal8Bit(host);
    if (!cups.server.startsWith(u'/'))
        cups.server += u':' + QString::number(lib.ippPort());
    http_t* http = lib.httpConnect2(host, lib.ippPort(), nullptr, AF_UNSPEC, lib.cupsEncryption(),
                                    1, int(timeout.count() * 1000), nullptr);
    if (!http) {
        cups.error = QString::fromLocal8Bit(lib.cupsLastErrorString());
        return cups;
    }
    lib.httpSetTimeout(http, double(timeout.count()), nullptr, nullptr);
    cups_dest_t* dests = nullptr;
    const int count = lib.cupsGetDests2(http, &dests);
    const ipp_status_t status = lib.cupsLastError();
    if (count == 0 && status > IPP_STATUS_OK_EVENTS_COMPLETE &&
        status != IPP_STATUS_ERROR_NOT_FOUND) {
        cups.error = QString::fromLocal8Bit(lib.cupsLastErrorString());
    } else {
        cups.answered = true;
        for (int i = 0; i < count; ++i) {
            const cups_dest_t& dest = dests[i];
            if (dest.instance)
                continue;
            const QString name = QString::fromLocal8Bit(dest.name);
            cups.queues << name;
            const char* accepting =
                lib.cupsGetOption("printer-is-accepting-jobs", dest.num_options, dest.options);
            if (accepting && qstrcmp(accepting, "false") == 0)
                cups.rejecting << name;
            if (dest.is_default)
                cups.defaultQueue = name;
        }
    }
    lib.cupsFreeDests(count, dests);
    lib.httpClose(http);
    return cups;
}

Check cupsCheck(const Cups& cups) {
    const QJsonObject data{{"server", cups.server},
                           {"queues", QJsonArray::fromStringList(cups.queues)}};
    if (!cups.answered)
        return failed("cups", "CUPS",
                      QStringLiteral("no answer from CUPS at %1 (%2)").arg(cups.server, cups.error),
                      QStringLiteral("start the print scheduler (systemctl start cups), or name "
                                     "the print server in CUPS_SERVER or /etc/cups/client.conf"),
                      data);
    if (cups.queues.isEmpty())
        return failed("cups", "CUPS", QStringLiteral("CUPS at %1 has no queues").arg(cups.server),
                      QStringLiteral("add the slip printer's queue: lpadmin -p NAME -E -v URI "
                                     "-m MODEL"),
                      data);
    return passed(
        "cups", "CUPS",
        QStringLiteral("CUPS at %1 answers, %2 %3: %4")
            .arg(cups.server)
            .arg(cups.queues.size())
            .arg(cups.queues.size() == 1 ? QStringLiteral("queue") : QStringLiteral("queues"))
            .arg(cups.queues.join(u", ")),
        data);
}

struct Offsets {
    QString path;
    bool found = false;
    QString device;
};

Check offsetsCheck(const Settings& settings, Offsets& offsets) {
    if (!settings.offsetForms())
        return skipped("printer-offsets", "Printer offsets",
                       QStringLiteral("not used: KIGYO is not %1").arg(kOffsetCompany));
    offsets.path = nprinterIniPath();
    const QString source = qEnvironmentVariableIsEmpty("KEMA_NPRINTER_INI")
                               ? QStringLiteral("the default path")
                               : QStringLiteral("KEMA_NPRINTER_INI");
    const QString fileHint =
        QStringLiteral("create %1 with the section [START_POS] and its keys TOP and LEFT (twips) "
                       "and Device (a CUPS queue, or empty), or name the file with "
                       "KEMA_NPRINTER_INI")
            .arg(offsets.path);
    const QFileInfo info(offsets.path);
    if (!info.isFile() || !info.isReadable())
        return failed("printer-offsets", "Printer offsets",
                      QStringLiteral("no readable file %1 (%2)").arg(offsets.path, source),
                      fileHint, {{"path", offsets.path}});
    offsets.found = true;
    offsets.device =
        ReadIniValue(offsets.path, QStringLiteral("START_POS"), QStringLiteral("Device"), QString())
            .trimmed();
    QJsonObject data{{"path", offsets.path}, {"device", offsets.device}};
    QStringList shown;
    QStringList broken;
    for (const char* key : {"TOP", "LEFT"}) {
        // As the page setup reads them: an empty value is 0.
        QString value =
            ReadIniValue(offsets.path, QStringLiteral("START_POS"), QLatin1String(key), {});
        if (value.trimmed().isEmpty())
            value = QStringLiteral("0");
        const Result<qint16> number = ToInteger16Strict(value);
        if (number.ok()) {
            shown << QStringLiteral("%1 %2").arg(QLatin1String(key)).arg(number.value());
            data.insert(QLatin1String(key).toString().toLower(), number.value());
        } else {
            broken << QStringLiteral("%1=%2").arg(QLatin1String(key), quoted(value));
        }
    }
    if (!broken.isEmpty())
        return failed("printer-offsets", "Printer offsets",
                      QStringLiteral("%1: [START_POS] %2 is no whole number from -32768 to 32767")
                          .arg(offsets.path, broken.join(u", ")),
                      QStringLiteral("write TOP and LEFT in twips (1/1440 inch), for example "
                                     "TOP=120"),
                      data);
    return passed("printer-offsets", "Printer offsets",
                  QStringLiteral("%1 (%2): %3 twips").arg(offsets.path, source, shown.join(u", ")),
                  data);
}

Check defaultQueueCheck(const Settings& settings, const Offsets& offsets, const Cups& cups) {
    if (settings.offsetForms() && !offsets.device.isEmpty())
        return skipped("default-queue", "Default queue",
                       QStringLiteral("not used: Device of the printer-offset file names the "
                                      "queue"));
    if (!cups.answered || cups.queues.isEmpty())
        return skipped("default-queue", "Default queue", QStringLiteral("needs CUPS"));
    if (cups.defaultQueue.isEmpty())
        return failed("default-queue", "Default queue",
                      QStringLiteral("CUPS at %1 has no default queue").arg(cups.server),
                      QStringLiteral("make the slip printer the default: lpadmin -d QUEUE (or "
                                     "lpoptions -d QUEUE for this user)"));
    if (cups.rejecting.contains(cups.defaultQueue))
        return failed("default-queue", "Default queue",
                      QStringLiteral("%1 does not accept jobs").arg(cups.defaultQueue),
                      QStringLiteral("cupsaccept %1").arg(cups.defaultQueue),
                      {{"queue", cups.defaultQueue}});
    return passed("default-queue", "Default queue",
                  QStringLiteral("%1, accepting jobs").arg(cups.defaultQueue),
                  {{"queue", cups.defaultQueue}});
}

Check offsetQueueCheck(const Settings& settings, const Offsets& offsets, const Cups& cups) {
    if (!settings.offsetForms())
        return skipped("offset-queue", "Offset queue",
                       QStringLiteral("not used: KIGYO is not %1").arg(kOffsetCompany));
    if (!offsets.found)
        return skipped("offset-queue", "Offset queue",
                       QStringLiteral("needs the printer-offset file"));
    if (offsets.device.isEmpty())
        return passed("offset-queue", "Offset queue",
                      QStringLiteral("Device is empty: the slips print on the default queue"));
    if (!cups.answered)
        return skipped("offset-queue", "Offset queue", QStringLiteral("needs CUPS"));
    const QJsonObject data{{"queue", offsets.device}};
    if (!cups.queues.contains(offsets.device))
        return failed("offset-queue", "Offset queue",
                      QStringLiteral("Device %1 is no queue of CUPS at %2")
                          .arg(quoted(offsets.device), cups.server),
                      QStringLiteral("set Device in [START_POS] of %1 to one of: %2 (or leave it "
                                     "empty for the default queue)")
                          .arg(offsets.path, cups.queues.join(u", ")),
                      data);
    if (cups.rejecting.contains(offsets.device))
        return failed("offset-queue", "Offset queue",
                      QStringLiteral("%1 does not accept jobs").arg(offsets.device),
                      QStringLiteral("cupsaccept %1").arg(offsets.device), data);
    return passed("offset-queue", "Offset queue",
                  QStringLiteral("Device %1, accepting jobs").arg(quoted(offsets.device)), data);
}

void write(std::FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

QString line(const Check& check) {
    const char16_t* mark = check.verdict == Verdict::Pass   ? u"✓"
                           : check.verdict == Verdict::Fail ? u"✗"
                                                            : u"-";
    QString text = QString::fromUtf16(mark) + u' ' + check.title + QStringLiteral(": ") +
                   check.detail.simplified();
    if (check.verdict == Verdict::Fail)
        text += QStringLiteral(" — ") + check.hint.simplified();
    return text + u'\n';
}

QJsonObject json(const Check& check) {
    static const char* const statuses[] = {"pass", "fail", "skip"};
    QJsonObject object{{"id", check.id},
                       {"title", check.title},
                       {"status", statuses[int(check.verdict)]},
                       {"detail", check.detail.simplified()}};
    if (check.verdict == Verdict::Fail)
        object.insert("hint", check.hint.simplified());
    if (!check.data.isEmpty())
        object.insert("data", check.data);
    return object;
}

struct Options {
    bool help = false;
    bool json = false;
    std::chrono::seconds timeout{10};
};

const char* const kUsage =
    "Usage: raiten doctor [--json] [--settings FILE] [--nprinter FILE] [--timeout SECONDS]\n"
    "Checks what a print needs on this workstation, one line per check: the settings file,\n"
    "the company code, the connection string and the database, its tables, columns, system\n"
    "parameters and item definitions, the fonts, CUPS and its queues, and for company code\n"
    "000008 the printer-offset file.\n"
    "  --json              print the verdicts as one JSON object\n"
    "  --settings FILE     the settings file to check (sets KEMA_SETTINGS)\n"
    "  --nprinter FILE     the printer-offset file to check (sets KEMA_NPRINTER_INI)\n"
    "  --timeout SECONDS   how long the database may take to answer (default 10)\n"
    "\nExit status: 0 everything a print needs is there, 1 a check failed, 2 usage error.\n";

std::optional<QString> parse(const QStringList& arguments, Options& options) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments.at(i);
        if (name == u"--help" || name == u"-h") {
            options.help = true;
            continue;
        }
        if (name == u"--json") {
            options.json = true;
            continue;
        }
        const std::optional<QString> given = raiten::optionValue(arguments, i, name);
        if (!given)
            return name + QStringLiteral(" needs a value");
        const QString& value = *given;
        if (name == u"--settings" || name == u"--nprinter") {
            if (value.isEmpty())
                return name + QStringLiteral(" needs a file name");
            qputenv(name == u"--settings" ? "KEMA_SETTINGS" : "KEMA_NPRINTER_INI",
                    QFileInfo(value).absoluteFilePath().toLocal8Bit());
        } else if (name == u"--timeout") {
            bool ok = false;
            const int seconds = value.toInt(&ok);
            if (!ok || seconds < 1 || seconds > 600)
                return QStringLiteral("--timeout: \"%1\" is not a number of seconds from 1 to 600")
                    .arg(value);
            options.timeout = std::chrono::seconds(seconds);
        } else {
            return QStringLiteral("unknown option ") + name;
        }
    }
    return std::nullopt;
}

} // namespace

int run(const QStringList& arguments) {
    Options options;
    if (const std::optional<QString> error = parse(arguments, options)) {
        write(stderr, QStringLiteral("raiten doctor: ") + *error +
                          QStringLiteral("\nTry 'raiten doctor --help'.\n"));
        return kUsageError;
    }
    if (options.help) {
        write(stdout, QString::fromLatin1(kUsage));
        return 0;
    }

    std::vector<Check> checks;
    Settings settings;
    checks.push_back(settingsCheck(settings));
    if (settings.found) {
        checks.push_back(companyCheck(settings));
        checks.push_back(connectionStringCheck(settings));
    } else {
        checks.push_back(
            skipped("company", "Company code", QStringLiteral("needs the settings file")));
        checks.push_back(skipped("connection-string", "Connection string",
                                 QStringLiteral("needs the settings file")));
    }
    const bool settled = databaseChecks(settings, options.timeout, checks);
    checks.push_back(fontsCheck());
    checks.push_back(desktopCheck());
    const Cups cups = queryCups(options.timeout);
    Offsets offsets;
    const Check offsetFile = offsetsCheck(settings, offsets);
    checks.push_back(cupsCheck(cups));
    checks.push_back(defaultQueueCheck(settings, offsets, cups));
    checks.push_back(offsetFile);
    checks.push_back(offsetQueueCheck(settings, offsets, cups));

    bool ok = true;
    QJsonArray list;
    QString text;
    for (const Check& check : checks) {
        ok = ok && check.verdict != Verdict::Fail;
        list.append(json(check));
        text += line(check);
    }
    if (options.json)
        write(stdout,
              QString::fromUtf8(QJsonDocument(QJsonObject{{"ok", ok}, {"checks", list}}).toJson()));
    else
        write(stdout, text);
    const int status = ok ? 0 : 1;
    // A database thread still waiting in the driver cannot be joined, and tearing the driver
    // down under it would crash: leave without destructors.
    if (!settled)
        std::_Exit(status);
    return status;
}

} // namespace kema::doctor
