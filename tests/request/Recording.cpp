#include "Recording.h"
#include "report/ReportFactory.h"
#include "report/Viewer.h"

using namespace Qt::StringLiterals;

namespace kema::test {

namespace {

const QStringList kSlipClasses = {u"TKV418R1"_s, u"TKV418R2"_s, u"TKV418R4"_s, u"TKV418R5"_s};

} // namespace

LaunchLog& launchLog() {
    static LaunchLog log;
    return log;
}

RecordingReport::RecordingReport() : report::Report(launchLog().layout) {}

void RecordingReport::registerAll() {
    for (const QString& name : kSlipClasses) {
        report::ReportFactory::instance().registerReport(name, [name] {
            launchLog().created.append(name);
            return std::make_unique<RecordingReport>();
        });
    }
}

void RecordingReport::unregisterAll() {
    for (const QString& name : kSlipClasses)
        report::ReportFactory::instance().unregisterReport(name);
}

void RecordingReport::assign(const char* name, const QVariant& value) {
    launchLog().assigned.append(QString::fromLatin1(name));
    launchLog().values.insert(QString::fromLatin1(name), value);
}

void RecordingReport::Report_ReportStart() {
    LaunchLog& log = launchLog();
    log.caption = viewer().caption;
    log.copies = copies();
    log.target = target();
    if (log.failInStart)
        throw Failure(Error{5, u"RecordingReport"_s, u"the test report failed on purpose"_s});
}

} // namespace kema::test
