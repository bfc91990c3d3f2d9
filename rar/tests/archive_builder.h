#pragma once
// Writes small archives byte by byte, with correct checksums unless a test
// asks otherwise, so that the readers can be checked against known layouts.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace rar::test {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const std::string& text);
std::uint32_t CrcOf(const Bytes& data);

// RAR 1.5-4.x: marker, main header, stored file entries, end block.
class Builder15 {
  public:
    explicit Builder15(std::uint16_t mainFlags = 0);
    struct File {
        File(std::string n = {}, Bytes d = {}) : name(std::move(n)), data(std::move(d)) {}
        std::string name; // bytes as stored
        Bytes data;
        std::uint16_t flags = 0;
        std::uint8_t hostOs = 2;
        std::uint32_t attributes = 0x20;
        std::uint8_t version = 29;
        std::uint8_t method = 0x30;
        bool breakHeaderCrc = false;
        bool breakDataCrc = false;
    };
    Builder15& Add(const File& file);
    Builder15& AddRaw(const Bytes& block) {
        bytes_.insert(bytes_.end(), block.begin(), block.end());
        return *this;
    }
    Bytes Finish(bool withEndBlock = true);

  private:
    Bytes bytes_;
};

// RAR 1.3/1.4: "RE~^", main header, file entries; no end block, no header
// checksums. Data is written as given, so `method` may name a packed stream.
class Builder14 {
  public:
    explicit Builder14(std::uint8_t mainFlags = 0, const Bytes& mainComment = {});
    struct File {
        File(std::string n = {}, Bytes d = {}) : name(std::move(n)), data(std::move(d)) {}
        std::string name;
        Bytes data;
        std::uint8_t flags = 0;
        std::uint8_t attributes = 0x20;
        std::uint8_t method = 0;
        std::uint32_t unpackedSize = UINT32_MAX; // default: data.size()
        bool breakChecksum = false;
        // Bytes between the name and the data, as a file comment leaves them.
        Bytes comment;
    };
    Builder14& Add(const File& file);
    Bytes Finish() const { return bytes_; }

  private:
    Bytes bytes_;
};

// RAR 5.0: signature, main header, file entries, end header.
class Builder50 {
  public:
    // With `encryptedHeaders` an encryption header comes first, as -hp writes it.
    explicit Builder50(std::uint64_t archiveFlags = 0, bool encryptedHeaders = false);
    struct File {
        File(std::string n = {}, Bytes d = {}) : name(std::move(n)), data(std::move(d)) {}
        std::string name;
        Bytes data;
        bool directory = false;
        bool withCrc = true;
        bool withBlake2 = false;
        bool encrypted = false;
        bool splitAfter = false;
        std::uint64_t compression = 0; // stored
        // Redirection record: type 0 means none.
        std::uint64_t linkType = 0;
        std::string linkTarget;
        std::uint64_t declaredSize = UINT64_MAX; // default: data.size()
        bool breakDataCrc = false;
    };
    Builder50& Add(const File& file);
    Bytes Finish();

  private:
    void Header(std::uint64_t type, std::uint64_t flags, const Bytes& fields, const Bytes& extra,
                const Bytes& data);
    Bytes bytes_;
};

void AppendVInt(Bytes& out, std::uint64_t value);
std::filesystem::path WriteTemp(const Bytes& bytes, const std::string& name);
std::filesystem::path TempFolder(const std::string& name);

} // namespace rar::test
