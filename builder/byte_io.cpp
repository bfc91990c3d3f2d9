#include "builder/byte_io.h"

namespace setupkit::builder {

void RequireRange(const std::string& bytes, std::size_t offset, std::size_t size) {
    if (offset > bytes.size() || size > bytes.size() - offset)
        throw BuildError("truncated image: needs bytes up to offset " +
                         std::to_string(offset + size) + " but it has " +
                         std::to_string(bytes.size()));
}

std::uint16_t ReadU16(const std::string& bytes, std::size_t offset) {
    RequireRange(bytes, offset, 2);
    auto at = [&](std::size_t i) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset + i]));
    };
    return static_cast<std::uint16_t>(at(0) | at(1) << 8);
}

std::uint32_t ReadU32(const std::string& bytes, std::size_t offset) {
    return ReadU16(bytes, offset) | static_cast<std::uint32_t>(ReadU16(bytes, offset + 2)) << 16;
}

void WriteU16(std::string& bytes, std::size_t offset, std::uint16_t value) {
    RequireRange(bytes, offset, 2);
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

void WriteU32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    WriteU16(bytes, offset, static_cast<std::uint16_t>(value & 0xFFFF));
    WriteU16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

void AppendU8(std::string& bytes, std::uint8_t value) {
    bytes.push_back(static_cast<char>(value));
}

void AppendU16(std::string& bytes, std::uint16_t value) {
    AppendU8(bytes, static_cast<std::uint8_t>(value & 0xFF));
    AppendU8(bytes, static_cast<std::uint8_t>(value >> 8));
}

void AppendU32(std::string& bytes, std::uint32_t value) {
    AppendU16(bytes, static_cast<std::uint16_t>(value & 0xFFFF));
    AppendU16(bytes, static_cast<std::uint16_t>(value >> 16));
}

} // namespace setupkit::builder
