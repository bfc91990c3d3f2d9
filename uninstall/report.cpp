#include "uninstall/report.h"

#include "lib/text.h"
#include "uninstall/messages.h"

#include <algorithm>

namespace setupkit::uninstall {
namespace {

void AddSection(std::string& text, const char* heading, const std::vector<std::string>& items,
                std::size_t most) {
    if (items.empty())
        return;
    text += std::string("\r\n\r\n") + heading;
    const std::size_t shown = items.size() > most ? most : items.size();
    for (std::size_t i = 0; i < shown; ++i)
        text += "\r\n" + items[i];
    if (shown < items.size())
        text += "\r\n" + FormatWith(messages::kMoreLine, std::to_string(items.size() - shown));
}

std::string CountLine(const char* pattern, int count) {
    return "\r\n" + FormatWith(pattern, std::to_string(count));
}

void AddOnce(std::vector<std::string>& items, const std::string& item) {
    if (std::find(items.begin(), items.end(), item) == items.end())
        items.push_back(item);
}

} // namespace

void UninstallReport::NoteUnreadable(const std::string& name) {
    AddOnce(unreadable, name);
}

// Each list of the entry names a path once by then: no search needed.
void UninstallReport::NoteRefused(const std::string& path) {
    refused.push_back(path);
}

void UninstallReport::NoteLinked(const std::string& link) {
    AddOnce(linked, link);
}

bool UninstallReport::HasProblems() const {
    return !notRemoved.empty() || !unreadable.empty() || !failures.empty() || !refused.empty() ||
           !linked.empty() || entryKept;
}

std::string FinalText(const std::string& appName, const UninstallReport& report,
                      std::size_t linesPerGroup) {
    std::string text = FormatWith(
        report.entryKept ? messages::kPartlyRemovedText : messages::kRemovedText, appName);
    if (report.entryKept)
        text += std::string("\r\n") + messages::kEntryKeptLine;
    text += "\r\n";
    text += CountLine(messages::kFilesRemovedLine, report.filesRemoved);
    text += CountLine(messages::kFoldersRemovedLine, report.foldersRemoved);
    text += CountLine(messages::kPackagesRemovedLine, report.packagesRemoved);
    text += CountLine(messages::kHelpEntriesRemovedLine, report.helpEntriesRemoved);
    AddSection(text, messages::kKeptHeading, report.keptInUse, linesPerGroup);
    AddSection(text, messages::kNotEmptyHeading, report.leftNotEmpty, linesPerGroup);
    AddSection(text, messages::kNotRemovedHeading, report.notRemoved, linesPerGroup);
    AddSection(text, messages::kAtRestartHeading, report.atRestart, linesPerGroup);
    AddSection(text, messages::kRestartRefusedHeading, report.restartRefused, linesPerGroup);
    AddSection(text, messages::kRefusedHeading, report.refused, linesPerGroup);
    AddSection(text, messages::kLinkedHeading, report.linked, linesPerGroup);
    AddSection(text, messages::kUnreadableHeading, report.unreadable, linesPerGroup);
    AddSection(text, messages::kFailedHeading, report.failures, linesPerGroup);
    return text;
}

} // namespace setupkit::uninstall
