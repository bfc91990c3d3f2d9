#pragma once
// The one kind of unexpected failure. Steps raise it; the driver catches it
// once around the whole run and reports "Installation failed.".
#include <stdexcept>
#include <string>

namespace setupkit {

class SetupError : public std::runtime_error {
  public:
    explicit SetupError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace setupkit
