#include "slips/Registration.h"

#include "TKV418R1.h"
#include "TKV418R4.h"
#include "report/ReportFactory.h"

namespace kema::slips {

void registerGlassesSlips() {
    report::ReportFactory::instance().registerReport(QStringLiteral("TKV418R1"),
                                                     [] { return std::make_unique<TKV418R1>(); });
    report::ReportFactory::instance().registerReport(QStringLiteral("TKV418R4"),
                                                     [] { return std::make_unique<TKV418R4>(); });
}

} // namespace kema::slips
