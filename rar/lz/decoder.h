#pragma once
// What the archive reader asks of a compression method's decoder. Portable:
// no platform headers here or in any decoder.
#include "rar/format/error.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace rar {

// The packed bytes of one entry, read front to back.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Up to `size` bytes into `buffer`; 0 only at the end of the entry's data.
    virtual std::size_t Read(std::uint8_t* buffer, std::size_t size) = 0;
};

// Where unpacked bytes go, in order.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
};

// Corrupt or truncated packed data (the API reports ERAR_BAD_DATA).
class DataError : public Error {
  public:
    using Error::Error;
};
// A window or model larger than can be allocated (ERAR_NO_MEMORY).
class MemoryError : public Error {
  public:
    using Error::Error;
};

// One decoder lives for a whole archive, so that solid entries can continue
// from the state the previous entry left.
class Decoder {
  public:
    virtual ~Decoder() = default;
    // Decodes one entry and writes exactly `unpackedSize` bytes to `out`.
    // `solid`: the entry continues the previous entry's window and tables.
    // Throws DataError when the data is corrupt or ends early.
    virtual void Decode(ByteSource& packed, std::uint64_t unpackedSize, ByteSink& out,
                        bool solid) = 0;
};

} // namespace rar
