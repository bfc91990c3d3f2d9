#include "tests/support/setup_run.h"

#include "builder/build_error.h"
#include "tests/support/paths.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace setupkit::e2e {
namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::string StubPath() {
    return WindowsPath(SETUPKIT_STUB_EXE);
}

std::string UninstallerPath() {
    return WindowsPath(SETUPKIT_UNINSTALL_EXE);
}

std::string ToolPath(const std::string& name) {
    return WindowsPath(SETUPKIT_TOOLS_DIR) + "\\" + name + ".exe";
}

std::string UniqueName(const std::string& stem) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // No dot: a shortcut's caption loses what follows its last dot.
    const std::string test = info ? std::string(info->test_suite_name()) + " " + info->name() : "";
    return stem + " " + test + " " + std::to_string(::GetCurrentProcessId());
}

Resources Payload(const std::vector<builder::RarEntry>& entries) {
    const std::string library = ReadFile(WindowsPath(SETUPKIT_UNRAR_DLL));
    EXPECT_FALSE(library.empty()) << "the extraction library was not built";
    return {{"CABFILE", builder::WriteRarArchive(entries)}, {"UNRARDLL", library}};
}

Resources With(Resources resources, const std::string& name, const std::string& bytes) {
    for (auto& resource : resources)
        if (resource.name == name) {
            resource.bytes = bytes;
            return resources;
        }
    resources.push_back({name, bytes});
    return resources;
}

Resources Without(Resources resources, const std::string& name) {
    Resources kept;
    for (const auto& resource : resources)
        if (resource.name != name)
            kept.push_back(resource);
    return kept;
}

std::string Get(const Resources& resources, const std::string& name) {
    for (const auto& resource : resources)
        if (resource.name == name)
            return resource.bytes;
    return std::string();
}

void MakeSetup(const std::string& path, const Resources& resources) {
    try {
        builder::WriteSetupFile(StubPath(), path, resources);
    } catch (const builder::BuildError& error) {
        ADD_FAILURE() << "cannot make " << path << ": " << error.what();
    }
}

SetupRun::SetupRun()
    : setupPath_(scratch_.File("setup.exe")), tempFolder_(scratch_.MakeFolder("temp")) {}

SetupRun::~SetupRun() {
    // A setup still running would write after the clean-up.
    robot_.End();
    RemoveRegistryState();
    for (const std::string& path : outsideFiles_)
        ::DeleteFileA(path.c_str());
}

void SetupRun::Build(const Resources& resources) {
    appName_ = Get(resources, "APPNAME");
    productName_ = Get(resources, "PRODUCTNAME");
    RemoveRegistryState();
    MakeSetup(setupPath_, resources);
}

bool SetupRun::Start(robot::Console console) {
    return robot_.Start(setupPath_, scratch_.Path(), {{"TEMP", tempFolder_}, {"TMP", tempFolder_}},
                        console);
}

std::vector<std::string> SetupRun::RegistryState() const {
    std::vector<std::string> lines;
    for (const auto& [root, path] : OwnKeys())
        for (const std::string& line : RegistrySnapshot(root, path))
            lines.push_back(path + line);
    for (const std::string& line : RegistrySnapshot(HKEY_CURRENT_USER, InstalledFilesPath()))
        if (IsOwnFile(line.substr(1, line.find(" = ") - 1)))
            lines.push_back(InstalledFilesPath() + line);
    return lines;
}

// An empty name would stand for the whole parent key, which is not ours.
std::vector<std::pair<HKEY, std::string>> SetupRun::OwnKeys() const {
    std::vector<std::pair<HKEY, std::string>> keys;
    if (!appName_.empty())
        keys.emplace_back(HKEY_LOCAL_MACHINE, UninstallEntryPath(appName_));
    if (!productName_.empty())
        keys.emplace_back(HKEY_CURRENT_USER, ProductRecordPath(productName_));
    return keys;
}

void SetupRun::RemoveAtEnd(const std::string& path) {
    outsideFiles_.push_back(path);
}

bool SetupRun::IsOwnFile(const std::string& path) const {
    return StartsWith(path, scratch_.Path()) ||
           std::find(outsideFiles_.begin(), outsideFiles_.end(), path) != outsideFiles_.end();
}

void SetupRun::RemoveRegistryState() const {
    for (const auto& [root, path] : OwnKeys())
        DeleteRegistryTree(root, path);
    RegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, InstalledFilesPath().c_str(), 0, KEY_ALL_ACCESS,
                        key.Put()) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;;) {
        char name[16384];
        DWORD length = sizeof name;
        if (::RegEnumValueA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (IsOwnFile(std::string(name, length)))
            ::RegDeleteValueA(key.Get(), name);
        else
            ++i;
    }
}

} // namespace setupkit::e2e
