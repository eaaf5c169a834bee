// 10,000 slips in one process, a mix of customer, reception and blank forms of both kinds, each
// rendered to a PDF in memory on the demo database (SQLite, and the PostgreSQL server of
// KEMA_TEST_PG when it is set). Prints the resident set after 1,000 and 10,000 slips, the open
// file descriptors and database connections at start and end; exits 1 when the resident set
// grew by 5 MB or more after the first 1,000 slips, the descriptors grew after them, or a
// connection stayed open.
// Run: QT_QPA_PLATFORM=offscreen bench_soak [slips]
#include "TestDatabase.h"
#include "card/Registration.h"
#include "report/Document.h"
#include "report/FileOutput.h"
#include "report/Report.h"
#include "report/ReportFactory.h"
#include "services/database/Database.h"
#include "slips/Registration.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>

#include <unistd.h>

#include <cstdio>
#include <fstream>

using namespace kema;

namespace {

constexpr int Warmup = 1000;
constexpr double GrowthLimitMb = 5;

struct Slip {
    const char* name;
    const char* className;
    qint16 kidouKbn;
    qint16 syoriKbn;
    qint16 barcodeKbn;
    const char* qnumber;
    double key;
};
const Slip kMix[] = {
    {"glasses customer", "TKV418R1", 1, 2, 1, "130100002", 1001},
    {"contact customer", "TKV418R2", 1, 2, 1, "130100003", 1002},
    {"glasses reception", "TKV418R1", 1, 1, 1, "130100002", 0},
    {"contact reception", "TKV418R2", 1, 1, 1, "130100003", 0},
    {"glasses blank", "TKV418R1", 2, 0, 0, "", 0},
    {"contact blank", "TKV418R2", 2, 0, 0, "", 0},
};

QVariantMap request(const Slip& slip) {
    return {{"KidouKbnL", QVariant::fromValue<qint16>(slip.kidouKbn)},
            {"SyoriKbnL", QVariant::fromValue<qint16>(slip.syoriKbn)},
            {"BarcodeKbnL", QVariant::fromValue<qint16>(slip.barcodeKbn)},
            {"QNumberL", QLatin1String(slip.qnumber)},
            {"DenpKbnL", QVariant::fromValue<qint16>(slip.className[7] == '1' ? 1 : 2)},
            {"StoreCodeL", QStringLiteral("001")},
            {"UserUQKeyL", slip.key},
            {"OutNumberL", QVariant::fromValue<qint16>(1)},
            {"OutKbnL", QVariant::fromValue<qint16>(1)},
            {"PrintKbnL", QVariant::fromValue<qint16>(0)}};
}

// The resident set now (not its peak), in MB.
double rssMb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

int openDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// One slip to a PDF in memory; false after printing why.
bool print(const Slip& slip) {
    auto created = report::ReportFactory::instance().create(QLatin1String(slip.className));
    if (!created.ok()) {
        std::fprintf(stderr, "%s: %s\n", slip.name, qPrintable(created.error().description));
        return false;
    }
    auto report = std::move(created).value();
    const QVariantMap properties = request(slip);
    for (auto it = properties.begin(); it != properties.end(); ++it)
        report->setProperty(it.key().toLatin1().constData(), it.value());
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    Status status = report->run();
    if (status.ok())
        status = report::writePdf(report->document(), pdf);
    if (!status.ok() || report->document().pages.empty() || pdf.size() == 0) {
        std::fprintf(stderr, "%s: no PDF: %s\n", slip.name,
                     status.ok() ? "no pages" : qPrintable(status.error().description));
        return false;
    }
    return true;
}

// Prints the figures of one backend; false when a target is missed.
bool soak(const QString& backend, int slips) {
    test::TestDatabase database(backend);
    if (database.unavailable()) {
        std::printf("%s: skipped (%s)\n", qPrintable(backend), qPrintable(database.error()));
        return true;
    }
    if (!database.isValid()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(backend), qPrintable(database.error()));
        return false;
    }
    database.writeSettings();
    const int fdStart = openDescriptors();
    const int connectionsStart = db::openConnectionCount();
    QElapsedTimer timer;
    timer.start();
    double rssWarm = 0;
    int fdWarm = 0;
    for (int i = 0; i < slips; ++i) {
        if (!print(kMix[i % std::size(kMix)]))
            return false;
        if (i + 1 == Warmup) {
            rssWarm = rssMb();
            fdWarm = openDescriptors();
        }
    }
    const double rssEnd = rssMb();
    const int fdEnd = openDescriptors();
    const int connectionsEnd = db::openConnectionCount();
    const double growth = rssEnd - rssWarm;
    std::printf("%s: %d slips in %.1f s (%.2f ms a slip)\n", qPrintable(backend), slips,
                double(timer.elapsed()) / 1000, double(timer.elapsed()) / slips);
    std::printf(
        "%s: RSS %.1f MB after %d slips, %.1f MB after %d: growth %.2f MB (target < %.0f)\n",
        qPrintable(backend), rssWarm, Warmup, rssEnd, slips, growth, GrowthLimitMb);
    std::printf("%s: open descriptors %d at start, %d after %d slips, %d at end\n",
                qPrintable(backend), fdStart, fdWarm, Warmup, fdEnd);
    std::printf("%s: open connections %d at start, %d at end\n", qPrintable(backend),
                connectionsStart, connectionsEnd);
    // libcups keeps one connection to the scheduler per thread once Qt has listed the queues: a
    // descriptor opened once is no leak, one more every slip is.
    return growth < GrowthLimitMb && fdEnd == fdWarm && connectionsEnd == connectionsStart;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const int slips = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (slips < Warmup) {
        std::fprintf(stderr, "usage: bench_soak [slips, at least %d]\n", Warmup);
        return 2;
    }
    slips::registerGlassesSlips();
    slips::registerContactSlips();
    card::registerCustomerCard();
    bool met = true;
    for (const QString& backend : test::backends())
        met = soak(backend, slips) && met;
    std::printf("%s\n", met ? "all targets met" : "a target was missed");
    return met ? 0 : 1;
}
