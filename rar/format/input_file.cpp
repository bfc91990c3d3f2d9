#include "rar/format/input_file.h"

#include "rar/format/status.h"

#include <cstring>

namespace rar {
namespace {

// A page: it holds the run of headers that small files leave close together,
// and reads little of a large file's data, which a listing skips.
constexpr std::size_t kReadAhead = 1 << 12;

} // namespace

InputFile::InputFile(const NativePath& path)
    : file_(File::OpenForReading(path)), size_(file_.Size()) {}

std::size_t InputFile::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) {
    if (offset >= size_)
        return 0;
    if (count > size_ - offset)
        count = static_cast<std::size_t>(size_ - offset);
    if (count >= kReadAhead)
        return file_.ReadAt(offset, buffer, count);
    if (!Cached(offset, count)) {
        if (!cache_)
            cache_.reset(new std::uint8_t[kReadAhead]);
        cacheSize_ = file_.ReadAt(offset, cache_.get(), kReadAhead);
        cacheStart_ = offset;
        if (cacheSize_ < count)
            count = cacheSize_;
    }
    std::memcpy(buffer, cache_.get() + (offset - cacheStart_), count);
    return count;
}

bool InputFile::Cached(std::uint64_t offset, std::size_t count) const {
    return offset >= cacheStart_ && offset - cacheStart_ + count <= cacheSize_;
}

void InputFile::ReadExactly(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) {
    if (ReadAt(offset, buffer, count) != count)
        throw ArchiveError(Status::ReadFailed, "unexpected end of the archive");
}

} // namespace rar
