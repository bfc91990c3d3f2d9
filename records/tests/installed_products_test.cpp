#include "records/installed_products.h"

#include "lib/setup_error.h"
#include "lib/text.h"
#include "records/tests/registry_probe.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

namespace setupkit {
namespace {

using test::ReadRawValue;

const std::string Family = "SetupkitRecordsTest Family";
const std::string RecordKey = std::string(kInstalledProductsPath).substr(1) + Family;
const std::string FilesKey = std::string(kInstalledFilesPath).substr(1);

class InstalledProducts : public ::testing::Test {
  protected:
    void SetUp() override { test::DeleteKeyTree(HKEY_CURRENT_USER, RecordKey); }
    void TearDown() override { test::DeleteKeyTree(HKEY_CURRENT_USER, RecordKey); }

    static void Record(const std::string& version, const std::string& folder) {
        test::SetRawValue(HKEY_CURRENT_USER, RecordKey, "Version", REG_SZ, version + '\0');
        test::SetRawValue(HKEY_CURRENT_USER, RecordKey, "FolderName", REG_SZ, folder + '\0');
    }
    // The record's value names as the registry enumerates them, without the family's two.
    static std::vector<std::string> Enumerated(std::vector<std::string> names) {
        std::vector<std::string> all = test::EnumValueNames(HKEY_CURRENT_USER, RecordKey);
        std::vector<std::string> expected;
        for (const std::string& name : all)
            if (name != "Version" && name != "FolderName")
                expected.push_back(name);
        std::sort(names.begin(), names.end());
        all = expected;
        std::sort(all.begin(), all.end());
        EXPECT_EQ(all, names);
        return expected;
    }
    static std::vector<std::string> SubProducts() {
        LineList list;
        GetInstalledSubProducts(Family, list);
        return std::vector<std::string>(list.begin(), list.end());
    }
};

TEST_F(InstalledProducts, NoRecordIsNoneAndClearsTheFolder) {
    std::string folder = "stale";
    EXPECT_EQ(FindPreviousInstall(Family, "2.1", folder), piNone);
    EXPECT_EQ(folder, "");
}

TEST_F(InstalledProducts, EmptyFamilyIsNoneAndLeavesTheFolder) {
    std::string folder = "kept";
    EXPECT_EQ(FindPreviousInstall("", "2.1", folder), piNone);
    EXPECT_EQ(folder, "kept");
}

TEST_F(InstalledProducts, VersionsCompareAsTextIgnoringCaseOnly) {
    Record("2.1", "C:\\Corvel");
    std::string folder;
    EXPECT_EQ(FindPreviousInstall(Family, "2.1", folder), piSameVersion);
    EXPECT_EQ(folder, "C:\\Corvel");
    EXPECT_EQ(FindPreviousInstall(Family, "2.10", folder), piOtherVersion);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(FindPreviousInstall(Family, "2.0", folder), piOtherVersion);
    EXPECT_EQ(FindPreviousInstall(Family, "2.1 ", folder), piOtherVersion);

    Record("1.0B", "D:\\Lib");
    EXPECT_EQ(FindPreviousInstall(Family, "1.0b", folder), piSameVersion);
    EXPECT_EQ(folder, "D:\\Lib");
    EXPECT_EQ(RecordedFolderName(Family), "D:\\Lib");
}

TEST_F(InstalledProducts, RecordWithoutVersionIsAnotherVersion) {
    test::SetRawValue(HKEY_CURRENT_USER, RecordKey, "FolderName", REG_SZ,
                      std::string("C:\\X\0", 5));
    std::string folder;
    EXPECT_EQ(FindPreviousInstall(Family, "1.0", folder), piOtherVersion);
    EXPECT_EQ(RecordedFolderName(Family), "C:\\X");
}

TEST_F(InstalledProducts, VersionOfAnotherTypeRaises) {
    test::SetRawValue(HKEY_CURRENT_USER, RecordKey, "Version", REG_DWORD, test::DwordBytes(2));
    std::string folder;
    EXPECT_THROW(FindPreviousInstall(Family, "2", folder), SetupError);
}

TEST_F(InstalledProducts, RecordWritesVersionFolderAndEachSubProduct) {
    RecordInstalledProduct(Family, "Corvel Nodemark;Corvel Grid", "2.1", "C:\\Corvel Lib\\");
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, RecordKey, "Version").bytes, std::string("2.1\0", 4));
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, RecordKey, "FolderName").bytes,
              std::string("C:\\Corvel Lib\0", 14));
    for (const char* name : {"Corvel Nodemark", "Corvel Grid"}) {
        const test::RawValue value = ReadRawValue(HKEY_CURRENT_USER, RecordKey, name);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_EQ(value.bytes, std::string(1, '\0')) << name;
    }
    EXPECT_EQ(SubProducts(), Enumerated({"Corvel Nodemark", "Corvel Grid"}));
}

