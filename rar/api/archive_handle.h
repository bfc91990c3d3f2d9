#pragma once
// What an API handle stands for: the open archive, the extractor writing its
// entries, and the caller's callbacks.
#include "rar/api/unrar.h"
#include "rar/disk/disk_extractor.h"
#include "rar/format/archive.h"

#include <memory>
#include <string>

namespace rar::api {

struct ArchiveHandle {
    NativePath path;
    std::u32string pathText;
    unsigned openMode = RAR_OM_EXTRACT;
    std::unique_ptr<Archive> archive;
    std::unique_ptr<DiskExtractor> extractor;
    UNRARCALLBACK callback = nullptr;
    LPARAM userData = 0;
    CHANGEVOLPROC changeVolProc = nullptr;
    PROCESSDATAPROC processDataProc = nullptr;
    bool passwordGiven = false;
    // A header was read and its entry neither processed nor skipped yet.
    bool entryPending = false;
};

// The name of the volume after `current` in a multi-volume set.
std::u32string NextVolumeName(const std::u32string& current, bool newNumbering);

} // namespace rar::api
