#include "tests/setup_e2e/spine.h"

namespace setupkit::e2e {
namespace {

using robot::Window;

// Spellings of a flag resource; absent when `bytes` is null.
struct Spelling {
    const char* label;
    const char* bytes;
};

Resources WithFlag(Resources resources, const char* name, const Spelling& spelling) {
    return spelling.bytes ? With(std::move(resources), name, spelling.bytes)
                          : Without(std::move(resources), name);
}

TEST(SetupFlags, SuccessBoxOnlyForExactlyYes) {
    const std::pair<Spelling, bool> cases[] = {
        {{"Yes", "Yes"}, true}, {{"Yes CR LF", "Yes\r\n"}, false}, {{"yes", "yes"}, false},
        {{"no", "no"}, false},  {{"No blank", "No "}, false},      {{"absent", nullptr}, false}};
    for (const auto& [spelling, shown] : cases) {
        SCOPED_TRACE(spelling.label);
        SetupRun run;
        const Resources resources = WithFlag(SpineResources(run), "SUCCESSMESSAGE", spelling);
        run.Build(resources);
        ASSERT_TRUE(StartSpine(run));
        run.Robot().WaitWindow().Press(IDOK);
        if (shown) {
            Window box = run.Robot().WaitWindow();
            ExpectCompleted(box);
            box.Press(IDOK);
        }
        ExpectCleanEnd(run.Robot());
        // The run went through its steps: the uninstall entry is there.
        EXPECT_TRUE(
            RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallEntryPath(Get(resources, "APPNAME"))));
    }
}

TEST(SetupFlags, PreviousVersionCheckIsOnUnlessExactlyNo) {
    const std::pair<Spelling, bool> cases[] = {{{"No", "No"}, false},
                                               {{"No blank", "No "}, true},
                                               {{"no", "no"}, true},
                                               {{"Yes CR LF", "Yes\r\n"}, true},
                                               {{"absent", nullptr}, true}};
    for (const auto& [spelling, checked] : cases) {
        SCOPED_TRACE(spelling.label);
        SetupRun run;
        const Resources resources = WithFlag(With(SpineResources(run), "SUCCESSMESSAGE", "Yes"),
                                             "CHECKPREVVERSION", spelling);
        run.Build(resources);
        const std::string appName = Get(resources, "APPNAME");
        // An earlier installation under the same name.
        WriteRegistryValue(HKEY_LOCAL_MACHINE, UninstallEntryPath(appName), "APPNAME", REG_SZ,
                           appName + '\0');
        ASSERT_TRUE(StartSpine(run));
        run.Robot().WaitWindow().Press(IDOK);
        Window box = run.Robot().WaitWindow();
        if (checked) {
            ExpectBox(box, "Installation Error",
                      "Setup has detected that previous version of " + appName +
                          " is already installed. It is highly recommended that you uninstall "
                          "previous version before you can install " +
                          appName +
                          ".\r\n\r\nPress the OK button to continue the installation.\r\n"
                          "Press the Cancel button to abort the installation.",
                      robot::Icon::Stop, kOkCancel);
            box.Press(IDCANCEL);
        } else {
            ExpectCompleted(box);
            box.Press(IDOK);
        }
        ExpectCleanEnd(run.Robot());
    }
}

TEST(SetupFlags, DestinationIsAskedUnlessExactlyNo) {
    const std::pair<Spelling, bool> cases[] = {
        {{"No", "No"}, false}, {{"No blank", "No "}, true}, {{"absent", nullptr}, true}};
    for (const auto& [spelling, asked] : cases) {
        SCOPED_TRACE(spelling.label);
        SetupRun run;
        const Resources resources = WithFlag(With(SpineResources(run), "SUCCESSMESSAGE", "Yes"),
                                             "PROMPTINSTALLDIR", spelling);
        run.Build(resources);
        ASSERT_TRUE(StartSpine(run));
        run.Robot().WaitWindow().Press(IDOK);
        Window window = run.Robot().WaitWindow();
        if (asked) {
            EXPECT_EQ(window.Caption(), "Select Destination Directory");
            EXPECT_EQ(window.ItemText(1000), Get(resources, "INSTALLDIR"));
            // Cancel here ends the run silently, before anything is written.
            window.Press(IDCANCEL);
            ExpectCleanEnd(run.Robot());
            EXPECT_EQ(run.RegistryState(), std::vector<std::string>());
        } else {
            ExpectCompleted(window);
            window.Press(IDOK);
            ExpectCleanEnd(run.Robot());
        }
    }
}

} // namespace
} // namespace setupkit::e2e
