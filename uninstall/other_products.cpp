#include "uninstall/other_products.h"

#include "ide/catalogue.h"

#include "lib/line_list.h"
#include "lib/path.h"
#include "lib/setup_error.h"
#include "lib/text.h"
#include "records/registry.h"
#include "records/uninstall.h"
#include "uninstall/entry.h"

#include <algorithm>

namespace setupkit::uninstall {
namespace {

std::string ReadText(const RegistryKey& key, const char* name) {
    try {
        return key.ReadString(name);
    } catch (const SetupError&) {
        return std::string();
    }
}

LineList ReadList(const RegistryKey& key, const char* name) {
    LineList lines;
    lines.SetText(ReadText(key, name));
    return lines;
}

bool HasFileIn(const LineList& files, const std::string& folder) {
    return std::any_of(files.begin(), files.end(),
                       [&](const std::string& file) { return path::IsBelowFolder(file, folder); });
}

bool TakeOver(const std::string& otherApp, const std::string& folder) {
    RegistryKey other = RegistryKey::Open(HKEY_LOCAL_MACHINE, UninstallEntryPath(otherApp));
    if (!HasFileIn(ReadList(other, "FILES"), folder))
        return false;
    LineList folders = ReadList(other, "FOLDERS");
    if (folders.IndexOf(folder) < 0) {
        folders.Add(folder);
        WriteRegString(other.Handle(), "FOLDERS", folders.Text());
    }
    return true;
}

// The IDE is part of the name: another IDE's package list and help contents
// file are not this entry's.
std::string IdeQualified(const std::string& ideCode, const std::string& name) {
    return std::to_string(static_cast<int>(IdeKindFromCode(ideCode))) + "|" + name;
}

} // namespace

OtherEntries OtherEntries::Read(const std::string& appName) {
    OtherEntries others;
    const RegistryKey parent = RegistryKey::Open(HKEY_LOCAL_MACHINE, kUninstallParentPath);
    for (const std::string& otherApp : parent.SubkeyNames()) {
        if (SameText(otherApp, appName))
            continue;
        const RegistryKey other =
            RegistryKey::Open(HKEY_LOCAL_MACHINE, UninstallEntryPath(otherApp));
        const std::string ideCode = ReadText(other, "DELPHIVER");
        for (const std::string& file : ReadList(other, "FILES"))
            others.files_.Add(file);
        for (const std::string& package : ReadList(other, "KNOWNPACKAGES")) {
            others.packages_.Add(package);
            others.idePackages_.Add(IdeQualified(ideCode, package));
        }
        for (const std::string& help : ReadList(other, "INSTALLEDHELPS"))
            others.ideHelps_.Add(IdeQualified(ideCode, help));
    }
    return others;
}

bool OtherEntries::ListFile(const std::string& path) const {
    return files_.Contains(path) || packages_.Contains(path);
}

bool OtherEntries::ListPackage(const std::string& ideCode, const std::string& path) const {
    return idePackages_.Contains(IdeQualified(ideCode, path));
}

bool OtherEntries::ListHelp(const std::string& ideCode, const std::string& helpFile) const {
    return ideHelps_.Contains(IdeQualified(ideCode, helpFile));
}

bool HandOverFolder(const std::string& appName, const std::string& folder) {
    const RegistryKey parent = RegistryKey::Open(HKEY_LOCAL_MACHINE, kUninstallParentPath);
    bool taken = false;
    for (const std::string& otherApp : parent.SubkeyNames())
        if (!SameText(otherApp, appName) && TakeOver(otherApp, folder))
            taken = true;
    return taken;
}

} // namespace setupkit::uninstall
