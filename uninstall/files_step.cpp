// Every installed file carries a count of the installations that put it in
// place. This installation's share comes off; a file nobody counts any more
// is deleted, one still counted stays for the product that uses it.
#include "lib/text.h"
#include "records/installed_products.h"
#include "records/registry.h"
#include "uninstall/messages.h"
#include "uninstall/steps.h"

#include <optional>
#include <utility>
#include <vector>

namespace setupkit::uninstall {
namespace {

// The setup raised a path's count once per occurrence in FILES, and the
// registry compares names ignoring case: the same goes for the lowering.
std::vector<std::pair<std::string, DWORD>> Occurrences(const LineList& files) {
    std::vector<std::pair<std::string, DWORD>> counted;
    for (const std::string& file : files) {
        auto found = counted.begin();
        while (found != counted.end() && !SameText(found->first, file))
            ++found;
        if (found == counted.end())
            counted.emplace_back(file, 1);
        else
            ++found->second;
    }
    return counted;
}

// The count left for `path` once `share` is taken off; the value goes at 0.
// Nothing when the count cannot be read: then the file stays as it is.
std::optional<DWORD> LowerCount(RegistryKey& counts, const std::string& path, DWORD share,
                                UninstallReport& report) {
    if (!counts.ValueExists(path))
        return 0;
    const std::optional<DWORD> count =
        ReadNoting(report, FormatWith(messages::kCountRecordName, path),
                   [&] { return std::optional<DWORD>(counts.ReadInteger(path)); });
    if (!count)
        return std::nullopt;
    if (*count <= share) {
        counts.DeleteValue(path);
        return 0;
    }
    counts.WriteInteger(path, *count - share);
    return *count - share;
}

void RemoveUncounted(UninstallRun& run, const std::string& path) {
    if (!run.self.IsProgram(path)) {
        DeleteRecordedFile(path, run.report);
        return;
    }
    // The running program goes last, once it has ended.
    run.self.RemoveProgram();
    ++run.report.filesRemoved;
}

} // namespace

void DeleteRecordedFile(const std::string& path, UninstallReport& report) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    // Files come out of the archive with the attributes they were packed with.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (::DeleteFileA(path.c_str()))
        ++report.filesRemoved;
    else
        report.notRemoved.push_back(path);
}

void RemoveFiles(UninstallRun& run) {
    RegistryKey counts = RegistryKey::Open(HKEY_CURRENT_USER, kInstalledFilesPath);
    for (const auto& [path, share] : Occurrences(run.entry.files)) {
        const std::optional<DWORD> left = LowerCount(counts, path, share, run.report);
        if (!left)
            continue;
        if (*left > 0)
            run.report.keptInUse.push_back(path);
        else
            RemoveUncounted(run, path);
    }
}

} // namespace setupkit::uninstall
