#include "tests/setup_e2e/spine.h"

#include <shlobj.h>

namespace setupkit::e2e {
namespace {

using robot::Window;

TEST(SetupWelcome, EveryWayOfDecliningEndsTheRunWithoutATrace) {
    for (const char* way : {"Cancel", "Escape", "Close box"}) {
        SCOPED_TRACE(way);
        SetupRun run;
        const Resources resources = With(SpineResources(run), "SUCCESSMESSAGE", "Yes");
        run.Build(resources);
        ASSERT_TRUE(StartSpine(run));
        Window box = run.Robot().WaitWindow();
        ExpectWelcome(box, Get(resources, "APPNAME") + " Version 1.0");
        if (way == std::string("Cancel"))
            box.Press(IDCANCEL);
        else if (way == std::string("Escape"))
            box.PressEscape();
        else
            box.Close();
        ExpectCleanEnd(run.Robot());
        EXPECT_EQ(run.RegistryState(), std::vector<std::string>());
        EXPECT_EQ(ListFolder(run.Scratch().Path()),
                  (std::vector<std::string>{"setup.exe", "temp\\"}));
    }
}

TEST(SetupWelcome, NamesTheVersionOnlyWhenThereIsOne) {
    struct Case {
        const char* label;
        bool present;
        const char* version;
        const char* suffix;
    };
    const Case cases[] = {{"version", true, "2.1", " Version 2.1"},
                          {"empty version", true, "", ""},
                          {"no version resource", false, "", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetupRun run;
        Resources resources = SpineResources(run);
        resources =
            c.present ? With(resources, "VERSION", c.version) : Without(resources, "VERSION");
        run.Build(resources);
        ASSERT_TRUE(StartSpine(run));
        Window box = run.Robot().WaitWindow();
        ExpectWelcome(box, Get(resources, "APPNAME") + c.suffix);
        box.Press(IDCANCEL);
        ExpectCleanEnd(run.Robot());
    }
}

TEST(SetupWelcome, ValuesKeepTheLineEndTheyWereStoredWith) {
    SetupRun run;
    const std::string appName = UniqueName("Spine App");
    const Resources resources =
        With(With(SpineResources(run), "APPNAME", appName + "\r\n"), "VERSION", "3.0\r\n");
    run.Build(resources);
    ASSERT_TRUE(StartSpine(run));
    Window box = run.Robot().WaitWindow();
    ExpectWelcome(box, appName + "\r\n Version 3.0\r\n");
    box.Press(IDCANCEL);
    ExpectCleanEnd(run.Robot());
}

// The program the setup offers to open at the end. It is in the payload as
// well; placing it here first keeps these tests about the question alone.
std::string PlaceProgram(const SetupRun& run) {
    const std::string dest = run.Scratch().MakeFolder("dest");
    EXPECT_TRUE(
        ::CopyFileA(ToolPath("leave_mark").c_str(), (dest + "\\leave_mark.exe").c_str(), FALSE));
    return dest;
}

// The started program runs on its own; give it time to leave its mark.
bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 200; ++i) {
        if (FileExists(path) && !ReadFile(path).empty())
            return true;
        ::Sleep(50);
    }
    return false;
}

TEST(SetupRunAfterInstall, WithoutTheResourceNothingIsAsked) {
    SetupRun run;
    const Resources resources = With(SpineResources(run), "SUCCESSMESSAGE", "Yes");
    run.Build(resources);
    ASSERT_TRUE(StartSpine(run));
    run.Robot().WaitWindow().Press(IDOK);
    ExpectCompleted(run.Robot().WaitWindow());
    run.Robot().WaitWindow().Press(IDOK);
    ExpectCleanEnd(run.Robot());
}

TEST(SetupRunAfterInstall, QuestionComesBeforeTheSuccessBoxAndOkOpensTheProgram) {
    SetupRun run;
    const std::string dest = PlaceProgram(run);
    const Resources resources = With(With(SpineResources(run), "SUCCESSMESSAGE", "Yes"),
                                     "RUNAFTERINSTALL", "leave_mark.exe");
    run.Build(resources);
    ASSERT_TRUE(StartSpine(run));
    run.Robot().WaitWindow().Press(IDOK);
    Window question = run.Robot().WaitWindow();
    ExpectBox(question, "Welcome!", "Would you like to run leave_mark.exe right now?",
              robot::Icon::Information, kOkCancel);
    question.Press(IDOK);
    Window completed = run.Robot().WaitWindow();
    ExpectCompleted(completed);
    completed.Press(IDOK);
    ExpectCleanEnd(run.Robot());
    // Started in the destination folder, from there.
    ASSERT_TRUE(WaitForFile(dest + "\\mark.txt"));
    EXPECT_EQ(ReadFile(dest + "\\mark.txt"), dest + "\r\n" + dest + "\\leave_mark.exe\r\n");
}

TEST(SetupRunAfterInstall, CancelLeavesTheProgramUnopened) {
    SetupRun run;
    const std::string dest = PlaceProgram(run);
    run.Build(With(SpineResources(run), "RUNAFTERINSTALL", "leave_mark.exe"));
    ASSERT_TRUE(StartSpine(run));
    run.Robot().WaitWindow().Press(IDOK);
    run.Robot().WaitWindowWithCaption("Welcome!").Press(IDCANCEL);
    ExpectCleanEnd(run.Robot());
    ::Sleep(1000);
    EXPECT_FALSE(FileExists(dest + "\\mark.txt"));
}

std::string ProgramsFolder() {
    char path[MAX_PATH] = {};
    ::SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, FALSE);
    return path;
}

