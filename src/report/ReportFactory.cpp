#include "report/ReportFactory.h"
#include "services/ErrorNumbers.h"

#include "report/Report_p.h"

#include <QMutex>

#include <map>

namespace kema::report {

struct ReportFactory::Private {
    mutable QMutex mutex;
    std::map<QString, Creator> creators;
};

ReportFactory::ReportFactory() : d(std::make_unique<Private>()) {}

ReportFactory& ReportFactory::instance() {
    static ReportFactory factory;
    return factory;
}

void ReportFactory::registerReport(const QString& className, Creator creator) {
    const QMutexLocker lock(&d->mutex);
    d->creators[className] = std::move(creator);
}

void ReportFactory::unregisterReport(const QString& className) {
    const QMutexLocker lock(&d->mutex);
    d->creators.erase(className);
}

bool ReportFactory::contains(const QString& className) const {
    const QMutexLocker lock(&d->mutex);
    return d->creators.count(className) != 0;
}

Result<std::unique_ptr<Report>> ReportFactory::create(const QString& className) const {
    Creator creator;
    {
        const QMutexLocker lock(&d->mutex);
        const auto it = d->creators.find(className);
        if (it != d->creators.end())
            creator = it->second;
    }
    const QString source = QStringLiteral("ReportFactory");
    if (!creator)
        return Error{errors::CannotCreate, source,
                     QStringLiteral("report class \"%1\" is not registered").arg(className)};
    std::unique_ptr<Report> report = creator();
    if (!report)
        return Error{errors::CannotCreate, source,
                     QStringLiteral("report class \"%1\" created nothing").arg(className)};
    if (report->d->layoutError)
        return *report->d->layoutError;
    try {
        report->Report_Initialize();
    } catch (const Failure& e) {
        return e.error();
    } catch (const std::exception& e) {
        return Error{errors::Unhandled, className, QString::fromLocal8Bit(e.what())};
    }
    return report;
}

} // namespace kema::report
