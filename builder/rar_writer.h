#pragma once
// Writes RAR archives (the 4.x format; entries stored, or packed with the
// 2.9 method) for setup payloads and for tests that need an archive of a
// chosen layout. The same entries and options always give the same bytes.
#include "builder/byte_sink.h"
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

// The time stamp of an entry made in memory, unless one is given.
constexpr std::uint32_t kDefaultDosTime = DosTime(2001, 1, 1, 12, 0, 0);

struct RarEntry {
    std::string name; // path inside the archive; '/' is stored as '\'
    std::string data; // the file's bytes, for an entry made in memory; empty for a folder
    bool isFolder = false;
    std::uint32_t dosTime = kDefaultDosTime;
    // A file read in pieces while the archive is written, in place of
    // `data`; it must still have `size` bytes, the size it was found with.
    std::string path = {};
    std::uint64_t size = 0;

    std::uint64_t Size() const { return path.empty() ? data.size() : size; }
};

enum class RarLevel { Store, Default, Best };

struct RarOptions {
    RarLevel level = RarLevel::Store;
    // Packed entries form one stream, each continuing from the ones before.
    bool solid = true;
};

// An entry as it went into an archive, to check against what comes out.
struct PackedEntry {
    std::string name; // as stored, with '\\'
    bool isFolder;
    std::uint64_t size;
    std::uint32_t crc; // of the bytes read for it
};

// Writes the archive holding `entries` to `out`: stored, in the order given;
// packed and solid, folders first and then the files grouped by kind (text
// before binary, then by extension), so that similar files follow one
// another in the stream; packed, a file of 4 KB or more whose bytes look
// random is stored all the same. Names are stored as given (apart from the
// separator), so tests can make any layout, unsafe paths included. Files
// are read a piece at a time as they go in, and `progress` is told each one
// done. Throws BuildError for an empty name or an entry of 4 GiB or more,
// before anything is read or written, and for a file that cannot be read or
// that changed while it was read. Returns the entries in archive order.
std::vector<PackedEntry> WriteRarArchive(const std::vector<RarEntry>& entries,
                                         const RarOptions& options, ByteSink& out,
                                         const ProgressCounter& progress = {});
// The same archive in memory.
std::string WriteRarArchive(const std::vector<RarEntry>& entries, const RarOptions& options = {});

// Entries for every file under `folder`, in sorted order, each folder's own
// entry (when `withFolders`) just before its contents; the files are not read
// yet. Names are relative to `folder`; each entry carries the date its file
// or folder last changed, so that installed files keep the payload's dates
// (a unit source newer than its compiled unit makes the IDE compile it again).
// Throws BuildError when the folder cannot be read, holds a name that is not
// ASCII or a link to a folder.
std::vector<RarEntry> CollectFolder(const std::string& folder, bool withFolders);

} // namespace setupkit::builder
