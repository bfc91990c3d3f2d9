#include "ide/catalogue.h"

#include "lib/ide_table.h"
#include "lib/path.h"
#include "lib/text.h"
#include "records/registry.h"

#include <exception>
#include <iterator>
#include <vector>

namespace setupkit {

namespace {

const IdeFacts& EntryOf(IdeKind kind) {
    return kIdeTable[static_cast<std::size_t>(kind)];
}

std::string IdeExecutablePath(IdeKind kind) {
    return IdeRootDir(kind) + "Bin\\" + EntryOf(kind).executable + ".exe";
}

} // namespace

IdeKind IdeKindFromCode(const std::string& code) {
    for (std::size_t i = 0; i < std::size(kIdeTable); ++i)
        if (SameText(code, kIdeTable[i].code))
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
        return required == kAnyIdeVersion || version.low == required;
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
