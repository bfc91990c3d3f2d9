// Setup variants made by the builder, read back by the real resource
// functions of the system under Wine.
#include "builder/file_io.h"
#include "builder/resources.h"
#include "builder/version_info.h"
#include "lib/win32.h"

#include "builder/tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <tuple>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;

// A resource's identity as the enumeration functions give it: "#n" or a name.
std::string IdText(LPCSTR id) {
    return IS_INTRESOURCE(id) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(id)) : id;
}

struct ResourceRef {
    std::string type, name;
    WORD language;
    bool operator<(const ResourceRef& o) const {
        return std::tie(type, name, language) < std::tie(o.type, o.name, o.language);
    }
    bool operator==(const ResourceRef& o) const {
        return std::tie(type, name, language) == std::tie(o.type, o.name, o.language);
    }
};

LPCSTR AsId(const std::string& text) {
    return text[0] == '#' ? MAKEINTRESOURCEA(std::stoi(text.substr(1))) : text.c_str();
}

std::string Bytes(HMODULE module, const ResourceRef& ref) {
    HRSRC found = FindResourceExA(module, AsId(ref.type), AsId(ref.name), ref.language);
    if (!found)
        return "<absent>";
    const DWORD size = SizeofResource(module, found);
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, size);
}

BOOL CALLBACK AddType(HMODULE, LPSTR type, LONG_PTR list) {
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(IdText(type));
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list) {
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(IdText(name));
    return TRUE;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
}

// Every resource of the module with its bytes.
std::map<ResourceRef, std::string> AllResources(HMODULE module) {
    std::map<ResourceRef, std::string> all;
    std::vector<std::string> types;
    EnumResourceTypesA(module, AddType, reinterpret_cast<LONG_PTR>(&types));
    for (const std::string& type : types) {
        std::vector<std::string> names;
        EnumResourceNamesA(module, AsId(type), AddName, reinterpret_cast<LONG_PTR>(&names));
        for (const std::string& name : names) {
            std::vector<WORD> languages;
            EnumResourceLanguagesA(module, AsId(type), AsId(name), AddLanguage,
                                   reinterpret_cast<LONG_PTR>(&languages));
            for (WORD language : languages)
                all[{type, name, language}] = Bytes(module, {type, name, language});
        }
    }
    return all;
}

LoadedModule LoadAsData(const std::string& path) {
    return LoadedModule(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

// The bytes the real FindResource/LoadResource/SizeofResource give for NAME.
std::string RcData(HMODULE module, const std::string& name) {
    return Bytes(module, {"#10", name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)});
}

const std::vector<RcDataResource> kConfig = {
    {"APPNAME", "Tessaline Grid for Delphi 5"},
    {"HELPFILES", "TsGrid.cnt\r\nTsGrid.hlp=Tessaline Grid Help\r\n"},
    {"CABFILE", std::string("Rar!\x1A\x07\x00\0\0\xFF binary", 17) + std::string(100000, '\x42')},
    {"OLDDATA", "replaced"},
    {"EMPTY", ""},
};

class WineResources : public ::testing::Test {
  protected:
    void SetUp() override { dir_ = testing::MakeScratchDir(); }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Runs `program` with `arguments`; its exit status.
    static DWORD Run(const std::string& program, const std::string& arguments) {
        std::string line = "\"" + program + "\" " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &info))
            return 0xFFFFFFFF;
        UniqueHandle process(info.hProcess);
        UniqueHandle thread(info.hThread);
        WaitForSingleObject(process.Get(), 30000);
        DWORD status = 0xFFFFFFFF;
        GetExitCodeProcess(process.Get(), &status);
        return status;
    }

    fs::path dir_;
};

TEST_F(WineResources, LoaderReadsEveryResourceByteForByte) {
    WriteSetupFile(RCDUMP_EXE, Path("variant.exe"), kConfig);
    const LoadedModule variant = LoadAsData(Path("variant.exe"));
    ASSERT_TRUE(variant) << GetLastError();
    for (const RcDataResource& resource : kConfig)
        EXPECT_EQ(RcData(variant.Get(), resource.name), resource.bytes) << resource.name;
    EXPECT_EQ(RcData(variant.Get(), "KEPTDATA"), "kept as it was");
    EXPECT_EQ(RcData(variant.Get(), "MISSING"), "<absent>");
}

TEST_F(WineResources, VersionInfoAndOtherResourcesAreKept) {
    WriteSetupFile(RCDUMP_EXE, Path("variant.exe"), kConfig);
    const LoadedModule stub = LoadAsData(RCDUMP_EXE);
    const LoadedModule variant = LoadAsData(Path("variant.exe"));
    ASSERT_TRUE(stub && variant);
    std::map<ResourceRef, std::string> expected = AllResources(stub.Get());
    ASSERT_EQ(expected.count({"#16", "#1", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)}), 1u);
    for (const RcDataResource& resource : kConfig) {
        // The stub's OLDDATA (in the linker's language) gives way to ours.
        for (auto it = expected.begin(); it != expected.end();)
            it = it->first.type == "#10" && it->first.name == resource.name ? expected.erase(it)
                                                                            : std::next(it);
        expected[{"#10", resource.name, 0}] = resource.bytes;
    }
    EXPECT_EQ(AllResources(variant.Get()), expected);
}

