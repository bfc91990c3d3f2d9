#include "builder/pe_image.h"

#include "builder/byte_io.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace setupkit::builder {
namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kSecurityDirectoryIndex = 4;
constexpr std::uint32_t kResourceSectionFlags = 0x40000040; // initialised data, readable
// Resources that start on a page of the file can be mapped where the loader
// would otherwise read them all in before the program starts: under Wine a
// setup carrying 200 MiB started 0.2 s later without this.
constexpr std::uint32_t kPageSize = 0x1000;

// Offsets inside the PE32 optional header.
constexpr std::size_t kSectionAlignmentField = 32;
constexpr std::size_t kFileAlignmentField = 36;
constexpr std::size_t kSizeOfImageField = 56;
constexpr std::size_t kSizeOfHeadersField = 60;
constexpr std::size_t kCheckSumField = 64;
constexpr std::size_t kDirectoryCountField = 92;
constexpr std::size_t kDirectoriesField = 96;

bool IsPowerOfTwo(std::uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

// Passes what is written on, summing it as the header checksum does: 16-bit
// words with the carries folded back in, plus the length. The checksum
// field itself must be written as zero.
class ChecksumSink final : public ByteSink {
  public:
    explicit ChecksumSink(ByteSink& out) : out_(out), start_(out.Size()) {}

    void Write(const char* data, std::size_t size) override {
        for (std::size_t i = 0; i < size; ++i) {
            const std::uint32_t byte = static_cast<unsigned char>(data[i]);
            if (oddByte_)
                Add(low_ | byte << 8);
            else
                low_ = byte;
            oddByte_ = !oddByte_;
        }
        out_.Write(data, size);
    }
    void Overwrite(std::uint64_t, const char*, std::size_t) override {
        throw std::logic_error("an image is written in one pass");
    }
    std::uint64_t Size() const override { return out_.Size() - start_; }
    using ByteSink::Write;

    std::uint32_t Checksum() const {
        std::uint64_t sum = sum_;
        if (oddByte_)
            sum = Fold(sum + low_);
        return static_cast<std::uint32_t>(Fold(sum) + Size());
    }

  private:
    static std::uint64_t Fold(std::uint64_t sum) { return (sum & 0xFFFF) + (sum >> 16); }
    void Add(std::uint32_t word) { sum_ = Fold(sum_ + word); }

    ByteSink& out_;
    std::uint64_t start_;
    std::uint64_t sum_ = 0;
    std::uint32_t low_ = 0;
    bool oddByte_ = false;
};

} // namespace

PeImage::PeImage(std::string bytes) : bytes_(std::move(bytes)) {
    if (bytes_.size() < 64 || bytes_.compare(0, 2, "MZ") != 0)
        throw BuildError("not a PE file: no MZ header");
    peOffset_ = ReadU32(bytes_, 0x3C);
    RequireRange(bytes_, peOffset_, 24);
    if (bytes_.compare(peOffset_, 4, std::string("PE\0\0", 4)) != 0)
        throw BuildError("not a PE file: no PE signature");
    const std::uint16_t optionalSize = ReadU16(bytes_, peOffset_ + 20);
    const std::uint16_t magic = ReadU16(bytes_, OptionalHeader());
    if (magic == kPe32PlusMagic)
        throw BuildError("a 64-bit PE image is not supported; the setup stub is 32-bit");
    if (magic != kPe32Magic)
        throw BuildError("not a PE file: unknown optional header");
    if (optionalSize < kDirectoriesField + 8 * (kResourceDirectoryIndex + 1) ||
        ReadU32(bytes_, OptionalHeader() + kDirectoryCountField) <= kResourceDirectoryIndex)
        throw BuildError("the PE image has no resource directory entry");
    RequireRange(bytes_, OptionalHeader(), optionalSize);
    CheckAlignments();
    ReadSections();
}

bool PeImage::IsSigned() const {
    const std::size_t entry = OptionalHeader() + kDirectoriesField + 8 * kSecurityDirectoryIndex;
    return ReadU32(bytes_, OptionalHeader() + kDirectoryCountField) > kSecurityDirectoryIndex &&
           ReadU16(bytes_, peOffset_ + 20) >=
               kDirectoriesField + 8 * (kSecurityDirectoryIndex + 1) &&
           ReadU32(bytes_, entry + 4) != 0;
}

