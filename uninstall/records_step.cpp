// The maker's records of the product: its names in the family's record, the
// family's record once no product of it is left, the DEFINE line in the
// product include file, and the uninstall entry itself.
#include "ide/product_include.h"
#include "lib/text.h"
#include "records/installed_products.h"
#include "records/registry.h"
#include "uninstall/steps.h"

namespace setupkit::uninstall {
namespace {

// SUBPRODUCTNAME split as the setup split it when it wrote the record.
LineList SubProducts(const std::string& subProductName) {
    LineList names;
    names.SetText(ReplaceChar(subProductName, ';', '\n'));
    return names;
}

void RemoveSubProducts(const std::string& recordPath, const std::string& subProductName) {
    RegistryKey record = RegistryKey::Open(HKEY_CURRENT_USER, recordPath);
    for (const std::string& name : SubProducts(subProductName))
        record.DeleteValue(name);
}

} // namespace

void RemoveProductRecords(UninstallRun& run) {
    const UninstallEntry& entry = run.entry;
    // The setup records nothing for an empty family name, and an empty name
    // would make the path that of every family's record.
    if (entry.productName.empty())
        return;
    const std::string recordPath = kInstalledProductsPath + entry.productName;
    RemoveSubProducts(recordPath, entry.subProductName);
    LineList left;
    GetInstalledSubProducts(entry.productName, left);
    if (left.Empty())
        DeleteRegistryKey(HKEY_CURRENT_USER, recordPath);
    // The file is there only while another installation still counts it.
    UpdateProductInclude(entry.productName, entry.installDir);
}

// The entry lists what is left, and only that: a second run acts on it alone.
void KeepUninstallEntry(UninstallRun& run) {
    const RegistryKey key =
        RegistryKey::Open(HKEY_LOCAL_MACHINE, UninstallEntryPath(run.entry.appName));
    const std::pair<const char*, const LineList*> lists[] = {{"FILES", &run.left.files},
                                                             {"FOLDERS", &run.left.folders},
                                                             {"KNOWNPACKAGES", &run.left.packages},
                                                             {"INSTALLEDHELPS", &run.left.helps}};
    for (const auto& [name, lines] : lists)
        if (!lines->Empty() || key.ValueExists(name))
            WriteRegString(key.Handle(), name, lines->Text());
    run.report.entryKept = true;
}

void RemoveUninstallEntry(UninstallRun& run) {
    if (run.left.Empty())
        DeleteRegistryKey(HKEY_LOCAL_MACHINE, UninstallEntryPath(run.entry.appName));
    else
        KeepUninstallEntry(run);
}

} // namespace setupkit::uninstall
