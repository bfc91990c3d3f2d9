#include "setup/driver.h"

#include "extract/payload.h"
#include "ide/catalogue.h"
#include "ide/help.h"
#include "ide/packages.h"
#include "ide/path_templates.h"
#include "lib/config_resources.h"
#include "lib/file.h"
#include "lib/path.h"
#include "lib/text.h"
#include "records/installed_products.h"
#include "records/shortcuts.h"
#include "records/uninstall.h"
#include "setup/checks.h"
#include "setup/messages.h"
#include "ui/message_box.h"
#include "ui/select_dir.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <exception>
#include <optional>
#include <string>

namespace setupkit::driver {

namespace {

void ReleaseLists() {
    for (LineList* list : {&InstalledFiles, &InstalledFolders, &InstalledRegKeys, &SystemFiles,
                           &HelpFiles, &InstalledHelps, &InstalledPackages})
        list->Clear();
}

std::string ExpandedInstallDir() {
    return ExpandPathTemplates(ReadConfigResource("INSTALLDIR"));
}

// Chooses the proposed destination from what is recorded of the family.
// False when the user declined to install over another version.
bool ProposeDestination() {
    switch (FindPreviousInstall(ProductName, ProductVersion, PreviousInstallDir)) {
    case piNone:
        InstallDir = ExpandedInstallDir();
        return true;
    case piSameVersion:
        InstallDir = PreviousInstallDir;
        return true;
    case piOtherVersion:
        break;
    }
    if (!AskOk(FormatWith(messages::kPreviousVersionText, AppName),
               messages::kPreviousVersionCaption, MB_ICONHAND))
        return false;
    // The family's folder is the better guess for where its files belong;
    // a record without one falls back to the build's own proposal.
    InstallDir = RecordedFolderName(ProductName);
    if (InstallDir.empty())
        InstallDir = ExpandedInstallDir();
    return true;
}

void ShowIncompatibleIde() {
    ShowMessage(std::string(messages::kIncompatibleIdeText) + messages::kDelphiPatchAddress +
                    "\r\n" + messages::kCppBuilderPatchAddress,
                messages::kSetupCaption, MB_ICONEXCLAMATION);
}

void LocateIdeHelp() {
    IdeHelpContents = IdeHelpContentsPath(IdeKind);
    if (file::FileExists(IdeHelpContents)) {
        IdeHelpDir = path::ExtractFilePath(IdeHelpContents);
    } else {
        IdeHelpContents.clear();
        IdeHelpDir.clear();
    }
}

// Start-up from the naming resources to the step runner. Returns when the run
// is over, normally or because the user or the IDE check ended it early.
void StartAndRun() {
    AppName = ReadConfigResource("APPNAME");
    ProductName = ReadConfigResource("PRODUCTNAME");
    SubProductName = ReadConfigResource("SUBPRODUCTNAME");
    ProductVersion = ReadConfigResource("VERSION");
    ReleaseLists();

    if (!ProposeDestination())
        return;

    IdeCode = ReadConfigResource("DELPHIVER");
    IdeKind = IdeKindFromCode(IdeCode);
    if (!IsIdeCompatible(IdeKind)) {
        ShowIncompatibleIde();
        return;
    }
    LocateIdeHelp();
    SystemFiles.SetText(ReadConfigResource("SYSFILES"));
    HelpFiles.SetText(ReadConfigResource("HELPFILES"));
    RunInstallSteps();
}

} // namespace

bool ConfirmWelcome() {
    std::string shown = AppName;
    if (!ProductVersion.empty())
        shown += " Version " + ProductVersion;
    return AskOk(FormatWith(messages::kWelcomeText, shown), messages::kWelcomeCaption,
                 MB_ICONINFORMATION);
}

void RunAfterInstall() {
    const std::string program = ReadConfigResource("RUNAFTERINSTALL");
    if (program.empty())
        return;
    if (!AskOk(FormatWith(messages::kRunAfterInstallText, program), messages::kWelcomeCaption,
               MB_ICONINFORMATION))
        return;
    // Neither outcome is examined: the product is installed whether or not it opens.
    ::SetCurrentDirectoryA(InstallDir.c_str());
    ::ShellExecuteA(nullptr, nullptr, (InstallDir + program).c_str(), nullptr, nullptr, SW_SHOW);
}

void RunInstallSteps() {
    if (!ConfirmWelcome() || !CheckPreviousVersion() || !CheckRunningIde() ||
        !PromptInstallDir(InstallDir))
        return;
    if (!InstallPayload(InstallDir)) {
        ShowMessage(std::string(messages::kPayloadFailedText) + messages::kSupportAddress,
                    messages::kSetupCaption, MB_ICONEXCLAMATION);
        return;
    }
    CreateProgramLinks();
    RegisterUninstall();
    RegisterVersion();
    RegisterPackagesStep();
    MergeHelpFiles();
    RunAfterInstall();
    if (IsOptionYes("SUCCESSMESSAGE"))
        ShowMessage(messages::kCompletedText, messages::kSetupCaption, MB_ICONINFORMATION);
}

void RunSetup() {
    ::InitCommonControls();
    ::CoInitialize(nullptr);
    std::optional<std::string> cause;
    try {
        StartAndRun();
    } catch (const std::exception& error) {
        cause = error.what();
    } catch (...) {
        cause = "unknown error";
    }
    ReleaseLists();
    ::CoUninitialize();
    if (!cause)
        return;
    // The user can act on no cause and sees none; whoever looks into a
    // failure finds it in the debugger's output.
    ::OutputDebugStringA((std::string(messages::kFailureCauseTrace) + *cause + "\n").c_str());
    ShowMessage(messages::kFailedText, messages::kFailedCaption, MB_ICONEXCLAMATION);
}

} // namespace setupkit::driver
