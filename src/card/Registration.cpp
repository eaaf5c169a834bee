#include "card/Registration.h"

#include "TKV418R3.h"
#include "report/ReportFactory.h"

namespace kema::card {

void registerCustomerCard() {
    report::ReportFactory::instance().registerReport(QStringLiteral("TKV418R3"),
                                                     [] { return std::make_unique<TKV418R3>(); });
}

} // namespace kema::card
