// Which IDE a setup targets and whether the one on this machine may be used.
#include "tests/records_e2e/records_e2e.h"

namespace setupkit::e2e {
namespace {

// Ends at the incompatible-IDE box, having written nothing.
void ExpectRefused(const Resources& resources) {
    SetupRun run;
    run.Build(resources);
    ASSERT_TRUE(run.Start());
    robot::Window box = run.Robot().WaitWindow();
    ExpectIncompatibleIdeBox(box);
    box.Press(IDOK);
    ExpectCleanEnd(run.Robot());
    EXPECT_EQ(run.RegistryState(), std::vector<std::string>());
    EXPECT_EQ(ListFolder(run.Scratch().Path()), (std::vector<std::string>{"setup.exe", "temp\\"}));
}

TEST(IdeCodes, LowerCaseCodeSelectsDelphi5WhichNeedsNoInstallation) {
    IdeRegistry ides;
    SetupRun run;
    const Resources resources = With(BaseResources(run), "DELPHIVER", "d5");
    run.Build(resources);
    ASSERT_TRUE(run.Start());
    RunThrough(run, resources);
    // The code is recorded as written; no help contents file, so no help list.
    EXPECT_EQ(UninstallValue(resources, "DELPHIVER").bytes, Sz("d5"));
    EXPECT_FALSE(UninstallValue(resources, "INSTALLEDHELPS").exists);
}

TEST(IdeCodes, UnknownCodesSelectDelphi4) {
    const std::vector<std::string> codes = {"D5 ", "D6", ""};
    IdeRegistry ides;
    for (const std::string& code : codes) {
        SCOPED_TRACE("\"" + code + "\" without Delphi 4");
        SetupRun run;
        ExpectRefused(With(BaseResources(run), "DELPHIVER", code));
    }
    {
        SCOPED_TRACE("no DELPHIVER without Delphi 4");
        SetupRun run;
        ExpectRefused(Without(BaseResources(run), "DELPHIVER"));
    }
    // With the build Delphi 4 needs, the same codes pass the check.
    ides.Install("Delphi\\4.0", "d4_5_108");
    for (const std::string& code : codes) {
        SCOPED_TRACE("\"" + code + "\" with Delphi 4");
        SetupRun run;
        const Resources resources = With(BaseResources(run), "DELPHIVER", code);
        run.Build(resources);
        ASSERT_TRUE(run.Start());
        robot::Window welcome = run.Robot().WaitWindow();
        ExpectWelcome(welcome, resources);
        welcome.Press(IDCANCEL);
        ExpectCleanEnd(run.Robot());
    }
}

TEST(IdeVersion, Delphi3MustBeExactlyBuild583) {
    IdeRegistry ides;
    ides.Install("Delphi\\3.0", "d3_5_84");
    {
        SetupRun run;
        ExpectRefused(With(BaseResources(run), "DELPHIVER", "D3"));
    }
    ides.Install("Delphi\\3.0", "d3_5_83");
    SetupRun run;
    const Resources resources = With(BaseResources(run), "DELPHIVER", "D3");
    run.Build(resources);
    ASSERT_TRUE(run.Start());
    RunThrough(run, resources);
    EXPECT_EQ(UninstallValue(resources, "DELPHIVER").bytes, Sz("D3"));
}

} // namespace
} // namespace setupkit::e2e
