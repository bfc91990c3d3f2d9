// Resource and flag reading checked on the real resources of a program: the
// test makes copies of itself carrying chosen resources and has each copy
// report what it reads ("probe" mode, below).
#include "builder/resources.h"
#include "lib/config_resources.h"
#include "lib/private_folder.h"
#include "lib/system_dlls.h"
#include "lib/temp_file.h"
#include "tests/robot/robot.h"
#include "tests/support/registry.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace setupkit {
namespace {

using e2e::Hex;
using e2e::ReadFile;
using e2e::ScratchFolder;

// One line per name: what each reading function answers for it.
std::string Report(const std::string& name) {
    ConfigResourceData locked = LockConfigResource(name);
    const std::string lock = locked.data ? std::to_string(locked.size) : "null";
    ReleaseConfigResource(locked.handle);
    return name + " text=" + Hex(ReadConfigResource(name)) + " lock=" + lock +
           " on=" + std::to_string(IsOptionOn(name)) + " yes=" + std::to_string(IsOptionYes(name)) +
           "\n";
}

int Probe(int argc, char** argv) {
    std::string report;
    for (int i = 3; i < argc; ++i)
        report += Report(argv[i]);
    e2e::WriteFile(argv[2], report);
    return 0;
}

std::string SelfPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// What a copy of this program carrying `resources` reads for each name.
std::map<std::string, std::string> ProbeCopy(const std::vector<builder::RcDataResource>& resources,
                                             const std::vector<std::string>& names) {
    ScratchFolder scratch;
    const std::string copy = scratch.File("probe.exe");
    const std::string output = scratch.File("report.txt");
    builder::WriteSetupFile(SelfPath(), copy, resources);
    std::string command = "\"" + copy + "\" probe \"" + output + "\"";
    for (const std::string& name : names)
        command += " " + name;
    robot::Robot robot;
    EXPECT_TRUE(robot.StartCommand(command, scratch.Path()));
    EXPECT_EQ(robot.WaitExit(), 0u);
    std::map<std::string, std::string> lines;
    const std::string report = ReadFile(output);
    for (size_t start = 0; start < report.size();) {
        const size_t end = report.find('\n', start);
        const std::string line = report.substr(start, end - start);
        lines[line.substr(0, line.find(' '))] = line.substr(line.find(' ') + 1);
        start = end + 1;
    }
    return lines;
}

TEST(ConfigResources, TextIsExactlyTheStoredBytes) {
    const std::string appName = "Corvel Nodemark 2.1 for Delphi 5.";
    const std::vector<builder::RcDataResource> resources = {
        {"APPNAME", appName},
        {"LINEEND", "C:\\Corvel\r\n"},
        {"ZERO", std::string("a\0b", 3)},
        {"HIGH", "\x80\xE9\xFF"},
        {"EMPTY", ""},
    };
    const auto lines =
        ProbeCopy(resources, {"APPNAME", "LINEEND", "ZERO", "HIGH", "EMPTY", "ABSENT"});
    ASSERT_EQ(appName.size(), 33u);
    EXPECT_EQ(lines.at("APPNAME"), "text=" + Hex(appName) + " lock=33 on=1 yes=0");
    EXPECT_EQ(lines.at("LINEEND"), "text=" + Hex("C:\\Corvel\r\n") + " lock=11 on=1 yes=0");
    EXPECT_EQ(lines.at("ZERO"), "text=610062 lock=3 on=1 yes=0");
    EXPECT_EQ(lines.at("HIGH"), "text=80E9FF lock=3 on=1 yes=0");
    EXPECT_EQ(lines.at("ABSENT"), "text= lock=null on=1 yes=0");
    // An empty resource reads as empty text, whatever its pointer.
    EXPECT_EQ(lines.at("EMPTY").substr(0, 6), "text= ");
}

TEST(ConfigResources, FlagsCompareTheWholeTextCaseSensitively) {
    const std::vector<builder::RcDataResource> resources = {
        {"NO", "No"},         {"NOBLANK", "No "},  {"LOWERNO", "no"},
        {"NOLINE", "No\r\n"}, {"YES", "Yes"},      {"YESLINE", "Yes\r\n"},
        {"LOWERYES", "yes"},  {"UPPERYES", "YES"}, {"BLANKYES", " Yes"},
    };
    const auto lines = ProbeCopy(resources, {"NO", "NOBLANK", "LOWERNO", "NOLINE", "YES", "YESLINE",
                                             "LOWERYES", "UPPERYES", "BLANKYES", "ABSENT"});
    const std::map<std::string, std::pair<int, int>> expected = {
        {"NO", {0, 0}},       {"NOBLANK", {1, 0}}, {"LOWERNO", {1, 0}},  {"NOLINE", {1, 0}},
        {"YES", {1, 1}},      {"YESLINE", {1, 0}}, {"LOWERYES", {1, 0}}, {"UPPERYES", {1, 0}},
        {"BLANKYES", {1, 0}}, {"ABSENT", {1, 0}}};
    for (const auto& [name, flags] : expected) {
        const std::string& line = lines.at(name);
        EXPECT_EQ(line.substr(line.find(" on=")),
                  " on=" + std::to_string(flags.first) + " yes=" + std::to_string(flags.second))
            << name;
    }
}

// Points the process's temporary folder elsewhere for the length of a test.
class TempFolderOverride {
  public:
    explicit TempFolderOverride(const std::string& folder) {
        ::SetEnvironmentVariableA("TMP", folder.c_str());
        ::SetEnvironmentVariableA("TEMP", folder.c_str());
    }
    ~TempFolderOverride() {
        ::SetEnvironmentVariableA("TMP", saved_.c_str());
        ::SetEnvironmentVariableA("TEMP", saved_.c_str());
    }

