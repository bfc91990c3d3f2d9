// The uninstaller where products meet and where entries, folders and files
// are not what the setup left: each row sets the machine up, uninstalls, and
// compares the machine with a snapshot taken before the installation (after
// the row's own user files were made). Where something must stay, the row
// checks what the entry keeps, puts right what kept it, and runs the
// uninstall again to reach the snapshot.
#include "tests/install_e2e/standin_ide.h"
#include "tests/uninstall_e2e/uninstall_e2e.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace setupkit::e2e {
namespace {

constexpr robot::Icon kWarning = robot::Icon::Exclamation;

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// A count raised by another user is in that user's registry: none of this one's.
void DeleteCounts(const std::vector<std::string>& paths) {
    RegKey counts;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, InstalledFilesPath().c_str(), 0, KEY_SET_VALUE,
                              counts.Put()),
              ERROR_SUCCESS);
    for (const std::string& path : paths)
        ::RegDeleteValueA(counts.Get(), path.c_str());
}

std::vector<std::string> WithoutCounts(std::vector<std::string> registry) {
    std::vector<std::string> kept;
    for (const std::string& line : registry)
        if (line.compare(0, InstalledFilesPath().size(), InstalledFilesPath()) != 0)
            kept.push_back(line);
    return kept;
}

// Two products of one family in one folder, sharing a file, a compiled
// package and a help file. Uninstalling one leaves the machine as the other
// alone had it, also when the counts are another user's; uninstalling the
// other leaves it as before both.
void TwoProductsShare(bool countsOfAnotherUser) {
    SetupRun first;
    SetupRun second;
    StandinIde ide(first.Scratch().MakeFolder("ide"),
                   ":Base delphi5.hlp\r\n:Index Delphi =delphi5.hlp\r\n");
    // A real IDE lists its own packages; the key stays with them.
    WriteRegistryValue(HKEY_CURRENT_USER, StandinIde::kKnownPackages,
                       ide.Root() + "Bin\\dclstd50.bpl", REG_SZ,
                       std::string("Standard Components") + '\0');
    const std::string stem = "sksh" + std::to_string(::GetCurrentProcessId());
    const std::string built = SystemFolder() + stem + ".BPL";
    first.RemoveAtEnd(built);
    const std::string dest = first.Scratch().File("dest");
    const std::string family = UniqueName("Shared Family");
    const auto product = [&](const std::string& name, const std::string& own) {
        const Product shared{UniqueName(name),
                             family,
                             name,
                             dest,
                             {File(own, own), File("common\\shared.pas", "shared"),
                              File("units\\" + stem + ".dpk", "package source"),
                              File("Grid.hlp", "help")}};
        Resources resources = ProductSetup(shared);
        resources = With(resources, "BUILDPACKAGES", stem + ".dpk=Grid\r\n");
        resources = With(resources, "HELPFILES", "Grid.hlp=Grid Help\r\n");
        return std::make_pair(shared.appName, resources);
    };
    const auto [b, bSetup] = product("Shared B", "b.txt");
    const auto [a, aSetup] = product("Shared A", "a.txt");
    first.Build(bSetup);
    second.Build(aSetup);
    const std::string log = dest + "\\units\\standin.log";
    const Machine before = LookAt({&first, &second}, ide.ContentsFile());
    Install(first);
    ::DeleteFileA(log.c_str());
    Machine onlyB = LookAt({&first, &second}, ide.ContentsFile());
    Install(second);
    ::DeleteFileA(log.c_str());
    const std::string help = ide.HelpFolder() + "Grid.hlp";
    const std::vector<std::string> shared = {dest + "\\common\\shared.pas",
                                             dest + "\\units\\" + stem + ".dpk", help,
                                             dest + "\\UnInstall.exe"};
    if (countsOfAnotherUser) {
        std::vector<std::string> all = shared;
        all.insert(all.end(), {dest + "\\a.txt", dest + "\\b.txt"});
        DeleteCounts(all);
        onlyB.registry = WithoutCounts(onlyB.registry);
    }

    std::vector<std::string> kept = {"Grid.hlp", built};
    kept.insert(kept.end(), shared.begin(), shared.end());
    ConfirmUninstall(second, a, {1, 0, 0, 0, kept});
    ExpectSame(onlyB, LookAt({&first, &second}, ide.ContentsFile()));

    ConfirmUninstall(first, b, {6, 3, 1, 1});
    ExpectSame(before, LookAt({&first, &second}, ide.ContentsFile()));
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(first), 1);
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(second), 0);
}

