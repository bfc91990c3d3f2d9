#include "builder/resources.h"
#include "records/installed_products.h"
#include "records/uninstall.h"
#include "tests/robot/robot.h"
#include "tests/support/paths.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <vector>

namespace setupkit {
namespace {

using builder::RcDataResource;
using e2e::ScratchFolder;
using e2e::WindowsPath;
using robot::Robot;
using robot::Window;

const std::string kDestinationCaption = "Select Destination Directory";

bool KeyExists(HKEY root, const std::string& path) {
    RegKey key;
    return ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

// A folder outside the scratch folder, removed when the test ends.
struct DriveFolder {
    explicit DriveFolder(std::string path) : path(std::move(path)) {
        ::CreateDirectoryA(this->path.c_str(), nullptr);
    }
    ~DriveFolder() { ::RemoveDirectoryA(path.c_str()); }
    std::string path;
};

// The loop of the destination dialog looks at its state only when the next
// message arrives. A real click brings more at once (the button's repaint,
// mouse moves); after a robot's posted command the next one may take a
// while, and this one spares the test that wait.
void Settle(const Window& window) {
    ::PostMessageA(window.Handle(), WM_NULL, 0, 0);
}

class DestinationStep : public ::testing::Test {
  protected:
    // The setup program with a configuration that leads straight from the
    // welcome box to the destination step.
    std::string MakeSetup(const std::string& prompt) {
        std::vector<RcDataResource> resources = {
            {"APPNAME", appName_},     {"PRODUCTNAME", appName_}, {"VERSION", "1.0"},
            {"INSTALLDIR", proposed_}, {"DELPHIVER", "D5"},       {"CHECKPREVVERSION", "No"},
            {"CHECKDELPHI", "No"},
        };
        if (!prompt.empty())
            resources.push_back({"PROMPTINSTALLDIR", prompt});
        const std::string path = scratch_.File("setup.exe");
        builder::WriteSetupFile(WindowsPath(SETUP_EXE), path, resources);
        return path;
    }

    // The probe: the destination step alone, proposing `proposed_`.
    void StartProbe(const std::string& prompt) {
        std::vector<RcDataResource> resources = {{"INSTALLDIR", proposed_}};
        if (!prompt.empty())
            resources.push_back({"PROMPTINSTALLDIR", prompt});
        const std::string path = scratch_.File("probe.exe");
        builder::WriteSetupFile(WindowsPath(PROBE_EXE), path, resources);
        ASSERT_TRUE(robot_.StartCommand("\"" + path + "\" " + Outcome(), scratch_.Path()));
    }

    std::string Outcome() const { return scratch_.File("outcome.txt"); }

    // The probe's answer and destination, once it has ended.
    std::string ProbeResult() {
        EXPECT_EQ(robot_.WaitExit(), 0u);
        return e2e::ReadFile(Outcome());
    }

    // Through the welcome box to whatever the setup shows next.
    Window PastWelcome(const std::string& setup) {
        EXPECT_TRUE(robot_.Start(setup, scratch_.Path()));
        Window welcome = robot_.WaitWindowWithCaption("Welcome!");
        welcome.Press(IDOK);
        return robot_.WaitWindow();
    }

    void ExpectNothingWritten() {
        EXPECT_FALSE(e2e::FolderExists(proposed_));
        EXPECT_FALSE(
            KeyExists(HKEY_CURRENT_USER, std::string(kInstalledProductsPath).substr(1) + appName_));
        EXPECT_FALSE(
            KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallParentPath) + "\\" + appName_));
    }

