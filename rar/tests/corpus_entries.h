#pragma once
// The file entries of a corpus archive, found by a small header walk of its
// own so that a decoder can be checked without the archive reader: both
// containers of the older methods, RAR 1.3/1.4 "RE~^" and RAR 1.5-4.x "Rar!"
// (after any self-extracting module). Each decoder's test picks its entries.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rar::test {

struct CorpusEntry {
    std::string name; // as stored
    std::uint64_t unpackedSize = 0;
    // CRC32 in "Rar!" archives, the 16-bit rotating sum in "RE~^" ones.
    std::uint32_t check = 0;
    bool oldFormat = false; // "RE~^"
    unsigned version = 0;   // unpack version; 0 in "RE~^" archives
    bool stored = false;
    bool directory = false;
    bool solid = false;
    std::size_t window = 0; // as the "Rar!" header asks; 0 in "RE~^" archives
    std::vector<std::uint8_t> packed;
};

// The path of `relative` in the shared corpus.
std::string CorpusPath(const std::string& relative);

// The file entries of the archive at `path` that a decoder's test `wants`, in
// archive order; none when the file is missing or no archive.
std::vector<CorpusEntry> ReadCorpusEntries(const std::string& path,
                                           const std::function<bool(const CorpusEntry&)>& wants);

} // namespace rar::test
