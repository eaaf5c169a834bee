// Registers the product's reports with the factory when the component is loaded, so that a
// host linking the library needs no set-up call. Built only into the shared library and its
// hosts: unit tests register reports of their own under the same names.
#include "report/Report.h"

#if defined(KEMA_WITH_GLASSES_SLIPS) || defined(KEMA_WITH_CONTACT_SLIPS)
#include "slips/Registration.h"
#endif
#if defined(KEMA_WITH_CUSTOMER_CARD)
#include "card/Registration.h"
#endif

namespace {

bool registerProductReports() {
#if defined(KEMA_WITH_GLASSES_SLIPS)
    kema::slips::registerGlassesSlips();
#endif
#if defined(KEMA_WITH_CONTACT_SLIPS)
    kema::slips::registerContactSlips();
#endif
#if defined(KEMA_WITH_CUSTOMER_CARD)
    kema::card::registerCustomerCard();
#endif
    return true;
}

[[maybe_unused]] const bool registered = registerProductReports();

} // namespace
