#pragma once
// The archive file, read at explicit positions.
#include "rar/os/file_system.h"

#include <cstdint>
#include <memory>

namespace rar {

class InputFile {
  public:
    // Throws ArchiveError(OpenFailed) when the file cannot be opened.
    explicit InputFile(const NativePath& path);
    std::uint64_t Size() const { return size_; }
    // Reads up to `count` bytes at `offset`; returns how many there were.
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count);
    // Reads exactly `count` bytes or throws ArchiveError(ReadFailed).
    void ReadExactly(std::uint64_t offset, std::uint8_t* buffer, std::size_t count);

  private:
    bool Cached(std::uint64_t offset, std::size_t count) const;

    File file_;
    std::uint64_t size_ = 0;
    // Headers come in many small reads close together; one read ahead
    // serves them all instead of a system call each.
    std::unique_ptr<std::uint8_t[]> cache_;
    std::size_t cacheSize_ = 0;
    std::uint64_t cacheStart_ = 0;
};

} // namespace rar
