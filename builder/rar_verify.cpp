#include "builder/rar_verify.h"

#include "builder/build_error.h"
#include "rar/check/crc32.h"
#include "rar/format/archive.h"
#include "rar/format/error.h"
#include "rar/os/file_system.h"

#include <algorithm>

namespace setupkit::builder {
namespace {

// Counts and sums the decoded bytes, which go nowhere else.
class ChecksumSink : public rar::ByteSink {
  public:
    void Write(const std::uint8_t* data, std::size_t size) override {
        crc = rar::Crc32(crc, data, size);
        bytes += size;
    }
    std::uint32_t crc = 0;
    std::uint64_t bytes = 0;
};

[[noreturn]] void NotReadBack(const std::string& name, const std::string& what) {
    throw BuildError("the packed archive does not read back: '" + name + "' " + what +
                         "; this is a fault of setupkit-build, nothing was written",
                     ExitCode::NotReadBack);
}

// Names as the archive's headers hold them, as the library reads them.
std::string Read(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}
std::string Stored(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

void CompareEntry(rar::Archive& archive, const PackedEntry& expected) {
    const rar::Entry& entry = archive.Current();
    if (entry.name != Read(expected.name) || entry.isDirectory != expected.isFolder)
        NotReadBack(expected.name, "is followed by '" + Stored(entry.name) + "' in the archive");
    if (entry.unpackedSize != expected.size)
        NotReadBack(expected.name, "has a different size in its header");
    ChecksumSink sink;
    archive.Unpack(sink);
    if (sink.bytes != expected.size || sink.crc != expected.crc)
        NotReadBack(expected.name, "decodes to other bytes than were packed");
}

} // namespace

void VerifyRarArchive(const std::string& path, const std::vector<PackedEntry>& packed,
                      const ProgressCounter& progress) {
    std::size_t done = 0;
    try {
        rar::Archive archive(rar::PathFromUtf8(path));
        for (; done < packed.size(); ++done) {
            if (!archive.NextEntry())
                NotReadBack(packed[done].name, "is missing");
            CompareEntry(archive, packed[done]);
            if (progress && !packed[done].isFolder)
                progress(packed[done].size);
        }
        if (archive.NextEntry())
            NotReadBack(Stored(archive.Current().name), "was never packed");
    } catch (const rar::Error& error) {
        NotReadBack(done < packed.size() ? packed[done].name : path,
                    "cannot be decoded: " + std::string(error.what()));
    }
}

} // namespace setupkit::builder
