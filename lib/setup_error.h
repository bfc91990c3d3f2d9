#pragma once
// The one kind of unexpected failure. Steps raise it; the driver catches it
// once around the whole run and reports "Installation failed.". Not a
// std::runtime_error: its copy-on-write message string brings a second string
// implementation of the C++ runtime into the shipped programs.
#include <exception>
#include <string>
#include <utility>

namespace setupkit {

class SetupError : public std::exception {
  public:
    explicit SetupError(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::string message_;
};

} // namespace setupkit
