#pragma once

#include "report/Report.h"

#include <QString>

#include <functional>
#include <memory>

namespace kema::report {

// Creates reports by class name ("TKV418R1" ... "TKV418R5") and raises Report_Initialize.
class ReportFactory {
public:
    using Creator = std::function<std::unique_ptr<Report>()>;
    static ReportFactory& instance();
    void registerReport(const QString& className, Creator creator);
    void unregisterReport(const QString& className);
    bool contains(const QString& className) const;
    // An unregistered class is an error naming it.
    Result<std::unique_ptr<Report>> create(const QString& className) const;

private:
    ReportFactory();
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kema::report
