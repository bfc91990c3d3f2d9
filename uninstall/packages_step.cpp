// The packages the installation made known to the IDE are unregistered. The
// ones the setup compiled were moved into the system folder and are listed in
// no FILES value: they go here. Ready-made ones are installed files and go
// with the other files. A package another entry lists for the same IDE keeps
// its registration; its file stays while any other entry lists it.
#include "ide/catalogue.h"
#include "records/registry.h"
#include "uninstall/steps.h"

namespace setupkit::uninstall {
namespace {

// False when the package stays with this entry.
bool RemovePackage(UninstallRun& run, RegistryKey& known, const std::string& package) {
    if (!MayActOnFile(run, package))
        return false;
    const bool compiled = run.entry.files.IndexOf(package) < 0;
    if (run.others.ListPackage(run.entry.ideCode, package)) {
        run.report.keptInUse.push_back(package);
        return true;
    }
    if (compiled && run.others.ListFile(package))
        run.report.keptInUse.push_back(package);
    else if (compiled && !DeleteRecordedFile(package, run.report))
        return false;
    if (known.DeleteValue(package))
        ++run.report.packagesRemoved;
    return true;
}

} // namespace

void RemovePackages(UninstallRun& run) {
    const std::string keyPath = KnownPackagesKey(IdeKindFromCode(run.entry.ideCode));
    // The IDEs without packages have no such key, and their setups register nothing.
    if (keyPath.empty())
        return;
    RegistryKey known = RegistryKey::Open(HKEY_CURRENT_USER, keyPath);
    for (const Occurrence& package : Occurrences(run.entry.packages))
        if (!RemovePackage(run, known, package.name))
            run.left.packages.Add(package.name);
}

} // namespace setupkit::uninstall