bool PeImage::IsDll() const {
    constexpr std::uint16_t kImageFileDll = 0x2000;
    return (ReadU16(bytes_, peOffset_ + 22) & kImageFileDll) != 0;
}

std::uint32_t PeImage::SectionAlignment() const {
    return ReadU32(bytes_, OptionalHeader() + kSectionAlignmentField);
}

std::uint32_t PeImage::FileAlignment() const {
    return ReadU32(bytes_, OptionalHeader() + kFileAlignmentField);
}

void PeImage::CheckAlignments() const {
    if (!IsPowerOfTwo(FileAlignment()) || !IsPowerOfTwo(SectionAlignment()) ||
        SectionAlignment() < FileAlignment())
        throw BuildError("the PE image has invalid section or file alignment");
}

void PeImage::ReadSections() {
    const std::size_t count = ReadU16(bytes_, peOffset_ + 6);
    const std::size_t table = OptionalHeader() + ReadU16(bytes_, peOffset_ + 20);
    RequireRange(bytes_, table, count * kSectionHeaderSize);
    for (std::size_t i = 0; i < count; ++i) {
        PeSection section;
        section.headerOffset = table + i * kSectionHeaderSize;
        section.virtualSize = ReadU32(bytes_, section.headerOffset + 8);
        section.virtualAddress = ReadU32(bytes_, section.headerOffset + 12);
        section.rawSize = ReadU32(bytes_, section.headerOffset + 16);
        section.rawPointer = ReadU32(bytes_, section.headerOffset + 20);
        if (section.rawSize != 0)
            RequireRange(bytes_, section.rawPointer, section.rawSize);
        sections_.push_back(section);
    }
}

DataDirectory PeImage::ResourceDirectory() const {
    const std::size_t entry = OptionalHeader() + kDirectoriesField + 8 * kResourceDirectoryIndex;
    return {ReadU32(bytes_, entry), ReadU32(bytes_, entry + 4)};
}

std::size_t PeImage::OffsetOfRva(std::uint32_t rva, std::uint32_t size) const {
    for (const PeSection& section : sections_) {
        if (rva < section.virtualAddress)
            continue;
        const std::uint64_t inside = rva - section.virtualAddress;
        // A section header may claim file data the file does not have.
        if (inside + size <= section.rawSize &&
            std::uint64_t{section.rawPointer} + inside + size <= bytes_.size())
            return section.rawPointer + static_cast<std::size_t>(inside);
    }
    throw BuildError("the PE image refers to data outside its file: RVA " + std::to_string(rva));
}

std::uint32_t PeImage::EndOfImageRva() const {
    std::uint32_t end =
        AlignUp(ReadU32(bytes_, OptionalHeader() + kSizeOfHeadersField), SectionAlignment());
    for (const PeSection& section : sections_) {
        const std::uint32_t extent = std::max(section.virtualSize, section.rawSize);
        end = std::max(end, AlignUp(section.virtualAddress + extent, SectionAlignment()));
    }
    return end;
}

const PeSection* PeImage::ReusableResourceSection() const {
    const DataDirectory directory = ResourceDirectory();
    if (directory.rva == 0 || sections_.empty())
        return nullptr;
    const auto last = std::max_element(
        sections_.begin(), sections_.end(),
        [](const PeSection& a, const PeSection& b) { return a.virtualAddress < b.virtualAddress; });
    const bool holdsDirectory = last->virtualAddress == directory.rva;
    const bool endsFile = last->rawSize != 0 && last->rawPointer + last->rawSize == bytes_.size();
    return holdsDirectory && endsFile ? &*last : nullptr;
}

std::uint32_t PeImage::ResourceSectionRva() const {
    const PeSection* reusable = ReusableResourceSection();
    return reusable ? reusable->virtualAddress : EndOfImageRva();
}

void PeImage::PlaceResourceSection(std::uint32_t size) {
    if (bytes_.size() + std::uint64_t{size} + 2 * FileAlignment() > 0x7FFFFFFF)
        throw BuildError("the setup file would be larger than 2 GiB, more than Windows loads");
    if (const PeSection* reusable = ReusableResourceSection())
        GrowLastSection(*reusable, size);
    else
        AppendSection(size);
    UpdateSizeOfImage();
    WriteU32(bytes_, OptionalHeader() + kCheckSumField, 0);
}

