#include "records/registry.h"

#include "lib/setup_error.h"
#include "records/tests/registry_probe.h"

#include <gtest/gtest.h>

namespace setupkit {
namespace {

using test::ReadRawValue;

const std::string kTestKey = "Software\\SetupkitRecordsTest\\Registry";

class RegistryWrapper : public ::testing::Test {
  protected:
    void SetUp() override { test::DeleteKeyTree(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { test::DeleteKeyTree(HKEY_CURRENT_USER, kTestKey); }
};

TEST_F(RegistryWrapper, OpenNeverCreates) {
    const RegistryKey key = RegistryKey::Open(HKEY_CURRENT_USER, kTestKey);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(key.ReadString("x"), "");
    EXPECT_TRUE(key.ValueNames().empty());
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, kTestKey));
}

TEST_F(RegistryWrapper, CreateAcceptsAPathFromTheRoot) {
    RegistryKey key = RegistryKey::Create(HKEY_CURRENT_USER, "\\" + kTestKey + "\\Deep\\Er");
    EXPECT_TRUE(key.IsOpen());
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, kTestKey + "\\Deep\\Er"));
    EXPECT_TRUE(RegistryKey::Open(HKEY_CURRENT_USER, "\\" + kTestKey + "\\Deep").IsOpen());
}

TEST_F(RegistryWrapper, StringsAreStoredWithTheirTerminatingNul) {
    RegistryKey key = RegistryKey::Create(HKEY_CURRENT_USER, kTestKey);
    key.WriteString("Name", "2.1");
    key.WriteString("Empty", "");
    const test::RawValue name = ReadRawValue(HKEY_CURRENT_USER, kTestKey, "Name");
    EXPECT_EQ(name.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(name.bytes, std::string("2.1\0", 4));
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kTestKey, "Empty").bytes, std::string(1, '\0'));
    EXPECT_EQ(key.ReadString("Name"), "2.1");
    EXPECT_EQ(key.ReadString("Missing"), "");
}

TEST_F(RegistryWrapper, IntegersRoundTripAndWrongTypesRaise) {
    RegistryKey key = RegistryKey::Create(HKEY_CURRENT_USER, kTestKey);
    key.WriteInteger("Count", 41);
    key.WriteString("Text", "41");
    EXPECT_EQ(key.ReadInteger("Count"), 41u);
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kTestKey, "Count").type,
              static_cast<DWORD>(REG_DWORD));
    try {
        key.ReadInteger("Text");
        ADD_FAILURE() << "no error raised";
    } catch (const SetupError& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'Text'");
    }
    EXPECT_THROW(key.ReadString("Count"), SetupError);
}

TEST_F(RegistryWrapper, ListsValueNamesInEnumerationOrder) {
    RegistryKey key = RegistryKey::Create(HKEY_CURRENT_USER, kTestKey);
    for (const char* name : {"Version", "B", "a", "FolderName", ""})
        key.WriteString(name, "");
    const std::vector<std::string> names = key.ValueNames();
    EXPECT_EQ(names, test::EnumValueNames(HKEY_CURRENT_USER, kTestKey));
    EXPECT_EQ(names.size(), 5u);
}

TEST_F(RegistryWrapper, PlainHelpersCreateKeysAndWriteStrings) {
    RegKey key = CreateRegKey(HKEY_CURRENT_USER, kTestKey + "\\Plain");
    ASSERT_TRUE(key);
    WriteRegString(key.Get(), "Value", "text");
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kTestKey + "\\Plain", "Value").bytes,
              std::string("text\0", 5));
}

TEST_F(RegistryWrapper, RefusedWritesRaiseInTheWrapperOnly) {
    RegistryKey::Create(HKEY_CURRENT_USER, kTestKey);
    RegKey readOnly;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey.c_str(), 0, KEY_READ, readOnly.Put()),
              ERROR_SUCCESS);
    // The plain helpers answer with no key and ignore the refused write.
    const std::string tooLong = kTestKey + "\\" + std::string(300, 'k');
    EXPECT_FALSE(CreateRegKey(HKEY_CURRENT_USER, tooLong));
    WriteRegString(readOnly.Get(), "Value", "text");
    EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, kTestKey, "Value").exists);

    EXPECT_THROW(RegistryKey::Create(HKEY_CURRENT_USER, tooLong), SetupError);
    RegistryKey missing = RegistryKey::Open(HKEY_CURRENT_USER, kTestKey + "\\Missing");
    EXPECT_THROW(missing.WriteString("Value", "text"), SetupError);
    EXPECT_THROW(missing.WriteInteger("Count", 1), SetupError);
}

} // namespace
} // namespace setupkit
