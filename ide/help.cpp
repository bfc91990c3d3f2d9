#include "ide/help.h"

#include "ide/help_contents.h"
#include "lib/text.h"
#include "records/registry.h"
#include "setup/driver.h"

namespace setupkit {
namespace {

bool IsWinHelpFile(const std::string& name) {
    const std::string file = ExtractFileName(name);
    const auto dot = file.find_last_of('.');
    return dot != std::string::npos && SameText(file.substr(dot), ".HLP");
}

} // namespace

void MergeHelpFiles() {
    if (driver::IdeHelpContents.empty())
        return;
    for (const std::string& line : driver::HelpFiles) {
        const std::string helpFile = TextBefore(line, "=");
        if (!IsWinHelpFile(helpFile))
            continue;
        AddHelpIndex(helpFile, TextAfter(line, "="), driver::IdeHelpContents);
        driver::InstalledHelps.Add(helpFile);
    }
    WriteUninstallValue(driver::AppName, "INSTALLEDHELPS", driver::InstalledHelps.Text());
}

} // namespace setupkit
