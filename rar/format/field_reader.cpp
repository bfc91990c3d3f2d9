#include "rar/format/field_reader.h"

namespace rar {

const std::uint8_t* FieldReader::Take(std::size_t count) {
    if (count > Remaining())
        throw ArchiveError(Status::BadData, "header field runs past the header");
    const std::uint8_t* at = data_ + pos_;
    pos_ += count;
    return at;
}

std::uint64_t FieldReader::Fixed(std::size_t width) {
    const std::uint8_t* at = Take(width);
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = (value << 8) | at[i];
    return value;
}

std::uint64_t FieldReader::VInt() {
    std::uint64_t value = 0;
    for (unsigned shift = 0; shift < 70; shift += 7) {
        std::uint8_t byte = U8();
        if (shift == 63 && (byte & 0x7E) != 0)
            throw ArchiveError(Status::BadData, "variable-length number too large");
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            return value;
    }
    throw ArchiveError(Status::BadData, "variable-length number too long");
}

std::string FieldReader::Bytes(std::size_t count) {
    const std::uint8_t* at = Take(count);
    return std::string(reinterpret_cast<const char*>(at), count);
}

} // namespace rar
