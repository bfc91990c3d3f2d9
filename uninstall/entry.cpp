#include "uninstall/entry.h"

#include "ide/catalogue.h"
#include "lib/path.h"
#include "lib/text.h"
#include "records/folders.h"
#include "records/registry.h"
#include "records/uninstall.h"
#include "uninstall/command_line.h"

namespace setupkit::uninstall {
namespace {

class EntryReader {
  public:
    EntryReader(const RegistryKey& key, UninstallReport& report) : key_(key), report_(report) {}

    std::string Text(const char* name) const {
        return ReadNoting(report_, name, [&] { return key_.ReadString(name); });
    }
    LineList Lines(const char* name) const {
        LineList lines;
        lines.SetText(Text(name));
        return lines;
    }

  private:
    const RegistryKey& key_;
    UninstallReport& report_;
};

std::string ProgramFolder(const std::string& command) {
    const std::vector<std::string> parts = SplitCommandLine(command);
    return parts.empty() || !path::IsRootedPath(parts[0]) ? std::string()
                                                          : path::ExtractFilePath(parts[0]);
}

} // namespace

std::string UninstallEntryPath(const std::string& appName) {
    return std::string(kUninstallParentPath) + "\\" + appName;
}

std::optional<UninstallEntry> ReadUninstallEntry(const std::string& appName,
                                                 UninstallReport& report) {
    // An empty name would open the parent key, which is every product's.
    if (appName.empty())
        return std::nullopt;
    const RegistryKey key = RegistryKey::Open(HKEY_LOCAL_MACHINE, UninstallEntryPath(appName));
    if (!key.IsOpen())
        return std::nullopt;
    const EntryReader read(key, report);
    UninstallEntry entry;
    entry.appName = appName;
    entry.productName = read.Text("PRODUCTNAME");
    entry.subProductName = read.Text("SUBPRODUCTNAME");
    entry.ideCode = read.Text("DELPHIVER");
    entry.installDir = ProgramFolder(read.Text("UninstallString"));
    entry.files = read.Lines("FILES");
    entry.folders = read.Lines("FOLDERS");
    entry.packages = read.Lines("KNOWNPACKAGES");
    entry.helps = read.Lines("INSTALLEDHELPS");
    return entry;
}

} // namespace setupkit::uninstall

namespace setupkit::uninstall {

WriteFolders FoldersWrittenBy(const UninstallEntry& entry, UninstallReport& report) {
    const std::string helpFolder = ReadNoting(
        report, "RootDir", [&] { return IdeHelpFolder(IdeKindFromCode(entry.ideCode)); });
    return {path::RemoveBackslash(entry.installDir), path::RemoveBackslash(GetSystemFolder()),
            path::RemoveBackslash(helpFolder), path::RemoveBackslash(GetProgramsFolder())};
}

} // namespace setupkit::uninstall
