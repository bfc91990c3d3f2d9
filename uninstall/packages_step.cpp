// The packages the installation made known to the IDE are unregistered. The
// ones the setup compiled were moved into the system folder and are listed in
// no FILES value: they go here. Ready-made ones are installed files and go
// with the other files, by their counts.
#include "ide/catalogue.h"
#include "records/registry.h"
#include "uninstall/steps.h"

namespace setupkit::uninstall {

void RemovePackages(UninstallRun& run) {
    const std::string keyPath = KnownPackagesKey(IdeKindFromCode(run.entry.ideCode));
    // The IDEs without packages have no such key, and their setups register nothing.
    if (keyPath.empty())
        return;
    RegistryKey known = RegistryKey::Open(HKEY_CURRENT_USER, keyPath);
    for (const std::string& package : run.entry.packages) {
        if (known.DeleteValue(package))
            ++run.report.packagesRemoved;
        if (run.entry.files.IndexOf(package) < 0)
            DeleteRecordedFile(package, run.report);
    }
}

} // namespace setupkit::uninstall
