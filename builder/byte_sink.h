#pragma once
// Where the builder writes what it makes: bytes appended in order, and a
// few written earlier set right later (a header whose sizes are known only
// once its data is out). The output file is one; a string is the other, for
// tests and for pieces small enough to hold.
#include <cstddef>
#include <cstdint>
#include <string>

namespace setupkit::builder {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void Write(const char* data, std::size_t size) = 0;
    // Replaces `size` bytes written earlier, from `offset` on.
    virtual void Overwrite(std::uint64_t offset, const char* data, std::size_t size) = 0;
    // How many bytes have been written.
    virtual std::uint64_t Size() const = 0;

    void Write(const std::string& bytes) { Write(bytes.data(), bytes.size()); }
};

class StringSink final : public ByteSink {
  public:
    void Write(const char* data, std::size_t size) override { bytes.append(data, size); }
    void Overwrite(std::uint64_t offset, const char* data, std::size_t size) override {
        bytes.replace(static_cast<std::size_t>(offset), size, data, size);
    }
    std::uint64_t Size() const override { return bytes.size(); }
    using ByteSink::Write;

    std::string bytes;
};

} // namespace setupkit::builder
