// Cold starts: `raiten --pdf` of the demo glasses and contact-lens customer slips against the
// floor (bench_coldstart_floor drawing as many texts, lines and frames as each slip), run in
// alternation, each as its own process; prints medians and ratios (target: raiten <= 1.3 x the
// floor). Run: bench_coldstart [runs]  (KEMA_RAITEN=path measures another build)
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr double Target = 1.3;

// What the floor draws for each slip: the lines, frames and texts by font of the first page of
// the demo customer's slip (faces as they are substituted).
struct Slip {
    const char* name;
    const char* denpKbn;
    const char* qnumber;
    const char* key;
    QStringList floor;
};
const Slip kSlips[] = {
    {"glasses",
     "1",
     "130100002",
     "1001",
     {"221", "14", "IPAMincho:8.25:290", "IPAMincho:8:1", "IPAMincho:9:22", "IPAMincho:9.75:14",
      "IPAMincho:11.25:4", "IPAMincho:12:3", "IPAMincho:10:2:bold", "IPAMincho:15.75:1:bold",
      "IPAPMincho:8.25:1", "IPAPMincho:9.75:11", "IPAPGothic:9.75:1", "IPAPGothic:11.25:1",
      "Liberation Sans:15.75:1"}},
    {"contact",
     "2",
     "130100003",
     "1002",
     {"207", "14", "IPAMincho:8.25:254", "IPAMincho:9:17", "IPAMincho:9.75:13", "IPAMincho:11.25:4",
      "IPAMincho:12:3", "IPAMincho:10:2:bold", "IPAMincho:15.75:1:bold", "IPAPMincho:8.25:1",
      "IPAPMincho:9.75:11", "IPAPGothic:9.75:1", "IPAPGothic:11.25:1", "Liberation Sans:15.75:1"}},
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double childCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec)) /
           1e3;
}

struct Times {
    double wall = -1; // ms; negative when the run failed
    double cpu = 0;   // ms of user and system time: what a loaded machine distorts least
};

Times timeRun(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const double cpuBefore = childCpuMs();
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return {double(timer.nsecsElapsed()) / 1e6, childCpuMs() - cpuBefore};
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    QProcess make;
    make.start(QStringLiteral(KEMA_SOURCE_DIR "/scripts/make-demo-db"), {dir.path()});
    if (!make.waitForFinished(60000) || make.exitCode() != 0) {
        std::fprintf(stderr, "make-demo-db failed\n");
        return 1;
    }
    const QString settings = dir.filePath(QStringLiteral("settings.ini"));
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    // KEMA_RAITEN measures another build of raiten, as scripts/demo renders with one.
    const QString raiten =
        qEnvironmentVariable("KEMA_RAITEN", QStringLiteral(KEMA_BINARY_DIR "/tools/raiten/raiten"));
    const QString floor = QStringLiteral(KEMA_BINARY_DIR "/bench/coldstart/bench_coldstart_floor");

    const auto arguments = [&](const Slip& slip, const QString& out) {
        return QStringList{"--settings",    settings,
                           "--kidoukbnl",   "1",
                           "--syorikbnl",   "2",
                           "--barcodekbnl", "1",
                           "--qnumberl",    QLatin1String(slip.qnumber),
                           "--denpkbnl",    QLatin1String(slip.denpKbn),
                           "--storecodel",  "001",
                           "--useruqkeyl",  QLatin1String(slip.key),
                           "--outnumberl",  "1",
                           "--outkbnl",     "1",
                           "--printkbnl",   "0",
                           "--pdf",         out};
    };
    // The floor draws the words each slip prints, so that it embeds as many glyphs.
    QStringList words;
    for (const Slip& slip : kSlips) {
        const QString own = dir.filePath(QLatin1String(slip.name) + QStringLiteral(".pdf"));
        QProcess text;
        if (timeRun(raiten, arguments(slip, own)).wall < 0 ||
            (text.start(QStringLiteral("pdftotext"), {"-raw", own, "-"}),
             !text.waitForFinished(60000) || text.exitCode() != 0)) {
            std::fprintf(stderr, "%s: cannot read the words of the slip\n", slip.name);
            return 1;
        }
        const QStringList all =
            QString::fromUtf8(text.readAllStandardOutput())
                .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        QFile file(dir.filePath(QLatin1String(slip.name) + QStringLiteral(".words")));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(all.join(u'\n').toUtf8());
        words << file.fileName();
    }

    bool met = true;
    std::vector<double> raitenMs[std::size(kSlips)];
    std::vector<double> floorMs[std::size(kSlips)];
    std::vector<double> raitenCpu[std::size(kSlips)];
    std::vector<double> floorCpu[std::size(kSlips)];
    // A first round is not counted: the page cache holds both programs afterwards.
    for (int i = -1; i < runs; ++i) {
        for (std::size_t s = 0; s < std::size(kSlips); ++s) {
            const Slip& slip = kSlips[s];
            const Times f = timeRun(floor, QStringList{pdf, words[qsizetype(s)]} + slip.floor);
            const Times r = timeRun(raiten, arguments(slip, pdf));
            if (f.wall < 0 || r.wall < 0) {
                std::fprintf(stderr, "%s: a run failed\n", slip.name);
                return 1;
            }
            if (i >= 0) {
                floorMs[s].push_back(f.wall);
                raitenMs[s].push_back(r.wall);
                floorCpu[s].push_back(f.cpu);
                raitenCpu[s].push_back(r.cpu);
            }
        }
    }
    for (std::size_t s = 0; s < std::size(kSlips); ++s) {
        const double ratio = median(raitenMs[s]) / median(floorMs[s]);
        std::printf("%s: raiten --pdf median %.1f ms, floor median %.1f ms, ratio %.2f "
                    "(target <= %.1f), %d runs each\n",
                    kSlips[s].name, median(raitenMs[s]), median(floorMs[s]), ratio, Target, runs);
        std::printf("%s: CPU time median raiten %.1f ms, floor %.1f ms, ratio %.2f\n",
                    kSlips[s].name, median(raitenCpu[s]), median(floorCpu[s]),
                    median(raitenCpu[s]) / median(floorCpu[s]));
        met = met && ratio <= Target;
    }
    return met ? 0 : 1;
}
