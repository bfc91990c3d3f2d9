#pragma once
// Every text the uninstaller shows, exactly as the user sees it.

namespace setupkit::uninstall::messages {

inline constexpr const char* Caption = "Uninstall";

inline constexpr const char* UnknownProductText =
    "There is no installation named '%s' on this computer.\r\nNothing was removed.";

inline constexpr const char* ConfirmText = "This program will remove '%s' from your computer.\r\n"
                                           "Press the OK button to remove it.\r\n"
                                           "Press the Cancel button to keep it.";

inline constexpr const char* RemovedText = "'%s' was removed from your computer.";
inline constexpr const char* FilesRemovedLine = "Files removed: %s";
inline constexpr const char* FoldersRemovedLine = "Folders removed: %s";
inline constexpr const char* PackagesRemovedLine = "Packages removed from the IDE: %s";
inline constexpr const char* HelpEntriesRemovedLine = "Help entries removed from the IDE: %s";
inline constexpr const char* KeptHeading = "Kept because another product still uses them:";
inline constexpr const char* NotEmptyHeading = "Left in place because they hold other files:";
inline constexpr const char* NotRemovedHeading = "Could not be removed:";
inline constexpr const char* UnreadableHeading =
    "These records have an unexpected type and were left as they are:";
// How a file's installation count is named among the unreadable records.
inline constexpr const char* CountRecordName = "the installation count of %s";
inline constexpr const char* FailedHeading = "Not everything could be done:";

} // namespace setupkit::uninstall::messages
