#include "records/installed_products.h"

#include "lib/setup_error.h"
#include "lib/text.h"
#include "records/file_references.h"
#include "records/registry.h"
#include "records/tests/registry_probe.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

namespace setupkit {
namespace {

using test::ReadRawValue;

const std::string kFamily = "SetupkitRecordsTest Family";
const std::string kRecordKey = std::string(kInstalledProductsPath).substr(1) + kFamily;
const std::string kFilesKey = std::string(kInstalledFilesPath).substr(1);

class InstalledProducts : public ::testing::Test {
  protected:
    void SetUp() override { test::DeleteKeyTree(HKEY_CURRENT_USER, kRecordKey); }
    void TearDown() override { test::DeleteKeyTree(HKEY_CURRENT_USER, kRecordKey); }

    static void Record(const std::string& version, const std::string& folder) {
        test::SetRawValue(HKEY_CURRENT_USER, kRecordKey, "Version", REG_SZ, version + '\0');
        test::SetRawValue(HKEY_CURRENT_USER, kRecordKey, "FolderName", REG_SZ, folder + '\0');
    }
    // The record's value names as the registry enumerates them, without the family's two.
    static std::vector<std::string> Enumerated(std::vector<std::string> names) {
        std::vector<std::string> all = test::EnumValueNames(HKEY_CURRENT_USER, kRecordKey);
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
        GetInstalledSubProducts(kFamily, list);
        return std::vector<std::string>(list.begin(), list.end());
    }
};

TEST_F(InstalledProducts, NoRecordIsNoneAndClearsTheFolder) {
    std::string folder = "stale";
    EXPECT_EQ(FindPreviousInstall(kFamily, "2.1", folder), piNone);
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
    EXPECT_EQ(FindPreviousInstall(kFamily, "2.1", folder), piSameVersion);
    EXPECT_EQ(folder, "C:\\Corvel");
    EXPECT_EQ(FindPreviousInstall(kFamily, "2.10", folder), piOtherVersion);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(FindPreviousInstall(kFamily, "2.0", folder), piOtherVersion);
    EXPECT_EQ(FindPreviousInstall(kFamily, "2.1 ", folder), piOtherVersion);

    Record("1.0B", "D:\\Lib");
    EXPECT_EQ(FindPreviousInstall(kFamily, "1.0b", folder), piSameVersion);
    EXPECT_EQ(folder, "D:\\Lib");
    EXPECT_EQ(RecordedFolderName(kFamily), "D:\\Lib");
}

TEST_F(InstalledProducts, RecordWithoutVersionIsAnotherVersion) {
    test::SetRawValue(HKEY_CURRENT_USER, kRecordKey, "FolderName", REG_SZ,
                      std::string("C:\\X\0", 5));
    std::string folder;
    EXPECT_EQ(FindPreviousInstall(kFamily, "1.0", folder), piOtherVersion);
    EXPECT_EQ(RecordedFolderName(kFamily), "C:\\X");
}

TEST_F(InstalledProducts, VersionOfAnotherTypeRaises) {
    test::SetRawValue(HKEY_CURRENT_USER, kRecordKey, "Version", REG_DWORD, test::DwordBytes(2));
    std::string folder;
    EXPECT_THROW(FindPreviousInstall(kFamily, "2", folder), SetupError);
}

TEST_F(InstalledProducts, RecordWritesVersionFolderAndEachSubProduct) {
    RecordInstalledProduct(kFamily, "Corvel Nodemark;Corvel Grid", "2.1", "C:\\Corvel Lib\\");
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kRecordKey, "Version").bytes,
              std::string("2.1\0", 4));
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kRecordKey, "FolderName").bytes,
              std::string("C:\\Corvel Lib\0", 14));
    for (const char* name : {"Corvel Nodemark", "Corvel Grid"}) {
        const test::RawValue value = ReadRawValue(HKEY_CURRENT_USER, kRecordKey, name);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_EQ(value.bytes, std::string(1, '\0')) << name;
    }
    EXPECT_EQ(SubProducts(), Enumerated({"Corvel Nodemark", "Corvel Grid"}));
}

TEST_F(InstalledProducts, SubProductNamesKeepTheirBlanks) {
    RecordInstalledProduct(kFamily, "A; B\r\nC;", "1", "C:\\X");
    EXPECT_TRUE(ReadRawValue(HKEY_CURRENT_USER, kRecordKey, " B").exists);
    EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, kRecordKey, "B").exists);
    EXPECT_EQ(SubProducts(), Enumerated({"A", " B", "C"}));
}