    ScratchFolder scratch_;
    Robot robot_;
    const std::string appName_ = "UiE2E " + std::to_string(::GetCurrentProcessId());
    const std::string proposed_ = scratch_.File("Lib");
};

// Every answer but the exact "No" keeps the question; leaving it in any way
// but OK ends the run without a word and without writing anything.
TEST_F(DestinationStep, SetupAsksUnlessToldNoAndEndsSilentlyWhenLeft) {
    struct Case {
        const char* prompt;
        void (*leave)(Window&);
    };
    const Case cases[] = {
        {"Yes", [](Window& w) { w.Press(IDCANCEL); }},
        {"no", [](Window& w) { w.PressEscape(); }},
        {"NO", [](Window& w) { w.Close(); }},
        {"", [](Window& w) { w.Press(IDCANCEL); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("PROMPTINSTALLDIR ") + c.prompt);
        Window dialog = PastWelcome(MakeSetup(c.prompt));
        ASSERT_TRUE(dialog.Valid());
        EXPECT_EQ(dialog.Caption(), kDestinationCaption);
        EXPECT_EQ(dialog.ItemText(1000), proposed_);
        EXPECT_EQ(dialog.ButtonTexts(), (std::vector<std::string>{"OK", "Cancel", "Browse..."}));
        EXPECT_EQ(dialog.Text(), "Destination Directory:");
        c.leave(dialog);
        Settle(dialog);
        robot_.ExpectNoMoreWindows();
        EXPECT_EQ(robot_.WaitExit(), 0u);
        ExpectNothingWritten();
    }
}

TEST_F(DestinationStep, NoShowsNothingAndOnlyAddsTheBackslash) {
    StartProbe("No");
    robot_.ExpectNoMoreWindows();
    EXPECT_EQ(ProbeResult(), "1\n" + proposed_ + "\\");
}

TEST_F(DestinationStep, OkGivesTheEditedFolderWithOneBackslash) {
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "\\"},              // the proposal as it stands
        {"D:\\Elsewhere\\Lib", "\\"}, // typed without a backslash
        {"D:\\Elsewhere\\Lib\\", ""}, // typed with one: not doubled
    };
    for (const auto& [typed, added] : cases) {
        StartProbe("Yes");
        Window dialog = robot_.WaitWindowWithCaption(kDestinationCaption);
        if (typed)
            dialog.SetItemText(1000, typed);
        dialog.Press(IDOK);
        Settle(dialog);
        EXPECT_EQ(ProbeResult(), "1\n" + std::string(typed ? typed : proposed_) + added);
    }
}

// An empty or relative folder would be the setup's current folder: OK on it
// asks again. The Browse button still answering shows the box stayed open.
TEST_F(DestinationStep, OkOnAnEmptyOrRelativeFolderKeepsTheBoxOpen) {
    StartProbe("Yes");
    Window dialog = robot_.WaitWindowWithCaption(kDestinationCaption);
    for (const char* typed : {"", "Lib", "C:Lib"}) {
        SCOPED_TRACE(typed);
        dialog.SetItemText(1000, typed);
        dialog.Press(IDOK);
        dialog.Press(3);
        Window browser = robot_.WaitWindow();
        ASSERT_EQ(browser.Text(), "Select the installation folder");
        browser.Press(IDCANCEL);
        robot_.WaitWindowWithCaption(kDestinationCaption);
    }
    dialog.SetItemText(1000, "D:\\Lib");
    dialog.Press(IDOK);
    Settle(dialog);
    EXPECT_EQ(ProbeResult(), "1\nD:\\Lib\\");
}

// A drive's root as the records write it is rooted once it has its backslash.
TEST_F(DestinationStep, OkOnADriveRootWithoutItsBackslashTakesTheRoot) {
    StartProbe("Yes");
    Window dialog = robot_.WaitWindowWithCaption(kDestinationCaption);
    dialog.SetItemText(1000, "C:");
    dialog.Press(IDOK);
    Settle(dialog);
    EXPECT_EQ(ProbeResult(), "1\nC:\\");
}

TEST_F(DestinationStep, CancelKeepsTheProposal) {
    StartProbe("Yes");
    Window dialog = robot_.WaitWindowWithCaption(kDestinationCaption);
    dialog.SetItemText(1000, "D:\\Typed");
    dialog.Press(IDCANCEL);
    Settle(dialog);
    EXPECT_EQ(ProbeResult(), "0\n" + proposed_);
}

// The browser opens on the typed folder; what it returns replaces the text
// only when the user chose.
TEST_F(DestinationStep, BrowseWritesTheChosenFolderIntoTheBox) {
    // One level below the drive: the browser selects it at once.
    const std::string chosen = "C:\\ui_e2e_" + std::to_string(::GetCurrentProcessId());
    const DriveFolder made(chosen);
    StartProbe("Yes");
    Window dialog = robot_.WaitWindowWithCaption(kDestinationCaption);
    dialog.SetItemText(1000, chosen + "\\");

    dialog.Press(3);
    Window browser = robot_.WaitWindow();
    EXPECT_EQ(browser.Text(), "Select the installation folder");
    EXPECT_EQ(::GetWindow(browser.Handle(), GW_OWNER), dialog.Handle());
    browser.Press(IDCANCEL);
    robot_.WaitWindowWithCaption(kDestinationCaption);
    EXPECT_EQ(dialog.ItemText(1000), chosen + "\\");

    dialog.Press(3);
    robot_.WaitWindow().Press(IDOK);
    robot_.WaitWindowWithCaption(kDestinationCaption);
    EXPECT_EQ(dialog.ItemText(1000), chosen);

    dialog.SetItemText(1000, "C:\\");
    dialog.Press(3);
    robot_.WaitWindow().Press(IDOK);
    robot_.WaitWindowWithCaption(kDestinationCaption);
    EXPECT_EQ(dialog.ItemText(1000), "C:\\");

    dialog.Press(IDOK);
    Settle(dialog);
    EXPECT_EQ(ProbeResult(), "1\nC:\\");
}

} // namespace
} // namespace setupkit
