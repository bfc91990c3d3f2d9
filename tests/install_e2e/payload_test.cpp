#include "tests/install_e2e/install.h"

#include "tests/install_e2e/standin_ide.h"

namespace setupkit::e2e {

namespace {

// When the file last changed, as the archive's DOS date and time in local time.
std::uint32_t ModifiedDosTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FILETIME local{};
    WORD date = 0, time = 0;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return static_cast<std::uint32_t>(date) << 16 | time;
}

TEST(PayloadExtraction, FilesLandUnderTheDestinationAndAreListedInArchiveOrder) {
    SetupRun run;
    const Resources resources =
        PayloadResources(run, {File("readme.txt", "read me"), File("units\\a.pas", "unit a;"),
                               File("units\\deep\\b.pas", "unit b;")});
    run.Build(resources);
    AcceptAndExpectSuccess(run);

    const std::string dest = run.Scratch().File("dest");
    EXPECT_EQ(ReadFile(dest + "\\units\\deep\\b.pas"), "unit b;");
    // Each keeps the date the archive gives it, not the time it was written.
    EXPECT_EQ(ModifiedDosTime(dest + "\\units\\deep\\b.pas"), builder::kDefaultDosTime);
    const std::string appName = Get(resources, "APPNAME");
    EXPECT_EQ(UninstallValue(appName, "FILES"), dest + "\\readme.txt\r\n" + dest +
                                                    "\\units\\a.pas\r\n" + dest +
                                                    "\\units\\deep\\b.pas\r\n");
    // The destination did not exist: it and every folder below it were made
    // and recorded, outermost first.
    EXPECT_EQ(UninstallValue(appName, "FOLDERS"),
              dest + "\r\n" + dest + "\\units\r\n" + dest + "\\units\\deep\r\n");
}

TEST(PayloadExtraction, FolderEntriesBeforeTheirFilesRecordNothing) {
    SetupRun run;
    run.Scratch().MakeFolder("dest");
    const Resources resources =
        PayloadResources(run, {Folder("docs"), File("docs\\guide.txt", "guide")});
    run.Build(resources);
    AcceptAndExpectSuccess(run);

    const std::string dest = run.Scratch().File("dest");
    EXPECT_EQ(ReadFile(dest + "\\docs\\guide.txt"), "guide");
    EXPECT_EQ(UninstallValue(Get(resources, "APPNAME"), "FOLDERS"), "");
    EXPECT_EQ(UninstallValue(Get(resources, "APPNAME"), "FILES"), dest + "\\docs\\guide.txt\r\n");
}

TEST(PayloadExtraction, SystemFilesGoToTheSystemFolderWithoutTheirArchiveFolders) {
    SetupRun run;
    const std::string name = "skit" + std::to_string(::GetCurrentProcessId()) + ".bpl";
    const std::string target = SystemFolder() + name;
    run.RemoveAtEnd(target);
    Resources resources = PayloadResources(run, {File("bin\\sub\\" + name, "package")});
    // Listed in another letter case, and as a help file too: the system folder wins.
    resources = With(resources, "SYSFILES", "SKIT" + name.substr(4) + "\r\n");
    resources = With(resources, "HELPFILES", name + "\r\n");
    run.Build(resources);
    AcceptAndExpectSuccess(run);

    EXPECT_EQ(ReadFile(target), "package");
    EXPECT_FALSE(FolderExists(run.Scratch().File("dest\\bin")));
    EXPECT_EQ(UninstallValue(Get(resources, "APPNAME"), "FILES"), target + "\r\n");
    EXPECT_EQ(UninstallValue(Get(resources, "APPNAME"), "FOLDERS"), "");
}

TEST(PayloadExtraction, HelpFilesGoToTheIdeHelpFolderWhenTheIdeHasOne) {
    SetupRun run;
    StandinIde ide(run.Scratch().MakeFolder("ide"));
    Resources resources = PayloadResources(
        run, {File("help\\Lib.hlp", "hlp"), File("help\\Lib.cnt", "cnt"), File("other.txt", "x")});
    resources = With(resources, "HELPFILES", "Lib.cnt\r\nLib.hlp=Library Help\r\n");
    run.Build(resources);
    AcceptAndExpectSuccess(run);

    const std::string dest = run.Scratch().File("dest");
    EXPECT_EQ(ReadFile(ide.HelpFolder() + "Lib.hlp"), "hlp");
    EXPECT_EQ(ReadFile(ide.HelpFolder() + "Lib.cnt"), "cnt");
    // The archive folder of a redirected help file is still made under the destination.
    EXPECT_TRUE(FolderExists(dest + "\\help"));
    EXPECT_FALSE(FileExists(dest + "\\help\\Lib.hlp"));
    EXPECT_EQ(UninstallValue(Get(resources, "APPNAME"), "FILES"),
              ide.HelpFolder() + "Lib.hlp\r\n" + ide.HelpFolder() + "Lib.cnt\r\n" + dest +
                  "\\other.txt\r\n");
}

TEST(PayloadExtraction, HelpFilesStayUnderTheDestinationWithoutAnIdeHelpFolder) {
    SetupRun run;
    StandinIde::Forget();
    Resources resources = PayloadResources(run, {File("help\\Lib.hlp", "hlp")});
    resources = With(resources, "HELPFILES", "Lib.hlp=Library Help\r\n");
    run.Build(resources);
    AcceptAndExpectSuccess(run);
    EXPECT_EQ(ReadFile(run.Scratch().File("dest\\help\\Lib.hlp")), "hlp");
}

// A reinstallation finds its folders present and creates none; the entry
// still names every folder and file the earlier run put there, each once.
TEST(PayloadExtraction, AReinstallationKeepsWhatTheEntryRecordedBefore) {
    SetupRun run;
    const Resources first =
        With(PayloadResources(run, {File("units\\a.pas", "unit a;")}), "CHECKPREVVERSION", "No");
    run.Build(first);
    AcceptAndExpectSuccess(run);
    MakeSetup(run.SetupPath(), With(first, "CABFILE",
                                    builder::WriteRarArchive(
                                        {File("units\\a.pas", "unit a;"), File("b.txt", "b")})));
    AcceptAndExpectSuccess(run);

    const std::string dest = run.Scratch().File("dest");
    const std::string appName = Get(first, "APPNAME");
    EXPECT_EQ(UninstallValue(appName, "FOLDERS"), dest + "\r\n" + dest + "\\units\r\n");
    EXPECT_EQ(UninstallValue(appName, "FILES"), dest + "\\units\\a.pas\r\n" + dest + "\\b.txt\r\n");
}

TEST(PayloadExtraction, AnEmptyArchiveInstallsNothingAndSucceeds) {
    SetupRun run;
    const Resources resources = PayloadResources(run, {});
    run.Build(resources);
    AcceptAndExpectSuccess(run);
    EXPECT_EQ(UninstallValue(Get(resources, "APPNAME"), "FILES"), "");
    EXPECT_FALSE(FolderExists(run.Scratch().File("dest")));
}

// A setup killed while it extracted leaves its private folder with the
// library and a whole copy of the archive; the next run removes it.
TEST(PayloadTempFiles, WhatAKilledRunLeftIsRemovedByTheNextRun) {
    SetupRun run;
    const std::string left = run.TempFolder() + "\\KVprivate-0123456789abcdef";
    ::CreateDirectoryA(left.c_str(), nullptr);
    WriteFile(left + "\\KV1.tmp", "a library");
    WriteFile(left + "\\KV2.tmp", "an archive");
    AgeFolder(left);
    run.Build(PayloadResources(run, {File("a.txt", "a")}));
    AcceptAndExpectSuccess(run);
    EXPECT_EQ(ListFolder(run.TempFolder()), std::vector<std::string>());
}

TEST(PayloadFailure, AnArchiveThatCannotBeOpenedEndsWithTheContactBox) {
    SetupRun run;
    Resources resources = PayloadResources(run, {File("a.txt", "a")});
    resources = With(resources, "CABFILE", "this is not an archive");
    run.Build(resources);
    AcceptAndExpectContactBox(run);
    EXPECT_EQ(run.RegistryState(), std::vector<std::string>());
    EXPECT_EQ(ListFolder(run.TempFolder()), std::vector<std::string>());
}

// No destination but the setup's current folder (the scratch folder here),
// or a file whose record could not name it (the header's name field holds
// 259 characters, and the file would land under a 300-character path):
// nothing is written and nothing recorded.
TEST(PayloadFailure, ANonRootedDestinationOrAnUnrecordablePathWritesNothing) {
    const std::string longPath = std::string(150, 'd') + "\\" + std::string(149, 'f');
    const std::pair<const char*, std::string> cases[] = {
        {"", "a.txt"}, {"dest", "a.txt"}, {nullptr, longPath}};
    for (const auto& [installDir, path] : cases) {
        SCOPED_TRACE(installDir ? installDir : "long path");
        SetupRun run;
        Resources resources = PayloadResources(run, {File(path, "a")});
        if (installDir)
            resources = With(resources, "INSTALLDIR", installDir);
        run.Build(resources);
        AcceptAndExpectContactBox(run);
        EXPECT_EQ(ListFolder(run.Scratch().Path()),
                  (std::vector<std::string>{"setup.exe", "temp\\"}));
        EXPECT_EQ(run.RegistryState(), std::vector<std::string>());
    }
}

TEST(PayloadFailure, AMissingOrBrokenLibraryFailsAndLeavesNoTemporaryFile) {
    for (const char* library : {"", "MZ this is no library"}) {
        SCOPED_TRACE(library);
        SetupRun run;
        Resources resources = PayloadResources(run, {File("a.txt", "a")});
        resources =
            *library ? With(resources, "UNRARDLL", library) : Without(resources, "UNRARDLL");
        run.Build(resources);
        AcceptAndExpectFailure(run);
        EXPECT_EQ(ListFolder(run.TempFolder()), std::vector<std::string>());
        EXPECT_EQ(run.RegistryState(), std::vector<std::string>());
    }
}

TEST(PayloadFailure, ACorruptEntryFailsTheRunAndRecordsNothing) {
    SetupRun run;
    std::string archive = builder::WriteRarArchive(
        {File("good.txt", "fine"), File("bad.txt", "these bytes get damaged")});
    archive[archive.find("these bytes")] ^= 0x55;
    Resources resources = PayloadResources(run, {});
    resources = With(resources, "CABFILE", archive);
    run.Build(resources);
    std::string cause;
    AcceptAndExpectFailure(run, &cause);
    // The user sees only the box; the cause goes to the debugger.
    EXPECT_EQ(cause, "setup failed: Could not extract bad.txt\n");
    // What was written before the damage stays; the product is not recorded.
    EXPECT_EQ(ReadFile(run.Scratch().File("dest\\good.txt")), "fine");
    EXPECT_EQ(run.RegistryState(), std::vector<std::string>());
    EXPECT_EQ(ListFolder(run.TempFolder()), std::vector<std::string>());
}

TEST(PayloadFailure, AnEntryLeavingTheDestinationIsNeitherWrittenNorRecorded) {
    for (const char* path :
         {"..\\escaped.txt", "sub\\..\\..\\escaped.txt", "C:\\escaped.txt", "\\escaped.txt"}) {
        SCOPED_TRACE(path);
        SetupRun run;
        const Resources resources = PayloadResources(run, {File(path, "out")});
        run.Build(resources);
        AcceptAndExpectFailure(run);
        EXPECT_FALSE(FileExists(run.Scratch().File("escaped.txt")));
        EXPECT_FALSE(FileExists("C:\\escaped.txt"));
        EXPECT_EQ(run.RegistryState(), std::vector<std::string>());
    }
}

} // namespace
} // namespace setupkit::e2e
