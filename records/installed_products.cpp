#include "records/installed_products.h"

#include "lib/path.h"
#include "lib/text.h"
#include "records/registry.h"

namespace setupkit {

namespace {

constexpr const char* kVersionValue = "Version";
constexpr const char* kFolderValue = "FolderName";

RegistryKey OpenProductRecord(const std::string& productName) {
    return RegistryKey::Open(HKEY_CURRENT_USER, kInstalledProductsPath + productName);
}

void RemoveFirst(LineList& list, const std::string& name) {
    const int index = list.IndexOf(name);
    if (index >= 0)
        list.Delete(static_cast<std::size_t>(index));
}

} // namespace

TPreviousInstall FindPreviousInstall(const std::string& productName, const std::string& version,
                                     std::string& previousDir) {
    if (productName.empty())
        return piNone;
    const RegistryKey record = OpenProductRecord(productName);
    previousDir.clear();
    if (!record.IsOpen())
        return piNone;
    if (!SameText(record.ReadString(kVersionValue), version))
        return piOtherVersion;
    previousDir = record.ReadString(kFolderValue);
    return piSameVersion;
}

std::string RecordedFolderName(const std::string& productName) {
    if (productName.empty())
        return std::string();
    return OpenProductRecord(productName).ReadString(kFolderValue);
}

void RecordInstalledProduct(const std::string& productName, const std::string& subProducts,
                            const std::string& version, const std::string& installDir) {
    if (productName.empty())
        return;
    RegistryKey record =
        RegistryKey::Create(HKEY_CURRENT_USER, kInstalledProductsPath + productName);
    record.WriteString(kVersionValue, version);
    record.WriteString(kFolderValue, path::RemoveBackslash(installDir));
    LineList names;
    names.SetText(ReplaceChar(subProducts, ';', '\n'));
    for (const std::string& name : names)
        record.WriteString(name, std::string());
}

void GetInstalledSubProducts(const std::string& productName, LineList& subProducts) {
    subProducts.Clear();
    for (const std::string& name : OpenProductRecord(productName).ValueNames())
        subProducts.Add(name);
    RemoveFirst(subProducts, kVersionValue);
    RemoveFirst(subProducts, kFolderValue);
}

} // namespace setupkit
