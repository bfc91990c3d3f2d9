#include "uninstall/other_products.h"

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

// Another installation's records are not this uninstall's to report: a list
// it cannot read counts as empty.
LineList ReadList(const RegistryKey& key, const char* name) {
    LineList lines;
    try {
        lines.SetText(key.ReadString(name));
    } catch (const SetupError&) {
        return LineList();
    }
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

} // namespace

bool HandOverFolder(const std::string& appName, const std::string& folder) {
    const RegistryKey parent = RegistryKey::Open(HKEY_LOCAL_MACHINE, kUninstallParentPath);
    bool taken = false;
    for (const std::string& otherApp : parent.SubkeyNames())
        if (!SameText(otherApp, appName) && TakeOver(otherApp, folder))
            taken = true;
    return taken;
}

} // namespace setupkit::uninstall
