#pragma once
// The checks every build makes before it writes anything, and that
// `setupkit-build check` makes alone: product.ini against the resources the
// setup reads (names, values, forms), the names its lists give against the
// payload (matched as the setup matches them), the payload's own names, and
// the stub and extraction library given on the command line.
#include "builder/payload_check.h"
#include "builder/product.h"

#include <string>
#include <vector>

namespace setupkit::builder {

// Keys, values and forms of a read product.ini.
std::vector<Finding> CheckDescription(const ProductDescription& description);

// The names in BUILDPACKAGES, PACKAGES, SYSFILES, HELPFILES, PROGLINKS and
// RUNAFTERINSTALL against the payload's files.
std::vector<Finding> CheckListNames(const ProductDescription& description,
                                    const std::vector<PayloadFile>& payload);

// Everything about the product in `productDir`: its product.ini and payload.
// Throws BuildError only when they cannot be read.
std::vector<Finding> CheckProduct(const std::string& productDir);

// The stub must be a program without configuration resources (not a built
// setup), the library a DLL.
std::vector<Finding> CheckStubAndLibrary(const std::string& stubPath, const std::string& unrarPath);

} // namespace setupkit::builder