void SharedWithCounts() {
    TwoProductsShare(false);
}
void SharedWithCountsOfAnotherUser() {
    TwoProductsShare(true);
}

// One uninstall undoes any number of installations of the product.
void InstalledTwice() {
    SetupRun run;
    const std::string dest = run.Scratch().File("dest");
    const Product product{UniqueName("Twice"),
                          UniqueName("Twice Family"),
                          "Twice",
                          dest,
                          {File("units\\a.pas", "a"), File("b.txt", "b")}};
    run.Build(With(ProductSetup(product), "CHECKPREVVERSION", "No"));
    const Machine before = LookAt({&run}, "");
    Install(run);
    Install(run);

    ConfirmUninstall(run, product.appName, {3, 2, 0, 0});
    ExpectSame(before, LookAt({&run}, ""));
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(run), 1);
}

// An installation with the given payload, the snapshot taken before it.
struct Installed {
    SetupRun run;
    std::string dest;
    std::string appName;
    Machine before;
};

void InstallProduct(Installed& installed, const std::vector<builder::RarEntry>& payload) {
    installed.dest = installed.run.Scratch().File("dest");
    installed.appName = UniqueName("Crafted");
    installed.run.Build(ProductSetup(
        {installed.appName, UniqueName("Crafted Family"), "Crafted", installed.dest, payload}));
    installed.before = LookAt({&installed.run}, "");
    Install(installed.run);
}

// The entry, once what kept it is put right, removes the rest.
void RunAgain(Installed& installed, const Removed& removed) {
    ConfirmUninstall(installed.run, installed.appName, removed);
    ExpectSame(installed.before, LookAt({&installed.run}, ""));
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(installed.run), 1);
}

// Lines nobody's setup writes: outside the installation folder, or inside it
// by their text only.
void EntryNamesOtherFiles() {
    Installed installed;
    const ScratchFolder& scratch = installed.run.Scratch();
    const std::string victim = scratch.File("victim.txt");
    WriteFile(victim, "victim");
    const std::string emptyRoot = scratch.MakeFolder("emptyroot");
    InstallProduct(installed, {File("a.txt", "a")});
    const std::string dest = installed.dest;
    const std::string program = dest + "\\UnInstall.exe";
    const std::vector<std::string> refused = {victim, dest + "\\..\\victim.txt", "\\\\?\\" + victim,
                                              "\\\\.\\" + victim};
    WriteRegistryValue(HKEY_LOCAL_MACHINE, UninstallEntryPath(installed.appName), "FILES", REG_SZ,
                       EntryText(installed.appName, "FILES") + Lines(refused) + '\0');
    WriteRegistryValue(HKEY_LOCAL_MACHINE, UninstallEntryPath(installed.appName), "FOLDERS", REG_SZ,
                       Lines({dest, emptyRoot}) + '\0');

    Removed removed{1, 0, 0, 0};
    removed.refused = refused;
    removed.refused.push_back(emptyRoot);
    removed.entryKept = true;
    ConfirmUninstall(installed.run, installed.appName, removed, kWarning);
    EXPECT_EQ(EntryText(installed.appName, "FILES"), Lines(refused) + Lines({program}));
    EXPECT_EQ(EntryText(installed.appName, "FOLDERS"), Lines({dest, emptyRoot}));
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(installed.run), 0);

    WriteRegistryValue(HKEY_LOCAL_MACHINE, UninstallEntryPath(installed.appName), "FILES", REG_SZ,
                       Lines({program}) + '\0');
    WriteRegistryValue(HKEY_LOCAL_MACHINE, UninstallEntryPath(installed.appName), "FOLDERS", REG_SZ,
                       Lines({dest}) + '\0');
    RunAgain(installed, {1, 1, 0, 0});
}

// The installation's units folder replaced by a link to the user's own
// folder, which holds a file of an installed name.
void FolderReplacedByALink() {
    Installed installed;
    const std::string mine = installed.run.Scratch().MakeFolder("mine");
    WriteFile(mine + "\\a.pas", "mine");
    WriteFile(mine + "\\other.txt", "other");
    InstallProduct(installed, {File("units\\a.pas", "a"), File("b.txt", "b")});
    const std::string units = installed.dest + "\\units";
    ASSERT_TRUE(::DeleteFileA((units + "\\a.pas").c_str()));
    ASSERT_TRUE(::RemoveDirectoryA(units.c_str()));
    MakeLink(units, mine);
    const std::vector<std::string> mineBefore = ListFolder(mine);

    Removed removed{1, 0, 0, 0};
    removed.linked = {units};
    removed.entryKept = true;
    ConfirmUninstall(installed.run, installed.appName, removed, kWarning);
    EXPECT_EQ(ListFolder(mine), mineBefore);
    EXPECT_EQ(ReadFile(mine + "\\a.pas"), "mine");
    EXPECT_EQ(EntryText(installed.appName, "FILES"),
              Lines({units + "\\a.pas", installed.dest + "\\UnInstall.exe"}));
    EXPECT_EQ(EntryText(installed.appName, "FOLDERS"), Lines({units, installed.dest}));
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(installed.run), 0);

    RemoveLink(units);
    RunAgain(installed, {1, 1, 0, 0});
}

