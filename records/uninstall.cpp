#include "records/uninstall.h"

#include "records/installed_products.h"
#include "records/registry.h"
#include "setup/driver.h"

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
    WriteUninstallValue(AppName, "FILES", InstalledFiles.Text());
    AddFileReferences(InstalledFiles);
    WriteUninstallValue(AppName, "FOLDERS", InstalledFolders.Text());
    WriteUninstallValue(AppName, "REGKEYS", InstalledRegKeys.Text());
    WriteUninstallValue(AppName, "APPNAME", AppName);
    WriteUninstallValue(AppName, "DELPHIVER", IdeCode);
    WriteUninstallEntry(AppName, command);
}

void RegisterVersion() {
    WriteUninstallValue(driver::AppName, "VERSION", driver::ProductVersion);
}

} // namespace setupkit
