#include "records/shortcuts.h"

#include "lib/driver_state.h"
#include "lib/file.h"
#include "lib/win32.h"
#include "records/folders.h"

#include <gtest/gtest.h>

#include <objidl.h>
#include <shlobj.h>

namespace setupkit {
namespace {

struct LinkContents {
    bool loaded = false;
    std::string target;
    std::string description;
    std::string workingFolder;
};

// Reads a shortcut back through the shell's own link object.
LinkContents ReadLink(const std::string& path) {
    LinkContents contents;
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.PutVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())))
        return contents;
    const std::wstring wide(path.begin(), path.end());
    if (FAILED(file->Load(wide.c_str(), STGM_READ)))
        return contents;
    char buffer[MAX_PATH] = {};
    link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
    contents.target = buffer;
    buffer[0] = '\0';
    link->GetDescription(buffer, MAX_PATH);
    contents.description = buffer;
    buffer[0] = '\0';
    link->GetWorkingDirectory(buffer, MAX_PATH);
    contents.workingFolder = buffer;
    contents.loaded = true;
    return contents;
}

class Shortcuts : public ::testing::Test {
  protected:
    void SetUp() override {
        ::CoInitialize(nullptr);
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        installDir_ = std::string(temp) + "setupkit_records_links\\";
        ::CreateDirectoryA(installDir_.c_str(), nullptr);
        for (const char* program : {"demo.exe", "setup.exe", "tail.exe"})
            UniqueHandle(::CreateFileA((installDir_ + program).c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        programs_ = GetProgramsFolder();
    }
    void TearDown() override {
        for (const std::string& link : created_)
            ::DeleteFileA(link.c_str());
        for (const char* program : {"demo.exe", "setup.exe", "tail.exe"})
            ::DeleteFileA((installDir_ + program).c_str());
        ::RemoveDirectoryA(installDir_.c_str());
        ::CoUninitialize();
    }
    std::string Created(const std::string& name) {
        created_.push_back(programs_ + name);
        return created_.back();
    }

    std::string installDir_;
    std::string programs_;
    std::vector<std::string> created_;
};

TEST(ShortcutFileName, ChangesOnlyTheLastExtensionOfTheName) {
    EXPECT_EQ(ShortcutFileName("Demo"), "Demo.lnk");
    EXPECT_EQ(ShortcutFileName("Setup 2.0"), "Setup 2.lnk");
    EXPECT_EQ(ShortcutFileName("a.b.c"), "a.b.lnk");
    EXPECT_EQ(ShortcutFileName("v1.0\\Demo"), "v1.0\\Demo.lnk");
    EXPECT_EQ(ShortcutFileName("Trailing "), "Trailing .lnk");
    EXPECT_EQ(ShortcutFileName(""), ".lnk");
}

TEST_F(Shortcuts, ShortcutReadsBackWithTargetDescriptionAndFolder) {
    const std::string link = Created("SetupkitRecordsTest Direct.lnk");
    CreateShortcut(link, installDir_ + "demo.exe", "Direct", installDir_);
    const LinkContents contents = ReadLink(link);
    ASSERT_TRUE(contents.loaded);
    EXPECT_EQ(contents.target, installDir_ + "demo.exe");
    EXPECT_EQ(contents.description, "Direct");
    EXPECT_EQ(contents.workingFolder, installDir_);
}

TEST_F(Shortcuts, ExistingShortcutIsOverwritten) {
    const std::string link = Created("SetupkitRecordsTest Again.lnk");
    CreateShortcut(link, installDir_ + "demo.exe", "First", installDir_);
    CreateShortcut(link, installDir_ + "setup.exe", "", "");
    const LinkContents contents = ReadLink(link);
    EXPECT_EQ(contents.target, installDir_ + "setup.exe");
    EXPECT_EQ(contents.description, "");
}

TEST_F(Shortcuts, ProgramLinksWriteOneShortcutPerLineAndListThem) {
    driver::InstallDir = installDir_;
    driver::InstalledFiles.Clear();
    driver::InstalledFiles.Add("C:\\earlier.dll");
    const std::string demo = Created("SetupkitRecordsTest Demo.lnk");
    const std::string setup = Created("SetupkitRecordsTest 2.lnk");
    const std::string unnamed = Created(".lnk");
    const std::string trailing = Created("SetupkitRecordsTest Trailing .lnk");
    const std::string demoAgain = programs_ + "setupkitrecordstest demo.lnk";

    CreateProgramLinks();

    const std::vector<std::string> listed(driver::InstalledFiles.begin(),
                                          driver::InstalledFiles.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"C:\\earlier.dll", demo, setup, demoAgain, unnamed,
                                                trailing}));
    // The line captioned again in other letters rewrote the same file, with
    // the program of the first line and its own caption.
    const LinkContents first = ReadLink(demo);
    EXPECT_EQ(first.target, installDir_ + "demo.exe");
    EXPECT_EQ(first.description, "setupkitrecordstest demo");
    EXPECT_EQ(first.workingFolder, installDir_);
    EXPECT_EQ(ReadLink(setup).target, installDir_ + "setup.exe");
    EXPECT_EQ(ReadLink(setup).description, "SetupkitRecordsTest 2.0");
    EXPECT_EQ(ReadLink(trailing).description, "SetupkitRecordsTest Trailing ");
    EXPECT_EQ(ReadLink(trailing).target, installDir_ + "tail.exe");
    EXPECT_TRUE(file::FileExists(unnamed));
    EXPECT_EQ(ReadLink(unnamed).description, "");
    driver::InstalledFiles.Clear();
}

} // namespace
} // namespace setupkit