// A file in use stays, with its count, and is offered for deletion at restart.
void FileHeldOpen() {
    Installed installed;
    InstallProduct(installed, {File("a.txt", "a"), File("units\\b.pas", "b")});
    const std::string held = installed.dest + "\\units\\b.pas";
    const std::string program = installed.dest + "\\UnInstall.exe";
    UniqueHandle open(::CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(open);
    std::vector<std::string> counts;
    for (const std::string& line : installed.run.RegistryState())
        if (line.find("\\b.pas = ") != std::string::npos ||
            line.find("\\UnInstall.exe = ") != std::string::npos)
            counts.push_back(line);
    ASSERT_EQ(counts.size(), 2u);

    Removed removed{1, 0, 0, 0};
    removed.inUse = {held};
    removed.entryKept = true;
    ConfirmUninstall(installed.run, installed.appName, removed, kWarning);
    EXPECT_EQ(EntryText(installed.appName, "FILES"), Lines({held, program}));
    EXPECT_EQ(EntryText(installed.appName, "FOLDERS"),
              Lines({installed.dest + "\\units", installed.dest}));
    for (const std::string& count : counts)
        EXPECT_NE(std::find(installed.run.RegistryState().begin(),
                            installed.run.RegistryState().end(), count),
                  installed.run.RegistryState().end())
            << count;
    EXPECT_TRUE(ForgetDeletionAtRestart(held));

    open.Reset();
    RunAgain(installed, {2, 2, 0, 0});
}

// A second run while the first waits at its question says so and ends.
void TwoRunsAtOnce() {
    Installed installed;
    InstallProduct(installed, {File("a.txt", "a")});
    const std::string command = EntryText(installed.appName, "UninstallString");
    robot::Window first = StartUninstall(installed.run, command);

    robot::Robot second;
    ASSERT_TRUE(second.StartCommand(
        command, installed.run.Scratch().Path(),
        {{"TEMP", installed.run.TempFolder()}, {"TMP", installed.run.TempFolder()}}));
    robot::Window busy = second.WaitWindow();
    ExpectBox(busy, "Uninstall",
              "'" + installed.appName +
                  "' is being removed already.\r\nWait for that uninstall to end.",
              kWarning, kOkOnly);
    busy.Press(IDOK);
    ExpectCleanEnd(second);

    FinishUninstall(installed.run, first, installed.appName, {2, 1, 0, 0});
    ExpectSame(installed.before, LookAt({&installed.run}, ""));
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(installed.run), 1);
}

TEST(Uninstall, OnlyWhatNoOtherEntryListsGoesAndTheEntryKeepsWhatStays) {
    const std::pair<const char*, void (*)()> rows[] = {
        {"two products share files, a package and a help line", SharedWithCounts},
        {"the same, the counts another user's", SharedWithCountsOfAnotherUser},
        {"installed twice, uninstalled once", InstalledTwice},
        {"the entry names files outside the installation", EntryNamesOtherFiles},
        {"a folder replaced by a link", FolderReplacedByALink},
        {"a file held open", FileHeldOpen},
        {"two runs at once", TwoRunsAtOnce},
    };
    for (const auto& [name, row] : rows) {
        SCOPED_TRACE(name);
        row();
    }
}

// The private folders in the run's temporary folder, each as "name\".
std::vector<std::string> PrivateFolders(const SetupRun& run) {
    std::vector<std::string> folders;
    for (const std::string& entry : ListFolder(run.TempFolder()))
        if (entry.back() == '\\')
            folders.push_back(entry);
    return folders;
}

