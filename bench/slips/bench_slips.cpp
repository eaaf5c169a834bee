// The glasses and contact-lens slips on the SQLite demo database: a customer with a full
// examination rendered to PDF warm (with and without its database reads), the engine's paint of
// the same page alone (the floor), a reception of 50 rows into one 50-page PDF, and cold
// `raiten --pdf` runs.
// Run: QT_QPA_PLATFORM=offscreen bench_slips
#include "card/Registration.h"
#include "report/Document.h"
#include "report/FileOutput.h"
#include "report/Report.h"
#include "report/ReportFactory.h"
#include "report/print/Output.h"
#include "services/database/Database.h"
#include "slips/Registration.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace kema;

namespace {

constexpr int Runs = 30;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeMs(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

long maxRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A demo customer with a full examination of each kind of slip.
struct Customer {
    const char* name;
    const char* className;
    qint16 denpKbn;
    const char* qnumber;
    double key;
    bool offsetForm; // printed where the company code is 000008
};
const Customer kCustomers[] = {{"glasses", "TKV418R1", 1, "130100002", 1001, false},
                               {"contact", "TKV418R2", 2, "130100003", 1002, false},
                               {"glasses offset", "TKV418R4", 1, "130100002", 1001, true},
                               {"contact offset", "TKV418R5", 2, "130100003", 1002, true}};

std::unique_ptr<report::Report> slip(const QVariantMap& properties,
                                     const char* className = "TKV418R1") {
    auto created = report::ReportFactory::instance().create(QLatin1String(className));
    if (!created.ok())
        qFatal("%s", qPrintable(created.error().description));
    auto report = std::move(created).value();
    for (auto it = properties.begin(); it != properties.end(); ++it)
        report->setProperty(it.key().toLatin1().constData(), it.value());
    return report;
}

QVariantMap request(qint16 kind, const QString& number, double key, qint16 denpKbn = 1) {
    return {{"KidouKbnL", QVariant::fromValue<qint16>(1)},
            {"SyoriKbnL", QVariant::fromValue<qint16>(kind)},
            {"BarcodeKbnL", QVariant::fromValue<qint16>(1)},
            {"QNumberL", number},
            {"DenpKbnL", QVariant::fromValue<qint16>(denpKbn)},
            {"StoreCodeL", QStringLiteral("001")},
            {"UserUQKeyL", key},
            {"OutNumberL", QVariant::fromValue<qint16>(1)},
            {"OutKbnL", QVariant::fromValue<qint16>(1)},
            {"PrintKbnL", QVariant::fromValue<qint16>(0)}};
}

int run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (process.exitCode() != 0)
        std::fprintf(stderr, "%s\n", process.readAllStandardError().constData());
    return process.exitCode();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    if (run(QStringLiteral(KEMA_SOURCE_DIR "/scripts/make-demo-db"), {dir.path()}) != 0)
        return 1;
    const QString settings = dir.filePath(QStringLiteral("settings.ini"));
    qputenv("KEMA_SETTINGS", settings.toLocal8Bit());
    const QString offsetSettings = dir.filePath(QStringLiteral("settings-offset.ini"));
    {
        QFile in(settings);
        QFile out(offsetSettings);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
            qFatal("cannot write the offset settings");
        out.write(in.readAll().replace("KIGYO=", "KIGYO=000008"));
    }
    slips::registerGlassesSlips();
    slips::registerContactSlips();
    card::registerCustomerCard();
    const long rssBefore = maxRssKb();

    const QString pdf = dir.filePath(QStringLiteral("slip.pdf"));
    for (const Customer& c : kCustomers) {
        const QVariantMap customer = request(2, QLatin1String(c.qnumber), c.key, c.denpKbn);
        std::vector<double> warm;
        std::vector<double> floor;
        for (int i = 0; i < Runs + 1; ++i) {
            auto report = slip(customer, c.className);
            const double ms = timeMs([&] {
                if (!report::renderPdf(*report, pdf).ok())
                    qFatal("the %s customer slip failed", c.name);
            });
            const double paint = timeMs([&] { report::writePdf(report->document(), pdf); });
            if (i > 0) {
                warm.push_back(ms);
                floor.push_back(paint);
            }
        }
        std::printf("%-15s customer slip to PDF, warm: median %.2f ms\n", c.name, median(warm));
        std::printf("%-15s engine paint of the page:   median %.2f ms\n", c.name, median(floor));
        std::printf("%-15s ratio slip / paint floor:   %.2f\n", c.name,
                    median(warm) / median(floor));
    }

    {
        db::Connection connection;
        const QString database = QStringLiteral("DRIVER=SQLite3;Database=") +
                                 dir.filePath(QStringLiteral("store.sqlite"));
        if (!connection.open(database).ok())
            qFatal("cannot open the demo database");
        for (int i = 0; i < 49; ++i) {
            auto inserted = connection.execute(
                QStringLiteral("INSERT INTO URECEPT SELECT RC_INQ_NO, ?, RC_STORE_CD, "
                               "RC_RECEPT_DT, RC_RECEPT_TM, RC_DENP_KBN, RC_UNIQUE_KEY, RC_CM_NO, "
                               "RC_KNAME, RC_NAME, RC_SEX, RC_BIRTHDAY, RC_TEL, RC_CONNECT_TEL, "
                               "RC_CONNECT_RMKS, RC_CARRY_TEL FROM URECEPT WHERE RC_INQ_NO = ? "
                               "AND RC_SEQ_NO = 1"),
                {i + 2, QStringLiteral("130100002")});
            if (!inserted.ok())
                qFatal("%s", qPrintable(inserted.error().description));
        }
    }
    std::vector<double> fifty;
    for (int i = 0; i < 5; ++i) {
        auto report = slip(request(1, QStringLiteral("130100002"), 0));
        fifty.push_back(timeMs([&] { report::renderPdf(*report, pdf); }));
        if (report->document().pages.size() != 50)
            qFatal("expected 50 pages, got %d", int(report->document().pages.size()));
    }
    std::printf("reception of 50 rows to PDF:     median %.1f ms (%.2f ms per page)\n",
                median(fifty), median(fifty) / 50);
    std::printf("peak RSS growth in process:      %ld KB\n", maxRssKb() - rssBefore);

    for (const Customer& c : kCustomers) {
        std::vector<double> cold;
        const QStringList arguments{"--settings",    c.offsetForm ? offsetSettings : settings,
                                    "--kidoukbnl",   "1",
                                    "--syorikbnl",   "2",
                                    "--barcodekbnl", "1",
                                    "--qnumberl",    QLatin1String(c.qnumber),
                                    "--denpkbnl",    QString::number(c.denpKbn),
                                    "--storecodel",  "001",
                                    "--useruqkeyl",  QString::number(c.key),
                                    "--outnumberl",  "1",
                                    "--outkbnl",     "1",
                                    "--printkbnl",   "0",
                                    "--pdf",         pdf};
        for (int i = 0; i < 7; ++i)
            cold.push_back(timeMs([&] {
                if (run(QStringLiteral(KEMA_BINARY_DIR "/tools/raiten/raiten"), arguments) != 0)
                    qFatal("raiten failed");
            }));
        std::printf("%-15s cold raiten --pdf:          median %.1f ms\n", c.name, median(cold));
    }
    return 0;
}
