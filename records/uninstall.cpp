#include "records/uninstall.h"

#include "lib/text.h"
#include "records/installed_products.h"
#include "records/registry.h"
#include "setup/driver.h"

#include <unordered_set>

namespace setupkit {

std::string UninstallCommand(const std::string& installDir, const std::string& appName) {
    std::string program = installDir + "UnInstall.exe";
    // Unquoted, Windows would try C:\Program.exe first for a folder with spaces.
    if (program.find(' ') != std::string::npos)
        program = "\"" + program + "\"";
    return program + " \"" + appName + "\"";
}

void RegisterUninstall() {
    using namespace driver;
    const std::string command = UninstallCommand(InstallDir, AppName);
    WriteUninstallValue(AppName, "PRODUCTNAME", ProductName);
    WriteUninstallValue(AppName, "SUBPRODUCTNAME", SubProductName);
    WriteUninstallList(AppName, "FILES", InstalledFiles);
    // Only this run's files: the counts say how many installations put each one in place.
    AddFileReferences(InstalledFiles);
    WriteUninstallList(AppName, "FOLDERS", InstalledFolders);
    WriteUninstallValue(AppName, "REGKEYS", InstalledRegKeys.Text());
    WriteUninstallValue(AppName, "APPNAME", AppName);
    WriteUninstallValue(AppName, "DELPHIVER", IdeCode);
    WriteUninstallEntry(AppName, command);
}

void RegisterVersion() {
    WriteUninstallValue(driver::AppName, "VERSION", driver::ProductVersion);
}

LineList MergeRecordedList(const std::string& recorded, const LineList& current) {
    LineList previous;
    previous.SetText(recorded);
    LineList merged;
    std::unordered_set<std::string> seen;
    const auto addNew = [&](const LineList& list) {
        for (const std::string& line : list)
            if (seen.insert(UpperCase(line)).second)
                merged.Add(line);
    };
    addNew(previous);
    addNew(current);
    return merged;
}

void WriteUninstallList(const std::string& appName, const std::string& valueName,
                        const LineList& current) {
    const LineList merged = MergeRecordedList(ReadUninstallValue(appName, valueName), current);
    WriteUninstallValue(appName, valueName, merged.Text());
}

} // namespace setupkit