TEST_F(InstalledProducts, SubProductNamesKeepTheirBlanks) {
    RecordInstalledProduct(Family, "A; B\r\nC;", "1", "C:\\X");
    EXPECT_TRUE(ReadRawValue(HKEY_CURRENT_USER, RecordKey, " B").exists);
    EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, RecordKey, "B").exists);
    EXPECT_EQ(SubProducts(), Enumerated({"A", " B", "C"}));
}

TEST_F(InstalledProducts, LaterInstallationsOverwriteTheFamilyAndKeepProducts) {
    RecordInstalledProduct(Family, "Corvel Nodemark", "2.1", "C:\\First\\");
    RecordInstalledProduct(Family, "Corvel Grid", "2.2", "D:\\Second\\");
    std::string folder;
    EXPECT_EQ(FindPreviousInstall(Family, "2.2", folder), piSameVersion);
    EXPECT_EQ(folder, "D:\\Second");
    EXPECT_EQ(SubProducts(), Enumerated({"Corvel Nodemark", "Corvel Grid"}));
}

TEST_F(InstalledProducts, EmptyFamilyRecordsNothing) {
    const std::string root = std::string(kInstalledProductsPath).substr(1);
    RecordInstalledProduct("", "Corvel Nodemark", "2.1", "C:\\X\\");
    EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, root, "Corvel Nodemark").exists);
}

TEST_F(InstalledProducts, SubProductListLeavesOutFamilyValuesWhateverTheirCase) {
    test::SetRawValue(HKEY_CURRENT_USER, RecordKey, "VERSION", REG_SZ, std::string(1, '\0'));
    test::SetRawValue(HKEY_CURRENT_USER, RecordKey, "Product", REG_SZ, std::string(1, '\0'));
    test::SetRawValue(HKEY_CURRENT_USER, RecordKey, "foldername", REG_SZ, std::string(1, '\0'));
    EXPECT_EQ(SubProducts(), (std::vector<std::string>{"Product"}));
    LineList stale;
    stale.Add("old");
    GetInstalledSubProducts("SetupkitRecordsTest No Such Family", stale);
    EXPECT_TRUE(stale.Empty());
}

class FileReferences : public ::testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        RegKey key;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, FilesKey.c_str(), 0, KEY_ALL_ACCESS, key.Put()) !=
            ERROR_SUCCESS)
            return;
        for (const std::string& path : {PathA, PathB})
            ::RegDeleteValueA(key.Get(), path.c_str());
    }
    static DWORD Count(const std::string& path) {
        const test::RawValue value = ReadRawValue(HKEY_CURRENT_USER, FilesKey, path);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
        return value.bytes.size() == 4 ? *reinterpret_cast<const DWORD*>(value.bytes.data()) : 0;
    }

    static inline const std::string PathA = "C:\\SetupkitRecordsTest\\a.dll";
    static inline const std::string PathB = "C:\\SetupkitRecordsTest\\b.pas";
};

TEST_F(FileReferences, EachInstallationRaisesTheCountOfEachPath) {
    LineList files;
    files.Add(PathA);
    for (int run = 0; run < 3; ++run)
        AddFileReferences(files);
    EXPECT_EQ(Count(PathA), 3u);
}

TEST_F(FileReferences, RepeatedPathsAndSpellingsShareOneCount) {
    LineList files;
    files.Add(PathB);
    files.Add(PathB);
    files.Add(UpperCase(PathB));
    AddFileReferences(files);
    EXPECT_EQ(Count(PathB), 3u);
}

TEST_F(FileReferences, StringCountRaisesAfterEarlierEntriesWereCounted) {
    test::SetRawValue(HKEY_CURRENT_USER, FilesKey, PathB, REG_SZ, std::string("1\0", 2));
    LineList files;
    files.Add(PathA);
    files.Add(PathB);
    EXPECT_THROW(AddFileReferences(files), SetupError);
    EXPECT_EQ(Count(PathA), 1u);
}

} // namespace
} // namespace setupkit