TEST_F(InstalledProducts, LaterInstallationsOverwriteTheFamilyAndKeepProducts) {
    RecordInstalledProduct(kFamily, "Corvel Nodemark", "2.1", "C:\\First\\");
    RecordInstalledProduct(kFamily, "Corvel Grid", "2.2", "D:\\Second\\");
    std::string folder;
    EXPECT_EQ(FindPreviousInstall(kFamily, "2.2", folder), piSameVersion);
    EXPECT_EQ(folder, "D:\\Second");
    EXPECT_EQ(SubProducts(), Enumerated({"Corvel Nodemark", "Corvel Grid"}));
}

TEST_F(InstalledProducts, EmptyFamilyRecordsNothing) {
    const std::string root = std::string(kInstalledProductsPath).substr(1);
    RecordInstalledProduct("", "Corvel Nodemark", "2.1", "C:\\X\\");
    EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, root, "Corvel Nodemark").exists);
}

TEST_F(InstalledProducts, SubProductListLeavesOutFamilyValuesWhateverTheirCase) {
    test::SetRawValue(HKEY_CURRENT_USER, kRecordKey, "VERSION", REG_SZ, std::string(1, '\0'));
    test::SetRawValue(HKEY_CURRENT_USER, kRecordKey, "Product", REG_SZ, std::string(1, '\0'));
    test::SetRawValue(HKEY_CURRENT_USER, kRecordKey, "foldername", REG_SZ, std::string(1, '\0'));
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
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kFilesKey.c_str(), 0, KEY_ALL_ACCESS, key.Put()) !=
            ERROR_SUCCESS)
            return;
        for (const std::string& path : {kPathA, kPathB, kPathAccented})
            ::RegDeleteValueA(key.Get(), path.c_str());
    }
    static DWORD Count(const std::string& path) {
        const test::RawValue value = ReadRawValue(HKEY_CURRENT_USER, kFilesKey, path);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
        return value.bytes.size() == 4 ? *reinterpret_cast<const DWORD*>(value.bytes.data()) : 0;
    }

    static inline const std::string kPathA = "C:\\SetupkitRecordsTest\\a.dll";
    static inline const std::string kPathB = "C:\\SetupkitRecordsTest\\b.pas";
    // "\xC9" and "\xE9" are one letter in two cases in the ANSI code page.
    static inline const std::string kPathAccented = "C:\\SetupkitRecordsTest\\\xC9.pas";
};

TEST_F(FileReferences, EachInstallationRaisesTheCountOfEachPath) {
    LineList files;
    files.Add(kPathA);
    for (int run = 0; run < 3; ++run)
        AddFileReferences(files);
    EXPECT_EQ(Count(kPathA), 3u);
}

TEST_F(FileReferences, RepeatedPathsAndSpellingsShareOneCount) {
    LineList files;
    files.Add(kPathB);
    files.Add(kPathB);
    files.Add(UpperCase(kPathB));
    AddFileReferences(files);
    EXPECT_EQ(Count(kPathB), 3u);
}

// A key with fewer values than the list has files is read in one sweep; the
// counts it held and the registry's way with letter case still decide.
TEST_F(FileReferences, CountsHeldBeforeAreRaisedWhateverTheSpelling) {
    struct Case {
        std::string held;
        std::string listed;
    };
    for (const Case& c : {Case{kPathA, UpperCase(kPathA)},
                          Case{kPathAccented, "C:\\SetupkitRecordsTest\\\xE9.pas"}}) {
        SCOPED_TRACE(c.listed);
        Clean();
        test::SetRawValue(HKEY_CURRENT_USER, kFilesKey, c.held, REG_DWORD,
                          std::string("\5\0\0\0", 4));
        // Other tests leave values of their own in the key.
        const std::size_t repeats = RegistryKey::Open(HKEY_CURRENT_USER, kFilesKey).ValueCount();
        LineList files;
        files.Add(c.listed);
        for (std::size_t i = 0; i < repeats; ++i)
            files.Add(kPathB);
        AddFileReferences(files);
        EXPECT_EQ(Count(c.held), 6u);
        EXPECT_EQ(Count(kPathB), repeats);
    }
}

TEST_F(FileReferences, StringCountRaisesAfterEarlierEntriesWereCounted) {
    test::SetRawValue(HKEY_CURRENT_USER, kFilesKey, kPathB, REG_SZ, std::string("1\0", 2));
    LineList files;
    files.Add(kPathA);
    files.Add(kPathB);
    EXPECT_THROW(AddFileReferences(files), SetupError);
    EXPECT_EQ(Count(kPathA), 1u);
}

} // namespace
} // namespace setupkit
