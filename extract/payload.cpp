#include "extract/payload.h"

#include "extract/archive_walker.h"
#include "extract/unrar_library.h"
#include "ide/packages.h"
#include "ide/product_include.h"
#include "lib/config_resources.h"
#include "lib/driver_state.h"
#include "lib/path.h"
#include "lib/private_folder.h"
#include "lib/setup_error.h"
#include "records/installed_products.h"

#include <climits>

namespace setupkit {

TProgressDialog* ProgressDialog = nullptr;
std::uint64_t TotalBytes = 0;
std::uint64_t DoneBytes = 0;

namespace {

ProgressScale Scale(0);

// The library's file cannot be deleted while it is loaded, so this is
// released before the private folder and its files are.
struct LibraryUnload {
    ~LibraryUnload() { FreeUnrarLibrary(); }
};

// Entries met by each pass: the extraction must meet every entry the count met.
int CountedEntries = 0;
int TrackedEntries = 0;

// A short write is no error of its own to the system, and an archive cut at
// an entry's end reads as a smaller but whole one: the count is checked here.
void WriteAll(UniqueHandle& file, const ConfigResourceLock& resource, const char* what) {
    DWORD written = 0;
    const bool whole =
        ::WriteFile(file.Get(), resource.Data(), resource.Size(), &written, nullptr) &&
        written == resource.Size();
    file.Reset();
    if (!whole)
        throw SetupError(std::string("Could not write the temporary ") + what);
}

bool IsHelpFile(const std::string& name) {
    return driver::HelpFiles.IndexOfName(name) >= 0 || driver::HelpFiles.IndexOf(name) >= 0;
}

// A help file named in HELPFILES goes to the IDE's help folder when there is one.
void RedirectHelpFile(const RARHeaderData& header, std::string& destName) {
    const std::string name = path::ExtractFileName(header.FileName);
    if (!driver::IdeHelpDir.empty() && IsHelpFile(name))
        destName = driver::IdeHelpDir + name;
}

} // namespace

ProgressScale::ProgressScale(std::uint64_t total) {
    while ((total >> shift_) > static_cast<std::uint64_t>(INT_MAX))
        ++shift_;
}

int ProgressScale::Position(std::uint64_t bytes) const {
    return static_cast<int>(bytes >> shift_);
}

int CountEntry(const RARHeaderData& header, std::string&, std::string& destName) {
    ++CountedEntries;
    TotalBytes += header.UnpSize;
    // The destination the progress pass will choose, so that the walk meets
    // every path to be recorded before anything is written.
    RedirectHelpFile(header, destName);
    return RAR_SKIP;
}

void StartProgressPass() {
    Scale = ProgressScale(TotalBytes);
    ProgressDialog->SetRange(Scale.Position(TotalBytes));
}

int TrackEntry(const RARHeaderData& header, std::string&, std::string& destName) {
    ++TrackedEntries;
    // The bar includes the entry about to be written, and a showing that
    // names it shows that position too.
    DoneBytes += header.UnpSize;
    ProgressDialog->SetStatus(header.FileName, Scale.Position(DoneBytes));
    RedirectHelpFile(header, destName);
    return RAR_EXTRACT;
}

void FinishProgressPass() {
    ProgressDialog->ShowLatest();
}

bool InstallPayload(const std::string& installDir) {
    // Any other destination is the setup's current folder, which no one chose.
    if (!path::IsRootedPath(installDir))
        return false;
    const ConfigResourceLock archive("CABFILE");
    const ConfigResourceLock library("UNRARDLL");
    // What killed runs left behind goes before this run adds its own.
    RemoveStalePrivateFolders();
    PrivateFolder folder;
    std::string libraryPath;
    std::string archivePath;
    UniqueHandle libraryHandle = folder.NewFile(libraryPath);
    UniqueHandle archiveHandle = folder.NewFile(archivePath);
    if (!libraryHandle || !archiveHandle)
        return false;

    WriteAll(libraryHandle, library, "library");
    LibraryUnload unload;
    LoadUnrarLibrary(libraryPath);

    TProgressDialog progress;
    ProgressDialog = &progress;
    progress.SetStatusText("Starting setup. Please wait...");
    WriteAll(archiveHandle, archive, "archive");

    // A path the counting pass refuses stops the step before anything is written.
    if (!ListArchive(archivePath, installDir, CountEntry, &driver::SystemFiles))
        return false;
    StartProgressPass();

    const bool extracted = ExtractArchive(archivePath, installDir, TrackEntry, &driver::SystemFiles,
                                          &driver::InstalledFolders, &driver::InstalledFiles);
    FinishProgressPass();
    // Both passes read the same file; one that changed or ended early between
    // them would install less than was counted.
    if (extracted && TrackedEntries != CountedEntries)
        throw SetupError("The archive ended after " + std::to_string(TrackedEntries) + " of " +
                         std::to_string(CountedEntries) + " entries");
    if (extracted) {
        progress.SetStatusText("Building packages...");
        progress.ShowLatest();
        RecordInstalledProduct(driver::ProductName, driver::SubProductName, driver::ProductVersion,
                               installDir);
        // The include file switches on what the record now holds.
        UpdateProductInclude(driver::ProductName, installDir);
        BuildPackagesStep();
    }
    return extracted;
}

} // namespace setupkit
