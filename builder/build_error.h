#pragma once
// The one kind of failure the builder reports: bad input or an unwritable
// output. The tool prints its message and exits non-zero.
#include <stdexcept>

namespace setupkit::builder {

class BuildError : public std::runtime_error {
  public:
    using runtime_error::runtime_error;
};

} // namespace setupkit::builder
