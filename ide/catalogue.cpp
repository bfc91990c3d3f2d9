#include "ide/catalogue.h"

#include "lib/path.h"
#include "lib/text.h"
#include "records/registry.h"

#include <exception>
#include <iterator>
#include <vector>

namespace setupkit {

namespace {

constexpr std::uint32_t kAnyVersion = 0xFFFFFFFF;

struct CatalogueEntry {
    const char* code;
    const char* registrySubkey;
    const char* executable;
    std::uint32_t requiredVersion;
    const char* helpContentsFile;
    const char* packageExtension;
    const char* knownPackagesKey;
};

// Indexed by IdeKind.
constexpr CatalogueEntry kCatalogue[] = {
    {"D2", "Delphi\\2.0", "delphi32", kAnyVersion, "delphi.cnt", "", ""},
    {"C1", "C++Builder\\1.0", "bcb", kAnyVersion, "bcb.cnt", "", ""},
    {"D3", "Delphi\\3.0", "delphi32", 0x00050053, "delphi3.cnt", ".DPL",
     "Software\\Borland\\Delphi\\3.0\\Known Packages"},
    {"C3", "C++Builder\\3.0", "bcb", 0x00030046, "bcb3.cnt", ".BPL",
     "Software\\Borland\\C++Builder\\3.0\\Known Packages"},
    {"D4", "Delphi\\4.0", "delphi32", 0x0005006C, "delphi4.cnt", ".BPL",
     "Software\\Borland\\Delphi\\4.0\\Known Packages"},
    {"C4", "C++Builder\\4.0", "bcb", 0x000E000B, "bcb4.cnt", ".BPL",
     "Software\\Borland\\C++Builder\\4.0\\Known Packages"},
    {"D5", "Delphi\\5.0", "delphi32", kAnyVersion, "delphi5.cnt", ".BPL",
     "Software\\Borland\\Delphi\\5.0\\Known Packages"},
};

const CatalogueEntry& EntryOf(IdeKind kind) {
    return kCatalogue[static_cast<std::size_t>(kind)];
}

std::string IdeExecutablePath(IdeKind kind) {
    return IdeRootDir(kind) + "Bin\\" + EntryOf(kind).executable + ".exe";
}

} // namespace

IdeKind IdeKindFromCode(const std::string& code) {
    for (std::size_t i = 0; i < std::size(kCatalogue); ++i)
        if (SameText(code, kCatalogue[i].code))
            return static_cast<IdeKind>(i);
    return IdeKind::D4;
}

std::string ReadIdeSetting(IdeKind kind, const std::string& valueName) {
    const RegistryKey key = RegistryKey::Open(
        HKEY_LOCAL_MACHINE, std::string("Software\\Borland\\") + EntryOf(kind).registrySubkey);
    return key.ReadString(valueName);
}

std::string IdeRootDir(IdeKind kind) {
    return path::AddBackslash(ReadIdeSetting(kind, "RootDir"));
}

std::string IdeHelpFolder(IdeKind kind) {
    return IdeRootDir(kind) + "HELP\\";
}

std::string IdeHelpContentsPath(IdeKind kind) {
    return IdeHelpFolder(kind) + EntryOf(kind).helpContentsFile;
}

std::string IdeHelpFolderC1() {
    return IdeHelpFolder(IdeKind::C1);
}
std::string IdeHelpFolderC3() {
    return IdeHelpFolder(IdeKind::C3);
}
std::string IdeHelpFolderD2() {
    return IdeHelpFolder(IdeKind::D2);
}
std::string IdeHelpFolderD3() {
    return IdeHelpFolder(IdeKind::D3);
}
std::string IdeHelpFolderD4() {
    return IdeHelpFolder(IdeKind::D4);
}

FileVersion ReadFileVersion(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<char> buffer(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, buffer.data()) ||
        !::VerQueryValueA(buffer.data(), "\\", reinterpret_cast<void**>(&info), &infoSize) ||
        info == nullptr || infoSize < sizeof(VS_FIXEDFILEINFO))
        return {};
    return {info->dwFileVersionMS, info->dwFileVersionLS};
}

bool IsIdeCompatible(IdeKind kind) {
    try {
        const std::uint32_t required = EntryOf(kind).requiredVersion;
        const FileVersion version = ReadFileVersion(IdeExecutablePath(kind));
        return required == kAnyVersion || version.low == required;
    } catch (const std::exception&) {
        // An IDE whose settings cannot be read is not one we can install into.
        return false;
    }
}

std::string KnownPackagesKey(IdeKind kind) {
    return EntryOf(kind).knownPackagesKey;
}
std::string PackageExtension(IdeKind kind) {
    return EntryOf(kind).packageExtension;
}

} // namespace setupkit
