#pragma once
// Whole-file reads and all-or-nothing writes for the builder.
#include <string>

namespace setupkit::builder {

// Throws BuildError naming the file when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Writes `bytes` to a temporary file beside `path` and renames it into place,
// so a failure leaves no partial output. Throws BuildError.
void WriteWholeFile(const std::string& path, const std::string& bytes);

// After a failed build: removes the file at `outPath`, since an earlier
// build's output would pass for this one's, unless it is `inputPath` or not a
// regular file.
void DiscardOutput(const std::string& outPath, const std::string& inputPath);

} // namespace setupkit::builder
