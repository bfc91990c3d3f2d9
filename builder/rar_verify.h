#pragma once
// Reads a packed archive back through our own extraction library before it
// ships: a setup whose archive does not extract fails on every customer's
// machine, so no build may hand one out.
#include "builder/progress.h"
#include "builder/rar_writer.h"

#include <string>
#include <vector>

namespace setupkit::builder {

// Decodes every entry of the archive at `path` (nothing is written) and
// compares the entries, in order, with `packed`: name, kind, size and the
// checksum of the bytes decoded. Throws BuildError (ExitCode::NotReadBack)
// naming the first entry that differs; `progress` is told each file checked.
void VerifyRarArchive(const std::string& path, const std::vector<PackedEntry>& packed,
                      const ProgressCounter& progress = {});

} // namespace setupkit::builder
