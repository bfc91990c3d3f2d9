#pragma once
// The uninstall as a list of steps, each with one job, run in this order by
// RunUninstall: help entries, packages, files, the product's records,
// folders, the uninstall entry, the uninstaller itself. A step that meets a
// missing file, key or value goes on without a word.
#include "uninstall/entry.h"
#include "uninstall/report.h"
#include "uninstall/self_removal.h"

namespace setupkit::uninstall {

struct UninstallRun {
    const UninstallEntry& entry;
    UninstallReport& report;
    SelfRemoval& self;
};

void RemoveHelpEntries(UninstallRun& run);
void RemovePackages(UninstallRun& run);
void RemoveFiles(UninstallRun& run);
void RemoveProductRecords(UninstallRun& run);
void RemoveFolders(UninstallRun& run);
void RemoveUninstallEntry(UninstallRun& run);
void RemoveItself(UninstallRun& run);

// Deletes one file the records name; a missing one is skipped, one that
// stays is reported. Used by the files and the packages steps.
void DeleteRecordedFile(const std::string& path, UninstallReport& report);

} // namespace setupkit::uninstall