std::uint32_t PeImage::ResourceRawPointer(std::uint32_t from) const {
    return AlignUp(from, std::max(FileAlignment(), kPageSize));
}

void PeImage::GrowLastSection(const PeSection& section, std::uint32_t size) {
    placed_ = section;
    placed_.virtualSize = size;
    placed_.rawPointer = ResourceRawPointer(section.rawPointer);
    placed_.rawSize = AlignUp(size, FileAlignment());
    bytes_.resize(section.rawPointer);
    bytes_.resize(placed_.rawPointer, '\0');
    WriteU32(bytes_, section.headerOffset + 8, size);
    WriteU32(bytes_, section.headerOffset + 16, placed_.rawSize);
    WriteU32(bytes_, section.headerOffset + 20, placed_.rawPointer);
    WriteU32(bytes_, section.headerOffset + 36, kResourceSectionFlags);
    SetResourceDirectory(section.virtualAddress, size);
    for (PeSection& each : sections_)
        if (each.headerOffset == placed_.headerOffset)
            each = placed_;
}

void PeImage::AppendSection(std::uint32_t size) {
    const std::size_t header = sections_.empty()
                                   ? OptionalHeader() + ReadU16(bytes_, peOffset_ + 20)
                                   : sections_.back().headerOffset + kSectionHeaderSize;
    std::size_t limit = ReadU32(bytes_, OptionalHeader() + kSizeOfHeadersField);
    for (const PeSection& section : sections_)
        if (section.rawSize != 0)
            limit = std::min<std::size_t>(limit, section.rawPointer);
    const bool free = header + kSectionHeaderSize <= limit &&
                      bytes_.find_first_not_of('\0', header) >= header + kSectionHeaderSize;
    if (!free)
        throw BuildError("the PE image has no room for another section header");

    placed_.headerOffset = header;
    placed_.virtualAddress = EndOfImageRva();
    placed_.virtualSize = size;
    placed_.rawPointer = ResourceRawPointer(static_cast<std::uint32_t>(bytes_.size()));
    placed_.rawSize = AlignUp(size, FileAlignment());
    bytes_.resize(placed_.rawPointer, '\0');

    bytes_.replace(header, 8, std::string(".rsrc\0\0\0", 8));
    WriteU32(bytes_, header + 8, size);
    WriteU32(bytes_, header + 12, placed_.virtualAddress);
    WriteU32(bytes_, header + 16, placed_.rawSize);
    WriteU32(bytes_, header + 20, placed_.rawPointer);
    WriteU32(bytes_, header + 36, kResourceSectionFlags);
    WriteU16(bytes_, peOffset_ + 6, static_cast<std::uint16_t>(sections_.size() + 1));
    SetResourceDirectory(placed_.virtualAddress, size);
    sections_.push_back(placed_);
}

void PeImage::SetResourceDirectory(std::uint32_t rva, std::uint32_t size) {
    const std::size_t entry = OptionalHeader() + kDirectoriesField + 8 * kResourceDirectoryIndex;
    WriteU32(bytes_, entry, rva);
    WriteU32(bytes_, entry + 4, size);
}

void PeImage::UpdateSizeOfImage() {
    WriteU32(bytes_, OptionalHeader() + kSizeOfImageField, EndOfImageRva());
}

void PeImage::WriteTo(ByteSink& out, const std::function<void(ByteSink&)>& writeSection) const {
    const std::uint64_t start = out.Size();
    ChecksumSink image(out);
    image.Write(bytes_);
    writeSection(image);
    if (image.Size() != std::uint64_t{placed_.rawPointer} + placed_.virtualSize)
        throw std::logic_error("the resource section was not written as placed");
    image.Write(std::string(placed_.rawSize - placed_.virtualSize, '\0'));
    std::string checksum;
    AppendU32(checksum, image.Checksum());
    out.Overwrite(start + OptionalHeader() + kCheckSumField, checksum.data(), checksum.size());
}

} // namespace setupkit::builder
