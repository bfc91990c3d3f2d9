// Prints what an installation left on this machine, for the main job:
//   install_report APPNAME PRODUCTNAME
// every file and folder its uninstall entry lists, the packages it
// registered with Delphi 5, every registry value it wrote, the product
// include file in its folder and the IDE's help contents file. It reads with
// plain Win32 calls and shares nothing with the setup.
#include "lib/text.h"
#include "tests/support/registry.h"
#include "tests/support/scratch.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using setupkit::RegKey;
using setupkit::SplitLines;
using setupkit::e2e::FileExists;
using setupkit::e2e::FolderExists;
using setupkit::e2e::ReadFile;

constexpr const char* kDelphiKey = "Software\\Borland\\Delphi\\5.0";
constexpr const char* kKnownPackagesKey = "Software\\Borland\\Delphi\\5.0\\Known Packages";

std::string ReadRegString(HKEY root, const std::string& path, const std::string& name) {
    RegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return std::string();
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::string();
    std::string text(size, '\0');
    ::RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(text.data()), &size);
    text.resize(std::min<size_t>(size, text.size()));
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

std::vector<std::string> ValueNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    RegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return names;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (::RegEnumValueA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

std::string Describe(const std::string& path) {
    if (FolderExists(path))
        return "folder";
    if (!FileExists(path))
        return "MISSING";
    return std::to_string(ReadFile(path).size()) + " bytes";
}

void Heading(const std::string& title) {
    std::printf("\n== %s\n", title.c_str());
}

void PrintPaths(const std::vector<std::string>& paths) {
    if (paths.empty())
        std::printf("  (none)\n");
    for (const std::string& path : paths)
        std::printf("  %s  [%s]\n", path.c_str(), Describe(path).c_str());
}

// Line breaks inside a value are shown as \r and \n so that each value stays on one line.
std::string OneLine(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string DescribeValue(DWORD type, const std::string& data) {
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, data.data(), sizeof number);
        return "REG_DWORD " + std::to_string(number);
    }
    if (type == REG_SZ) {
        const size_t end = data.find('\0');
        return "REG_SZ \"" + OneLine(data.substr(0, end)) + "\"";
    }
    return "type " + std::to_string(type) + ", " + std::to_string(data.size()) + " bytes";
}

void PrintKey(const char* rootName, HKEY root, const std::string& path) {
    std::printf("  %s\\%s\n", rootName, path.c_str());
    RegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        std::printf("    (no such key)\n");
        return;
    }
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        DWORD size = 0;
        if (::RegEnumValueA(key.Get(), i, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        std::string data(size, '\0');
        nameLength = sizeof name;
        ::RegEnumValueA(key.Get(), i, name, &nameLength, nullptr, &type,
                        reinterpret_cast<BYTE*>(data.data()), &size);
        data.resize(std::min<size_t>(size, data.size()));
        std::printf("    %s = %s\n", std::string(name, nameLength).c_str(),
                    DescribeValue(type, data).c_str());
    }
}

void PrintFile(const std::string& path) {
    std::printf("  %s\n", path.c_str());
    if (!FileExists(path)) {
        std::printf("    (no such file)\n");
        return;
    }
    for (const std::string& line : SplitLines(ReadFile(path)))
        std::printf("    | %s\n", line.c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: install_report APPNAME PRODUCTNAME\n");
        return 2;
    }
    const std::string appName = argv[1];
    const std::string productName = argv[2];
    const std::string uninstallKey = setupkit::e2e::UninstallEntryPath(appName);
    const std::string recordKey = setupkit::e2e::ProductRecordPath(productName);

    Heading("Files written (uninstall entry value FILES)");
    PrintPaths(SplitLines(ReadRegString(HKEY_LOCAL_MACHINE, uninstallKey, "FILES")));
    Heading("Folders created (uninstall entry value FOLDERS)");
    PrintPaths(SplitLines(ReadRegString(HKEY_LOCAL_MACHINE, uninstallKey, "FOLDERS")));
    Heading("Compiled packages registered with Delphi 5 (in the system folder)");
    PrintPaths(ValueNames(HKEY_CURRENT_USER, kKnownPackagesKey));

    Heading("Registry values written");
    PrintKey("HKCU", HKEY_CURRENT_USER, recordKey);
    PrintKey("HKCU", HKEY_CURRENT_USER, setupkit::e2e::InstalledFilesPath());
    PrintKey("HKLM", HKEY_LOCAL_MACHINE, uninstallKey);
    PrintKey("HKCU", HKEY_CURRENT_USER, kKnownPackagesKey);

    const std::string folder = ReadRegString(HKEY_CURRENT_USER, recordKey, "FolderName");
    Heading("Product include file");
    if (folder.empty())
        std::printf("  (no installation folder recorded)\n");
    else
        PrintFile(folder + "\\units\\prod.inc");

    std::string ideRoot = ReadRegString(HKEY_LOCAL_MACHINE, kDelphiKey, "RootDir");
    if (!ideRoot.empty() && ideRoot.back() != '\\')
        ideRoot += '\\';
    Heading("Help contents file of the stand-in Delphi 5");
    PrintFile(ideRoot + "HELP\\delphi5.cnt");
    return 0;
}