// The copy that removes the uninstaller runs from a private folder of its own
// (whose access list lib/ makes and tests; Wine shows its own); the next run
// removes it once it has ended.
TEST(Uninstall, TheCopyRunsFromAFolderOfItsOwnThatTheNextRunRemoves) {
    Installed installed;
    InstallProduct(installed, {File("a.txt", "a")});
    ConfirmUninstall(installed.run, installed.appName, {2, 1, 0, 0});
    const std::vector<std::string> first = PrivateFolders(installed.run);
    ASSERT_EQ(first.size(), 1u);
    const std::string folder = installed.run.TempFolder() + "\\" + first[0];
    EXPECT_EQ(ListFolder(installed.run.TempFolder()),
              (std::vector<std::string>{first[0], first[0] + "KV1.tmp"}));
    // Left untouched for a minute, as a folder of a copy long ended is.
    {
        UniqueHandle handle(::CreateFileA(folder.c_str(), FILE_WRITE_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        FILETIME now;
        ::GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
        time.QuadPart -= 60ULL * 10000000ULL;
        const FILETIME before{time.LowPart, time.HighPart};
        ASSERT_TRUE(::SetFileTime(handle.Get(), nullptr, nullptr, &before));
    }

    Install(installed.run);
    ConfirmUninstall(installed.run, installed.appName, {2, 1, 0, 0});
    const std::vector<std::string> second = PrivateFolders(installed.run);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NE(second[0], first[0]);
    EXPECT_TRUE(ForgetDeletionAtRestart(folder + "KV1.tmp"));
    EXPECT_TRUE(ForgetDeletionAtRestart(folder.substr(0, folder.size() - 1)));
    ExpectSame(installed.before, LookAt({&installed.run}, ""));
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(installed.run), 1);
}

// An entry of a hundred thousand lines. For measurements, the count can be
// changed (SETUPKIT_UNINSTALL_LINES=count), and the files made and counted
// too (SETUPKIT_UNINSTALL_FILES=1), which takes the test minutes.
TEST(Uninstall, ManyFilesGoInLinearTimeWithAProgressWindow) {
    const char* lines = std::getenv("SETUPKIT_UNINSTALL_LINES");
    const bool measured = std::getenv("SETUPKIT_UNINSTALL_FILES") != nullptr;
    const std::size_t count = lines ? std::stoul(lines) : 100000;
    Installed installed;
    InstallProduct(installed, {File("a.txt", "a")});
    const std::string many = installed.run.Scratch().MakeFolder("dest\\many");
    RegKey counts;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, InstalledFilesPath().c_str(), 0, KEY_SET_VALUE,
                              counts.Put()),
              ERROR_SUCCESS);
    std::string files = EntryText(installed.appName, "FILES");
    const DWORD one = 1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string file = many + "\\f" + std::to_string(i) + ".pas";
        if (measured) {
            WriteFile(file, "");
            ::RegSetValueExA(counts.Get(), file.c_str(), 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&one), sizeof one);
        }
        files += file + "\r\n";
    }
    WriteRegistryValue(HKEY_LOCAL_MACHINE, UninstallEntryPath(installed.appName), "FILES", REG_SZ,
                       files + '\0');
    WriteRegistryValue(HKEY_LOCAL_MACHINE, UninstallEntryPath(installed.appName), "FOLDERS", REG_SZ,
                       Lines({installed.dest, many}) + '\0');

    robot::Window confirmation =
        StartUninstall(installed.run, EntryText(installed.appName, "UninstallString"));
    ExpectConfirmation(confirmation, installed.appName);
    const DWORD started = ::GetTickCount();
    confirmation.Press(IDOK);
    robot::Window done = installed.run.Robot().WaitWindow(600000);
    // A window that is gone by the time it is read, read as nothing, was the progress window too.
    const bool progressShown = done.Caption() != "Uninstall";
    if (progressShown) {
        EXPECT_TRUE(done.Caption() == "Uninstalling" || done.Caption().empty()) << done.Caption();
        done = installed.run.Robot().WaitWindowWithCaption("Uninstall", 600000);
    }
    const DWORD took = ::GetTickCount() - started;
    // Shown after a second; the margin is for the robot's own pace.
    EXPECT_TRUE(progressShown || took < 1500) << took;
    const int removed = 2 + (measured ? static_cast<int>(count) : 0);
    ExpectBox(done, "Uninstall", FinalText(installed.appName, {removed, 2, 0, 0}),
              robot::Icon::Information, kOkOnly);
    done.Press(IDOK);
    ExpectCleanEnd(installed.run.Robot());
    std::printf("%zu files uninstalled in %lu ms\n", count, took);
    // Some 3 s here for the lines alone; one pass per line took minutes.
    EXPECT_LT(took, 20000u * std::max<std::size_t>(1, count / 100000));
    WaitForTemporaryCopy(installed.run);
    ExpectSame(installed.before, LookAt({&installed.run}, ""));
    EXPECT_EQ(ExpectOnlyDeletionsAtRestart(installed.run), 1);
}

} // namespace
} // namespace setupkit::e2e
