#pragma once
// The IDE versions a setup can target, where each keeps its settings and
// files, and what decides whether the product may be installed into the one
// on this machine.
#include "ide/ide_kind.h"

#include <cstdint>
#include <string>

namespace setupkit {

// The kind whose code equals `code` ignoring case; Delphi 4 for any other text.
IdeKind IdeKindFromCode(const std::string& code);

// A string value of the IDE's settings key; empty when the key or value is
// missing. Raises SetupError for a value that is not a string.
std::string ReadIdeSetting(IdeKind kind, const std::string& valueName);
// The IDE's installation folder with a trailing backslash, or empty.
std::string IdeRootDir(IdeKind kind);
// The root folder followed by "HELP\" (relative when the IDE is not installed).
std::string IdeHelpFolder(IdeKind kind);
// Full path of the IDE's help contents file (the file may not exist).
std::string IdeHelpContentsPath(IdeKind kind);

// The fixed help folders that path templates name.
std::string IdeHelpFolderC1();
std::string IdeHelpFolderC3();
std::string IdeHelpFolderD2();
std::string IdeHelpFolderD3();
std::string IdeHelpFolderD4();

struct FileVersion {
    std::uint32_t high = 0; // major and minor
    std::uint32_t low = 0;  // third and fourth component
};
// (0, 0) when the file has no readable version information.
FileVersion ReadFileVersion(const std::string& path);

// True when the product may be installed into the IDE on this machine.
bool IsIdeCompatible(IdeKind kind);

// Empty for the IDEs without packages.
std::string KnownPackagesKey(IdeKind kind);
std::string PackageExtension(IdeKind kind);

} // namespace setupkit
