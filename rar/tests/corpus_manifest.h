#pragma once
// The expected results of the shared corpus (its MANIFEST.tsv), one row per
// entry, grouped by archive in manifest order.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace rar::test {

struct ManifestRow {
    std::string path; // '/' between components, \xNN escapes undone
    bool isDir = false;
    bool hasData = false; // false for directories and links without a data stream
    std::uint64_t size = 0;
    std::string sha256;
    std::uint64_t dictionaryBytes = 0;
    std::string decoder;  // store, v15, v20, v29, v50, v70
    std::string features; // '+'-separated
    std::string expect;   // "ok" and notes, or what a bad archive must do
    bool HasFeature(const std::string& feature) const;
    // Unpacked by a decoder rather than copied.
    bool Compressed() const { return hasData && decoder != "store"; }
};

struct ManifestArchive {
    std::string name; // relative to the corpus folder, e.g. good/x.rar
    bool solid = false;
    std::vector<ManifestRow> rows;
};

// The archives `manifest` lists whose names start with `prefix` ("good/", "bad/").
std::vector<ManifestArchive> ManifestArchives(const std::filesystem::path& manifest,
                                              const std::string& prefix);

} // namespace rar::test
