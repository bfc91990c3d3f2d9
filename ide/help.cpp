#include "ide/help.h"

#include "ide/help_contents.h"
#include "lib/driver_state.h"
#include "lib/path.h"
#include "lib/text.h"
#include "records/uninstall.h"

namespace setupkit {
void MergeHelpFiles() {
    if (driver::IdeHelpContents.empty())
        return;
    for (const std::string& line : driver::HelpFiles) {
        const std::string helpFile = TextBefore(line, "=");
        if (!path::HasExtension(helpFile, ".HLP"))
            continue;
        AddHelpIndex(helpFile, TextAfter(line, "="), driver::IdeHelpContents);
        driver::InstalledHelps.Add(helpFile);
    }
    WriteUninstallValue(driver::AppName, "INSTALLEDHELPS", driver::InstalledHelps.Text());
}

} // namespace setupkit
