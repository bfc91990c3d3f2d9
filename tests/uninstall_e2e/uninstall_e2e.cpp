#include "tests/uninstall_e2e/uninstall_e2e.h"

#include "builder/product.h"
#include "lib/path.h"
#include "lib/text.h"
#include "tests/install_e2e/standin_ide.h"
#include "tests/support/registry.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>

namespace setupkit::e2e {
namespace {

constexpr const char* kSessionManagerKey = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingValue = "PendingFileRenameOperations";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> Without(std::vector<std::string> lines, const std::string& prefix) {
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const std::string& line) { return StartsWith(line, prefix); }),
                lines.end());
    return lines;
}

std::vector<std::string> Containing(const std::vector<std::string>& lines,
                                    const std::string& part) {
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos)
            found.push_back(line);
    return found;
}

// The pairs of the list the system works through at the next start: a
// "\??\"-prefixed path and its new name, empty for a deletion.
std::vector<std::string> PendingOperations() {
    const std::string data =
        test::ReadRawValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingValue).bytes;
    std::vector<std::string> strings;
    for (std::size_t start = 0; start < data.size();) {
        const std::size_t end = std::min(data.find('\0', start), data.size());
        strings.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    // The list ends with an empty string of its own.
    if (strings.size() % 2)
        strings.pop_back();
    return strings;
}

void WritePendingOperations(const std::vector<std::string>& strings) {
    std::string data;
    for (const std::string& text : strings)
        data += text + '\0';
    WriteRegistryValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingValue, REG_MULTI_SZ,
                       data + '\0');
}

bool IsDeletionAtRestart(const std::vector<std::string>& pending, std::size_t pair,
                         const std::string& path) {
    return SameText(pending[pair], "\\??\\" + path) && pending[pair + 1].empty();
}

// The temporary copy of the uninstaller (in a folder of its own there) ends
// on its own after the original; the test goes on once it has.
void WaitForProgramsIn(const std::string& folder) {
    const std::vector<std::string> names = ListFolder(folder);
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 process = {};
    process.dwSize = sizeof process;
    for (BOOL more = ::Process32First(snapshot.Get(), &process); more;
         more = ::Process32Next(snapshot.Get(), &process)) {
        const std::string name = path::ExtractFileName(process.szExeFile);
        if (std::none_of(names.begin(), names.end(), [&](const std::string& file) {
                return SameText(path::ExtractFileName(file), name);
            }))
            continue;
        UniqueHandle running(::OpenProcess(SYNCHRONIZE, FALSE, process.th32ProcessID));
        EXPECT_EQ(::WaitForSingleObject(running.Get(), 15000), WAIT_OBJECT_0)
            << "the temporary copy " << process.szExeFile << " does not end";
    }
}

} // namespace

Resources ProductSetup(const Product& product) {
    std::vector<builder::RarEntry> payload = product.payload;
    EXPECT_TRUE(builder::AddUninstaller(payload, ReadFile(UninstallerPath())));
    Resources resources = Payload(payload);
    resources.insert(resources.end(), {{"APPNAME", product.appName},
                                       {"PRODUCTNAME", product.family},
                                       {"SUBPRODUCTNAME", product.subProducts},
                                       {"VERSION", "1.0"},
                                       {"INSTALLDIR", product.installDir},
                                       {"DELPHIVER", "D5"},
                                       {"PROMPTINSTALLDIR", "No"},
                                       {"CHECKDELPHI", "No"},
                                       {"SUCCESSMESSAGE", "Yes"}});
    return resources;
}

void Install(SetupRun& run) {
    ASSERT_TRUE(StartSpine(run));
    robot::Window welcome = run.Robot().WaitWindow();
    ASSERT_EQ(welcome.Caption(), "Welcome!");
    welcome.Press(IDOK);
    robot::Window done = run.Robot().WaitWindowWithCaption("Setup", 60000);
    ExpectCompleted(done);
    done.Press(IDOK);
    ExpectCleanEnd(run.Robot());
}

