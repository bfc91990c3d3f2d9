// Each help file's ":Index " line leaves the IDE's help contents file, found
// as the setup found it: the IDE the entry names, its HELP folder.
#include "ide/catalogue.h"
#include "ide/help_contents.h"
#include "lib/file.h"
#include "lib/path.h"
#include "uninstall/steps.h"

namespace setupkit::uninstall {

void RemoveHelpEntries(UninstallRun& run) {
    if (run.entry.helps.Empty())
        return;
    const std::string contents = ReadNoting(run.report, "RootDir", [&] {
        return IdeHelpContentsPath(IdeKindFromCode(run.entry.ideCode));
    });
    // Without the IDE's folder the path is relative, and names no file of the IDE.
    if (!path::IsRootedPath(contents) || !file::FileExists(contents))
        return;
    for (const std::string& helpFile : run.entry.helps)
        if (RemoveHelpIndex(helpFile, contents))
            ++run.report.helpEntriesRemoved;
}

} // namespace setupkit::uninstall
