#include "component/Product.h"

#if defined(KEMA_WITH_GLASSES_SLIPS) || defined(KEMA_WITH_CONTACT_SLIPS)
#include "slips/Registration.h"
#endif
#if defined(KEMA_WITH_CUSTOMER_CARD)
#include "card/Registration.h"
#endif

namespace kema::component {

void registerProduct() {
    static const bool registered = [] {
#if defined(KEMA_WITH_GLASSES_SLIPS)
        slips::registerGlassesSlips();
#endif
#if defined(KEMA_WITH_CONTACT_SLIPS)
        slips::registerContactSlips();
#endif
#if defined(KEMA_WITH_CUSTOMER_CARD)
        card::registerCustomerCard();
#endif
        setDesktopPresenter(presentInMessageBox);
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace kema::component