TEST(SetupLists, ALastLineWithoutLineEndStillCounts) {
    SetupRun run;
    const std::string first = UniqueName("Spine Link A");
    const std::string last = UniqueName("Spine Link B");
    const std::string programs = ProgramsFolder();
    ASSERT_FALSE(programs.empty());
    const std::string firstLink = programs + "\\" + first + ".lnk";
    const std::string lastLink = programs + "\\" + last + ".lnk";
    run.RemoveAtEnd(firstLink);
    run.RemoveAtEnd(lastLink);
    const Resources resources =
        With(SpineResources(run), "PROGLINKS", first + "=a.exe\r\n" + last + "=b.exe");
    run.Build(resources);
    ASSERT_TRUE(StartSpine(run));
    run.Robot().WaitWindow().Press(IDOK);
    ExpectCleanEnd(run.Robot());
    EXPECT_TRUE(FileExists(firstLink));
    EXPECT_TRUE(FileExists(lastLink));
    // The uninstall entry lists both shortcuts, last among the installed files.
    const std::string files = "\\FILES = REG_SZ \"";
    const std::string links = firstLink + "\r\n" + lastLink + "\r\n\"\\0";
    const std::vector<std::string> state = run.RegistryState();
    const auto entry = std::find_if(state.begin(), state.end(), [&](const std::string& line) {
        return line.find(files) != std::string::npos;
    });
    ASSERT_NE(entry, state.end()) << ::testing::PrintToString(state);
    ASSERT_GE(entry->size(), links.size());
    EXPECT_EQ(entry->substr(entry->size() - links.size()), links);
}

TEST(SetupFailure, AnErrorDuringTheRunIsReportedOnceAsInstallationFailed) {
    SetupRun run;
    const Resources resources = With(SpineResources(run), "SUCCESSMESSAGE", "Yes");
    run.Build(resources);
    // The family's record holds its version as a number: a registry type
    // error on the first read of the run.
    WriteRegistryValue(HKEY_CURRENT_USER, ProductRecordPath(Get(resources, "PRODUCTNAME")),
                       "Version", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
    ASSERT_TRUE(StartSpine(run));
    Window box = run.Robot().WaitWindow();
    ExpectBox(box, "An error occured during installation.", "Installation failed.",
              robot::Icon::Exclamation, kOkOnly);
    box.Press(IDOK);
    ExpectCleanEnd(run.Robot());
    EXPECT_FALSE(
        RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallEntryPath(Get(resources, "APPNAME"))));
    EXPECT_EQ(ListFolder(run.TempFolder()), std::vector<std::string>());
}

} // namespace
} // namespace setupkit::e2e
