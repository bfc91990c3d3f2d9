#include "tests/install_e2e/install.h"
#include "tests/install_e2e/standin_ide.h"

namespace setupkit::e2e {
namespace {

std::string KnownPackage(const std::string& path) {
    RegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, StandinIde::kKnownPackages, 0, KEY_READ, key.Put()) !=
        ERROR_SUCCESS)
        return "<no key>";
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    if (::RegQueryValueExA(key.Get(), path.c_str(), nullptr, nullptr,
                           reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return "<no value>";
    return buffer;
}

std::string UniquePackage(const std::string& stem) {
    return stem + std::to_string(::GetCurrentProcessId());
}

TEST(PackageBuild, ADelphi5PackageIsCompiledMovedToTheSystemFolderAndRegistered) {
    SetupRun run;
    StandinIde ide(run.Scratch().MakeFolder("My IDE"));
    const std::string package = UniquePackage("skpkg");
    const std::string compiled = SystemFolder() + package + ".BPL";
    run.RemoveAtEnd(compiled);
    WriteFile(compiled, "an older build");
    Resources resources =
        PayloadResources(run, {File("units\\" + package + ".dpk", "package source")});
    resources = With(resources, "INSTALLDIR", run.Scratch().File("dest with spaces"));
    resources = With(resources, "BUILDPACKAGES", package + ".dpk=Sample Controls\r\n");
    run.Build(resources);
    AcceptAndExpectSuccess(run);

    const std::string units = run.Scratch().File("dest with spaces\\units\\");
    EXPECT_EQ(ReadFile(units + "standin.log"),
              "\"" + ide.Root() + "Bin\\dcc32.exe\" -q -b \"" + units + package + ".dpk\"\n");
    EXPECT_EQ(ReadFile(compiled), "compiled from " + units + package + ".dpk");
    EXPECT_FALSE(FileExists(units + package + ".dcu"));
    EXPECT_FALSE(FileExists(units + package + ".dcp"));
    EXPECT_FALSE(FileExists(units + package + ".bpl"));
    EXPECT_EQ(KnownPackage(compiled), "Sample Controls");
}

// Welcome, then the compiler's lines of a failed package build, then the
// failure box.
void AcceptAndExpectFailedBuild(SetupRun& run, const std::string& compilerLines) {
    ASSERT_TRUE(run.Start());
    run.Robot().WaitWindow().Press(IDOK);
    robot::Window output =
        run.Robot().WaitWindowWithCaption("An error occured during installation.", 60000);
    ExpectBox(output, "An error occured during installation.", compilerLines, robot::Icon::None,
              kOkOnly);
    output.Press(IDOK);
    robot::Window failed =
        run.Robot().WaitWindowWithCaption("An error occured during installation.");
    ExpectBox(failed, "An error occured during installation.", "Installation failed.",
              robot::Icon::Exclamation, kOkOnly);
    failed.Press(IDOK);
    ExpectCleanEnd(run.Robot());
}

TEST(PackageBuild, AFailedBuildShowsTheCompilerLinesAndStopsTheInstallation) {
    SetupRun run;
    StandinIde ide(run.Scratch().MakeFolder("ide"));
    const std::string first = UniquePackage("skone");
    const std::string third = UniquePackage("skthree");
    run.RemoveAtEnd(SystemFolder() + first + ".BPL");
    run.RemoveAtEnd(SystemFolder() + third + ".BPL");
    Resources resources = PayloadResources(
        run, {File(first + ".dpk", "fine"),
              File("broken.dpk", "STANDIN-SAY Borland Delphi Version 13.0\r\n"
                                 "STANDIN-SAY broken.dpk(3) Error: Undeclared identifier\r\n"
                                 "STANDIN-SAY nothing to see\r\n"
                                 "STANDIN-SAY broken.dpk(4) Warning: Unused value\r\n"
                                 "STANDIN-SAY broken.dpk(9) Error: Missing end\r\n"
                                 "STANDIN-SAY ends with Error:\r\n"
                                 "STANDIN-EXIT 1\r\n"),
              File(third + ".dpk", "fine")});
    resources = With(resources, "BUILDPACKAGES",
                     first + ".dpk=One\r\nbroken.dpk=Two\r\n" + third + ".dpk=Three\r\n");
    resources = With(resources, "PROGLINKS", "Broken Demo=demo.exe\r\n");
    resources = With(resources, "HELPFILES", "lib.hlp=Help\r\n");
    run.Build(resources);
    AcceptAndExpectFailedBuild(run, "Borland Delphi Version 13.0\r"
                                    "broken.dpk(3) Error: Undeclared identifier\r"
                                    "broken.dpk(4) Warning: Unused value\r"
                                    "broken.dpk(9) Error: Missing end\r");

    EXPECT_EQ(KnownPackage(SystemFolder() + first + ".BPL"), "One");
    EXPECT_FALSE(FileExists(SystemFolder() + third + ".BPL"));
    EXPECT_EQ(KnownPackage(SystemFolder() + third + ".BPL"), "<no value>");
    // No shortcut, no uninstall entry, no help merge after the abort.
    EXPECT_EQ(UninstallValue(Get(resources, "APPNAME"), "DisplayName"), "");
    EXPECT_EQ(ReadFile(ide.ContentsFile()), ":Base delphi5.hlp\r\n");
}

// A library's design package requires its runtime package and the IDE's own
// packages, so it is compiled against the .dcp that the runtime package's
// build leaves beside the sources and those in the IDE's Lib folder.
TEST(PackageBuild, ADesignPackageIsBuiltAgainstTheRuntimePackageItRequires) {
    SetupRun run;
    StandinIde ide(run.Scratch().MakeFolder("ide"));
    const std::string runtime = UniquePackage("skrun");
    const std::string design = UniquePackage("skdsg");
    for (const std::string& package : {runtime, design})
        run.RemoveAtEnd(SystemFolder() + package + ".BPL");
    Resources resources = PayloadResources(
        run,
        {File("Packages\\" + runtime + ".dpk",
              "package " + runtime + ";\r\nrequires vcl50;\r\nend.\r\n"),
         File("Packages\\" + design + ".dpk", "package " + design +
                                                  ";\r\nrequires\r\n  vcl50,\r\n  vclx50,\r\n  "
                                                  "dclstd50,\r\n  " +
                                                  runtime + ";\r\nend.\r\n")});
    resources = With(resources, "BUILDPACKAGES",
                     runtime + ".dpk=Grid Runtime\r\n" + design + ".dpk=Grid Design\r\n");
    run.Build(resources);
    AcceptAndExpectSuccess(run);

    for (const auto& [package, description] :
         {std::pair{runtime, "Grid Runtime"}, std::pair{design, "Grid Design"}}) {
        EXPECT_EQ(KnownPackage(SystemFolder() + package + ".BPL"), description);
    }
    EXPECT_EQ(ListFolder(run.Scratch().File("dest\\Packages")),
              (std::vector<std::string>{design + ".dpk", runtime + ".dpk", "standin.log"}));
}

// A package that requires one the IDE does not have fails as with the real
// compiler, and the installation with it.
TEST(PackageBuild, APackageRequiringOneTheIdeLacksFails) {
    SetupRun run;
    StandinIde ide(run.Scratch().MakeFolder("ide"));
    const std::string package = UniquePackage("skneed");
    run.RemoveAtEnd(SystemFolder() + package + ".BPL");
    Resources resources = PayloadResources(
        run, {File(package + ".dpk", "package " + package + ";\r\nrequires vcl50, vclzz50;\r\n")});
    resources = With(resources, "BUILDPACKAGES", package + ".dpk=Needs More\r\n");
    run.Build(resources);
    AcceptAndExpectFailedBuild(run, "Fatal: Required package 'vclzz50' not found\r");
    EXPECT_FALSE(FileExists(SystemFolder() + package + ".BPL"));
}

TEST(PackageBuild, CppBuilder4CompilesUnitsWithDcc32AndPackagesWithMake) {
    SetupRun run;
    const std::string key = "Software\\Borland\\C++Builder\\4.0";
    const std::string knownPackages = key + "\\Known Packages";
    DeleteRegistryTree(HKEY_CURRENT_USER, knownPackages);
    const std::string root = run.Scratch().MakeFolder("bcb") + "\\";
    const std::string bin = run.Scratch().MakeFolder("bcb\\Bin") + "\\";
    // The IDE at the one build the catalogue accepts, with the stand-in tools.
    ::CopyFileA(WindowsPath(SETUPKIT_STANDINS_DIR "/c4_14_11/Bin/bcb.exe").c_str(),
                (bin + "bcb.exe").c_str(), FALSE);
    for (const char* tool : {"dcc32", "make"})
        ::CopyFileA(StandinIde::StandinCompiler().c_str(), (bin + tool + ".exe").c_str(), FALSE);
    WriteRegistryValue(HKEY_LOCAL_MACHINE, key, "RootDir", REG_SZ, root + '\0');
    const std::string package = UniquePackage("skbcb");
    run.RemoveAtEnd(SystemFolder() + package + ".BPL");
    run.RemoveAtEnd(SystemFolder() + package + "u.dcu");
    Resources resources = PayloadResources(
        run, {File("src\\" + package + "u.pas", "unit"), File("src\\" + package + ".bpk", "make")});
    resources = With(resources, "DELPHIVER", "C4");
    resources = With(resources, "BUILDPACKAGES",
                     package + "u.pas=A Unit\r\n" + package + ".bpk=Grid Package\r\n");
    run.Build(resources);
    AcceptAndExpectSuccess(run);

    const std::string src = run.Scratch().File("dest\\src\\");
    EXPECT_EQ(ReadFile(src + "standin.log"),
              "\"" + bin + "dcc32.exe\" -q -b -JPHN \"" + src + package + "u.pas\"\n\"" + bin +
                  "make.exe\" -B -f \"" + src + package + ".bpk\"\n");
    EXPECT_TRUE(FileExists(SystemFolder() + package + ".BPL"));
    EXPECT_FALSE(FileExists(src + package + ".tds"));
    EXPECT_FALSE(FileExists(src + package + ".obj"));
    // Only the package is made known to the IDE; the unit is built but not registered.
    const auto packages = RegistrySnapshot(HKEY_CURRENT_USER, knownPackages);
    EXPECT_EQ(packages, (std::vector<std::string>{"\\", "\\" + SystemFolder() + package +
                                                            ".BPL = REG_SZ \"Grid Package\"\\0"}));
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, key);
    DeleteRegistryTree(HKEY_CURRENT_USER, knownPackages);
}

// Started from the desktop the setup has no console, so each compiler gets a
// console of its own, whose host may hold the captured output a moment longer
// than the compiler lives.
TEST(PackageBuild, WithoutAConsoleTheOutputIsShownAndNoCaptureFileIsLeft) {
    const char* const caption = "An error occured during installation.";
    const struct {
        const char* source;
        const char* shown; // the compiler-output box; none when the build succeeds
    } cases[] = {
        {"STANDIN-SAY Borland Delphi Version 13.0\r\n", nullptr},
        {"STANDIN-SAY Borland Delphi Version 13.0\r\nSTANDIN-SAY plain\r\n"
         "STANDIN-SAY p.dpk(2) Fatal: Missing unit\r\nSTANDIN-EXIT 2\r\n",
         "Borland Delphi Version 13.0\rp.dpk(2) Fatal: Missing unit\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        SetupRun run;
        StandinIde ide(run.Scratch().MakeFolder("ide"));
        const std::string package = UniquePackage("sknocon");
        run.RemoveAtEnd(SystemFolder() + package + ".BPL");
        Resources resources = PayloadResources(run, {File(package + ".dpk", c.source)});
        resources = With(resources, "BUILDPACKAGES", package + ".dpk=Quiet\r\n");
        run.Build(resources);
        ASSERT_TRUE(run.Start(robot::Console::None));
        run.Robot().WaitWindow().Press(IDOK);
        if (c.shown) {
            robot::Window output = run.Robot().WaitWindowWithCaption(caption, 60000);
            ExpectBox(output, caption, c.shown, robot::Icon::None, kOkOnly);
            output.Press(IDOK);
        }
        robot::Window last = run.Robot().WaitWindowWithCaption(c.shown ? caption : "Setup", 60000);
        EXPECT_EQ(last.Text(), c.shown ? "Installation failed." : "Installation completed.");
        last.Press(IDOK);
        ExpectCleanEnd(run.Robot());
        EXPECT_EQ(ListFolder(run.TempFolder()), std::vector<std::string>());
        EXPECT_EQ(FileExists(SystemFolder() + package + ".BPL"), c.shown == nullptr);
    }
}

TEST(PackageRegistration, ReadyMadePackagesAreRegisteredByTheirInstalledPath) {
    SetupRun run;
    StandinIde ide(run.Scratch().MakeFolder("ide"));
    Resources resources =
        PayloadResources(run, {File("lib\\ready.bpl", "first"), File("other\\ready.bpl", "second"),
                               File("spaced.bpl", "s")});
    resources = With(resources, "PACKAGES",
                     "READY.BPL=First Description\r\nready.bpl=Second Description\r\n"
                     "spaced.bpl = Spaced\r\nmissing.bpl=Missing\r\n");
    run.Build(resources);
    AcceptAndExpectSuccess(run);

    const std::string dest = run.Scratch().File("dest\\");
    EXPECT_EQ(KnownPackage(dest + "lib\\ready.bpl"), "First Description");
    EXPECT_EQ(KnownPackage(dest + "other\\ready.bpl"), "<no value>");
    EXPECT_EQ(KnownPackage(dest + "spaced.bpl"), "<no value>");
}

TEST(HelpMerge, EachWinHelpFileGetsOneIndexLineAndIsRecorded) {
    SetupRun run;
    StandinIde ide(run.Scratch().MakeFolder("ide"),
                   ":Base delphi5.hlp\n:Title Help\r:Index Old =Lib.hlp\r\n:Index B =b.hlp\r\n"
                   ":Index Other case =lib.hlp\r\n:Include x.cnt\r\n");
    Resources resources =
        PayloadResources(run, {File("Lib.cnt", "contents"), File("Lib.hlp", "help"),
                               File("EXTRA.HLP", "extra"), File("plain.hlp", "plain")});
    // The extension's case does not matter; a line without a title is never registered.
    resources = With(resources, "HELPFILES",
                     "Lib.cnt\r\nLib.hlp=Library Help\r\nEXTRA.HLP=Extra=Help\r\nplain.hlp\r\n");
    run.Build(resources);
    AcceptAndExpectSuccess(run);

    EXPECT_EQ(
        ReadFile(ide.ContentsFile()),
        ":Base delphi5.hlp\r\n:Title Help\r\n:Index B =b.hlp\r\n:Index Other case =lib.hlp\r\n"
        ":Index Library Help =Lib.hlp\r\n:Index Extra=Help =EXTRA.HLP\r\n:Include x.cnt\r\n");
    EXPECT_EQ(UninstallValue(Get(resources, "APPNAME"), "INSTALLEDHELPS"),
              "Lib.hlp\r\nEXTRA.HLP\r\n");
}

TEST(HelpMerge, WithoutAContentsFileNothingIsTouched) {
    SetupRun run;
    StandinIde ide(run.Scratch().MakeFolder("ide"), nullptr);
    Resources resources = PayloadResources(run, {File("Lib.hlp", "help")});
    resources = With(resources, "HELPFILES", "Lib.hlp=Library Help\r\n");
    run.Build(resources);
    AcceptAndExpectSuccess(run);
    EXPECT_FALSE(FileExists(ide.ContentsFile()));
    EXPECT_EQ(ReadFile(run.Scratch().File("dest\\Lib.hlp")), "help");
    EXPECT_TRUE(HasUninstallValue(Get(resources, "APPNAME"), "FILES"));
    EXPECT_FALSE(HasUninstallValue(Get(resources, "APPNAME"), "INSTALLEDHELPS"));
}

} // namespace
} // namespace setupkit::e2e