std::string EntryText(const std::string& appName, const std::string& name) {
    const std::string bytes =
        test::ReadRawValue(HKEY_LOCAL_MACHINE, UninstallEntryPath(appName), name).bytes;
    return bytes.substr(0, bytes.find('\0'));
}

robot::Window StartUninstall(SetupRun& run, const std::string& command) {
    EXPECT_TRUE(run.Robot().StartCommand(command, run.Scratch().Path(),
                                         {{"TEMP", run.TempFolder()}, {"TMP", run.TempFolder()}}));
    return run.Robot().WaitWindow();
}

void ExpectConfirmation(const robot::Window& box, const std::string& appName) {
    ExpectBox(box, "Uninstall",
              "This program will remove '" + appName +
                  "' from your computer.\r\n"
                  "Press the OK button to remove it.\r\nPress the Cancel button to keep it.",
              robot::Icon::Question, kOkCancel);
}

std::string FinalText(const std::string& appName, const Removed& removed) {
    std::string text =
        "'" + appName + (removed.entryKept ? "' was partly removed" : "' was removed") +
        " from your computer.\r\n" +
        (removed.entryKept
             ? "Its uninstall entry keeps what is left: run the uninstall again to remove it.\r\n"
             : "") +
        "\r\nFiles removed: " + std::to_string(removed.files) +
        "\r\nFolders removed: " + std::to_string(removed.folders) +
        "\r\nPackages removed from the IDE: " + std::to_string(removed.packages) +
        "\r\nHelp entries removed from the IDE: " + std::to_string(removed.helpEntries);
    const std::pair<const char*, const std::vector<std::string>*> sections[] = {
        {"Kept because another product still uses them:", &removed.kept},
        {"Left in place because they hold other files:", &removed.notEmpty},
        {"Could not be removed:", &removed.inUse},
        {"To be removed when the computer restarts:", &removed.inUse},
        {"Left alone because they lie outside the folders a setup writes to:", &removed.refused},
        {"Left alone because they are reached through a link:", &removed.linked},
        {"These records have an unexpected type and were left as they are:", &removed.unreadable}};
    for (const auto& [heading, items] : sections) {
        if (items->empty())
            continue;
        text += std::string("\r\n\r\n") + heading;
        for (const std::string& item : *items)
            text += "\r\n" + item;
    }
    return text;
}

void ConfirmUninstall(SetupRun& run, const std::string& appName, const Removed& removed,
                      robot::Icon icon) {
    FinishUninstall(run, StartUninstall(run, EntryText(appName, "UninstallString")), appName,
                    removed, icon);
}

void FinishUninstall(SetupRun& run, robot::Window confirmation, const std::string& appName,
                     const Removed& removed, robot::Icon icon) {
    ExpectConfirmation(confirmation, appName);
    confirmation.Press(IDOK);
    if (!removed.inUse.empty()) {
        std::string files;
        for (const std::string& file : removed.inUse)
            files += file + "\r\n";
        robot::Window offer = run.Robot().WaitWindow(60000);
        ExpectBox(offer, "Uninstall",
                  "These files are in use and could not be removed:\r\n" + files +
                      "\r\nPress the OK button to remove them when the computer restarts.\r\n"
                      "Press the Cancel button to leave them.",
                  robot::Icon::Question, kOkCancel);
        offer.Press(IDOK);
    }
    robot::Window done = run.Robot().WaitWindow(60000);
    ExpectBox(done, "Uninstall", FinalText(appName, removed), icon, kOkOnly);
    done.Press(IDOK);
    ExpectCleanEnd(run.Robot());
    WaitForProgramsIn(run.TempFolder());
}

