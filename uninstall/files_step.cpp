// Every installed file carries a count of the installations that put it in
// place, but the counts are the user's (HKEY_CURRENT_USER) while the entries
// are the machine's, and a reinstallation raises them once more while FILES
// names each path once. So the lists decide: a file another entry still
// lists stays, and only this entry's share comes off its count; a file no
// other entry lists is deleted with its count, however high that count is,
// so that one uninstall undoes any number of installations of the product.
#include "lib/text.h"
#include "records/installed_products.h"
#include "records/registry.h"
#include "uninstall/messages.h"
#include "uninstall/steps.h"

#include <algorithm>
#include <optional>

namespace setupkit::uninstall {
namespace {

// The count of `path`: no value when it is missing, or when it is of the
// wrong type (then noted once, and unreadable).
struct Count {
    bool readable = true;
    std::optional<DWORD> value;
};

Count ReadCount(const RegistryKey& counts, const std::string& path, UninstallReport& report) {
    if (!counts.ValueExists(path))
        return {};
    const std::optional<DWORD> value =
        ReadNoting(report, FormatWith(messages::kCountRecordName, path),
                   [&] { return std::optional<DWORD>(counts.ReadInteger(path)); });
    return {value.has_value(), value};
}

// This entry's share of a count another entry shares: its own lines, and
// whatever else the count holds beyond the other entries' lines (its
// earlier installations).
void LowerSharedCount(UninstallRun& run, RegistryKey& counts, const Occurrence& file) {
    const Count count = ReadCount(counts, file.name, run.report);
    if (!count.value)
        return;
    const DWORD others = static_cast<DWORD>(run.others.FileCount(file.name));
    const DWORD share =
        std::max(static_cast<DWORD>(file.times), *count.value > others ? *count.value - others : 0);
    if (*count.value <= share)
        counts.DeleteValue(file.name);
    else
        counts.WriteInteger(file.name, *count.value - share);
}

void LeaveFile(UninstallRun& run, const Occurrence& file) {
    for (int i = 0; i < file.times; ++i)
        run.left.files.Add(file.name);
}

void RemoveUnshared(UninstallRun& run, RegistryKey& counts, const Occurrence& file) {
    // A count that cannot be read cannot be taken back: the file stays with it.
    if (!ReadCount(counts, file.name, run.report).readable ||
        !DeleteRecordedFile(file.name, run.report)) {
        LeaveFile(run, file);
        return;
    }
    counts.DeleteValue(file.name);
}

// The running program goes last, once it has ended, and only when nothing
// else is left: while the entry stays, its uninstall command must still work.
void DecideProgram(UninstallRun& run, RegistryKey& counts, const Occurrence& program) {
    const bool refusedFolder =
        std::any_of(run.entry.folders.begin(), run.entry.folders.end(),
                    [&](const std::string& f) { return !MayRemoveFolder(f, run.writeFolders); });
    if (!run.left.Empty() || refusedFolder ||
        !ReadCount(counts, program.name, run.report).readable) {
        LeaveFile(run, program);
        return;
    }
    run.self.RemoveProgram();
    counts.DeleteValue(program.name);
    ++run.report.filesRemoved;
}

} // namespace

bool MayActOnFile(UninstallRun& run, const std::string& path) {
    if (!MayRemoveFile(path, run.writeFolders)) {
        run.report.NoteRefused(path);
        return false;
    }
    const std::string link = run.links.LinkOnTheWay(HomeFolder(path, run.writeFolders), path);
    // What is not there behind the link needs nothing done.
    if (link.empty() || ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    run.report.NoteLinked(link);
    return false;
}

bool DeleteRecordedFile(const std::string& path, UninstallReport& report) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    // Files come out of the archive with the attributes they were packed with.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (::DeleteFileA(path.c_str())) {
        ++report.filesRemoved;
        return true;
    }
    report.notRemoved.push_back(path);
    return false;
}

void RemoveFiles(UninstallRun& run) {
    RegistryKey counts = RegistryKey::Open(HKEY_CURRENT_USER, kInstalledFilesPath);
    std::optional<Occurrence> program;
    const std::vector<Occurrence> files = Occurrences(run.entry.files);
    for (std::size_t done = 0; done < files.size(); ++done) {
        const Occurrence& file = files[done];
        run.progress.Show(done, files.size());
        if (!MayActOnFile(run, file.name)) {
            LeaveFile(run, file);
        } else if (run.others.ListFile(file.name)) {
            LowerSharedCount(run, counts, file);
            run.report.keptInUse.push_back(file.name);
        } else if (run.self.IsProgram(file.name)) {
            program = file;
        } else {
            RemoveUnshared(run, counts, file);
        }
    }
    if (program)
        DecideProgram(run, counts, *program);
}

} // namespace setupkit::uninstall
