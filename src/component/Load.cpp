// Built into the shared library only: a host that links it needs no set-up call.
#include "component/Product.h"

namespace {

[[maybe_unused]] const bool loaded = (kema::component::registerProduct(), true);

} // namespace