  private:
    std::string saved_ = GetTempFolder();
};

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

TEST(TempFiles, TempFolderLosesItsBackslashExceptAtADriveRoot) {
    ScratchFolder scratch;
    {
        TempFolderOverride temp(scratch.Path() + "\\");
        EXPECT_EQ(GetTempFolder(), scratch.Path());
    }
    TempFolderOverride temp("C:\\");
    EXPECT_EQ(GetTempFolder(), "C:\\");
}

TEST(TempFiles, EachNewFileGetsItsOwnNameAndExists) {
    ScratchFolder scratch;
    TempFolderOverride temp(scratch.Path());
    const std::string first = MakeTempFileName("tempfile");
    const std::string second = MakeTempFileName("tempfile");
    EXPECT_NE(first, second);
    EXPECT_TRUE(StartsWith(first, scratch.Path() + "\\tem")) << first;
    EXPECT_TRUE(StartsWith(second, scratch.Path() + "\\tem")) << second;
    EXPECT_TRUE(e2e::FileExists(first));
    EXPECT_TRUE(e2e::FileExists(second));
}

TEST(TempFiles, AMissingTempFolderGivesNoFile) {
    ScratchFolder scratch;
    TempFolderOverride temp(scratch.File("missing"));
    EXPECT_EQ(MakeTempFileName("KV"), "");
    EXPECT_FALSE(PrivateFolder().Valid());
}

// Some systems report a folder too long for the buffer by the size it needs,
// with nothing copied into the buffer.
TEST(TempFiles, AnAnswerThatDidNotFitTheBufferIsNoFolder) {
    const std::string buffer(MAX_PATH, 'x');
    for (const DWORD length : {DWORD(0), DWORD(MAX_PATH), DWORD(MAX_PATH + 40)})
        EXPECT_EQ(TempFolderFromAnswer(buffer.data(), length), "") << length;
    EXPECT_EQ(TempFolderFromAnswer("C:\\Temp\\", 8), "C:\\Temp");
    EXPECT_EQ(TempFolderFromAnswer("C:\\", 3), "C:\\");
}

bool WriteText(const UniqueHandle& file, const std::string& text) {
    DWORD written = 0;
    return ::WriteFile(file.Get(), text.data(), text.size(), &written, nullptr) &&
           written == text.size();
}

UniqueHandle OpenForWriting(const std::string& path) {
    return UniqueHandle(::CreateFileA(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
}

TEST(PrivateFolders, EachRunGetsAFolderOfItsOwnThatGoesWithItsFiles) {
    ScratchFolder scratch;
    TempFolderOverride temp(scratch.Path());
    std::string first;
    std::string file;
    {
        PrivateFolder folder;
        PrivateFolder other;
        ASSERT_TRUE(folder.Valid());
        first = folder.Path();
        EXPECT_TRUE(StartsWith(first, scratch.Path() + "\\KVprivate-")) << first;
        EXPECT_EQ(first.size(), scratch.Path().size() + 27);
        EXPECT_NE(other.Path(), first);
        UniqueHandle written = folder.NewFile(file);
        ASSERT_TRUE(written.Valid());
        EXPECT_TRUE(StartsWith(file, first + "\\KV")) << file;
        // While it is written, nobody else may write it; readers may look.
        EXPECT_FALSE(OpenForWriting(file).Valid());
        EXPECT_EQ(::GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
        ASSERT_TRUE(WriteText(written, "data"));
        written.Reset();
        EXPECT_EQ(ReadFile(file), "data");
        std::string second;
        EXPECT_TRUE(folder.NewFile(second).Valid());
        EXPECT_NE(second, file);
    }
    EXPECT_FALSE(e2e::FolderExists(first));
    EXPECT_EQ(e2e::ListFolder(scratch.Path()), std::vector<std::string>());
}

// Only the current user may do anything in the folder. The system's own
// account is allowed too: Wine reports the folder's owner as such an entry.
TEST(PrivateFolders, NoOneButTheCurrentUserIsGrantedAccess) {
    ScratchFolder scratch;
    TempFolderOverride temp(scratch.Path());
    PrivateFolder folder;
    ASSERT_TRUE(folder.Valid());
    DWORD size = 0;
    ::GetFileSecurityA(folder.Path().c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size);
    ASSERT_TRUE(::GetFileSecurityA(folder.Path().c_str(), DACL_SECURITY_INFORMATION,
                                   descriptor.data(), size, &size));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted));
    ASSERT_TRUE(present && acl);
    UniqueHandle token;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put()));
    BYTE user[256];
    ASSERT_TRUE(::GetTokenInformation(token.Get(), TokenUser, user, sizeof user, &size));
    const PSID self = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
    BYTE system[SECURITY_MAX_SID_SIZE];
    size = sizeof system;
    ASSERT_TRUE(::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &size));
    bool selfAllowed = false;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* ace = nullptr;
        ASSERT_TRUE(::GetAce(acl, i, &ace));
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        ASSERT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        const PSID sid = &allowed->SidStart;
        EXPECT_TRUE(::EqualSid(sid, self) || ::EqualSid(sid, system)) << "entry " << i;
        selfAllowed = selfAllowed || ::EqualSid(sid, self);
    }
    EXPECT_TRUE(selfAllowed);
}

