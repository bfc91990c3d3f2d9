#include "ide/packages.h"

#include "ide/catalogue.h"
#include "ide/compiler.h"
#include "ide/messages.h"
#include "lib/config_resources.h"
#include "lib/driver_state.h"
#include "lib/file.h"
#include "lib/path.h"
#include "lib/setup_error.h"
#include "lib/text.h"
#include "records/folders.h"
#include "records/registry.h"
#include "records/uninstall.h"
#include "ui/message_box.h"

#include <vector>

namespace setupkit {
namespace {

// Delphi 2 and C++Builder 1 have no packages: nothing to build or register.
bool HasPackages(IdeKind kind) {
    return !KnownPackagesKey(kind).empty();
}

LineList ResourceLines(const char* name) {
    LineList lines;
    lines.SetText(ReadConfigResource(name));
    return lines;
}

// Deletes the by-products of every package built so far when the step ends,
// however it ends: a package that requires another is built from the other's
// .dcp, so none may go before every build has run.
class BuiltSources {
  public:
    BuiltSources() = default;
    ~BuiltSources() {
        for (const std::string& source : sources_)
            DeleteByProducts(source);
    }
    BuiltSources(const BuiltSources&) = delete;
    BuiltSources& operator=(const BuiltSources&) = delete;
    void Add(const std::string& source) { sources_.push_back(source); }

  private:
    std::vector<std::string> sources_;
};

bool IsCompiledPackage(IdeKind kind, const std::string& path) {
    return path::HasExtension(path, PackageExtension(kind)) && file::FileExists(path);
}

// Registers the package and lists it for the uninstall entry, also when the
// IDE's key refused the write: a compiled package in the system folder is
// known to the uninstaller only through this list.
void RegisterAndRecord(const std::string& description, const std::string& path) {
    RegisterKnownPackage(driver::IdeKind, description, path);
    driver::InstalledPackages.Add(path);
}

} // namespace

std::string FindInstalledFile(const std::string& fileName) {
    for (const std::string& path : driver::InstalledFiles)
        if (SameText(path::ExtractFileName(path), fileName))
            return path;
    return std::string();
}

void RegisterKnownPackage(IdeKind kind, const std::string& description, const std::string& path) {
    const RegKey key = CreateRegKey(HKEY_CURRENT_USER, KnownPackagesKey(kind));
    if (key)
        WriteRegString(key.Get(), path, description);
}

void BuildPackagesStep() {
    if (!HasPackages(driver::IdeKind))
        return;
    const LineList lines = ResourceLines("BUILDPACKAGES");
    std::string log;
    BuiltSources built;
    for (const std::string& line : lines) {
        const std::string name = LineList::NameOf(line);
        const std::string source = FindInstalledFile(name);
        if (source.empty())
            continue;
        // Each source names its own result: a build that moves nothing must
        // not register the package of the line before it.
        std::string outputPath;
        if (!BuildPackage(driver::IdeKind, source, GetSystemFolder(), outputPath, log)) {
            ShowMessage(log, messages::kFailedCaption, 0);
            throw SetupError("Package build failed: " + name);
        }
        built.Add(source);
        if (IsCompiledPackage(driver::IdeKind, outputPath))
            RegisterAndRecord(lines.Value(name), outputPath);
    }
}

void RegisterPackagesStep() {
    if (!HasPackages(driver::IdeKind))
        return;
    const LineList lines = ResourceLines("PACKAGES");
    for (const std::string& line : lines) {
        const std::string name = LineList::NameOf(line);
        const std::string path = FindInstalledFile(name);
        if (!path.empty())
            RegisterAndRecord(lines.Value(name), path);
    }
    // Both package steps have run by now: the built packages and the ready-made
    // ones. Like the files and folders, what an earlier installation under
    // this name registered stays listed.
    WriteUninstallList(driver::AppName, "KNOWNPACKAGES", driver::InstalledPackages);
}

} // namespace setupkit
