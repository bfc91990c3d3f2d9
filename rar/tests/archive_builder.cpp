#include "rar/tests/archive_builder.h"

#include "rar/check/blake2sp.h"
#include "rar/check/crc32.h"
#include "rar/encode/archive15.h"

#include <fstream>
#include <iterator>
#include <random>

namespace rar::test {
namespace {

void Put(Bytes& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutBytes(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

} // namespace

Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::uint32_t CrcOf(const Bytes& data) {
    return Crc32(0, data.data(), data.size());
}

void AppendVInt(Bytes& out, std::uint64_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<std::uint8_t>(value | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<std::uint8_t>(value));
}

Builder14::Builder14(std::uint8_t mainFlags, const Bytes& mainComment) {
    bytes_ = {'R', 'E', '~', '^'};
    Put(bytes_, 7 + mainComment.size(), 2);
    bytes_.push_back(mainFlags);
    bytes_.insert(bytes_.end(), mainComment.begin(), mainComment.end());
}

Builder14& Builder14::Add(const File& file) {
    Bytes& h = bytes_;
    Put(h, file.data.size(), 4);
    Put(h, file.unpackedSize == UINT32_MAX ? file.data.size() : file.unpackedSize, 4);
    Put(h, OldChecksum(0, file.data.data(), file.data.size()) ^ (file.breakChecksum ? 1 : 0), 2);
    Put(h, 21 + file.name.size() + file.comment.size(), 2);
    Put(h, 0x5A8E3100, 4);
    h.push_back(file.attributes);
    h.push_back(file.flags);
    h.push_back(2);
    h.push_back(static_cast<std::uint8_t>(file.name.size()));
    h.push_back(file.method);
    PutBytes(h, file.name);
    h.insert(h.end(), file.comment.begin(), file.comment.end());
    h.insert(h.end(), file.data.begin(), file.data.end());
    return *this;
}

Builder15::Builder15(std::uint16_t mainFlags) {
    bytes_.assign(std::begin(encode::kMarker15), std::end(encode::kMarker15));
    AddRaw(encode::MainBlock15(mainFlags));
}

Builder15& Builder15::Add(const File& file) {
    encode::FileHeader15 header;
    header.name = file.name;
    header.packedSize = header.unpackedSize = static_cast<std::uint32_t>(file.data.size());
    header.crc = CrcOf(file.data) ^ (file.breakDataCrc ? 1 : 0);
    header.dosTime = 0x5A8E3100; // 2025-04-14 06:08:00
    header.flags = file.flags;
    header.hostOs = file.hostOs;
    header.version = file.version;
    header.method = file.method;
    header.attributes = file.attributes;
    Bytes block = encode::FileBlock15(header);
    if (file.breakHeaderCrc)
        block[0] ^= 1;
    AddRaw(block);
    return AddRaw(file.data);
}

Bytes Builder15::Finish(bool withEndBlock) {
    if (withEndBlock)
        AddRaw(encode::EndBlock15());
    return bytes_;
}

Builder50::Builder50(std::uint64_t archiveFlags, bool encryptedHeaders) {
    bytes_ = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
    if (encryptedHeaders) {
        Bytes encryption = {0, 0, 15}; // version, flags, KDF count, then salt and check value
        encryption.resize(encryption.size() + 16 + 12);
        Header(4, 0, encryption, {}, {});
    }
    Bytes fields;
    AppendVInt(fields, archiveFlags);
    Header(1, 0, fields, {}, {});
}

void Builder50::Header(std::uint64_t type, std::uint64_t flags, const Bytes& fields,
                       const Bytes& extra, const Bytes& data) {
    Bytes body;
    AppendVInt(body, type);
    AppendVInt(body, flags | (extra.empty() ? 0 : 1) | (data.empty() ? 0 : 2));
    if (!extra.empty())
        AppendVInt(body, extra.size());
    if (!data.empty())
        AppendVInt(body, data.size());
    body.insert(body.end(), fields.begin(), fields.end());
    body.insert(body.end(), extra.begin(), extra.end());
    Bytes sized;
    AppendVInt(sized, body.size());
    sized.insert(sized.end(), body.begin(), body.end());
    Put(bytes_, CrcOf(sized), 4);
    bytes_.insert(bytes_.end(), sized.begin(), sized.end());
    bytes_.insert(bytes_.end(), data.begin(), data.end());
}

Builder50& Builder50::Add(const File& file) {
    Bytes fields;
    AppendVInt(fields, (file.directory ? 1 : 0) | (file.withCrc ? 4 : 0));
    AppendVInt(fields, file.declaredSize == UINT64_MAX ? file.data.size() : file.declaredSize);
    AppendVInt(fields, file.directory ? 0x10 : 0x20);
    if (file.withCrc)
        Put(fields, CrcOf(file.data) ^ (file.breakDataCrc ? 1 : 0), 4);
    AppendVInt(fields, file.compression);
    AppendVInt(fields, 0);
    AppendVInt(fields, file.name.size());
    PutBytes(fields, file.name);
    Bytes extra;
    auto record = [&extra](const Bytes& r) {
        AppendVInt(extra, r.size());
        extra.insert(extra.end(), r.begin(), r.end());
    };
    if (file.withBlake2) {
        Blake2sp hash;
        hash.Update(file.data.data(), file.data.size());
        auto digest = hash.Final();
        if (file.breakDataCrc)
            digest[0] ^= 1;
        Bytes r = {2, 0};
        r.insert(r.end(), digest.begin(), digest.end());
        record(r);
    }
    if (file.encrypted)
        record(Bytes(1, 1) /* an encryption record; its fields are never read */);
    if (file.linkType != 0) {
        Bytes r = {5};
        AppendVInt(r, file.linkType);
        AppendVInt(r, 0);
        AppendVInt(r, file.linkTarget.size());
        PutBytes(r, file.linkTarget);
        record(r);
    }
    Header(2, file.splitAfter ? 0x10 : 0, fields, extra, file.data);
    return *this;
}

Bytes Builder50::Finish() {
    Header(5, 0, Bytes{0}, {}, {});
    return bytes_;
}

// Test programs of several build trees may run at once on one machine; each
// keeps its scratch files to itself and removes them when it ends.
static const std::filesystem::path& ProcessTemp() {
    struct Scratch {
        std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("rar-tests-" + std::to_string(std::random_device{}()));
        ~Scratch() {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    };
    static const Scratch kScratch;
    return kScratch.folder;
}

std::filesystem::path TempFolder(const std::string& name) {
    const auto folder = ProcessTemp() / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

std::filesystem::path WriteTemp(const Bytes& bytes, const std::string& name) {
    const auto folder = ProcessTemp() / "archives";
    std::filesystem::create_directories(folder);
    const auto path = folder / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

} // namespace rar::test