Machine LookAt(const std::vector<const SetupRun*>& runs, const std::string& helpContents) {
    Machine machine;
    const SetupRun& first = *runs.front();
    machine.files = Without(ListFolder(first.Scratch().Path()), "temp\\");
    machine.systemFolder = ListFolder(SystemFolder());
    // Other tests may make shortcuts meanwhile; this test's carry its name.
    machine.shortcuts = Containing(ListFolder(ProgramsFolder()), UniqueName(""));
    for (const SetupRun* run : runs)
        for (const std::string& line : run->RegistryState())
            machine.registry.push_back(line);
    for (const std::string& line : RegistrySnapshot(HKEY_CURRENT_USER, StandinIde::kKnownPackages))
        machine.registry.push_back("Known Packages" + line);
    std::sort(machine.registry.begin(), machine.registry.end());
    machine.registry.erase(std::unique(machine.registry.begin(), machine.registry.end()),
                           machine.registry.end());
    machine.helpContents = ReadFile(helpContents);
    return machine;
}

void ExpectSame(const Machine& expected, const Machine& actual) {
    EXPECT_EQ(expected.files, actual.files);
    EXPECT_EQ(expected.systemFolder, actual.systemFolder);
    EXPECT_EQ(expected.shortcuts, actual.shortcuts);
    EXPECT_EQ(expected.registry, actual.registry);
    EXPECT_EQ(expected.helpContents, actual.helpContents);
}

void WaitForTemporaryCopy(const SetupRun& run) {
    WaitForProgramsIn(run.TempFolder());
}

bool ForgetDeletionAtRestart(const std::string& path) {
    std::vector<std::string> pending = PendingOperations();
    for (std::size_t pair = 0; pair < pending.size(); pair += 2)
        if (IsDeletionAtRestart(pending, pair, path)) {
            pending.erase(pending.begin() + pair, pending.begin() + pair + 2);
            WritePendingOperations(pending);
            return true;
        }
    return false;
}

namespace {

std::string UnixPath(const std::string& path) {
    using ToUnix = char*(__cdecl*)(const wchar_t*);
    const auto toUnix =
        ProcAddress<ToUnix>(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!toUnix)
        return std::string();
    const std::wstring wide(path.begin(), path.end());
    char* unix = toUnix(wide.c_str());
    const std::string result = unix ? unix : "";
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return result;
}

// Runs a Unix program, which Wine starts as it starts any other; it ends at
// once, so the test waits until what it does can be seen.
void RunUnix(const std::string& commandLine, const std::string& path, bool exists) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string line = commandLine;
    ASSERT_TRUE(::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &info))
        << commandLine;
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    for (int i = 0;
         i < 100 && (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) != exists; ++i)
        ::Sleep(50);
}

} // namespace

void MakeLink(const std::string& link, const std::string& target) {
    RunUnix("Z:\\bin\\ln -s " + UnixPath(target) + " " + UnixPath(link), link, true);
    ASSERT_TRUE(::GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
}

void RemoveLink(const std::string& link) {
    RunUnix("Z:\\bin\\rm " + UnixPath(link), link, false);
}

int ExpectOnlyDeletionsAtRestart(const SetupRun& run) {
    std::vector<std::string> pending = PendingOperations();
    const std::vector<std::string> entries = ListFolder(run.TempFolder());
    int files = 0;
    for (const std::string& entry : entries) {
        // A folder goes too, once the files in it are gone by then.
        const bool isFolder = entry.back() == '\\';
        files += isFolder ? 0 : 1;
        const std::string path =
            run.TempFolder() + "\\" + (isFolder ? entry.substr(0, entry.size() - 1) : entry);
        bool found = false;
        for (std::size_t pair = 0; pair < pending.size() && !found; pair += 2)
            if (IsDeletionAtRestart(pending, pair, path)) {
                pending.erase(pending.begin() + pair, pending.begin() + pair + 2);
                found = true;
            }
        EXPECT_TRUE(found) << path << " stays after a restart";
    }
    if (!entries.empty())
        WritePendingOperations(pending);
    return files;
}

std::string ProgramsFolder() {
    char path[MAX_PATH] = {};
    ::SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, FALSE);
    return std::string(path) + "\\";
}

std::string SystemFolder() {
    char path[MAX_PATH] = {};
    ::GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path) + "\\";
}

} // namespace setupkit::e2e
