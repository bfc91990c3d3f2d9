#pragma once
#include <string>

namespace setupkit {

// Extracts the payload into `installDir` with a progress dialog, then records
// the product and builds its packages. False when extraction could not start.
bool InstallPayload(const std::string& installDir);

} // namespace setupkit
