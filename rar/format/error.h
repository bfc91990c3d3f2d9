#pragma once
// The base of the library's exceptions: a message and nothing else. Not
// std::runtime_error, whose copy-on-write message string brings a second
// string implementation of the C++ runtime into every program that throws.
#include <exception>
#include <string>
#include <utility>

namespace rar {

class Error : public std::exception {
  public:
    explicit Error(std::string what) : what_(std::move(what)) {}
    const char* what() const noexcept override { return what_.c_str(); }

  private:
    std::string what_;
};

} // namespace rar
