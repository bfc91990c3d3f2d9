// setupkit-build: makes a setup file from the stub. See command_line.h for
// the forms it accepts and build_error.h for its exit codes.
#include "builder/build_error.h"
#include "builder/command_line.h"

#include <iostream>

int main(int argc, char** argv) {
    using setupkit::builder::ExitCode;
    try {
        setupkit::builder::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        return static_cast<int>(ExitCode::Ok);
    } catch (const setupkit::builder::BuildError& error) {
        std::cerr << "setupkit-build: " << error.what() << "\n";
        return static_cast<int>(error.Code());
    } catch (const std::exception& error) {
        std::cerr << "setupkit-build: unexpected failure: " << error.what() << "\n";
    }
    return static_cast<int>(ExitCode::InputOutput);
}
