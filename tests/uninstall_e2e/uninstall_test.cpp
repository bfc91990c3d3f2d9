// The uninstaller run from the uninstall entry a real setup wrote.
#include "tests/install_e2e/standin_ide.h"
#include "tests/uninstall_e2e/uninstall_e2e.h"

namespace setupkit::e2e {
namespace {

std::string Sz(const std::string& text) {
    return text + '\0';
}

TEST(Uninstall, EverythingTheInstallationDidIsUndone) {
    SetupRun run;
    StandinIde ide(run.Scratch().MakeFolder("ide"),
                   ":Base delphi5.hlp\r\n:Title Delphi\r\n:Index Delphi =delphi5.hlp\r\n");
    // A real IDE lists its own packages; they stay.
    WriteRegistryValue(HKEY_CURRENT_USER, StandinIde::kKnownPackages,
                       ide.Root() + "Bin\\dclstd50.bpl", REG_SZ, Sz("Standard Components"));
    const std::string stem = "skun" + std::to_string(::GetCurrentProcessId());
    const std::string built = SystemFolder() + stem + "b.BPL";
    const std::string ready = SystemFolder() + stem + "r.bpl";
    const std::string caption = UniqueName("Uninstall Readme");
    for (const std::string& outside : {built, ready, ProgramsFolder() + caption + ".lnk"})
        run.RemoveAtEnd(outside);
    const Product product{UniqueName("Uninstall App"),
                          UniqueName("Uninstall Family"),
                          "Uninstall Grid",
                          run.Scratch().File("dest"),
                          {File("readme.txt", "read me"),
                           File("units\\prod.inc", "{$DEFINE UninstallGrid}\r\n"),
                           File("units\\" + stem + "b.dpk", "package source"),
                           File("source\\deep\\grid.pas", "unit Grid;"),
                           File(stem + "r.bpl", "ready-made package"), File("Grid.hlp", "help")}};
    Resources resources = ProductSetup(product);
    resources = With(resources, "BUILDPACKAGES", stem + "b.dpk=Grid\r\n");
    resources = With(resources, "SYSFILES", stem + "r.bpl\r\n");
    resources = With(resources, "PACKAGES", stem + "r.bpl=Grid Ready\r\n");
    resources = With(resources, "HELPFILES", "Grid.hlp=Grid Help\r\n");
    // Two lines of one caption: the shortcut is listed, and counted, twice.
    resources = With(resources, "PROGLINKS", caption + "=readme.txt\r\n" + caption + "=b.txt\r\n");
    run.Build(resources);
    const Machine before = LookAt({&run}, ide.ContentsFile());

    Install(run);
    EXPECT_EQ(EntryText(product.appName, "KNOWNPACKAGES"), built + "\r\n" + ready + "\r\n");
    // The stand-in compiler's log of its command lines, which no real compiler writes.
    ::DeleteFileA(run.Scratch().File("dest\\units\\standin.log").c_str());

    // Eight installed files and the built package; four folders; two
    // packages; one help entry.
    ConfirmUninstall(run, product.appName, {9, 4, 2, 1});
    ExpectSame(before, LookAt({&run}, ide.ContentsFile()));
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(run), 1);
}

TEST(Uninstall, ASharedFileStaysUntilTheLastProductUsingItGoes) {
    SetupRun first;
    SetupRun second;
    const std::string family = UniqueName("Uninstall Family");
    const std::string dest = first.Scratch().File("dest");
    const std::string include = "//{$DEFINE SubA}\r\n//{$DEFINE SubB}\r\n";
    const Product a{UniqueName("Uninstall A"),
                    family,
                    "Sub A",
                    dest,
                    {File("a.txt", "a"), File("common\\shared.pas", "shared"),
                     File("units\\prod.inc", include)}};
    const Product b{UniqueName("Uninstall B"),
                    family,
                    "Sub B",
                    dest,
                    {File("b.txt", "b"), File("common\\shared.pas", "shared"),
                     File("units\\prod.inc", include)}};
    first.Build(ProductSetup(a));
    second.Build(ProductSetup(b));
    const Machine before = LookAt({&first, &second}, "");
    Install(first);
    Install(second);

    const std::vector<std::string> folders = {dest + "\\common", dest + "\\units", dest};
    ConfirmUninstall(first, a.appName,
                     {1,
                      0,
                      0,
                      0,
                      {dest + "\\common\\shared.pas", dest + "\\units\\prod.inc",
                       dest + "\\UnInstall.exe", folders[0], folders[1], folders[2]}});
    EXPECT_FALSE(FileExists(dest + "\\a.txt"));
    EXPECT_EQ(ReadFile(dest + "\\common\\shared.pas"), "shared");
    EXPECT_EQ(ReadFile(dest + "\\units\\prod.inc"), "//  {$DEFINE SubA}\r\n  {$DEFINE SubB}\r\n");
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallEntryPath(a.appName)));
    EXPECT_EQ(
        RegistrySnapshot(HKEY_CURRENT_USER, ProductRecordPath(family)),
        (std::vector<std::string>{"\\", "\\FolderName = REG_SZ \"" + dest + "\"\\0",
                                  "\\Sub B = REG_SZ \"\"\\0", "\\Version = REG_SZ \"1.0\"\\0"}));
    // The folders the first product made now go with the second.
    EXPECT_EQ(EntryText(b.appName, "FOLDERS"),
              folders[0] + "\r\n" + folders[1] + "\r\n" + folders[2] + "\r\n");
    EXPECT_EQ(EntryText(b.appName, "FILES"),
              dest + "\\b.txt\r\n" + dest + "\\common\\shared.pas\r\n" + dest +
                  "\\units\\prod.inc\r\n" + dest + "\\UnInstall.exe\r\n");

    ConfirmUninstall(second, b.appName, {4, 3, 0, 0});
    ExpectSame(before, LookAt({&first, &second}, ""));
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(first), 0);
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(second), 1);
}

