#pragma once
// The payload folder as the setup will meet it on Windows: names that Windows
// cannot hold, names that differ only in letter case, paths too long for the
// ANSI file functions, links leaving the folder and special files are errors;
// empty folders, which the archive does not carry, are warnings.
#include "builder/product.h"

#include <filesystem>
#include <string>
#include <vector>

namespace setupkit::builder {

struct PayloadFile {
    std::string name; // path inside the archive, '\' between folders
    std::filesystem::path path;
};

struct PayloadScan {
    std::vector<PayloadFile> files; // sorted by name
    std::vector<Finding> findings;
};

// The destination a path length is judged under: "C:\Program Files\", a
// product folder of 40 characters and a backslash.
constexpr std::size_t kTypicalDestinationLength = 58;

// Throws BuildError when `folder` is not a folder.
PayloadScan ScanPayload(const std::string& folder);

} // namespace setupkit::builder
