// The uninstall entry a completed run leaves.
#include "tests/records_e2e/records_e2e.h"

namespace setupkit::e2e {
namespace {

TEST(UninstallEntry, HoldsTheRunsNamesListsAndQuotedCommand) {
    SetupRun run;
    const std::string dest = run.Scratch().File("dest with spaces");
    const Resources resources = With(With(With(BaseResources(run), "INSTALLDIR", dest),
                                          "SUBPRODUCTNAME", "Corvel Nodemark;Corvel Grid"),
                                     "VERSION", "2.1");
    run.Build(resources);
    ASSERT_TRUE(run.Start());
    RunThrough(run, resources);

    const std::string app = Get(resources, "APPNAME");
    const std::pair<const char*, std::string> expected[] = {
        {"PRODUCTNAME", Get(resources, "PRODUCTNAME")},
        {"SUBPRODUCTNAME", "Corvel Nodemark;Corvel Grid"},
        {"FILES", ""},
        {"FOLDERS", ""},
        {"REGKEYS", ""},
        {"APPNAME", app},
        {"DELPHIVER", "D5"},
        {"DisplayName", app},
        {"UninstallString", "\"" + dest + "\\UnInstall.exe\" \"" + app + "\""},
        {"VERSION", "2.1"},
    };
    for (const auto& [name, text] : expected) {
        const test::RawValue value = UninstallValue(resources, name);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_EQ(value.bytes, Sz(text)) << name;
    }
}

} // namespace
} // namespace setupkit::e2e
