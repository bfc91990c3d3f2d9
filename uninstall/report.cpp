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
    std::string text = FormatWith(messages::RemovedText, appName) + "\r\n";
    text += CountLine(messages::FilesRemovedLine, report.filesRemoved);
    text += CountLine(messages::FoldersRemovedLine, report.foldersRemoved);
    text += CountLine(messages::PackagesRemovedLine, report.packagesRemoved);
    text += CountLine(messages::HelpEntriesRemovedLine, report.helpEntriesRemoved);
    AddSection(text, messages::KeptHeading, report.keptInUse);
    AddSection(text, messages::NotEmptyHeading, report.leftNotEmpty);
    AddSection(text, messages::NotRemovedHeading, report.notRemoved);
    AddSection(text, messages::UnreadableHeading, report.unreadable);
    AddSection(text, messages::FailedHeading, report.failures);
    return text;
}

} // namespace setupkit::uninstall
