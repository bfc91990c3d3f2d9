// setupkit-build: makes a setup file from the stub. See command_line.h for
// the forms it accepts.
#include "builder/build_error.h"
#include "builder/command_line.h"

#include <iostream>

int main(int argc, char** argv) {
    try {
        setupkit::builder::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        return 0;
    } catch (const setupkit::builder::BuildError& error) {
        std::cerr << "setupkit-build: " << error.what() << "\n";
    } catch (const std::exception& error) {
        std::cerr << "setupkit-build: unexpected failure: " << error.what() << "\n";
    }
    return 1;
}
