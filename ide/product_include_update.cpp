#include "ide/product_include.h"

#include "records/installed_products.h"

#include <windows.h>

namespace setupkit {

namespace {
bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
} // namespace

void UpdateProductInclude(const std::string& productName, const std::string& installDir) {
    if (installDir.empty())
        return;
    std::string path = installDir;
    if (path.back() != '\\')
        path += '\\';
    path += "units\\prod.inc";
    if (!FileExists(path))
        return;
    LineList installed;
    GetInstalledSubProducts(productName, installed);
    MergeProductInclude(path, installed);
}

} // namespace setupkit
