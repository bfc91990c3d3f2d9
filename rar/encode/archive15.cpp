#include "rar/encode/archive15.h"

#include "rar/check/crc32.h"

#include <stdexcept>

namespace rar::encode {
namespace {

void Put(Bytes& out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

} // namespace

Bytes Block15(std::uint8_t type, std::uint16_t flags, const Bytes& body) {
    Bytes block(2, 0);
    block.push_back(type);
    Put(block, flags, 2);
    Put(block, static_cast<std::uint32_t>(7 + body.size()), 2);
    block.insert(block.end(), body.begin(), body.end());
    const std::uint32_t crc = Crc32(0, block.data() + 2, block.size() - 2);
    block[0] = static_cast<std::uint8_t>(crc);
    block[1] = static_cast<std::uint8_t>(crc >> 8);
    return block;
}

Bytes MainBlock15(std::uint16_t flags) {
    return Block15(kMainBlock15, flags, Bytes(6, 0));
}

Bytes FileBlock15(const FileHeader15& header) {
    if (header.name.size() > kMaxName15)
        throw std::length_error("an archive entry's name is too long");
    Bytes body;
    Put(body, header.packedSize, 4);
    Put(body, header.unpackedSize, 4);
    body.push_back(header.hostOs);
    Put(body, header.crc, 4);
    Put(body, header.dosTime, 4);
    body.push_back(header.version);
    body.push_back(header.method);
    Put(body, static_cast<std::uint32_t>(header.name.size()), 2);
    Put(body, header.attributes, 4);
    body.insert(body.end(), header.name.begin(), header.name.end());
    return Block15(kFileBlock15, static_cast<std::uint16_t>(header.flags | kLongBlock15), body);
}

Bytes EndBlock15() {
    return Block15(kEndBlock15, kEndFlags15, {});
}

} // namespace rar::encode
