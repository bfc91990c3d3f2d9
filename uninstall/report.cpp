#include "uninstall/report.h"

#include "lib/text.h"
#include "uninstall/messages.h"

#include <algorithm>

namespace setupkit::uninstall {
namespace {

void AddSection(std::string& text, const char* heading, const std::vector<std::string>& items) {
    if (items.empty())
        return;
    text += std::string("\r\n\r\n") + heading;
    for (const std::string& item : items)
        text += "\r\n" + item;
}

std::string CountLine(const char* pattern, int count) {
    return "\r\n" + FormatWith(pattern, std::to_string(count));
}

} // namespace

void UninstallReport::NoteUnreadable(const std::string& name) {
    if (std::find(unreadable.begin(), unreadable.end(), name) == unreadable.end())
        unreadable.push_back(name);
}

bool UninstallReport::HasProblems() const {
    return !notRemoved.empty() || !unreadable.empty() || !failures.empty();
}

std::string FinalText(const std::string& appName, const UninstallReport& report) {
    std::string text = FormatWith(messages::kRemovedText, appName) + "\r\n";
    text += CountLine(messages::kFilesRemovedLine, report.filesRemoved);
    text += CountLine(messages::kFoldersRemovedLine, report.foldersRemoved);
    text += CountLine(messages::kPackagesRemovedLine, report.packagesRemoved);
    text += CountLine(messages::kHelpEntriesRemovedLine, report.helpEntriesRemoved);
    AddSection(text, messages::kKeptHeading, report.keptInUse);
    AddSection(text, messages::kNotEmptyHeading, report.leftNotEmpty);
    AddSection(text, messages::kNotRemovedHeading, report.notRemoved);
    AddSection(text, messages::kUnreadableHeading, report.unreadable);
    AddSection(text, messages::kFailedHeading, report.failures);
    return text;
}

} // namespace setupkit::uninstall
