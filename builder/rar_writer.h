#pragma once
// Writes RAR archives (the 4.x format; entries stored, or packed with the
// 2.9 method) for setup payloads and for tests that need an archive of a
// chosen layout. The same entries and options always give the same bytes.
#include "builder/progress.h"

#include <cstdint>
#include <string>
#include <vector>

namespace setupkit::builder {

constexpr std::uint32_t DosTime(int year, int month, int day, int hour, int minute, int second) {
    return static_cast<std::uint32_t>(year - 1980) << 25 | static_cast<std::uint32_t>(month) << 21 |
           static_cast<std::uint32_t>(day) << 16 | static_cast<std::uint32_t>(hour) << 11 |
           static_cast<std::uint32_t>(minute) << 5 | static_cast<std::uint32_t>(second / 2);
}

// The time stamp of every entry unless one is given: builds stay reproducible.
constexpr std::uint32_t kDefaultDosTime = DosTime(2001, 1, 1, 12, 0, 0);

struct RarEntry {
    std::string name; // path inside the archive; '/' is stored as '\'
    std::string data; // the file's bytes; empty for a folder
    bool isFolder = false;
    std::uint32_t dosTime = kDefaultDosTime;
};

enum class RarLevel { Store, Default, Best };

struct RarOptions {
    RarLevel level = RarLevel::Store;
    // Packed entries form one stream, each continuing from the ones before.
    bool solid = true;
};

// The archive holding `entries`: stored, in the order given; packed and
// solid, folders first and then the files grouped by kind (text before
// binary, then by extension), so that similar files follow one another in
// the stream. Names are stored as given (apart from the separator), so tests
// can make any layout, unsafe paths included. Throws BuildError for an empty
// name or a file of 4 GiB or more.
std::string WriteRarArchive(const std::vector<RarEntry>& entries, const RarOptions& options = {});

// Entries for every file under `folder`, in sorted order, each folder's own
// entry (when `withFolders`) just before its contents. Names are relative to
// `folder`; `progress` is told each file read. Throws BuildError when the
// folder cannot be read, holds a name that is not ASCII or a link to a folder.
std::vector<RarEntry> CollectFolder(const std::string& folder, bool withFolders,
                                    std::uint32_t dosTime = kDefaultDosTime,
                                    const ProgressCounter& progress = {});

} // namespace setupkit::builder