TEST_F(WineResources, VariantRunsAndReadsItsOwnResources) {
    WriteSetupFile(RCDUMP_EXE, Path("variant.exe"), kConfig);
    // Made from a variant again: the resource section grows in place.
    WriteSetupFile(Path("variant.exe"), Path("again.exe"), {{"APPNAME", "Second build"}});
    for (const RcDataResource& resource : kConfig) {
        ASSERT_EQ(Run(Path("variant.exe"), resource.name + " \"" + Path("out.bin") + "\""), 0u);
        EXPECT_EQ(ReadWholeFile(Path("out.bin")), resource.bytes) << resource.name;
    }
    EXPECT_EQ(Run(Path("variant.exe"), "MISSING x"), 3u);
    ASSERT_EQ(Run(Path("again.exe"), "APPNAME \"" + Path("out.bin") + "\""), 0u);
    EXPECT_EQ(ReadWholeFile(Path("out.bin")), "Second build");
    ASSERT_EQ(Run(Path("again.exe"), "CABFILE \"" + Path("out.bin") + "\""), 0u);
    EXPECT_EQ(ReadWholeFile(Path("out.bin")), kConfig[2].bytes);
}

TEST_F(WineResources, SetupStubKeepsItsResources) {
    WriteSetupFile(SETUP_STUB, Path("setup.exe"), kConfig);
    const LoadedModule stub = LoadAsData(SETUP_STUB);
    const LoadedModule setup = LoadAsData(Path("setup.exe"));
    ASSERT_TRUE(stub && setup);
    std::map<ResourceRef, std::string> expected = AllResources(stub.Get());
    EXPECT_FALSE(expected.empty());
    for (const RcDataResource& resource : kConfig)
        expected[{"#10", resource.name, 0}] = resource.bytes;
    EXPECT_EQ(AllResources(setup.Get()), expected);
}

// The setup and the uninstaller ask Windows for administrator rights and
// name the versions they were made for, in the classic look (no newer common
// controls asked for); a built setup keeps the stub's manifest.
TEST_F(WineResources, ProgramsCarryTheirManifest) {
    WriteSetupFile(SETUP_STUB, Path("setup.exe"), kConfig);
    for (const std::string& program : {std::string(UNINSTALLER_EXE), Path("setup.exe")}) {
        const LoadedModule module = LoadAsData(program);
        ASSERT_TRUE(module) << program;
        const HRSRC found = FindResourceA(module.Get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
        ASSERT_NE(found, nullptr) << program;
        const std::string manifest(
            static_cast<const char*>(LockResource(LoadResource(module.Get(), found))),
            SizeofResource(module.Get(), found));
        for (const char* part : {"level=\"requireAdministrator\"",
                                 "{e2011457-1546-43c5-a5fe-008deee3d3f0}", // Vista
                                 "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // 7
                                 "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // 8
                                 "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", // 8.1
                                 "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // 10 and 11
                                 ">true</dpiAware>"})
            EXPECT_NE(manifest.find(part), std::string::npos) << program << ": " << part;
        EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos) << program;
    }
}

// The version resource the builder makes, as the system's own reader gives
// it (what Explorer shows in the file's properties).
TEST_F(WineResources, SystemReadsTheVersionResource) {
    const std::string version = VersionResource(
        {"Tessaline Software", "Grid for Delphi 5", "1.4", "\xA9 2026 Tessaline", "grid14.exe"});
    WriteSetupFile(SETUP_STUB, Path("grid14.exe"), kConfig, {version, {}});
    const std::string path = Path("grid14.exe");
    DWORD ignored = 0;
    std::string info(GetFileVersionInfoSizeA(path.c_str(), &ignored), '\0');
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    const auto text = [&](const std::string& key) {
        char* value = nullptr;
        UINT size = 0;
        const std::string query = "\\StringFileInfo\\040904E4\\" + key;
        return VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &size)
                   ? std::string(value)
                   : "<absent>";
    };
    EXPECT_EQ(text("CompanyName"), "Tessaline Software");
    EXPECT_EQ(text("ProductName"), "Grid for Delphi 5");
    EXPECT_EQ(text("FileDescription"), "Grid for Delphi 5 Setup");
    EXPECT_EQ(text("ProductVersion"), "1.4");
    EXPECT_EQ(text("FileVersion"), "1.4");
    EXPECT_EQ(text("OriginalFilename"), "grid14.exe");
    EXPECT_EQ(text("LegalCopyright"), "\xA9 2026 Tessaline");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010004u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010004u);
}

} // namespace
} // namespace setupkit::builder
