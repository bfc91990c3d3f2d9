#include "records/uninstall.h"

#include "lib/driver_state.h"
#include "lib/text.h"
#include "records/file_references.h"
#include "records/installed_products.h"
#include "records/registry.h"

#include <unordered_set>

namespace setupkit {

UninstallKeys OpenUninstallKey(const std::string& appName) {
    UninstallKeys keys;
    keys.parent = CreateRegKey(HKEY_LOCAL_MACHINE, kUninstallParentPath);
    if (keys.parent)
        keys.app = CreateRegKey(keys.parent.Get(), appName);
    return keys;
}

std::string ReadUninstallValue(const std::string& appName, const std::string& valueName) {
    const std::string path = std::string(kUninstallParentPath) + "\\" + appName;
    RegKey key;
    std::string text;
    if (appName.empty() ||
        ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Put()) !=
            ERROR_SUCCESS ||
        !ReadStringValue(key.Get(), valueName, text))
        return std::string();
    return text;
}

void WriteUninstallValue(const std::string& appName, const std::string& valueName,
                         const std::string& text) {
    const UninstallKeys keys = OpenUninstallKey(appName);
    if (keys.app)
        WriteRegString(keys.app.Get(), valueName, text);
}

void WriteUninstallEntry(const std::string& appName, const std::string& command) {
    const UninstallKeys keys = OpenUninstallKey(appName);
    if (!keys.app)
        return;
    WriteRegString(keys.app.Get(), "DisplayName", appName);
    WriteRegString(keys.app.Get(), "UninstallString", command);
}

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
    std::unordered_set<std::string> seen;
    for (const std::string& line : current)
        seen.insert(UpperCase(line));
    LineList merged;
    for (const std::string& line : previous)
        if (seen.insert(UpperCase(line)).second)
            merged.Add(line);
    // Every entry of this run, repeats included: the counts rose once per
    // occurrence, and the uninstaller takes them down the same way.
    for (const std::string& line : current)
        merged.Add(line);
    return merged;
}

void WriteUninstallList(const std::string& appName, const std::string& valueName,
                        const LineList& current) {
    const LineList merged = MergeRecordedList(ReadUninstallValue(appName, valueName), current);
    WriteUninstallValue(appName, valueName, merged.Text());
}

} // namespace setupkit