TEST(Uninstall, CancelOrAnUnknownNameTouchesNothing) {
    SetupRun run;
    const Product product{UniqueName("Uninstall Kept"),
                          UniqueName("Uninstall Family"),
                          "Kept",
                          run.Scratch().File("dest"),
                          {File("units\\a.pas", "a")}};
    run.Build(ProductSetup(product));
    Install(run);
    const Machine installed = LookAt({&run}, "");
    const std::string program = "\"" + run.Scratch().File("dest\\UnInstall.exe") + "\"";
    const std::string unknown = UniqueName("No Such Product");

    robot::Window box = StartUninstall(run, EntryText(product.appName, "UninstallString"));
    ExpectConfirmation(box, product.appName);
    box.Press(IDCANCEL);
    ExpectCleanEnd(run.Robot());
    ExpectSame(installed, LookAt({&run}, ""));

    for (const std::string& name : {unknown, std::string()}) {
        SCOPED_TRACE(name);
        box = StartUninstall(run, program + " \"" + name + "\"");
        ExpectBox(box, "Uninstall",
                  "There is no installation named '" + name +
                      "' on this computer.\r\nNothing was removed.",
                  robot::Icon::Exclamation, kOkOnly);
        box.Press(IDOK);
        ExpectCleanEnd(run.Robot());
        ExpectSame(installed, LookAt({&run}, ""));
    }
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(run), 0);
}

TEST(Uninstall, ARecordOfTheWrongTypeIsReportedOnceAndTheRestStillGoes) {
    SetupRun run;
    const std::string dest = run.Scratch().File("dest");
    const std::string family = UniqueName("Uninstall Family");
    const Product product{UniqueName("Uninstall Typed"),
                          family,
                          "Typed",
                          dest,
                          {File("a.txt", "a"), File("b.txt", "b")}};
    run.Build(ProductSetup(product));
    Install(run);
    WriteRegistryValue(HKEY_CURRENT_USER, InstalledFilesPath(), dest + "\\a.txt", REG_SZ, Sz("1"));
    WriteRegistryValue(HKEY_LOCAL_MACHINE, UninstallEntryPath(product.appName), "SUBPRODUCTNAME",
                       REG_DWORD, std::string(4, '\0'));

    // The file whose count cannot be taken back stays, and with it the
    // entry and the uninstaller that can be run again.
    Removed removed{
        1, 0, 0, 0, {}, {}, {"SUBPRODUCTNAME", "the installation count of " + dest + "\\a.txt"}};
    removed.entryKept = true;
    ConfirmUninstall(run, product.appName, removed, robot::Icon::Exclamation);
    EXPECT_EQ(ListFolder(dest), (std::vector<std::string>{"UnInstall.exe", "a.txt"}));
    EXPECT_EQ(EntryText(product.appName, "FILES"),
              dest + "\\a.txt\r\n" + dest + "\\UnInstall.exe\r\n");
    EXPECT_EQ(EntryText(product.appName, "FOLDERS"), dest + "\r\n");
    EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, ProductRecordPath(family)));
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(run), 0);
}

} // namespace
} // namespace setupkit::e2e
