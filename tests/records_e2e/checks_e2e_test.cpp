// The two questions asked before anything is written.
#include "tests/records_e2e/records_e2e.h"

namespace setupkit::e2e {
namespace {

const std::vector<std::string> kIdeClasses = {"TAlignPalette", "TPropertyInspector", "TAppBuilder"};

TEST(PreviousVersionCheck, SecondRunWithTheSameNameAsksAndCancelWritesNothing) {
    SetupRun run;
    const Resources resources = BaseResources(run);
    run.Build(resources);
    ASSERT_TRUE(run.Start());
    RunThrough(run, resources);
    const std::vector<std::string> afterFirst = run.RegistryState();
    ASSERT_FALSE(afterFirst.empty());

    ASSERT_TRUE(run.Start());
    robot::Window welcome = run.Robot().WaitWindow();
    ExpectWelcome(welcome, resources);
    welcome.Press(IDOK);
    robot::Window box = run.Robot().WaitWindow();
    ExpectPreviousVersionBox(box, Get(resources, "APPNAME"));
    box.Press(IDCANCEL);
    ExpectCleanEnd(run.Robot());
    EXPECT_EQ(run.RegistryState(), afterFirst);
}

TEST(PreviousVersionCheck, OkGoesOnAndTheFlagNoSkipsIt) {
    SetupRun run;
    const Resources resources = BaseResources(run);
    run.Build(resources);
    ASSERT_TRUE(run.Start());
    RunThrough(run, resources);

    ASSERT_TRUE(run.Start());
    run.Robot().WaitWindow().Press(IDOK);
    robot::Window box = run.Robot().WaitWindow();
    ExpectPreviousVersionBox(box, Get(resources, "APPNAME"));
    box.Press(IDOK);
    robot::Window done = WaitSuccessBox(run);
    EXPECT_EQ(done.Text(), "Installation completed.");
    done.Press(IDOK);
    ExpectCleanEnd(run.Robot());

    const Resources unchecked = With(resources, "CHECKPREVVERSION", "No");
    run.Build(unchecked);
    ASSERT_TRUE(run.Start());
    RunThrough(run, unchecked);
    ASSERT_TRUE(run.Start());
    RunThrough(run, unchecked);
}

// The family's record asks at start-up, the uninstall entry again after the welcome.
TEST(PreviousVersionCheck, AnotherVersionWithTheSameNameIsAskedAboutTwice) {
    SetupRun run;
    const Resources first = BaseResources(run);
    run.Build(first);
    ASSERT_TRUE(run.Start());
    RunThrough(run, first);
    // The family's record as the payload step leaves it.
    test::SetRawValue(HKEY_CURRENT_USER, ProductRecordPath(Get(first, "PRODUCTNAME")), "Version",
                      REG_SZ, Sz("1.0"));

    const Resources second = With(first, "VERSION", "2.0");
    MakeSetup(run.SetupPath(), second);
    ASSERT_TRUE(run.Start());
    robot::Window startUp = run.Robot().WaitWindow();
    ExpectPreviousVersionBox(startUp, Get(second, "APPNAME"));
    startUp.Press(IDOK);
    robot::Window welcome = run.Robot().WaitWindow();
    ExpectWelcome(welcome, second);
    welcome.Press(IDOK);
    robot::Window check = run.Robot().WaitWindow();
    ExpectPreviousVersionBox(check, Get(second, "APPNAME"));
    check.Press(IDOK);
    robot::Window done = WaitSuccessBox(run);
    EXPECT_EQ(done.Text(), "Installation completed.");
    done.Press(IDOK);
    ExpectCleanEnd(run.Robot());
    EXPECT_EQ(UninstallValue(second, "VERSION").bytes, Sz("2.0"));
}

TEST(RunningIdeCheck, OneOrTwoWindowsAreNotARunningIde) {
    for (std::size_t shown = 1; shown <= 2; ++shown) {
        SCOPED_TRACE(shown);
        const RunningIde ide(std::vector<std::string>(kIdeClasses.end() - static_cast<long>(shown),
                                                      kIdeClasses.end()));
        SetupRun run;
        const Resources resources = Without(BaseResources(run), "CHECKDELPHI");
        run.Build(resources);
        ASSERT_TRUE(run.Start());
        RunThrough(run, resources);
    }
}

TEST(RunningIdeCheck, AllThreeWindowsWarnAndCancelWritesNothing) {
    const RunningIde ide(kIdeClasses);
    SetupRun run;
    const Resources resources = With(BaseResources(run), "CHECKDELPHI", "Yes");
    run.Build(resources);
    ASSERT_TRUE(run.Start());
    run.Robot().WaitWindow().Press(IDOK);
    robot::Window box = run.Robot().WaitWindow();
    ExpectBox(box, "Installation Warning", RunningIdeText(Get(resources, "APPNAME")),
              robot::Icon::Stop, {"OK", "Cancel"});
    box.PressEscape();
    ExpectCleanEnd(run.Robot());
    EXPECT_EQ(run.RegistryState(), std::vector<std::string>());
}

TEST(RunningIdeCheck, OkGoesOnAndTheFlagNoSkipsIt) {
    const RunningIde ide(kIdeClasses);
    SetupRun run;
    const Resources resources = Without(BaseResources(run), "CHECKDELPHI");
    run.Build(resources);
    ASSERT_TRUE(run.Start());
    run.Robot().WaitWindow().Press(IDOK);
    robot::Window box = run.Robot().WaitWindowWithCaption("Installation Warning");
    ASSERT_TRUE(box.Valid());
    box.Press(IDOK);
    robot::Window done = WaitSuccessBox(run);
    EXPECT_EQ(done.Text(), "Installation completed.");
    done.Press(IDOK);
    ExpectCleanEnd(run.Robot());

    SetupRun unchecked;
    const Resources off = BaseResources(unchecked);
    ASSERT_EQ(Get(off, "CHECKDELPHI"), "No");
    unchecked.Build(off);
    ASSERT_TRUE(unchecked.Start());
    RunThrough(unchecked, off);
}

} // namespace
} // namespace setupkit::e2e
