#include "ide/product_include.h"

#include "lib/file.h"
#include "records/installed_products.h"
#include "records/tests/registry_probe.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace setupkit {
namespace {

const std::string kFamily = "SetupkitIdeTest Family";
const std::string kRecordKey = std::string(kInstalledProductsPath).substr(1) + kFamily;

class ProductIncludeOnRecord : public ::testing::Test {
  protected:
    void SetUp() override {
        test::DeleteKeyTree(HKEY_CURRENT_USER, kRecordKey);
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "setupkit_ide_prodinc\\";
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        ::CreateDirectoryA((folder_ + "units").c_str(), nullptr);
    }
    void TearDown() override {
        ::DeleteFileA(IncludePath().c_str());
        ::RemoveDirectoryA((folder_ + "units").c_str());
        ::RemoveDirectoryA(folder_.c_str());
        test::DeleteKeyTree(HKEY_CURRENT_USER, kRecordKey);
    }
    std::string IncludePath() const { return folder_ + "units\\prod.inc"; }
    void WriteInclude(const std::string& text) const { file::WriteAll(IncludePath(), text); }
    std::string ReadInclude() const {
        std::string text;
        file::ReadAll(IncludePath(), text);
        return text;
    }

    // What the payload step does once the files are in place.
    void Install(const std::string& subProduct) const {
        RecordInstalledProduct(kFamily, subProduct, "2.1", folder_);
        UpdateProductInclude(kFamily, folder_);
    }

    std::string folder_;
};

TEST_F(ProductIncludeOnRecord, EachInstallationSwitchesItsOwnLineOnAndKeepsEarlierOnes) {
    const std::string original =
        "//{$DEFINE CorvelNodemark}\n//{$DEFINE CorvelGrid}\n{$DEFINE Other}\n{$I kv.inc}\n";
    WriteInclude(original);
    Install("Corvel Nodemark");
    EXPECT_EQ(ReadInclude(), "  {$DEFINE CorvelNodemark}\r\n//  {$DEFINE CorvelGrid}\r\n"
                             "//  {$DEFINE Other}\r\n{$I kv.inc}\r\n");
    // The next setup of the family brings the file anew.
    WriteInclude(original);
    Install("Corvel Grid");
    EXPECT_EQ(ReadInclude(), "  {$DEFINE CorvelNodemark}\r\n  {$DEFINE CorvelGrid}\r\n"
                             "//  {$DEFINE Other}\r\n{$I kv.inc}\r\n");
}

TEST_F(ProductIncludeOnRecord, FolderWithoutIncludeFileStaysAsItIs) {
    Install("Corvel Nodemark");
    EXPECT_EQ(::GetFileAttributesA(IncludePath().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(test::ReadRawValue(HKEY_CURRENT_USER, kRecordKey, "Corvel Nodemark").exists);
}

} // namespace
} // namespace setupkit
