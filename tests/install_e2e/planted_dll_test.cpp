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
