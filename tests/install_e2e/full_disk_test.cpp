// Writes that break because the drive is full: the setup's temporary folder
// or the IDE's folder on a small drive of the tests' own (small_drive.sh),
// filled to where the write breaks. The user must see the failure, and what
// was there before must be as it was.
#include "tests/install_e2e/install.h"
#include "tests/install_e2e/standin_ide.h"

namespace setupkit::e2e {
namespace {

constexpr const char* kDrive = "S:\\";
constexpr unsigned kPage = 4096;

unsigned RoundUpToPage(std::size_t size) {
    return static_cast<unsigned>((size + kPage - 1) / kPage * kPage);
}

// The drive, emptied before and after the test.
class SmallDrive {
  public:
    SmallDrive() { Empty(); }
    ~SmallDrive() { Empty(); }
    SmallDrive(const SmallDrive&) = delete;
    SmallDrive& operator=(const SmallDrive&) = delete;

    // Asked of the file system: the drive list the system keeps learns of a
    // drive mounted while Wine runs only later.
    static bool Present() {
        ULARGE_INTEGER available{};
        return ::GetDiskFreeSpaceExA(kDrive, &available, nullptr, nullptr) != FALSE;
    }
    std::string MakeFolder(const std::string& name) const {
        const std::string folder = kDrive + name;
        ::CreateDirectoryA(folder.c_str(), nullptr);
        return folder;
    }
    // Takes all the free space but `free` bytes (a whole number of pages).
    void LeaveFree(unsigned free) const {
        ULARGE_INTEGER available{};
        ASSERT_TRUE(::GetDiskFreeSpaceExA(kDrive, &available, nullptr, nullptr));
        ASSERT_GE(available.QuadPart, free);
        WriteFile(kDrive + std::string("filler"),
                  std::string(static_cast<std::size_t>(available.QuadPart - free), 'f'));
        ASSERT_TRUE(::GetDiskFreeSpaceExA(kDrive, &available, nullptr, nullptr));
        ASSERT_EQ(available.QuadPart, free);
    }

  private:
    static void Empty() {
        for (const std::string& name : ListFolder(kDrive))
            if (name.find('\\') == name.size() - 1)
                RemoveFolder(kDrive + name.substr(0, name.size() - 1));
            else if (name.find('\\') == std::string::npos)
                ::DeleteFileA((kDrive + name).c_str());
    }
};

#define REQUIRE_SMALL_DRIVE()                                                                      \
    if (!SmallDrive::Present())                                                                    \
    GTEST_SKIP() << "no drive S: (small_drive.sh mounts one when run as root)"

// Five files, the fourth sized so that it ends on a page of the archive: a
// write cut at that page leaves an archive of four whole entries.
std::vector<builder::RarEntry> EntriesEndingOnAPage(std::size_t& fourthEnd) {
    std::vector<builder::RarEntry> entries;
    for (int i = 1; i <= 5; ++i)
        entries.push_back(
            File("f" + std::to_string(i) + ".bin", std::string(30000, char('0' + i))));
    // An archive's last block, after its entries, is its 7-byte end block.
    const auto endOfFourth = [&] {
        return builder::WriteRarArchive({entries.begin(), entries.begin() + 4}).size() - 7;
    };
    entries[3].data.append(RoundUpToPage(endOfFourth()) - endOfFourth(), '4');
    fourthEnd = endOfFourth();
    return entries;
}

TEST(FullDisk, AShortWriteOfTheTemporaryArchiveFailsTheRunAndRecordsNothing) {
    REQUIRE_SMALL_DRIVE();
    SmallDrive drive;
    SetupRun run;
    run.UseTempFolder(drive.MakeFolder("temp"));
    std::size_t fourthEnd = 0;
    const Resources resources = PayloadResources(run, EntriesEndingOnAPage(fourthEnd));
    ASSERT_EQ(Get(resources, "CABFILE")[fourthEnd + 2], '\x74') << "a file header follows";
    run.Build(resources);
    drive.LeaveFree(RoundUpToPage(Get(resources, "UNRARDLL").size()) +
                    static_cast<unsigned>(fourthEnd));
    std::string cause;
    AcceptAndExpectFailure(run, &cause);
    EXPECT_EQ(cause, "setup failed: Could not write the temporary archive\n");
    EXPECT_FALSE(FolderExists(run.Scratch().File("dest")));
    EXPECT_EQ(run.RegistryState(), std::vector<std::string>());
    EXPECT_EQ(ListFolder(run.TempFolder()), std::vector<std::string>());
}

// The IDE's help contents file fills two pages and the drive has none free:
// the merged text, a line longer, needs a third.
TEST(FullDisk, AHelpContentsFileThatCannotBeRewrittenIsLeftAsItWas) {
    REQUIRE_SMALL_DRIVE();
    SmallDrive drive;
    SetupRun run;
    std::string contents = ":Base delphi5.hlp\r\n";
    while (contents.size() + 20 < 2 * kPage)
        contents += ":Include other.cnt\r\n";
    StandinIde ide(drive.MakeFolder("ide"), contents.c_str());
    const Resources resources = With(PayloadResources(run, {File("readme.txt", "read me")}),
                                     "HELPFILES", "Lib.hlp=Library Help\r\n");
    run.Build(resources);
    drive.LeaveFree(0);
    std::string cause;
    AcceptAndExpectFailure(run, &cause);
    EXPECT_EQ(cause, "setup failed: Cannot write file \"" + ide.ContentsFile() + "\"\n");
    EXPECT_EQ(ReadFile(ide.ContentsFile()), contents);
    EXPECT_EQ(ListFolder(ide.HelpFolder()), std::vector<std::string>{"delphi5.cnt"});
    // The files were installed and recorded; the help was not.
    EXPECT_EQ(ReadFile(run.Scratch().File("dest\\readme.txt")), "read me");
    EXPECT_TRUE(HasUninstallValue(Get(resources, "APPNAME"), "FILES"));
    EXPECT_FALSE(HasUninstallValue(Get(resources, "APPNAME"), "INSTALLEDHELPS"));
}

} // namespace
} // namespace setupkit::e2e
