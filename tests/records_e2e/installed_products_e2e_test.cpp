// What the family's record decides at start-up, and the file counts.
#include "tests/records_e2e/records_e2e.h"

#include <shlobj.h>

namespace setupkit::e2e {
namespace {

// The folder the run took as its destination, as the uninstall command shows it.
std::string Destination(const Resources& resources) {
    const std::string command = UninstallValue(resources, "UninstallString").bytes;
    const std::size_t end = command.find("UnInstall.exe");
    return end == std::string::npos ? command : command.substr(0, end);
}

class StartUpRecord : public ::testing::Test {
  protected:
    // A record of the family as an earlier installation left it.
    void Record(const Resources& resources, const std::string& version) {
        const std::string key = ProductRecordPath(Get(resources, "PRODUCTNAME"));
        test::SetRawValue(HKEY_CURRENT_USER, key, "Version", REG_SZ, Sz(version));
        test::SetRawValue(HKEY_CURRENT_USER, key, "FolderName", REG_SZ, Sz(recorded_));
        test::SetRawValue(HKEY_CURRENT_USER, key, "Corvel Nodemark", REG_SZ, Sz(""));
    }
    Resources Prepare(const std::string& recordedVersion, const std::string& setupVersion) {
        const Resources resources = With(BaseResources(run_), "VERSION", setupVersion);
        run_.Build(resources);
        recorded_ = run_.Scratch().File("recorded");
        Record(resources, recordedVersion);
        return resources;
    }

    SetupRun run_;
    std::string recorded_;
};

TEST_F(StartUpRecord, SameVersionInstallsIntoTheRecordedFolderWithoutAsking) {
    for (const auto& [stored, setup] :
         {std::pair<const char*, const char*>{"2.1", "2.1"}, {"1.0B", "1.0b"}}) {
        SCOPED_TRACE(std::string(stored) + " against " + setup);
        const Resources resources = Prepare(stored, setup);
        ASSERT_TRUE(run_.Start());
        RunThrough(run_, resources);
        EXPECT_EQ(Destination(resources), recorded_ + "\\");
    }
}

TEST_F(StartUpRecord, OtherVersionAsksAndOkInstallsIntoTheRecordedFolder) {
    const Resources resources = Prepare("2.1", "2.10");
    ASSERT_TRUE(run_.Start());
    robot::Window box = run_.Robot().WaitWindow();
    ExpectPreviousVersionBox(box, Get(resources, "APPNAME"));
    box.Press(IDOK);
    RunThrough(run_, resources);
    EXPECT_EQ(Destination(resources), recorded_ + "\\");
}

TEST_F(StartUpRecord, OtherVersionWithoutRecordedFolderFallsBackToInstallDir) {
    const Resources resources = Prepare("2.10", "2.1");
    test::SetRawValue(HKEY_CURRENT_USER, ProductRecordPath(Get(resources, "PRODUCTNAME")),
                      "FolderName", REG_SZ, Sz(""));
    ASSERT_TRUE(run_.Start());
    run_.Robot().WaitWindow().Press(IDOK);
    RunThrough(run_, resources);
    EXPECT_EQ(Destination(resources), Get(resources, "INSTALLDIR") + "\\");
}

TEST_F(StartUpRecord, CancelOnTheOtherVersionBoxWritesNothing) {
    const Resources resources = Prepare("3.0", "2.1");
    const std::vector<std::string> before = run_.RegistryState();
    ASSERT_TRUE(run_.Start());
    robot::Window box = run_.Robot().WaitWindow();
    ExpectPreviousVersionBox(box, Get(resources, "APPNAME"));
    box.Press(IDCANCEL);
    ExpectCleanEnd(run_.Robot());
    EXPECT_EQ(run_.RegistryState(), before);
}

TEST_F(StartUpRecord, VersionOfAnotherTypeEndsTheRunWithTheFailureReport) {
    const Resources resources = Prepare("2.1", "2.1");
    test::SetRawValue(HKEY_CURRENT_USER, ProductRecordPath(Get(resources, "PRODUCTNAME")),
                      "Version", REG_DWORD, test::DwordBytes(2));
    const std::vector<std::string> before = run_.RegistryState();
    ASSERT_TRUE(run_.Start());
    robot::Window box = run_.Robot().WaitWindow();
    ExpectFailureBox(box);
    box.Press(IDOK);
    ExpectCleanEnd(run_.Robot());
    EXPECT_EQ(run_.RegistryState(), before);
}

// The shortcut file is the one installed file the run lists today.
class FileCounts : public ::testing::Test {
  protected:
    Resources Prepare() {
        const std::string caption = UniqueName("Records Count");
        link_ = ProgramsFolder() + caption + ".lnk";
        run_.RemoveAtEnd(link_);
        const Resources resources =
            With(With(BaseResources(run_), "PROGLINKS", caption + "=demo.exe"), "CHECKPREVVERSION",
                 "No");
        run_.Build(resources);
        return resources;
    }
    static std::string ProgramsFolder() {
        char path[MAX_PATH] = {};
        ::SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, FALSE);
        return std::string(path) + "\\";
    }
    test::RawValue Count() const {
        return test::ReadRawValue(HKEY_CURRENT_USER, InstalledFilesPath(), link_);
    }

    SetupRun run_;
    std::string link_;
};

TEST_F(FileCounts, ThreeInstallationsCountThree) {
    const Resources resources = Prepare();
    for (int installation = 1; installation <= 3; ++installation) {
        SCOPED_TRACE(installation);
        ASSERT_TRUE(run_.Start());
        RunThrough(run_, resources);
        EXPECT_EQ(Count().type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(Count().bytes, test::DwordBytes(static_cast<DWORD>(installation)));
    }
}

TEST_F(FileCounts, StringCountEndsTheRunWithTheFailureReport) {
    const Resources resources = Prepare();
    test::SetRawValue(HKEY_CURRENT_USER, InstalledFilesPath(), link_, REG_SZ, Sz("1"));
    ASSERT_TRUE(run_.Start());
    robot::Window welcome = run_.Robot().WaitWindow();
    ExpectWelcome(welcome, resources);
    welcome.Press(IDOK);
    // The progress window may show before the counts are read.
    robot::Window box =
        run_.Robot().WaitWindowWithCaption("An error occured during installation.", 60000);
    ExpectFailureBox(box);
    box.Press(IDOK);
    ExpectCleanEnd(run_.Robot());
    // What came before the counts stays; nothing after them was written.
    EXPECT_EQ(UninstallValue(resources, "FILES").bytes, Sz(link_ + "\r\n"));
    EXPECT_FALSE(UninstallValue(resources, "FOLDERS").exists);
    EXPECT_EQ(Count().bytes, Sz("1"));
}

} // namespace
} // namespace setupkit::e2e
