// DLLs put in the shipped programs' way: a version.dll beside a downloaded
// setup or an installed uninstaller, and a library swapped while the setup
// writes it. The planted DLL (tests/tools/planted_dll.cpp) notes each program
// that loaded it in "planted.txt" in the program's current folder.
#include "tests/install_e2e/install.h"

namespace setupkit::e2e {
namespace {

std::string PlantedDll() {
    return WindowsPath(SETUPKIT_PLANTED_DLL);
}

// Windows' search order for the programs of one file name: a version.dll
// beside them before the system's own ("version=n,b"). Wine takes overrides
// from the environment only for the program it starts first; a program's own
// key applies to every start.
class BesideFirst {
  public:
    explicit BesideFirst(const std::string& program)
        : key_("Software\\Wine\\AppDefaults\\" + program) {
        WriteRegistryValue(HKEY_CURRENT_USER, key_ + "\\DllOverrides", "version", REG_SZ,
                           std::string("native,builtin") + '\0');
    }
    ~BesideFirst() { DeleteRegistryTree(HKEY_CURRENT_USER, key_); }
    BesideFirst(const BesideFirst&) = delete;
    BesideFirst& operator=(const BesideFirst&) = delete;

  private:
    std::string key_;
};

void PlantBeside(const std::string& folder) {
    ASSERT_TRUE(::CopyFileA(PlantedDll().c_str(), (folder + "\\version.dll").c_str(), FALSE));
}

TEST(PlantedDll, AVersionDllBesideTheSetupIsNotLoaded) {
    SetupRun run;
    PlantBeside(run.Scratch().Path());
    BesideFirst order("setup.exe");
    run.Build(PayloadResources(run, {File("readme.txt", "read me")}));
    AcceptAndExpectSuccess(run);
    EXPECT_FALSE(FileExists(run.Scratch().File("planted.txt")))
        << ReadFile(run.Scratch().File("planted.txt"));
}

TEST(PlantedDll, AVersionDllBesideTheUninstallerIsNotLoaded) {
    ScratchFolder scratch;
    const std::string program = scratch.File("UnInstall.exe");
    ASSERT_TRUE(::CopyFileA(UninstallerPath().c_str(), program.c_str(), FALSE));
    PlantBeside(scratch.Path());
    BesideFirst order("UnInstall.exe");
    robot::Robot robot;
    // Named no product, it says so and ends.
    ASSERT_TRUE(robot.Start(program, scratch.Path()));
    robot.WaitWindow().Press(IDOK);
    EXPECT_EQ(robot.WaitExit(), 0u) << robot.Transcript();
    EXPECT_FALSE(FileExists(scratch.File("planted.txt"))) << ReadFile(scratch.File("planted.txt"));
}

// Another process of the same user holds every "KV" file it can open while
// the setup writes it, and writes the planted DLL over it. A few runs, as a
// race is not won every time.
TEST(SwappedLibrary, ALibraryRacedWhileItIsWrittenIsNotLoaded) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        SCOPED_TRACE(attempt);
        SetupRun run;
        const Resources resources = PayloadResources(run, {File("readme.txt", "read me")});
        run.Build(resources);
        robot::Robot racer;
        ASSERT_TRUE(racer.StartCommand("\"" + ToolPath("swap_library") + "\" \"" +
                                           run.TempFolder() + "\" \"" + PlantedDll() + "\" 30",
                                       run.Scratch().Path()));
        AcceptAndExpectSuccess(run);
        racer.End();
        EXPECT_FALSE(FileExists(run.Scratch().File("planted.txt")))
            << ReadFile(run.Scratch().File("planted.txt"));
        EXPECT_EQ(ReadFile(run.Scratch().File("dest\\readme.txt")), "read me");
    }
}

} // namespace
} // namespace setupkit::e2e
