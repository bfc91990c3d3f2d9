#pragma once
// Little-endian access to binary images. Every read is bounds-checked, so a
// truncated or lying header ends in a BuildError instead of a wild read.
#include "builder/build_error.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace setupkit::builder {

std::uint16_t ReadU16(const std::string& bytes, std::size_t offset);
std::uint32_t ReadU32(const std::string& bytes, std::size_t offset);
// Throws unless [offset, offset + size) lies inside `bytes`.
void RequireRange(const std::string& bytes, std::size_t offset, std::size_t size);

void WriteU16(std::string& bytes, std::size_t offset, std::uint16_t value);
void WriteU32(std::string& bytes, std::size_t offset, std::uint32_t value);
void AppendU8(std::string& bytes, std::uint8_t value);
void AppendU16(std::string& bytes, std::uint16_t value);
void AppendU32(std::string& bytes, std::uint32_t value);

constexpr std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

} // namespace setupkit::builder
