#pragma once
// Passes unpacked bytes on while counting them and computing the checksum the
// entry stores, so that a damaged entry is noticed when it ends.
#include "rar/check/blake2sp.h"
#include "rar/format/entry.h"
#include "rar/lz/decoder.h"

namespace rar {

class CheckedSink : public ByteSink {
  public:
    CheckedSink(ByteSink& out, const Entry& entry);
    void Write(const std::uint8_t* data, std::size_t size) override;
    // Throws ArchiveError(BadData) on a wrong size or checksum.
    void Verify();

  private:
    ByteSink& out_;
    const Entry& entry_;
    std::uint32_t crc_ = 0;
    std::uint16_t oldChecksum_ = 0;
    Blake2sp blake2_;
    std::uint64_t written_ = 0;
};

} // namespace rar
