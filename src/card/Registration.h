#pragma once

namespace kema::card {

// Register the customer card with the report factory.
void registerCustomerCard();

} // namespace kema::card
