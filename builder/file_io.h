#pragma once
// Whole-file reads and all-or-nothing writes for the builder.
#include <string>

namespace setupkit::builder {

// Throws BuildError naming the file when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Writes `bytes` to a temporary file beside `path` and renames it into place,
// so a failure leaves no partial output. Throws BuildError.
void WriteWholeFile(const std::string& path, const std::string& bytes);

} // namespace setupkit::builder