// A folder still held by its run stays however old; one whose run ended
// without removing it (killed, say) goes with its files once it has been left
// alone a while; a folder of another name stays.
TEST(PrivateFolders, LaterRunsRemoveOnlyOldFoldersNoRunHolds) {
    ScratchFolder scratch;
    TempFolderOverride temp(scratch.Path());
    PrivateFolder live;
    std::string liveFile;
    live.NewFile(liveFile).Reset();
    e2e::AgeFolder(live.Path());
    std::string left;
    std::string recent;
    for (std::string* kept : {&left, &recent}) {
        PrivateFolder killed;
        std::string file;
        ASSERT_TRUE(WriteText(killed.NewFile(file), "a full archive"));
        *kept = killed.Keep();
    }
    e2e::AgeFolder(left);
    const std::string other = scratch.MakeFolder("KVother");
    e2e::AgeFolder(other);
    RemoveStalePrivateFolders();
    EXPECT_FALSE(e2e::FolderExists(left));
    EXPECT_TRUE(e2e::FolderExists(recent));
    EXPECT_TRUE(e2e::FileExists(liveFile));
    EXPECT_TRUE(e2e::FolderExists(other));
}

TEST(SystemDlls, ALibraryIsTakenFromTheSystemFolderByItsFullPath) {
    const LoadedModule version = LoadSystemLibrary("version.dll");
    ASSERT_TRUE(version.Valid());
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(version.Get(), path, MAX_PATH);
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(lstrcmpiA(path, (std::string(system) + "\\version.dll").c_str()), 0) << path;
    EXPECT_FALSE(LoadSystemLibrary("no such library.dll").Valid());
}

} // namespace
} // namespace setupkit

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "probe")
        return setupkit::Probe(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
