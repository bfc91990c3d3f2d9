#pragma once
// Every text the uninstaller shows, exactly as the user sees it.

namespace setupkit::uninstall::messages {

inline constexpr const char* kCaption = "Uninstall";

inline constexpr const char* kUnknownProductText =
    "There is no installation named '%s' on this computer.\r\nNothing was removed.";

inline constexpr const char* kAlreadyRunningText =
    "'%s' is being removed already.\r\nWait for that uninstall to end.";

inline constexpr const char* kInUseText =
    "These files are in use and could not be removed:\r\n%s\r\n"
    "Press the OK button to remove them when the computer restarts.\r\n"
    "Press the Cancel button to leave them.";

// The progress window's caption is in uninstall.rc.
inline constexpr const char* kProgressText = "Removing files...";

inline constexpr const char* kConfirmText = "This program will remove '%s' from your computer.\r\n"
                                            "Press the OK button to remove it.\r\n"
                                            "Press the Cancel button to keep it.";

inline constexpr const char* kRemovedText = "'%s' was removed from your computer.";
inline constexpr const char* kPartlyRemovedText = "'%s' was partly removed from your computer.";
inline constexpr const char* kEntryKeptLine =
    "Its uninstall entry keeps what is left: run the uninstall again to remove it.";
inline constexpr const char* kFilesRemovedLine = "Files removed: %s";
inline constexpr const char* kFoldersRemovedLine = "Folders removed: %s";
inline constexpr const char* kPackagesRemovedLine = "Packages removed from the IDE: %s";
inline constexpr const char* kHelpEntriesRemovedLine = "Help entries removed from the IDE: %s";
inline constexpr const char* kKeptHeading = "Kept because another product still uses them:";
inline constexpr const char* kNotEmptyHeading = "Left in place because they hold other files:";
inline constexpr const char* kNotRemovedHeading = "Could not be removed:";
inline constexpr const char* kAtRestartHeading = "To be removed when the computer restarts:";
inline constexpr const char* kRestartRefusedHeading =
    "Could not be set for removal at restart (this needs administrator rights):";
inline constexpr const char* kRefusedHeading =
    "Left alone because they lie outside the folders a setup writes to:";
inline constexpr const char* kLinkedHeading = "Left alone because they are reached through a link:";
inline constexpr const char* kUnreadableHeading =
    "These records have an unexpected type and were left as they are:";
// How a file's installation count is named among the unreadable records.
inline constexpr const char* kCountRecordName = "the installation count of %s";
inline constexpr const char* kFailedHeading = "Not everything could be done:";
// A long group is cut in the box; the whole text goes to a file it names.
inline constexpr const char* kMoreLine = "and %s more";
inline constexpr const char* kWholeListLine = "The whole list is in %s";

} // namespace setupkit::uninstall::messages
