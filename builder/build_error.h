#pragma once
// The one kind of failure the builder reports: bad input or an unwritable
// output. The tool prints its message and exits with the failure's code.
#include <stdexcept>

namespace setupkit::builder {

// The tool's exit codes.
enum class ExitCode {
    Ok = 0,
    CheckFailed = 1, // the product, the stub or the library is wrong
    Usage = 2,       // the command line is wrong; nothing was read or written
    InputOutput = 3, // a file could not be read or the output not written
    NotReadBack = 4, // the packed archive did not decode to what went in
};

class BuildError : public std::runtime_error {
  public:
    explicit BuildError(const std::string& message, ExitCode code = ExitCode::CheckFailed)
        : runtime_error(message), code_(code) {}
    ExitCode Code() const { return code_; }

  private:
    ExitCode code_;
};

} // namespace setupkit::builder
