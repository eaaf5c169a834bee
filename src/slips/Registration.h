#pragma once

namespace kema::slips {

// Register the product's reports with the report factory.
void registerGlassesSlips();
void registerContactSlips();

} // namespace kema::slips
