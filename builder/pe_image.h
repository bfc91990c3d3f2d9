#pragma once
// A 32-bit PE image held in memory: its headers checked once on construction,
// its sections, and the one change the builder makes to it, putting a new
// resource section in place.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace setupkit::builder {

struct PeSection {
    std::size_t headerOffset = 0; // file offset of the section's 40-byte header
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawPointer = 0;
    std::uint32_t rawSize = 0;
};

struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

class PeImage {
  public:
    // Throws BuildError when the bytes are not a complete 32-bit PE image.
    explicit PeImage(std::string bytes);

    const std::string& Bytes() const { return bytes_; }
    const std::vector<PeSection>& Sections() const { return sections_; }
    DataDirectory ResourceDirectory() const;
    // True for a library (IMAGE_FILE_DLL), false for a program.
    bool IsDll() const;

    // File offset of `size` bytes at `rva`; throws unless all of them are in
    // one section's file data.
    std::size_t OffsetOfRva(std::uint32_t rva, std::uint32_t size) const;

    // Where a resource section must start when it is built for this image:
    // the current resource section when it is the image's last section in
    // memory and in the file (it can then grow in place), else past the end.
    std::uint32_t ResourceSectionRva() const;

    // Puts `section` (laid out for ResourceSectionRva()) into the image as its
    // resource section and points the resource data directory at it.
    void PlaceResourceSection(const std::string& section);

    // The image with its header checksum brought up to date.
    std::string Finish() const;

  private:
    std::size_t OptionalHeader() const { return peOffset_ + 24; }
    std::uint32_t SectionAlignment() const;
    std::uint32_t FileAlignment() const;
    void ReadSections();
    void CheckAlignments() const;
    const PeSection* ReusableResourceSection() const;
    std::uint32_t EndOfImageRva() const;
    void GrowLastSection(const PeSection& section, const std::string& data);
    void AppendSection(const std::string& data);
    void SetResourceDirectory(std::uint32_t rva, std::uint32_t size);
    void UpdateSizeOfImage();

    std::string bytes_;
    std::size_t peOffset_ = 0;
    std::vector<PeSection> sections_;
};

} // namespace setupkit::builder
