#include "uninstall/command_line.h"

#include <gtest/gtest.h>

namespace setupkit::uninstall {
namespace {

TEST(CommandLine, TheApplicationNameComesFromTheCommandsSetupsRegister) {
    const std::pair<const char*, const char*> cases[] = {
        {R"(C:\Corvel\UnInstall.exe "Corvel Grid 1.4")", "Corvel Grid 1.4"},
        {R"("C:\Program Files\Corvel\UnInstall.exe" "Corvel Grid")", "Corvel Grid"},
        // Backslashes are text, also before a closing quote.
        {R"(UnInstall.exe "Grid\")", "Grid\\"},
        // Typed by hand without quotes.
        {"UnInstall.exe  Corvel \t Grid ", "Corvel Grid"},
        {R"(UnInstall.exe "")", ""},
        {"UnInstall.exe", ""},
        {"UnInstall.exe /finish", "/finish"},
        {"UnInstall.exe /finish 12x C:\\UnInstall.exe", "/finish 12x C:\\UnInstall.exe"},
    };
    for (const auto& [commandLine, name] : cases) {
        const std::vector<std::string> arguments = SplitCommandLine(commandLine);
        EXPECT_EQ(ApplicationName(arguments), name) << commandLine;
        EXPECT_FALSE(ParseFinishOrder(arguments)) << commandLine;
    }
}

TEST(CommandLine, TheFinishOrderReachesTheTemporaryCopyUnchanged) {
    const FinishOrder order{
        1234, "C:\\My Files\\UnInstall.exe", {"C:\\My Files\\sub", "C:\\My Files"}};
    const std::vector<std::string> arguments =
        SplitCommandLine(FinishCommandLine("C:\\Temp dir\\uni1.tmp", order));
    ASSERT_FALSE(arguments.empty());
    EXPECT_EQ(arguments[0], "C:\\Temp dir\\uni1.tmp");
    const std::optional<FinishOrder> parsed = ParseFinishOrder(arguments);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->process, order.process);
    EXPECT_EQ(parsed->program, order.program);
    EXPECT_EQ(parsed->folders, order.folders);
}

} // namespace
} // namespace setupkit::uninstall
