#include "ide/product_include.h"

#include "lib/file.h"
#include "lib/path.h"
#include "records/installed_products.h"

namespace setupkit {

void UpdateProductInclude(const std::string& productName, const std::string& installDir) {
    if (productName.empty() || installDir.empty())
        return;
    const std::string path = path::AddBackslash(installDir) + "units\\prod.inc";
    if (!file::FileExists(path))
        return;
    LineList installed;
    GetInstalledSubProducts(productName, installed);
    MergeProductInclude(path, installed);
}

} // namespace setupkit
