#pragma once
// The uninstall as a list of steps, each with one job, run in this order by
// RunUninstall: help entries, packages, files, the product's records,
// folders, the uninstall entry, the uninstaller itself. A step that meets a
// missing file, key or value goes on without a word.
//
// What a step leaves in place for this installation (refused, reached through
// a link, or not removable now) it adds to the run's LeftOver: the entry
// then stays, listing exactly that, so the uninstall can be run again.
#include "uninstall/entry.h"
#include "uninstall/links.h"
#include "uninstall/other_products.h"
#include "uninstall/path_rules.h"
#include "uninstall/progress.h"
#include "uninstall/report.h"
#include "uninstall/self_removal.h"

namespace setupkit::uninstall {

struct LeftOver {
    LineList files;
    LineList folders;
    LineList packages;
    LineList helps;

    bool Empty() const {
        return files.Empty() && folders.Empty() && packages.Empty() && helps.Empty();
    }
};

struct UninstallRun {
    const UninstallEntry& entry;
    const OtherEntries& others;
    const WriteFolders& writeFolders;
    UninstallReport& report;
    SelfRemoval& self;
    UninstallProgress& progress;
    LinkFinder links;
    LeftOver left;
};

void RemoveHelpEntries(UninstallRun& run);
void RemovePackages(UninstallRun& run);
void RemoveFiles(UninstallRun& run);
// Offers the files that could not be deleted for deletion at the next start.
void OfferRemovalAtRestart(UninstallRun& run);
void RemoveProductRecords(UninstallRun& run);
void RemoveFolders(UninstallRun& run);
void RemoveUninstallEntry(UninstallRun& run);
void RemoveItself(UninstallRun& run);

// True when the run may act on the recorded file `path`: canonical, inside a
// folder a setup writes to, reached through no link. Otherwise the reason is
// reported and the caller leaves the file in the entry.
bool MayActOnFile(UninstallRun& run, const std::string& path);
// Deletes one file the records name; a missing one is skipped, one that
// stays is reported. False when the file is still there.
bool DeleteRecordedFile(const std::string& path, UninstallReport& report);

} // namespace setupkit::uninstall
