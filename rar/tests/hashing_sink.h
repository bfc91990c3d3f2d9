#pragma once
// Counts and hashes unpacked bytes instead of keeping them, so that entries
// of hundreds of megabytes can be checked in a few kilobytes of memory.
#include "rar/lz/decoder.h"
#include "rar/tests/sha256.h"

#include <cstdint>
#include <string>

namespace rar::test {

class HashingSink : public ByteSink {
  public:
    void Write(const std::uint8_t* data, std::size_t size) override {
        sha_.Update(data, size);
        size_ += size;
    }
    std::uint64_t Size() const { return size_; }
    // Ends the hash: call once, after the last Write.
    std::string HexDigest() { return sha_.HexDigest(); }

  private:
    Sha256 sha_;
    std::uint64_t size_ = 0;
};

} // namespace rar::test
