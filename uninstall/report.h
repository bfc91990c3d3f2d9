#pragma once
// What an uninstall did, gathered by its steps for the box that ends it.
#include "lib/setup_error.h"

#include <string>
#include <type_traits>
#include <vector>

namespace setupkit::uninstall {

struct UninstallReport {
    int filesRemoved = 0;
    int foldersRemoved = 0;
    int packagesRemoved = 0;
    int helpEntriesRemoved = 0;
    // Files another installation still counts, folders another product still uses.
    std::vector<std::string> keptInUse;
    // Folders that hold files no product records.
    std::vector<std::string> leftNotEmpty;
    // Files that are there but could not be deleted.
    std::vector<std::string> notRemoved;
    // Of those, the ones the system deletes at the next start, and the ones it refused to.
    std::vector<std::string> atRestart;
    std::vector<std::string> restartRefused;
    // Paths of the entry that no setup could have written, each named once.
    std::vector<std::string> refused;
    // Links found on the way to recorded paths, each named once.
    std::vector<std::string> linked;
    // The uninstall entry stays, listing what is left.
    bool entryKept = false;
    // Registry values of an unexpected type, each named once.
    std::vector<std::string> unreadable;
    // Causes of steps that stopped part-way.
    std::vector<std::string> failures;

    void NoteUnreadable(const std::string& name);
    void NoteRefused(const std::string& path);
    void NoteLinked(const std::string& link);
    bool HasProblems() const;
};

// The text of the closing box, each group of names cut after `linesPerGroup`
// with a line saying how many more there are.
std::string FinalText(const std::string& appName, const UninstallReport& report,
                      std::size_t linesPerGroup = static_cast<std::size_t>(-1));

// Runs one registry read. A value of the wrong type is not a reason to stop
// uninstalling: it is noted once and reads as `fallback`.
template <typename Read, typename Result = std::invoke_result_t<Read>>
Result ReadNoting(UninstallReport& report, const std::string& name, Read read,
                  Result fallback = Result()) {
    try {
        return read();
    } catch (const SetupError&) {
        report.NoteUnreadable(name);
        return fallback;
    }
}

} // namespace setupkit::uninstall
