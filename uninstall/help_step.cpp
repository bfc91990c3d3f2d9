// Each help file's ":Index " line leaves the IDE's help contents file, found
// as the setup found it: the IDE the entry names, its HELP folder. A line
// another entry lists for the same IDE stays for that product.
#include "ide/catalogue.h"
#include "ide/help_contents.h"
#include "lib/file.h"
#include "lib/path.h"
#include "lib/setup_error.h"
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
    const LineList& helps = run.entry.helps;
    for (std::size_t i = 0; i < helps.Count(); ++i) {
        if (run.others.ListHelp(run.entry.ideCode, helps[i])) {
            run.report.keptInUse.push_back(helps[i]);
            continue;
        }
        try {
            if (RemoveHelpIndex(helps[i], contents))
                ++run.report.helpEntriesRemoved;
        } catch (const SetupError&) {
            // The lines not taken out stay with the entry; the cause goes to the closing box.
            for (std::size_t j = i; j < helps.Count(); ++j)
                run.left.helps.Add(helps[j]);
            throw;
        }
    }
}

} // namespace setupkit::uninstall
