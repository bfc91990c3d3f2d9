#pragma once
// A 32-bit PE image held in memory: its headers checked once on construction,
// its sections, and the one change the builder makes to it, putting a new
// resource section in place. The new section is not held: it is written
// straight to the output after the rest of the image.
#include "builder/byte_sink.h"

#include <cstddef>
#include <cstdint>
#include <functional>
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
    // True when the image carries an Authenticode signature (a certificate
    // table), which any change to the image breaks.
    bool IsSigned() const;

    // File offset of `size` bytes at `rva`; throws unless all of them are in
    // one section's file data.
    std::size_t OffsetOfRva(std::uint32_t rva, std::uint32_t size) const;

    // Where a resource section must start when it is built for this image:
    // the current resource section when it is the image's last section in
    // memory and in the file (it can then grow in place), else past the end.
    std::uint32_t ResourceSectionRva() const;

    // Makes room in the image for a resource section of `size` bytes at
    // ResourceSectionRva() and points the resource data directory at it.
    // The image is then ready to be written, and only that.
    void PlaceResourceSection(std::uint32_t size);

    // Writes the image to `out`: the bytes before the resource section, the
    // section through `writeSection` (exactly the size placed), its padding,
    // and then the header checksum over all of it.
    void WriteTo(ByteSink& out, const std::function<void(ByteSink&)>& writeSection) const;

  private:
    std::size_t OptionalHeader() const { return peOffset_ + 24; }
    std::uint32_t SectionAlignment() const;
    std::uint32_t FileAlignment() const;
    void ReadSections();
    void CheckAlignments() const;
    const PeSection* ReusableResourceSection() const;
    std::uint32_t EndOfImageRva() const;
    std::uint32_t ResourceRawPointer(std::uint32_t from) const;
    void GrowLastSection(const PeSection& section, std::uint32_t size);
    void AppendSection(std::uint32_t size);
    void SetResourceDirectory(std::uint32_t rva, std::uint32_t size);
    void UpdateSizeOfImage();

    std::string bytes_;
    std::size_t peOffset_ = 0;
    std::vector<PeSection> sections_;
    PeSection placed_; // the resource section once placed
};

} // namespace setupkit::builder
