#include "rar/check/checked_sink.h"

#include "rar/check/crc32.h"
#include "rar/format/status.h"

namespace rar {

CheckedSink::CheckedSink(ByteSink& out, const Entry& entry) : out_(out), entry_(entry) {}

void CheckedSink::Write(const std::uint8_t* data, std::size_t size) {
    if (!entry_.sizeUnknown && size > entry_.unpackedSize - written_)
        throw ArchiveError(Status::BadData, "more data than the entry's size");
    written_ += size;
    if (entry_.hasCrc)
        crc_ = Crc32(crc_, data, size);
    if (entry_.hasBlake2)
        blake2_.Update(data, size);
    if (entry_.hasOldChecksum)
        oldChecksum_ = OldChecksum(oldChecksum_, data, size);
    out_.Write(data, size);
}

void CheckedSink::Verify() {
    if (!entry_.sizeUnknown && written_ != entry_.unpackedSize)
        throw ArchiveError(Status::BadData, "entry data ends early");
    if (entry_.hasCrc && crc_ != entry_.crc)
        throw ArchiveError(Status::BadData, "checksum mismatch");
    if (entry_.hasBlake2 && blake2_.Final() != entry_.blake2)
        throw ArchiveError(Status::BadData, "checksum mismatch");
    if (entry_.hasOldChecksum && oldChecksum_ != entry_.crc)
        throw ArchiveError(Status::BadData, "checksum mismatch");
}

} // namespace rar
