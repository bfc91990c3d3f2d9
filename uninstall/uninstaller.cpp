#include "uninstall/uninstaller.h"

#include "lib/text.h"
#include "ui/message_box.h"
#include "uninstall/messages.h"
#include "uninstall/steps.h"

#include <exception>

namespace setupkit::uninstall {
namespace {

using Step = void (*)(UninstallRun&);

// Later steps do not depend on earlier ones having succeeded: a step that
// stops part-way leaves its cause for the closing box, and the rest of the
// installation is still removed. Nothing is put back.
constexpr Step kSteps[] = {RemoveHelpEntries,    RemovePackages, RemoveFiles,
                           RemoveProductRecords, RemoveFolders,  RemoveUninstallEntry,
                           RemoveItself};

void RunSteps(UninstallRun& run) {
    for (const Step step : kSteps) {
        try {
            step(run);
        } catch (const std::exception& error) {
            ::OutputDebugStringA((std::string("uninstall: ") + error.what() + "\n").c_str());
            run.report.failures.push_back(error.what());
        }
    }
}

void ShowUnknownProduct(const std::string& appName) {
    ShowMessage(FormatWith(messages::kUnknownProductText, appName), messages::kCaption,
                MB_ICONEXCLAMATION);
}

} // namespace

void RemoveItself(UninstallRun& run) {
    run.self.Start();
}

void RunUninstall(const std::string& appName) {
    UninstallReport report;
    const std::optional<UninstallEntry> entry = ReadUninstallEntry(appName, report);
    if (!entry) {
        ShowUnknownProduct(appName);
        return;
    }
    if (!AskOk(FormatWith(messages::kConfirmText, appName), messages::kCaption, MB_ICONQUESTION))
        return;
    SelfRemoval self;
    UninstallRun run{*entry, report, self};
    RunSteps(run);
    ShowMessage(FinalText(appName, report), messages::kCaption,
                report.HasProblems() ? MB_ICONEXCLAMATION : MB_ICONINFORMATION);
}

} // namespace setupkit::uninstall
