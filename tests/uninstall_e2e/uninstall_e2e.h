#pragma once
// What the uninstaller's end-to-end tests share: setups that carry the built
// uninstaller as every built setup does, the uninstall command run as the
// system's list of programs runs it, and a look at everything an
// installation touches, to compare before and after.
#include "builder/rar_writer.h"
#include "records/tests/registry_probe.h"
#include "tests/setup_e2e/spine.h"

#include <string>
#include <vector>

namespace setupkit::e2e {

struct Product {
    std::string appName;
    std::string family;
    std::string subProducts;
    std::string installDir;
    std::vector<builder::RarEntry> payload;
};

inline builder::RarEntry File(const std::string& name, const std::string& data) {
    return {name, data, false};
}

// A setup of `product` for Delphi 5 with UnInstall.exe added to its payload
// as the builder adds it; it installs without asking where and ends with the
// success box.
Resources ProductSetup(const Product& product);
// Welcome, the success box past the progress window, a clean end.
void Install(SetupRun& run);

// A string value of the product's uninstall entry, without its NUL; empty when absent.
std::string EntryText(const std::string& appName, const std::string& name);
// Starts `command` as the system starts an uninstall command, with the run's
// temporary folder, and returns the first box.
robot::Window StartUninstall(SetupRun& run, const std::string& command);
void ExpectConfirmation(const robot::Window& box, const std::string& appName);

// What the closing box says, section by section.
struct Removed {
    Removed(int files, int folders, int packages, int helpEntries,
            std::vector<std::string> kept = {}, std::vector<std::string> notEmpty = {},
            std::vector<std::string> unreadable = {})
        : files(files), folders(folders), packages(packages), helpEntries(helpEntries),
          kept(std::move(kept)), notEmpty(std::move(notEmpty)), unreadable(std::move(unreadable)) {}
    int files;
    int folders;
    int packages;
    int helpEntries;
    std::vector<std::string> kept;
    std::vector<std::string> notEmpty;
    std::vector<std::string> unreadable;
    // Files in use: a box offers them for deletion at restart, and OK is pressed.
    std::vector<std::string> inUse;
    std::vector<std::string> refused;
    std::vector<std::string> linked;
    // The entry stays for what is left.
    bool entryKept = false;
};
std::string FinalText(const std::string& appName, const Removed& removed);
// OK at the confirmation, the closing box as expected, a clean end, and the
// temporary copy of the uninstaller done with its work.
void ConfirmUninstall(SetupRun& run, const std::string& appName, const Removed& removed,
                      robot::Icon icon = robot::Icon::Information);
// The same from a confirmation box already on screen.
void FinishUninstall(SetupRun& run, robot::Window confirmation, const std::string& appName,
                     const Removed& removed, robot::Icon icon = robot::Icon::Information);

// Everything an installation may touch. The scratch folder is listed without
// its temporary folder, which ExpectOnlyDeletionsAtRestart looks at.
struct Machine {
    std::vector<std::string> files;
    std::vector<std::string> systemFolder;
    std::vector<std::string> shortcuts;
    std::vector<std::string> registry;
    std::string helpContents;
};
// The registry part is every run's own keys and counts, and the IDE's package list.
Machine LookAt(const std::vector<const SetupRun*>& runs, const std::string& helpContents);
void ExpectSame(const Machine& expected, const Machine& actual);

// The temporary copy of the uninstaller started from `run`'s temporary folder has ended.
void WaitForTemporaryCopy(const SetupRun& run);

// Takes the deletion of `path` at the next start off the system's list; false
// when it was not there.
bool ForgetDeletionAtRestart(const std::string& path);

// A symbolic link at `link` to the folder `target`. Wine makes no links of its
// own (CreateSymbolicLink does nothing), but shows a Unix one as a reparse
// point, which is what the uninstaller looks for; so Unix makes them.
void MakeLink(const std::string& link, const std::string& target);
void RemoveLink(const std::string& link);

// Whatever is in the temporary folder, files and folders, is to be deleted
// when the machine restarts; gives how many files that is and takes them all
// off the list.
int ExpectOnlyDeletionsAtRestart(const SetupRun& run);

// The current user's Start menu Programs folder, with a trailing backslash.
std::string ProgramsFolder();
std::string SystemFolder();

} // namespace setupkit::e2e
