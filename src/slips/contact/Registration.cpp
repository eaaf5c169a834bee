#include "slips/Registration.h"

#include "TKV418R2.h"
#include "TKV418R5.h"
#include "report/ReportFactory.h"

namespace kema::slips {

void registerContactSlips() {
    report::ReportFactory::instance().registerReport(QStringLiteral("TKV418R2"),
                                                     [] { return std::make_unique<TKV418R2>(); });
    report::ReportFactory::instance().registerReport(QStringLiteral("TKV418R5"),
                                                     [] { return std::make_unique<TKV418R5>(); });
}

} // namespace kema::slips
