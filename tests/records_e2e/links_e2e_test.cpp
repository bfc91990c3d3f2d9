// Path templates of INSTALLDIR and the PROGLINKS shortcuts.
#include "tests/records_e2e/records_e2e.h"

#include "lib/win32.h"

#include <objidl.h>
#include <shlobj.h>

namespace setupkit::e2e {
namespace {

std::string ProgramsFolder() {
    char path[MAX_PATH] = {};
    ::SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, FALSE);
    return std::string(path) + "\\";
}

struct LinkContents {
    std::string target;
    std::string description;
    std::string workingFolder;
};

// Reads a shortcut back through the shell's link object.
LinkContents ReadLink(const std::string& path) {
    LinkContents contents;
    ::CoInitialize(nullptr);
    {
        ComPtr<IShellLinkA> link;
        ComPtr<IPersistFile> file;
        const std::wstring wide(path.begin(), path.end());
        if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkA, link.PutVoid())) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) &&
            SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
            char buffer[MAX_PATH] = {};
            link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
            contents.target = buffer;
            buffer[0] = '\0';
            link->GetDescription(buffer, MAX_PATH);
            contents.description = buffer;
            buffer[0] = '\0';
            link->GetWorkingDirectory(buffer, MAX_PATH);
            contents.workingFolder = buffer;
        }
    }
    ::CoUninitialize();
    return contents;
}

TEST(InstallDirTemplates, ProgramFilesIsTheWindowsDrivesFolder) {
    SetupRun run;
    const std::string folder = UniqueName("SetupkitRecords");
    const Resources resources = With(BaseResources(run), "INSTALLDIR", "%PROGRAMFILES%" + folder);
    run.Build(resources);
    ASSERT_TRUE(run.Start());
    RunThrough(run, resources);
    char windows[MAX_PATH];
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string dest = std::string(windows, 2) + "\\Program Files\\" + folder + "\\";
    EXPECT_EQ(UninstallValue(resources, "UninstallString").bytes,
              Sz("\"" + dest + "UnInstall.exe\" \"" + Get(resources, "APPNAME") + "\""));
    ::RemoveDirectoryA(dest.c_str());
}

TEST(ProgramLinks, ShortcutTargetsTheProgramInTheDestination) {
    SetupRun run;
    const std::string caption = UniqueName("Records Demo");
    const std::string link = ProgramsFolder() + caption + ".lnk";
    run.RemoveAtEnd(link);
    const Resources resources =
        With(BaseResources(run), "PROGLINKS", caption + "=demo\\bin\\demo.exe\r\n");
    run.Build(resources);
    const std::string dest = run.Scratch().MakeFolder("dest") + "\\";
    WriteFile(dest + "demo.exe", "MZ");
    ASSERT_TRUE(run.Start());
    RunThrough(run, resources);

    ASSERT_TRUE(FileExists(link));
    const LinkContents contents = ReadLink(link);
    EXPECT_EQ(contents.target, dest + "demo.exe");
    EXPECT_EQ(contents.description, caption);
    EXPECT_EQ(contents.workingFolder, dest);
    EXPECT_EQ(UninstallValue(resources, "FILES").bytes, Sz(link + "\r\n"));
}

} // namespace
} // namespace setupkit::e2e
